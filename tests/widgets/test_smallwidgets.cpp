// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ArrowKeyPanel.h"
#include "widgets/PageControl.h"
#include "widgets/style.h"
#include "widgets/veskImageButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QShortcut>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QPixmap solid(int w, int h, QColor c)
{
    QPixmap p(w, h);
    p.fill(c);
    return p;
}

// A 10 x 10 picture whose every pixel tells where it is.
QPixmap gradient()
{
    QImage img(10, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            img.setPixel(x, y, qRgb(x * 20, y * 20, 100));
    return QPixmap::fromImage(img);
}

QColor at(const TveskImageButton& b, int x, int y) { return QColor(b.render().pixel(x, y)); }

void enter(QWidget& w)
{
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&w, &e);
}

void leave(QWidget& w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(&w, &e);
}

} // namespace

TEST(ImageButton, TilesTheNormalPicture)
{
    QWidget parent;
    TveskImageButton b(&parent);
    b.setAutoSize(false);
    b.resize(25, 15);
    b.setImage(gradient());
    EXPECT_EQ(b.size(), QSize(25, 15)) << "AutoSize off keeps the size";
    EXPECT_EQ(at(b, 3, 4), QColor(60, 80, 100));
    EXPECT_EQ(at(b, 13, 4), QColor(60, 80, 100));  // second tile
    EXPECT_EQ(at(b, 24, 4), QColor(80, 80, 100));  // third, cut at the right edge
    EXPECT_EQ(at(b, 22, 12), QColor(40, 40, 100)); // second row, cut at the bottom
}

TEST(ImageButton, FacesByStatus)
{
    QWidget parent;
    TveskImageButton b(&parent);
    b.setImage(solid(48, 20, Qt::red));
    EXPECT_EQ(b.size(), QSize(48, 20)) << "AutoSize sizes to the picture";
    b.setOverImage(solid(48, 20, Qt::green));
    EXPECT_EQ(at(b, 5, 5), QColor(Qt::red));
    enter(b);
    EXPECT_EQ(b.status(), TveskImageButton::Hover);
    EXPECT_EQ(at(b, 5, 5), QColor(Qt::green));
    // Pressed without a down picture: the normal one.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b.status(), TveskImageButton::Pressed);
    EXPECT_EQ(at(b, 5, 5), QColor(Qt::red));
    leave(b);
    EXPECT_EQ(b.status(), TveskImageButton::Pressed) << "stays pressed when the mouse leaves";
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b.status(), TveskImageButton::Normal);

    b.setDownImage(solid(48, 20, Qt::blue));
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(at(b, 5, 5), QColor(Qt::blue));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    b.setCheckGroup(-1);
    b.setChecked(true);
    EXPECT_EQ(at(b, 5, 5), QColor(Qt::blue)) << "checked shows the down face";
}

TEST(ImageButton, WithoutAPictureOnlyTheBackground)
{
    QWidget parent;
    TveskImageButton b(&parent);
    b.setAutoSize(false);
    b.resize(20, 10);
    b.setColor(QColor(17, 17, 17));
    b.setDownImage(solid(20, 10, Qt::blue));
    for (bool checked : {false, true}) {
        b.setCheckGroup(checked ? -1 : 0);
        b.setChecked(checked);
        EXPECT_EQ(at(b, 3, 3), QColor(17, 17, 17));
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(at(b, 3, 3), QColor(17, 17, 17));
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(3, 3));
    }
    b.setAutoSize(true);
    EXPECT_EQ(b.size(), QSize(0, 0));
}

TEST(ImageButton, CheckGroupsActLikeRadioButtons)
{
    for (bool allowAllUp : {false, true}) {
        QWidget parent;
        TveskImageButton a(&parent), b(&parent), other(&parent);
        for (auto* x : {&a, &b})
            x->setCheckGroup(1);
        other.setCheckGroup(2);
        other.setChecked(true);
        a.setAllowAllUp(allowAllUp);
        b.setAllowAllUp(allowAllUp);
        for (auto* x : {&a, &b, &other}) {
            x->setAutoSize(false);
            x->resize(10, 10);
        }
        QTest::mouseClick(&a, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_TRUE(a.Checked());
        QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_TRUE(b.Checked());
        EXPECT_FALSE(a.Checked());
        QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_EQ(b.Checked(), !allowAllUp) << "allowAllUp " << allowAllUp;
        EXPECT_TRUE(other.Checked()) << "another group is not touched";
    }
}

TEST(ImageButton, GroupZeroNeverChangesOnAClickButStillClicks)
{
    QWidget parent;
    TveskImageButton b(&parent);
    b.setAutoSize(false);
    b.resize(10, 10);
    int clicks = 0;
    QObject::connect(&b, &TveskImageButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(b.Checked());
    EXPECT_EQ(clicks, 1);
}

TEST(ArrowKeyPanel, TakesTheArrowsWhileTabStillMovesTheFocus)
{
    QWidget window;
    TArrowKeyPanel first(&window), second(&window);
    QLineEdit edit(&window);
    second.move(0, 30);
    edit.move(0, 60);
    int shortcutHits = 0;
    QShortcut up(QKeySequence(Qt::Key_Up), &window);
    QObject::connect(&up, &QShortcut::activated, [&] { ++shortcutHits; });
    window.show();
    QApplication::setActiveWindow(&window);
    first.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.hasFocus(); }));

    std::vector<int> keys;
    QObject::connect(&first, &TArrowKeyPanel::keyDown,
                     [&](QKeyEvent* e) { keys.push_back(e->key()); });
    int ups = 0;
    QObject::connect(&first, &TArrowKeyPanel::keyUp, [&](QKeyEvent*) { ++ups; });
    for (auto k : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right})
        QTest::keyClick(&first, k);
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right}));
    EXPECT_EQ(ups, 4);
    EXPECT_TRUE(first.hasFocus());
    EXPECT_EQ(shortcutHits, 0) << "the panel did not claim the arrow before the shortcut";

    QTest::keyClick(&first, Qt::Key_Tab);
    EXPECT_TRUE(second.hasFocus());
}

TEST(PageControl, PagesCoverTheControlWithTheTabsHidden)
{
    TPageControl pc;
    pc.resize(426, 222);
    for (const char* name : {"Config", "Tracking", "Options"})
        pc.addTab(new QWidget, name);
    pc.show();
    QApplication::processEvents();
    EXPECT_TRUE(pc.DisplayRect().top() >= 0);
    EXPECT_GT(pc.DisplayRect().top(), 0) << "tabs shown take room";
    EXPECT_EQ(pc.DisplayRect().left(), 0);
    EXPECT_EQ(pc.DisplayRect().width(), 426);

    for (int i = 0; i < pc.count(); ++i)
        pc.setTabVisible(i, false);
    pc.resize(426, 223);
    QApplication::processEvents();
    EXPECT_EQ(pc.DisplayRect(), QRect(0, 0, 426, 223));
}

TEST(PageControl, TabsAreLimeWithTheCaptionCentred)
{
    TPageControl pc;
    pc.resize(300, 100);
    pc.addTab(new QWidget, "A");
    pc.addTab(new QWidget, "B");
    pc.show();
    QApplication::processEvents();
    const QImage bar = pc.tabBar()->grab().toImage();
    const QRect r = pc.tabBar()->tabRect(1);
    EXPECT_EQ(QColor(bar.pixel(r.left() + 1, r.top() + 1)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(bar.pixel(r.right() - 1, r.bottom() - 1)), QColor(0, 255, 0));
    // Somewhere near the centre the caption is drawn in another colour.
    bool caption = false;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            caption = caption || QColor(bar.pixel(x, y)) != QColor(0, 255, 0);
    EXPECT_TRUE(caption);
}

// At a scale other than 1 a face with bitmaps only gives way to a scalable
// face of its metrics; scalable faces, and every face at scale 1, stay.
TEST(Captions, ABitmapOnlyFaceGivesWayWhenScaled)
{
    const QString wine = QStringLiteral("/usr/share/wine/fonts/");
    if (QFontDatabase::addApplicationFont(wine + "ms_sans_serif.ttf") < 0 ||
        QFontDatabase::addApplicationFont(wine + "tahoma.ttf") < 0)
        GTEST_SKIP() << "Wine's fonts (fonts-wine) are not installed";
    EXPECT_EQ(ScaledFace("MS Sans Serif", 2.0), "Tahoma");
    EXPECT_EQ(ScaledFace("MS Sans Serif", 1.5), "Tahoma");
    EXPECT_EQ(ScaledFace("MS Sans Serif", 1.0), "MS Sans Serif");
    EXPECT_EQ(ScaledFace("Tahoma", 2.0), "Tahoma");
    EXPECT_EQ(ScaledFace("DejaVu Sans", 2.0), "DejaVu Sans");
}
