// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/angleline.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

using namespace kt90;

TEST(FormatAngle, WrapTable)
{
    struct Case {
        std::uint8_t kind;
        bool math;
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0, false, 12.5f, "  12.5"},
        {1, false, -90.0f, " -90.0"},
        {0, false, -10.0f, "-350.0"},
        {0, false, 370.0f, "+ 10.0"},
        {0, true, -10.0f, " -10.0"},
        {1, false, -10.0f, " -10.0"},
        {1, false, 370.0f, " 370.0"},
        {0, false, 0.0f, "   0.0"},
        {0, false, 360.0f, "+  0.0"},
        {0, false, -360.0f, "-  0.0"},
        {0, false, 639.9f, "+279.9"},
        {0, true, -360.0f, "-360.0"},
        {0, true, 639.9f, " 639.9"},
        // Every kind but ELEVATION folds the turn.
        {2, false, -10.0f, "-350.0"},
        {5, false, 400.0f, "+ 40.0"},
        {9, false, -1.0f, "-359.0"},
        // At most one turn comes off; the rest stays visible.
        {0, false, 800.0f, "+440.0"},
        // Folding happens in single precision before rounding to one decimal.
        {0, false, -0.01f, "-360.0"},
        {0, false, 1000.0f, "+640.0"},
        {0, true, 1000.0f, "1000.0"},
        {0, true, 123456.0f, "123456.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatAngle(c.kind, c.math, c.value, '.'), c.text)
            << int(c.kind) << " " << c.math << " " << c.value;
}

TEST(FormatAngle, UsesTheGivenSeparatorWhateverTheCLocale)
{
    EXPECT_EQ(FormatAngle(0, false, 12.5f, ','), "  12,5");
    EXPECT_EQ(FormatAngle(0, false, -10.0f, ','), "-350,0");
    // The C library's own locale must not leak into the readout.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(FormatAngle(0, false, 12.5f, '.'), "  12.5");
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(FormatAngle, RoundsLikePrintf)
{
    // The six-character text is "%6.1f" of the single-precision value.
    std::setlocale(LC_NUMERIC, "C");
    for (int i = -3600; i <= 6400; i += 7) {
        for (float v : {i / 10.0f, i / 10.0f + 0.05f, i / 10.0f - 0.049f}) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%6.1f", static_cast<double>(v));
            EXPECT_EQ(FormatAngle(1, true, v, '.'), expected) << v;
        }
    }
}

TEST(AngleLine, LettersFromTheKinds)
{
    struct Case {
        std::uint8_t k1, k2;
        bool math;
        float m1, m2;
        const char* line;
    };
    const Case cases[] = {
        {0, 1, false, 12.5f, -90.0f, "A1:  12.5  E2: -90.0"},
        {0, 0, false, 0.0f, 0.0f, "A1:   0.0  A2:   0.0"},
        {0, 0, false, -10.0f, 370.0f, "A1:-350.0  A2:+ 10.0"},
        {1, 0, false, -10.0f, -10.0f, "E1: -10.0  A2:-350.0"},
        {3, 4, true, 1.0f, 2.0f, "E1:   1.0  E2:   2.0"},
        // A text longer than six is kept whole; the second letter still
        // lands on the "M" of "M2".
        {0, 1, true, 123456.0f, 5.0f, "A1:123456.0  E2:   5.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AngleLine(c.k1, c.k2, c.math, c.m1, c.m2, '.'), c.line);
}

TEST(AngleLine, BeforeAnyDownloadBothAreAzimuthAndWrap)
{
    const TktFRAMParams zero;
    EXPECT_EQ(AngleLine(zero, -10.0f, 400.0f, '.'), "A1:-350.0  A2:+ 40.0");
}

TEST(AngleLine, FromTheConfiguredPulses)
{
    TktFRAMParams c;
    FillDefaults(c); // M1 azimuth, M2 elevation
    const std::size_t gear0 = TktFRAMParams::motorField(0, offs::motorRec::gear);
    c.setF32(gear0, 0.0625f);
    c.setPulses(0, 1000);
    c.setPulses(1, 480); // 480 x 0.09375 = 45
    EXPECT_FLOAT_EQ(ConfiguredAngle(c, 0), 62.5f);
    EXPECT_EQ(AngleLine(c, ConfiguredAngle(c, 0), ConfiguredAngle(c, 1), '.'),
              "A1:  62.5  E2:  45.0");
    c.setPulses(0, -1000);
    EXPECT_EQ(AngleLine(c, ConfiguredAngle(c, 0), ConfiguredAngle(c, 1), '.'),
              "A1:-297.5  E2:  45.0");
    c.setU8(offs::az_show_math, 1);
    EXPECT_EQ(AngleLine(c, ConfiguredAngle(c, 0), ConfiguredAngle(c, 1), '.'),
              "A1: -62.5  E2:  45.0");
}

TEST(OutputCells, BitsToCells)
{
    const char g = kOutputOffGlyph;
    ASSERT_EQ(g, 8);
    struct Case {
        std::uint8_t outs;
        std::string cells; // positions 7, 9, 11, 13, 15, 17
    };
    const Case cases[] = {
        {0x05, {' ', g, ' ', g, g, g}},         {0x00, {g, g, g, g, g, g}},
        {0x3F, {' ', ' ', ' ', ' ', ' ', ' '}}, {0xFF, {' ', ' ', ' ', ' ', ' ', ' '}},
        {0x20, {g, g, g, g, g, ' '}},
    };
    for (const auto& c : cases) {
        const std::string line = ShowOutputsState(OutputsLineStart(), c.outs);
        ASSERT_EQ(line.size(), 18u);
        EXPECT_EQ(line.substr(0, 6), "STATE ");
        for (int k = 1; k <= 6; ++k)
            EXPECT_EQ(line[static_cast<std::size_t>(5 + 2 * k - 1)], c.cells[k - 1])
                << "output " << k << " of mask " << int(c.outs);
        for (std::size_t gap : {7u, 9u, 11u, 13u, 15u, 17u})
            EXPECT_EQ(line[gap], ' ');
    }
}

TEST(OutputCells, OtherCharactersStay)
{
    const std::string line = ShowOutputsState("STATE xAxBxCxDxExF:xyz", 0x3F);
    EXPECT_EQ(line, "STATE  A B C D E F:xyz");
    // A short line is widened to hold the cells.
    EXPECT_EQ(ShowOutputsState("ST", 0x3F).size(), 17u);
}

TEST(OutputCells, ColumnsAndTheirOutputs)
{
    // Counted from 1: the cells at 7, 9, ..., 17; the gaps and the text
    // around them belong to no output.
    const std::pair<int, int> cases[] = {{7, 1}, {9, 2},  {17, 6}, {1, 0},  {5, 0},  {6, 0},
                                         {8, 0}, {16, 0}, {18, 0}, {19, 0}, {-3, 0}, {0, 0}};
    for (const auto& [column, output] : cases)
        EXPECT_EQ(OutputAtColumn(column), output) << "column " << column;
    for (int k = 1; k <= kOutputCount; ++k)
        EXPECT_EQ(OutputAtColumn(OutputCellColumn(k)), k);
}
