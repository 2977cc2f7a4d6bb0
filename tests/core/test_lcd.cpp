// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/LCD_Char.h"
#include "core/lcdgeometry.h"

#include <gtest/gtest.h>

using namespace kt90;

TEST(LcdFont, GlyphsRowByRow)
{
    struct Case {
        unsigned code;
        Glyph rows;
    };
    const Case cases[] = {
        {48, {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},  // digit 0 with its diagonal
        {69, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},  // E: four-dot middle bar
        {197, {0x1F, 0x10, 0x10, 0x1F, 0x10, 0x10, 0x1F}}, // Cyrillic Е: five dots
        {8, {0x00, 0x0E, 0x1F, 0x1B, 0x1F, 0x0E, 0x00}},   // the ring of an output cell
        {45, {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00}},
        {173, {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00}}, // soft hyphen = hyphen
        {99, {0x00, 0x00, 0x0F, 0x10, 0x10, 0x10, 0x0F}},
        {241, {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}}, // Cyrillic с differs from c
        {199, {0x0E, 0x11, 0x01, 0x06, 0x01, 0x11, 0x0E}}, // З = digit 3
        {128, {0x06, 0x09, 0x1C, 0x08, 0x1C, 0x09, 0x06}}, // euro
        {184, {0x0A, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}}, // ё
        {255, {0x00, 0x00, 0x0F, 0x11, 0x0F, 0x05, 0x09}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlyphFor(c.code), c.rows) << c.code;
    EXPECT_EQ(GlyphFor(8)[3] & 0x04, 0) << "the ring's centre must stay dark";
}

TEST(LcdFont, SharedAndBlankCodes)
{
    const std::pair<unsigned, unsigned> shared[] = {
        {65, 192},  {66, 194},  {67, 209},  {72, 205}, {75, 202},  {77, 204},
        {79, 206},  {80, 208},  {84, 210},  {97, 224}, {101, 229}, {111, 238},
        {112, 240}, {120, 245}, {121, 243}, {51, 199}, {45, 173},
    };
    for (const auto& [a, b] : shared)
        EXPECT_EQ(GlyphFor(a), GlyphFor(b)) << a << " and " << b;
    EXPECT_NE(GlyphFor(69), GlyphFor(197));
    EXPECT_NE(GlyphFor(99), GlyphFor(241));

    const Glyph blank{};
    int blanks = 0;
    for (unsigned k = 0; k < kGlyphCount; ++k) {
        const bool expectBlank =
            k <= 7 || (k >= 9 && k <= 32) || k == 127 || (k >= 129 && k <= 160);
        EXPECT_EQ(GlyphFor(k) == blank, expectBlank) << k;
        blanks += GlyphFor(k) == blank;
        for (auto row : GlyphFor(k))
            EXPECT_EQ(row & ~0x1F, 0) << k;
    }
    EXPECT_EQ(blanks, 65);
    EXPECT_EQ(GlyphFor(256), blank);
    EXPECT_EQ(GlyphFor(0x4E00), blank);
}

TEST(LcdGeometry, ConsoleLine)
{
    const LcdLayout l = LayOut({2, 1, 0, 364, 29, false, 20});
    EXPECT_EQ(l.charWidth, 16);
    EXPECT_EQ(l.charCount, 20);
    EXPECT_EQ(l.globalColCount, 119);
    EXPECT_EQ(l.ledWidth, 356);
    EXPECT_EQ(l.ledHeight, 20);
    EXPECT_EQ(l.boardWidth, 4);
    EXPECT_EQ(l.boardHeight, 4);
    EXPECT_EQ(l.width, 364);
    EXPECT_EQ(l.height, 29);
    for (int r : {0, 3, 6})
        for (int col : {0, 5, 118}) {
            const CellOrigin c = CellAt(l, r, col);
            EXPECT_EQ(c.x, 4 + 3 * col);
            EXPECT_EQ(c.y, 4 + 3 * r);
        }
}

TEST(LcdGeometry, AutoSizeLimitsAndGrowth)
{
    struct Case {
        const char* name;
        LcdLayoutInput in;
        int charCount, width, height;
    };
    const Case cases[] = {
        // Defaults at creation: 156 x 76, cells 4 + 1, frame 8.
        {"creation size", {4, 1, 8, 156, 76, false, 0}, 4, 156, 76},
        // Empty text with AutoSize: one position, LEDWidth + 2 FS + 2 wide.
        {"auto, empty", {4, 1, 8, 156, 76, true, 0}, 1, 24 + 16 + 2, 34 + 16 + 2},
        {"auto, three", {2, 1, 0, 10, 10, true, 3}, 3, 50 + 2, 22},
        // Too narrow and too low for one character: grows to one.
        {"too small", {2, 1, 3, 5, 5, false, 0}, 0, 6 + 16, 21 + 6 + 1},
        // Below the limits the size and space are taken as 1 and 0.
        {"cell size 0", {0, -2, 0, 364, 29, false, 0}, 60, 364, 29},
    };
    for (const auto& c : cases) {
        const LcdLayout l = LayOut(c.in);
        EXPECT_EQ(l.charCount, c.charCount) << c.name;
        EXPECT_EQ(l.width, c.width) << c.name;
        EXPECT_EQ(l.height, c.height) << c.name;
    }
    const LcdLayout tiny = LayOut({0, -2, 0, 364, 29, false, 0});
    EXPECT_EQ(tiny.cellSize, 1);
    EXPECT_EQ(tiny.cellSpace, 0);
}

TEST(LcdGeometry, CharPosAtTheConsoleGeometry)
{
    struct Case {
        int from, to, pos;
    };
    const Case cases[] = {
        {0, 3, -1}, {4, 18, 1}, {19, 21, -1}, {22, 36, 2}, {346, 360, 20}, {361, 363, -1},
    };
    for (const auto& c : cases)
        for (int x = c.from; x <= c.to; ++x)
            EXPECT_EQ(CharPosAt(2, 1, 20, x), c.pos) << x;
    EXPECT_EQ(CharPosAt(2, 1, 0, 10), -1);
    EXPECT_EQ(CharPosAt(2, 1, -3, 10), -1);
}

TEST(LcdGeometry, BevelColours)
{
    const BevelColors c240 = BevelColorsFor({240, 240, 240}, false, true);
    EXPECT_EQ(c240.highlight, (Rgb{252, 252, 252}));
    EXPECT_EQ(c240.light, (Rgb{244, 244, 244}));
    EXPECT_EQ(c240.shadow, (Rgb{175, 175, 175}));
    EXPECT_EQ(c240.dark, (Rgb{115, 115, 115}));
    const BevelColors c192 = BevelColorsFor({192, 0, 255}, false, true);
    EXPECT_EQ(c192.highlight, (Rgb{241, 200, 255}));
    EXPECT_EQ(c192.light, (Rgb{209, 68, 255}));
    EXPECT_EQ(c192.shadow, (Rgb{140, 0, 186}));
    EXPECT_EQ(c192.dark, (Rgb{92, 0, 122}));
    const BevelColors win = BevelColorsFor({240, 240, 240}, true, false);
    EXPECT_EQ(win.highlight, (Rgb{255, 255, 255}));
    EXPECT_EQ(win.dark, win.shadow);
}
