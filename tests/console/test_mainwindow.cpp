// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/application.h"
#include "console/main.h"
#include "core/angleline.h"
#include "kt90sim/simserver.h"
#include "support/simlink.h"
#include "trackerfeed/feedserver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kt90;

namespace {

struct NoPorts : IPortLister {
    QStringList ListSerialPorts() override { return {}; }
};

struct Answers : IHostProbe {
    bool PingHost(const QString&) override { return true; }
};

class Window : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath("norvakKT90dde.ini");
    sim::SimController ctl;
    std::unique_ptr<sim::SimServer> server;
    NoPorts ports;
    Answers probe;
    std::unique_ptr<TFMain> w;
    int alerts = 0;

    void SetUp() override
    {
        SetAlertHook([this] { ++alerts; });
    }
    void TearDown() override
    {
        w.reset();
        if (server)
            server->stop();
        SetAlertHook({});
        QLocale::setDefault(QLocale::c());
    }

    void settings(const QByteArray& text)
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    void make()
    {
        TFMainServices s;
        s.iniPath = ini;
        s.ports = &ports;
        s.probe = &probe;
        w = std::make_unique<TFMain>(s);
    }
    // The window connected to the simulator over TCP, shown and active.
    void connected(const QByteArray& extra = {})
    {
        server = StartSimulator(ctl, {}, sim::Clock::Manual, Via::Tcp, {});
        settings("[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\nPooling (ms)=2000\n"
                 "HOST PORT=" +
                 QByteArray::number(server->tcpPort()) + "\n" + extra);
        make();
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return w->frameOptions->Button1->text() == "Disconnect"; }, 3000));
        w->edAz->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->edAz->hasFocus(); }, 1000));
        w->link().tmrRefresh.stop(); // the test's exchanges alone from here
    }
    std::vector<Frame> sent(std::uint8_t command)
    {
        std::vector<Frame> got;
        for (const auto& f : server->locked([](sim::SimController& c) { return c.received(); }))
            if (f.size() == 13 && f[11] == command)
                got.push_back(f);
        return got;
    }
    std::vector<int> jogMasks()
    {
        std::vector<int> m;
        for (const auto& f : sent(0x14))
            m.push_back(f[1]);
        return m;
    }
    void key(QEvent::Type type, Qt::Key k, bool repeat = false)
    {
        QKeyEvent e(type, k, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(QApplication::focusWidget(), &e);
    }
    // Characters as the keyboard delivers them, any character included.
    void type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->clear();
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &release);
        }
    }
};

} // namespace

TEST_F(Window, StartUp)
{
    make();
    EXPECT_FALSE(w->panOptions->isVisibleTo(w.get()));
    EXPECT_EQ(w->btnOptions->text(), "show");
    EXPECT_EQ(w->edAz->text(), "0.0");
    EXPECT_EQ(w->edEl->text(), "0.0");
    EXPECT_EQ(w->LCDLine1->Text(), "MODE: NORMAL");
    EXPECT_EQ(w->LCDLine2->Text(), "M1:   0.0  M2:   0.0");
    EXPECT_EQ(w->LCDLine3->Text(), "OUTS  1 2 3 4 5 6");
    EXPECT_EQ(w->LCDLine4->Text(), "STATE" + QString(13, ' '));
    EXPECT_EQ(w->lbVer->text(), "ver. 2.0f");
    EXPECT_FALSE(w->lbError->isVisibleTo(w.get()));
    EXPECT_EQ(w->size(), QSize(797, 119));
    EXPECT_EQ(w->windowTitle(), "NORVAK KT90 dde");
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w->pc->count(), 3);
    EXPECT_EQ(w->PageTabs->tabText(0), "KT-90 parameters");
    EXPECT_EQ(w->PageTabs->tabText(2), "Options");
    EXPECT_EQ(w->frameKT90->KT90Options().kind(1), kKindElevation) << "editor starts at defaults";
}

TEST_F(Window, StartUpUnderACommaLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    make();
    EXPECT_EQ(w->edAz->text(), "0,0");
    EXPECT_EQ(w->edEl->text(), "0,0");
}

TEST_F(Window, FoldOutAndConsoleHeights)
{
    make();
    w->btnHideOptsClick();
    EXPECT_EQ(w->btnOptions->text(), "hide");
    EXPECT_EQ(w->height(), 509);
    EXPECT_EQ(w->pc->currentIndex(), 0);
    w->btnHideOptsClick();
    EXPECT_EQ(w->btnOptions->text(), "show");
    EXPECT_EQ(w->height(), 119);
    w->ShowPowerOutputs(true);
    EXPECT_EQ(w->panNavigate->height(), 162);
    EXPECT_EQ(w->height(), 191);
    EXPECT_EQ(w->btnOptions->y(), 162 - 19);
    EXPECT_TRUE(w->LCDLine4->isVisibleTo(w.get()));
    w->btnHideOptsClick();
    EXPECT_EQ(w->height(), 581);
    w->ShowPowerOutputs(false);
    EXPECT_EQ(w->panNavigate->height(), 90);
    EXPECT_EQ(w->height(), 509);
}

TEST_F(Window, EveryActivationBringsTheFirstPage)
{
    make();
    w->btnHideOptsClick();
    w->PageTabs->setCurrentIndex(2);
    EXPECT_EQ(w->pc->currentIndex(), 2);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w.get(), &activate);
    EXPECT_EQ(w->PageTabs->currentIndex(), 0);
    EXPECT_EQ(w->pc->currentIndex(), 0);
}

TEST_F(Window, SnapsToTheScreenEdges)
{
    make();
    w->show();
    const QRect area = w->screen()->availableGeometry();
    w->move(area.left() + 6, area.top() + 40);
    EXPECT_EQ(w->frameGeometry().left(), area.left());
    EXPECT_EQ(w->frameGeometry().top(), area.top() + 40);
    w->move(area.left() + 40, area.bottom() - w->height() - 4);
    EXPECT_EQ(w->frameGeometry().bottom(), area.bottom());
}

// Sends a mouse event as the window system would, to a widget.
void mouse(QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), QPointF(to->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &e);
}

// The right button moves the window from a free area as the left one does
// through the window manager, and the move ends with that button; a press
// between a page's controls moves nothing.
TEST_F(Window, TheRightButtonMovesTheWindowUntilItIsReleased)
{
    make();
    w->show();
    w->move(100, 100);
    const QPoint start = w->pos();
    QWidget* free = w->panNavigate;
    const QPoint at(250, 5);
    ASSERT_EQ(free->childAt(at), nullptr) << "not a free area";
    mouse(free, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    mouse(free, QEvent::MouseMove, at + QPoint(30, 20), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(w->pos(), start + QPoint(30, 20));
    mouse(free, QEvent::MouseButtonRelease, at + QPoint(30, 20), Qt::RightButton, Qt::NoButton);
    const QPoint after = w->pos();
    mouse(free, QEvent::MouseMove, at + QPoint(80, 80), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(w->pos(), after) << "the window no longer follows the pointer";

    // A free spot of the tracker page: the page frame itself, no control.
    w->btnHideOptsClick();
    w->PageTabs->setCurrentIndex(1);
    QWidget* frame = w->frameOrbitron;
    QPoint spot(-1, -1);
    for (int y = 5; y < frame->height() && spot.x() < 0; y += 5)
        for (int x = 5; x < frame->width() && spot.x() < 0; x += 5)
            if (!frame->childAt(x, y))
                spot = QPoint(x, y);
    ASSERT_GE(spot.x(), 0);
    mouse(frame, QEvent::MouseButtonPress, spot, Qt::RightButton, Qt::RightButton);
    mouse(frame, QEvent::MouseMove, spot + QPoint(50, 30), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(w->pos(), after) << "a press on a page moved the window";
    mouse(frame, QEvent::MouseButtonRelease, spot + QPoint(50, 30), Qt::RightButton, Qt::NoButton);
}

// The tab strip shows which page is in front: the selected tab alone has an
// outline, in the strip's text colour.
TEST_F(Window, TheSelectedPageTabIsOutlined)
{
    make();
    w->show();
    w->btnHideOptsClick();
    for (int selected = 0; selected < w->PageTabs->count(); ++selected) {
        w->PageTabs->setCurrentIndex(selected);
        const QImage strip = w->PageTabs->grab().toImage();
        for (int tab = 0; tab < w->PageTabs->count(); ++tab) {
            const QRect r = w->PageTabs->tabRect(tab);
            // Half way down the tab's left edge.
            const QColor edge = strip.pixelColor(r.left(), r.center().y());
            EXPECT_EQ(edge == QColor(0xC0, 0xA0, 0x00), tab == selected)
                << "tab " << tab << " with tab " << selected
                << " selected: " << edge.name().toStdString();
        }
    }
}

TEST_F(Window, ArrowKeysJog)
{
    connected();
    key(QEvent::KeyPress, Qt::Key_Left);
    key(QEvent::KeyPress, Qt::Key_Left, true); // the key's repeat
    key(QEvent::KeyRelease, Qt::Key_Left, true);
    key(QEvent::KeyRelease, Qt::Key_Left);
    EXPECT_EQ(jogMasks(), (std::vector<int>{1, 0}));

    key(QEvent::KeyPress, Qt::Key_Left);
    key(QEvent::KeyPress, Qt::Key_Up);
    key(QEvent::KeyRelease, Qt::Key_Left);
    key(QEvent::KeyRelease, Qt::Key_Up);
    EXPECT_EQ(jogMasks(), (std::vector<int>{1, 0, 1, 5, 4, 0}));

    key(QEvent::KeyPress, Qt::Key_Left);
    key(QEvent::KeyPress, Qt::Key_Right);   // sends nothing
    key(QEvent::KeyRelease, Qt::Key_Right); // clears both horizontal bits
    EXPECT_EQ(jogMasks(), (std::vector<int>{1, 0, 1, 5, 4, 0, 1, 0}));
    EXPECT_EQ(w->edAz->cursorPosition(), 3) << "the caret did not move";
}

// Keys that carry the server's time, as on X11: a release followed by a
// press of the same key at the same time is a repeat, whether or not it was
// flagged; a release that no such press follows ends the jog.
TEST_F(Window, AnUnflaggedRepeatPairDoesNotEndTheJog)
{
    connected();
    const auto stamped = [&](QEvent::Type type, Qt::Key k, quint64 time) {
        QKeyEvent e(type, k, Qt::NoModifier, QString());
        e.setTimestamp(time);
        QApplication::sendEvent(QApplication::focusWidget(), &e);
    };
    stamped(QEvent::KeyPress, Qt::Key_Left, 1000);
    for (quint64 t = 1500; t < 1700; t += 30) {
        stamped(QEvent::KeyRelease, Qt::Key_Left, t);
        stamped(QEvent::KeyPress, Qt::Key_Left, t);
    }
    stamped(QEvent::KeyRelease, Qt::Key_Left, 1800);
    EXPECT_TRUE(QTest::qWaitFor([&] { return jogMasks().size() >= 2; }, 2000));
    EXPECT_EQ(jogMasks(), (std::vector<int>{1, 0}));
    // A new press after a real release is no repeat.
    stamped(QEvent::KeyPress, Qt::Key_Left, 1900);
    stamped(QEvent::KeyRelease, Qt::Key_Left, 2000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return jogMasks().size() >= 4; }, 2000));
    EXPECT_EQ(jogMasks(), (std::vector<int>{1, 0, 1, 0}));
}

TEST_F(Window, AJogNeverOutlivesItsKey)
{
    connected();
    key(QEvent::KeyPress, Qt::Key_Left);
    w->btnHideOptsClick(); // the pages open: the jog ends
    key(QEvent::KeyRelease, Qt::Key_Left);
    EXPECT_EQ(jogMasks(), (std::vector<int>{1, 0}));
    w->btnHideOptsClick();

    key(QEvent::KeyPress, Qt::Key_Down);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(w.get(), &deactivate);
    EXPECT_EQ(jogMasks(), (std::vector<int>{1, 0, 8, 0}));
    EXPECT_EQ(w->link().fButtons(), 0u);
}

TEST_F(Window, KeysGoToTheFieldsWhileThePagesAreShown)
{
    connected();
    w->btnHideOptsClick();
    w->edAz->setFocus();
    w->edAz->setCursorPosition(3);
    key(QEvent::KeyPress, Qt::Key_Left);
    key(QEvent::KeyRelease, Qt::Key_Left);
    EXPECT_TRUE(jogMasks().empty());
    EXPECT_EQ(w->edAz->cursorPosition(), 2);
}

TEST_F(Window, BackspaceStopsAndStillEdits)
{
    connected();
    w->edAz->setCursorPosition(3);
    QTest::keyClick(w->edAz, Qt::Key_Backspace);
    EXPECT_EQ(sent(0x0F).size(), 1u);
    EXPECT_EQ(w->edAz->text(), "0.");
}

struct TypedAngle {
    const char* name;
    QLocale locale;
    QString typed, shown;
};

class AngleField : public Window, public ::testing::WithParamInterface<TypedAngle> {};

TEST_P(AngleField, TakesDigitsAndTheLocalesSeparatorOnly)
{
    QLocale::setDefault(GetParam().locale);
    make();
    w->show();
    type(w->edAz, GetParam().typed);
    EXPECT_EQ(w->edAz->text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Window, AngleField,
    ::testing::Values(
        TypedAngle{"pointLocale", QLocale::c(), "1a2-3 .5x,", "123.5"},
        TypedAngle{"commaLocale", QLocale(QLocale::German, QLocale::Germany), "12.,5", "12,5"},
        TypedAngle{"symbols", QLocale::c(), QString::fromUtf8("4\u00B05\u20AC"), "45"}),
    [](const auto& info) { return std::string(info.param.name); });

// The focus is in M1 at start-up; what is typed first replaces "0.0".
TEST_F(Window, TypingAtStartUpReplacesTheZero)
{
    connected();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->edAz->hasFocus(); }, 2000));
    QTest::keyClicks(w->edAz, "123");
    EXPECT_EQ(w->edAz->text(), "123");
    QTest::keyClick(w->edAz, Qt::Key_Return);
    const auto sets = sent(0x2F);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0], setPositionCommand(123, 10, -360, 10));
}

// Tab and Delete come with a control character; they move the focus and
// delete, as in any field.
TEST_F(Window, TabAndDeleteWorkInTheAngleFields)
{
    make();
    w->show();
    QApplication::setActiveWindow(w.get());
    w->edAz->setFocus();
    w->edAz->setText("12.5");
    w->edAz->setCursorPosition(0);
    QTest::keyClick(w->edAz, Qt::Key_Delete);
    EXPECT_EQ(w->edAz->text(), "2.5");
    QTest::keyClick(w->edAz, Qt::Key_Tab);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->edEl->hasFocus(); }, 1000));
    EXPECT_EQ(w->edEl->selectedText(), w->edEl->text()) << "keyboard focus selects it whole";
}

TEST_F(Window, EnterSendsTheFieldAndSendBoth)
{
    connected();
    type(w->edAz, "123.4");
    QTest::keyClick(w->edAz, Qt::Key_Return);
    type(w->edEl, "45");
    QTest::keyClick(w->edEl, Qt::Key_Enter);
    w->edAz->clear();
    w->btnSend->click();
    const auto got = sent(0x2F);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], setPositionCommand(123.4, 10, -360, 10));
    EXPECT_EQ(got[1], setPositionCommand(-360, 10, 45, 10));
    EXPECT_EQ(got[2],
              (Frame{0x57, '0', '0', '0', '0', 0x0A, '4', '0', '5', '0', 0x0A, 0x2F, 0x20}));
    EXPECT_EQ(w->edAz->text(), "");
    EXPECT_EQ(w->edEl->text(), "45") << "the Enter is not typed into the field";
}

TEST_F(Window, ACommaLocaleSendsTheExactFrame)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    connected();
    type(w->edAz, "12,5");
    QTest::keyClick(w->edAz, Qt::Key_Return);
    const auto got = sent(0x2F);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (Frame{0x57, 0x33, 0x37, 0x32, 0x35, 0x0A, 0x30, 0x30, 0x30, 0x30, 0x0A, 0x2F,
                             0x20}));
}

TEST_F(Window, AnAngleTheFrameCannotCarryOnlySoundsTheAlert)
{
    connected();
    type(w->edAz, "700");
    QTest::keyClick(w->edAz, Qt::Key_Return);
    EXPECT_EQ(alerts, 1);
    server->advance(10);
    EXPECT_TRUE(sent(0x2F).empty());
    EXPECT_FALSE(w->link().DisableRefresh());
    type(w->edAz, "10");
    QTest::keyClick(w->edAz, Qt::Key_Return);
    EXPECT_EQ(sent(0x2F).size(), 1u) << "the window goes on working";
}

TEST_F(Window, OutputCellsSwitchOnAPress)
{
    connected("Show power outs=1\n");
    w->link().SendOutputsQuery(); // all off: every cell shows the ring
    // Where a character lies, as the line itself places it.
    const auto xOf = [&](int column) {
        for (int x = 0; x < w->LCDLine4->width(); ++x)
            if (w->LCDLine4->CharPosAt(x, 0) == column)
                return x + 1;
        ADD_FAILURE() << "no character " << column;
        return 0;
    };
    const int second = kt90::OutputCellColumn(2);
    ASSERT_EQ(second, 9);
    ASSERT_EQ(w->LCDLine4->Text()[second - 1], QChar(8));
    QTest::mousePress(w->LCDLine4, Qt::LeftButton, {}, QPoint(xOf(second), 10));
    const auto outs = sent(0xF3);
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0][1], 0x02);
    EXPECT_EQ(w->LCDLine4->Text()[second - 1], QChar(' '));
    QTest::mousePress(w->LCDLine4, Qt::RightButton, {}, QPoint(xOf(second - 1), 10));
    QTest::mousePress(w->LCDLine4, Qt::LeftButton, {}, QPoint(20, 10)); // a gap
    EXPECT_EQ(sent(0xF3).size(), 1u);
}

TEST_F(Window, AnErrorInAHandlerOnlySoundsTheAlert)
{
    make();
    QTimer::singleShot(0, w.get(), [] { throw std::runtime_error("from a handler"); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return alerts == 1; }, 1000));
    w->btnHideOptsClick();
    EXPECT_EQ(w->btnOptions->text(), "hide");
}

TEST_F(Window, TheTrackerMovesTheRotator)
{
    connected();
    EXPECT_EQ(w->frameOrbitron->l_dd->text(), "Closed");
    EXPECT_EQ(w->frameOrbitron->l_aos->text(), "None") << "cleared at start-up";
    TFeedServer feed("Orbitron", "Tracking", "TrackingDataEx");
    ASSERT_TRUE(feed.listen());
    feed.setText("SN\"ISS\" AZ200.5 EL12.0");
    w->tracking().TrackingToogle(w->frameOrbitron->l_dd);
    EXPECT_EQ(w->frameOrbitron->l_dd->text(), "Opened");
    EXPECT_EQ(w->frameOrbitron->l_na->text(), "ISS");
    ASSERT_EQ(sent(0x2F).size(), 1u);
    EXPECT_EQ(sent(0x2F)[0], setPositionCommand(200.5, 10, 12.0, 10));
}

namespace {

// Screenshots of a walk through the editor, when KT90_SCREENSHOT_DIR names
// a folder (scripts/editor-screenshots.sh runs this under Xvfb).
void shot(QWidget* w, const char* name)
{
    const QByteArray dir = qgetenv("KT90_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

struct YesUi : IOperatorUi {
    QStringList boxes;
    bool Confirm(const QString&) override { return true; }
    void ShowError(const QString& t) override { boxes << t; }
    void ShowInformation(const QString& t) override { boxes << t; }
    void BeginBusy() override {}
    void EndBusy() override {}
};

struct OneFile : IFileChooser {
    QString name;
    QString SaveFileName() override { return name; }
    QString OpenFileName() override { return name; }
};

} // namespace

TEST_F(Window, TheOperatorEditsTheControllersConfiguration)
{
    server = std::make_unique<sim::SimServer>(ctl, sim::SimFaults{}, sim::Clock::Real);
    server->listenTcp("127.0.0.1", 0);
    server->start();
    settings("[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\nHOST PORT=" +
             QByteArray::number(server->tcpPort()) + "\n");
    YesUi ui;
    OneFile files;
    files.name = dir.filePath("edited.ktcfg");
    TFMainServices s;
    s.iniPath = ini;
    s.ports = &ports;
    s.probe = &probe;
    s.ui = &ui;
    s.files = &files;
    w = std::make_unique<TFMain>(s);
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return w->frameOptions->Button1->text() == "Disconnect"; }, 3000));
    w->btnHideOptsClick();
    TKT90frame* ed = w->frameKT90;
    const auto node = [&](const char* text) {
        ed->tvwTabs->setCurrentItem(ed->tvwTabs->findItems(text, Qt::MatchExactly).front());
        ed->tvwTabsClick();
    };
    const auto simPower = [&] {
        return server->locked([](sim::SimController& c) {
            return c.block().u8(TktFRAMParams::motorField(0, offs::motorRec::max_power));
        });
    };

    // Download: the controller's block comes into the editor.
    server->locked([](sim::SimController& c) {
        TktFRAMParams b = c.block();
        b.setU8(TktFRAMParams::motorField(0, offs::motorRec::max_power), 90);
        c.setBlock(b);
        return 0;
    });
    node("Download");
    EXPECT_EQ(ed->panel("pn05Motor1MaxPower")->text(), " 90%");
    shot(w.get(), "1-downloaded");

    // A value changed with the keys, then uploaded.
    TArrowKeyPanel* power = ed->panel("pn05Motor1MaxPower");
    power->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return power->hasFocus(); }, 1000));
    QTest::keyClick(power, Qt::Key_Down);
    QTest::keyClick(power, Qt::Key_Down);
    EXPECT_EQ(power->text(), " 88%");
    EXPECT_TRUE(jogMasks().empty()) << "the arrows edit while the pages are shown";
    shot(w.get(), "2-edited");
    node("Upload");
    EXPECT_TRUE(ui.boxes.contains("Upload successful."));
    EXPECT_EQ(simPower(), 88);
    EXPECT_EQ(w->link().currentConfig(), ed->KT90Options());

    // Saved, defaults restored, and the file opened again.
    node("Save");
    EXPECT_EQ(QFileInfo(files.name).size(), 496);
    ed->RestoreDefaultClick();
    EXPECT_EQ(power->text(), " 100%");
    shot(w.get(), "3-defaults");
    node("Open");
    EXPECT_EQ(power->text(), " 88%");
    shot(w.get(), "4-reopened");
    EXPECT_FALSE(w->link().DisableRefresh());
}

TEST_F(Window, ASilentControllerIsSaidInTheTitleStrip)
{
    connected("Timeout (ms)=100\n");
    sim::SimFaults silent;
    silent.silent = true;
    server->setFaults(silent);
    for (int i = 0; i < TDeviceLink::kMissedPollsForLoss; ++i)
        w->link().tmrRefreshTimer();
    EXPECT_TRUE(w->lbError->isVisibleTo(w.get()));
    EXPECT_EQ(w->lbError->text(), "No reply from KT90");
    server->setFaults({});
    w->link().tmrRefreshTimer();
    EXPECT_FALSE(w->lbError->isVisibleTo(w.get()));
}
