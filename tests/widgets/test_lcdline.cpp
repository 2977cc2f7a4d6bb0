// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/LCDLine.h"

#include "core/LCD_Char.h"
#include "core/errors.h"

#include <QApplication>
#include <QPaintEvent>

#include <gtest/gtest.h>

#include <set>

using namespace kt90;

namespace {

const QColor kBoard(0x91, 0xC0, 0x07);
const QColor kOn(0x00, 0x00, 0x00);
const QColor kOff(0x85, 0xB9, 0x01);

// A line as the console sets its readouts up.
void consoleGeometry(TLCDLine& l)
{
    l.setCellSize(2);
    l.setCellSpace(1);
    l.setFrameSize(0);
    l.setFrameStyle(TLCDLine::None);
    l.setCharSpace(true);
    l.setBoardColor(kBoard);
    l.setCellColorOn(kOn);
    l.setCellColorOff(kOff);
    l.resize(364, 29);
}

// What a console-geometry line must show at (x, y): worked out from the
// glyph table and the cell grid alone.
QColor expectedConsolePixel(const QString& text, int x, int y)
{
    if (x < 4 || y < 4 || (x - 4) % 3 == 2 || (y - 4) % 3 == 2)
        return kBoard;
    const int col = (x - 4) / 3;
    const int row = (y - 4) / 3;
    if (col >= 119 || row >= 7)
        return kBoard;
    if (col % 6 == 5)
        return kBoard; // character gap painted over
    const int ch = col / 6;
    const int m = col % 6;
    if (ch < text.size() && (GlyphFor(TLCDLine::LcdCode(text[ch]))[row] >> (4 - m) & 1))
        return kOn;
    return kOff;
}

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

TEST(LCDLine, DefaultsAtCreation)
{
    TLCDLine l;
    EXPECT_EQ(l.size(), QSize(156, 76));
    EXPECT_EQ(l.CellSize(), 4);
    EXPECT_EQ(l.CellSpace(), 1);
    EXPECT_EQ(l.FrameSize(), 8);
    EXPECT_EQ(l.FrameColor(), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(l.BoardColor(), QColor(0, 0, 0));
    EXPECT_EQ(l.CellColorOn(), QColor(0, 255, 0));
    EXPECT_EQ(l.CellColorOff(), QColor(0, 128, 0));
    EXPECT_TRUE(l.Text().isEmpty());
    EXPECT_FALSE(l.CharSpace());
    EXPECT_FALSE(l.AutoSize());
    EXPECT_EQ(l.FrameStyle(), TLCDLine::Relief);
    EXPECT_EQ(l.FrameHeight(), TLCDLine::lcd_fhDouble);
    EXPECT_EQ(l.FrameColorStyle(), TLCDLine::stWindows);
    EXPECT_EQ(l.CellShape(), TLCDLine::stSquare);
    EXPECT_EQ(l.Offset(), 0);
    for (int r = 0; r < 7; ++r)
        EXPECT_FALSE(l.CellsOn(r, 0));
}

TEST(LCDLine, ConsoleGoldenPixels)
{
    TLCDLine l;
    consoleGeometry(l);
    const QString text = "M1:   0.0  M2:   0.0";
    l.setText(text);
    const QImage img = l.grab().toImage();
    ASSERT_EQ(img.size(), QSize(364, 29));
    int wrong = 0;
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 364; ++x)
            if (QColor(img.pixel(x, y)) != expectedConsolePixel(text, x, y) && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << "," << y;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(l.CharCount(), 20);
    EXPECT_EQ(l.GlobalColCount(), 119);
}

TEST(LCDLine, EveryCodeRendersItsMask)
{
    TLCDLine l;
    consoleGeometry(l);
    l.setCharSpace(false);
    for (unsigned k = 0; k < 256; ++k) {
        l.setText(QString(QChar(static_cast<char16_t>(k))));
        const QImage img = l.grab().toImage();
        for (int r = 0; r < 7; ++r)
            for (int m = 0; m < 5; ++m) {
                const bool lit = GlyphFor(k)[r] >> (4 - m) & 1;
                const QColor c(img.pixel(4 + 3 * m, 4 + 3 * r));
                ASSERT_EQ(c, lit ? kOn : kOff) << "code " << k << " row " << r << " col " << m;
            }
    }
}

TEST(LCDLine, CharactersBeyondTheLineOrTheFontAreNotDrawn)
{
    TLCDLine twenty, twentyOne;
    consoleGeometry(twenty);
    consoleGeometry(twentyOne);
    twenty.setText("ABCDEFGHIJKLMNOPQRST");
    twentyOne.setText("ABCDEFGHIJKLMNOPQRSTU");
    EXPECT_EQ(twenty.render(), twentyOne.render());

    TLCDLine blank, ideograph;
    consoleGeometry(blank);
    consoleGeometry(ideograph);
    ideograph.setText(QString(QChar(0x4E00)));
    EXPECT_EQ(blank.render(), ideograph.render());
    // Cyrillic letters sit at their code page 1251 places.
    EXPECT_EQ(TLCDLine::LcdCode(QChar(0x0416)), 198u); // Ж
    EXPECT_EQ(TLCDLine::LcdCode(QChar(0x044F)), 255u); // я
    EXPECT_EQ(TLCDLine::LcdCode(QChar(0x20AC)), 128u);
}

TEST(LCDLine, OffsetShiftsTheDotsAndTheGapsEatThem)
{
    TLCDLine l;
    consoleGeometry(l);
    l.setText(QString(20, QChar('8'))); // rows 0E 11 11 0E 11 11 0E
    l.setOffset(1);
    const QImage img = l.render();
    const auto at = [&](int row, int col) { return QColor(img.pixel(4 + 3 * col, 4 + 3 * row)); };
    EXPECT_EQ(at(1, 1), kOn);    // the left dot of row 1, one column right
    EXPECT_EQ(at(1, 0), kOff);   // where it was
    EXPECT_EQ(at(1, 5), kBoard); // the right dot, pushed into the gap
    EXPECT_EQ(at(1, 115), kOn);  // the last character's left dot
    // Its right dot would be column 119: clipped.
    EXPECT_EQ(QColor(img.pixel(4 + 3 * 118, 4 + 3 * 1)), kOff);
}

TEST(LCDLine, CellsOnOverlayAndErrors)
{
    TLCDLine l;
    consoleGeometry(l);
    l.setCellsOn(3, 5, true);   // a gap column, lit over the spacing
    l.setCellsOn(0, 200, true); // beyond the line: clipped
    EXPECT_TRUE(l.CellsOn(3, 5));
    const QImage img = l.render();
    EXPECT_EQ(QColor(img.pixel(4 + 3 * 5, 4 + 3 * 3)), kOn);

    struct Case {
        int row, col;
        const char* text;
    };
    const Case cases[] = {
        {7, 0, "Index of a Row outside an array"},   {-1, 0, "Index of a Row outside an array"},
        {7, 300, "Index of a Row outside an array"}, // the row is tested first
        {0, 255, "Index of a Col outside an array"}, {6, -1, "Index of a Col outside an array"},
    };
    for (const auto& c : cases) {
        try {
            l.setCellsOn(c.row, c.col, true);
            ADD_FAILURE() << c.row << "," << c.col;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    EXPECT_FALSE(l.CellsOn(7, 0));
}

TEST(LCDLine, RepaintsOnlyOnChange)
{
    TLCDLine l;
    consoleGeometry(l);
    l.setText("X");
    l.show();
    PaintCounter counter;
    l.installEventFilter(&counter);
    QApplication::processEvents();
    counter.paints = 0;

    l.setText("X");
    l.setCellSize(2);
    l.setBoardColor(kBoard);
    l.setCellsOn(0, 0, true);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    l.setText("Y");
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
}

TEST(LCDLine, AutoSizeFollowsTheText)
{
    TLCDLine l;
    l.setAutoSize(true);
    // Empty text: one position, LEDWidth (5 x 4 + 4) + 2 x 8 + 2 wide.
    EXPECT_EQ(l.CharCount(), 1);
    EXPECT_EQ(l.width(), 42);
    EXPECT_EQ(l.height(), 34 + 16 + 2);
    l.setText("ABC"); // 17 columns: 17 x 4 + 16
    EXPECT_EQ(l.width(), 84 + 18);
}

TEST(LCDLine, LimitsOfCellSizeAndSpace)
{
    TLCDLine l;
    consoleGeometry(l);
    l.setCellSize(0);
    l.setCellSpace(-3);
    EXPECT_EQ(l.CharCount(), 60); // (364 + 1) div 6 with cells of 1 and no space
    EXPECT_NO_THROW(l.render());
}

TEST(LCDLine, CharPosAtAfterALayout)
{
    TLCDLine l;
    consoleGeometry(l);
    l.render();
    EXPECT_EQ(l.CharPosAt(4, 0), 1);
    EXPECT_EQ(l.CharPosAt(20, 100), -1);
    EXPECT_EQ(l.CharPosAt(360, 5), 20);
    EXPECT_EQ(l.CharPosAt(361, 5), -1);
}

TEST(LCDLine, RoundCellsStayInsideTheirSquare)
{
    TLCDLine l;
    l.setFrameStyle(TLCDLine::None);
    l.setFrameSize(0);
    l.setCellSize(6);
    l.setCellSpace(2);
    l.setBoardColor(Qt::black);
    l.setCellColorOff(Qt::red);
    l.setCellShape(TLCDLine::stRound);
    l.resize(200, 80);
    const QImage img = l.render();
    const LcdLayout g = LayOut({6, 2, 0, 200, 80, false, 0});
    const CellOrigin o = CellAt(g, 0, 0);
    EXPECT_EQ(QColor(img.pixel(o.x + 3, o.y + 3)), QColor(Qt::red));
    EXPECT_EQ(QColor(img.pixel(o.x, o.y)), QColor(Qt::black)) << "corner of a round cell";
    EXPECT_EQ(QColor(img.pixel(o.x + 6, o.y + 3)), QColor(Qt::black)) << "spills into the gap";
}

TEST(LCDLine, BevelPixels)
{
    const QColor frame(240, 240, 240);
    // Colours for a channel of 240 with stColor.
    const QColor hi(252, 252, 252), li(244, 244, 244), sh(175, 175, 175), dk(115, 115, 115);
    struct Case {
        TLCDLine::TFrameStyle style;
        TLCDLine::TFrameHeight height;
        // (x, y) → colour; negative coordinates count from the far edge (-1 = last).
        std::vector<std::tuple<int, int, QColor>> pixels;
    };
    const Case cases[] = {
        {TLCDLine::Relief,
         TLCDLine::lcd_fhDouble,
         {{0, 0, hi},
          {5, 0, hi},
          {0, 5, hi},
          {-1, 0, dk},
          {0, -1, dk},
          {-1, -1, dk},
          {1, 1, li},
          {-2, 1, sh},
          {1, -2, sh},
          {8, 8, sh},
          {-9, 8, hi},
          {8, -9, hi},
          {9, 9, dk},
          {-10, 9, li},
          {9, -10, li},
          {3, 3, frame}}},
        {TLCDLine::Relief,
         TLCDLine::lcd_fhSingle,
         {{0, 0, hi}, {-1, 0, sh}, {1, 1, frame}, {8, 8, sh}, {-9, -9, hi}, {9, 9, Qt::black}}},
        {TLCDLine::Raised,
         TLCDLine::lcd_fhDouble,
         {{0, 0, hi}, {1, 1, li}, {-1, -1, dk}, {8, 8, Qt::black}, {-9, -9, Qt::black}}},
        {TLCDLine::Lowered,
         TLCDLine::lcd_fhDouble,
         {{0, 0, frame}, {1, 1, frame}, {8, 8, sh}, {9, 9, dk}, {-9, -9, hi}, {-10, -10, li}}},
        {TLCDLine::None, TLCDLine::lcd_fhDouble, {{0, 0, frame}, {8, 8, Qt::black}}},
    };
    for (const auto& c : cases) {
        TLCDLine l;
        l.setFrameColorStyle(TLCDLine::stColor);
        l.setFrameColor(frame);
        l.setFrameStyle(c.style);
        l.setFrameHeight(c.height);
        l.setCellSize(2);
        l.resize(160, 60);
        const QImage img = l.render();
        for (const auto& [x, y, colour] : c.pixels) {
            const int px = x < 0 ? img.width() + x : x;
            const int py = y < 0 ? img.height() + y : y;
            EXPECT_EQ(QColor(img.pixel(px, py)), colour)
                << "style " << c.style << " height " << c.height << " at " << x << "," << y;
        }
    }
}

// At a device pixel ratio of 1.5 every dot is as wide as every other; a
// picture made at scale 1 and stretched makes every other dot a pixel wider.
// Run by the test that sets QT_SCALE_FACTOR=1.5; skipped otherwise.
TEST(LCDLineScaled, DotsStayEvenAtOneAndAHalf)
{
    if (qApp->devicePixelRatio() != 1.5)
        GTEST_SKIP() << "runs with QT_SCALE_FACTOR=1.5";
    TLCDLine l;
    consoleGeometry(l);
    l.setText(QString(20, QChar('8')));
    const QImage img = l.grab().toImage();
    ASSERT_GE(img.width(), 364 * 3 / 2 - 2);
    // The first pixel row that holds dots, and runs of dot pixels along it.
    int y = 0;
    const auto isBoard = [&](int x, int yy) { return QColor(img.pixel(x, yy)) == kBoard; };
    while (y < img.height() && [&] {
        for (int x = 0; x < img.width(); ++x)
            if (!isBoard(x, y))
                return false;
        return true;
    }())
        ++y;
    ASSERT_LT(y, img.height());
    // Runs of dot pixels and of the gaps between dots along that row.
    std::set<int> dots, gaps;
    int run = 0;
    bool inDot = false, seenDot = false;
    for (int x = 0; x <= img.width(); ++x) {
        const bool dot = x < img.width() && !isBoard(x, y);
        if (x == img.width() || dot != inDot) {
            if (inDot)
                dots.insert(run);
            else if (seenDot && x < img.width())
                gaps.insert(run);
            seenDot = seenDot || inDot;
            inDot = dot;
            run = 0;
        }
        ++run;
    }
    EXPECT_EQ(dots.size(), 1u) << "dots of different widths";
    // Between the dots of a character, and between characters: two widths.
    EXPECT_EQ(gaps.size(), 2u) << "gaps of different widths";
}
