// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/trackerline.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kt90;

TEST(TrackerLine, ParserTable)
{
    struct Case {
        const char* line;
        std::string name;
        double azm, elv, upf;
        std::string aos;
        bool position;
    };
    const Case cases[] = {
        {"", "", 0, 0, 0, "", false},
        {"SN\"AO 7\" AZ123,4 EL-5.5", "AO 7", 123.4, -5.5, 0, "", true},
        {"az10 el20", "", 10, 20, 0, "", true},
        {"SN\"SAT AZ9\" AZ5", "SAT AZ9", 5, 0, 0, "", false},
        {"AZ EL10", "", 0, 10, 0, "", false},
        {"AZ12X", "", 0, 0, 0, "", false},
        {"AZ1 AZ2 EL3", "", 1, 3, 0, "", true},
        {"AZIMUTH5", "", 0, 0, 0, "", false},
        {"UP1.4385E8", "", 0, 0, 143850000, "", false},
        {"SN\"A,B\"", "A.B", 0, 0, 0, "", false},
        {"SN\"ABC AZ10", "ABC AZ10", 0, 0, 0, "", false},
        {"AOS12:30", "", 0, 0, 0, "12:30", false},
        {"   ", "", 0, 0, 0, "", false},
        {"SNISS AZ0 EL-0.5 UP145800000 DN437,8E6 UMFM DMusb AOS\"10 MIN\"", "ISS", 0, -0.5,
         145800000, "10 MIN", true},
        {"XAZ5 EL5", "", 0, 5, 0, "", false}, // AZ must start a word
    };
    for (const auto& c : cases) {
        TSatData r;
        r.name = "previous";
        r.azm = 99;
        std::string aos = "previous";
        const bool position = ParseString(c.line, r, aos);
        EXPECT_EQ(r.name, c.name) << c.line;
        EXPECT_DOUBLE_EQ(r.azm, c.azm) << c.line;
        EXPECT_DOUBLE_EQ(r.elv, c.elv) << c.line;
        EXPECT_DOUBLE_EQ(r.upf, c.upf) << c.line;
        EXPECT_EQ(aos, c.aos) << c.line;
        EXPECT_EQ(position, c.position) << c.line;
    }
    TSatData r;
    std::string aos;
    ParseString("SNX UMfm DMlsb DN437800000", r, aos);
    EXPECT_EQ(r.upm, "FM");
    EXPECT_EQ(r.dnm, "LSB");
    EXPECT_DOUBLE_EQ(r.dnf, 437800000);
}

TEST(TrackerLine, TextOperations)
{
    EXPECT_EQ(ReplaceAll("a,b,,c", ",", "."), "a.b..c");
    EXPECT_EQ(ReplaceAll("aaa", "a", "a"), "aaa");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "a"), "a") << "the search starts over each time";
    EXPECT_EQ(PosOutsideQuotes("AZ1", "AZ"), 1u);
    EXPECT_EQ(PosOutsideQuotes("\"AZ\" AZ", "AZ"), 6u);
    EXPECT_EQ(PosOutsideQuotes("\"AZ AZ", "AZ"), 0u) << "an unclosed quote hides the rest";
    EXPECT_EQ(PosOutsideQuotes("x", "AZ"), 0u);
    EXPECT_EQ(GetTokenValue("SN\"A B\"C D", "sn"), "A BC");
}

TEST(TrackerLine, NumbersInTheAcceptedFormOnly)
{
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"12", 12},
        {"-5.5", -5.5},
        {"+3", 3},
        {"  7.25", 7.25},
        {"1.4385E8", 143850000},
        {"1e-2", 0.01},
        {"2E+3", 2000},
        {"0", 0},
        {"", std::nullopt},
        {"12X", std::nullopt},
        {"1.", std::nullopt},
        {".5", std::nullopt},
        {"0x1A", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"1e", std::nullopt},
        {"1 ", std::nullopt},
        {"--1", std::nullopt},
        {"+", std::nullopt},
        {"1,5", std::nullopt},
        {"1e999", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrToFloat(c.text), c.value) << c.text;
        EXPECT_DOUBLE_EQ(StrToFloatOrZero(c.text), c.value.value_or(0)) << c.text;
    }
}

TEST(TrackerLine, TrackerPathSetPositionText)
{
    struct Case {
        double azm, elv;
        const char* az4;
        const char* el4;
    };
    const Case cases[] = {
        {12.25, 0, "3722", "3600"}, // a tie, to even
        {12.35, 0, "3723", "3600"}, // plain double arithmetic would give 3724
        {359.96, 0, "7200", "3600"}, {0, -5, "3600", "3550"}, {359.9, 90, "7199", "4500"},
    };
    for (const auto& c : cases) {
        TSatData r;
        r.azm = c.azm;
        r.elv = c.elv;
        const Frame f = TrackerPositionCommand(r);
        ASSERT_EQ(f.size(), 13u);
        EXPECT_EQ(std::string(f.begin() + 1, f.begin() + 5), c.az4) << c.azm;
        EXPECT_EQ(f[5], 0x0A);
        EXPECT_EQ(std::string(f.begin() + 6, f.begin() + 10), c.el4) << c.elv;
        EXPECT_EQ(f[10], 0x0A);
        EXPECT_EQ(f[11], 0x2F);
        EXPECT_EQ(f[12], 0x20);
    }
}

TEST(TrackerLine, PageTexts)
{
    struct Case {
        double v;
        const char* text;
    };
    const Case angles[] = {
        {123.4, "123.4"}, {359.97, "360.0"}, {0, "0.0"},         {-5.5, "-5.5"}, {0.04, "0.0"},
        {-0.04, "0.0"},   {12.25, "12.3"},   {1234.5, "1235.0"}, {45, "45.0"},
    };
    for (const auto& c : angles)
        EXPECT_EQ(FormatAngleValue(c.v, '.'), c.text) << c.v;
    EXPECT_EQ(FormatAngleValue(123.4, ','), "123,4");
    EXPECT_EQ(FormatFrequency(145800000), "145800000 Hz");
    EXPECT_EQ(FormatFrequency(143850000), "143850000 Hz");
    EXPECT_EQ(FormatFrequency(0), "0 Hz");
    EXPECT_EQ(FormatFrequency(437.5), "438 Hz");
    EXPECT_EQ(AosCaption("12:30"), "AOS (12:30)");
    EXPECT_EQ(AosCaption(""), "None");
}
