// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kt90utils.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>

using namespace kt90;

namespace {

const PanelField& panel(const char* name)
{
    const PanelField* p = FindPanel(name);
    if (!p)
        throw std::runtime_error(std::string("no panel ") + name);
    return *p;
}

TktFRAMParams defaults()
{
    TktFRAMParams b;
    FillDefaults(b);
    return b;
}

} // namespace

TEST(Panels, EveryPanelAtItsFieldsOffset)
{
    // Offsets as the layout table lists them, written out by hand.
    struct Case {
        const char* panel;
        int number;
        std::size_t offset;
    };
    const Case cases[] = {
        {"pn01Motor1State", 1, 20},
        {"pn02Motor1Type", 2, 21},
        {"pn03Motor1Kind", 3, 22},
        {"pn04Motor1Input", 4, 23},
        {"pn05Motor1MaxPower", 5, 36},
        {"pn05Motor1MinPower", 5, 16},
        {"pn06Motor1MinAngle", 6, 4},
        {"pn07Motor1MaxAngle", 7, 8},
        {"pn08Motor1PulsTimeout", 8, 37},
        {"pn09Motor1Gear", 9, 12},
        {"pn10Motor1StartPower1", 10, 27},
        {"pn12Motor1StartPower3", 12, 29},
        {"pn13Motor1StopPower1", 13, 33},
        {"pn15Motor1StopPower3", 15, 35},
        {"pn16Motor1StartTime1", 16, 24},
        {"pn18Motor1StartTime3", 18, 26},
        {"pn19Motor1StopTime1", 19, 30},
        {"pn21Motor1StopTime3", 21, 32},
        {"pn51Motor2State", 51, 56},
        {"pn53Motor2Kind", 53, 58},
        {"pn55Motor2MaxPower", 55, 72},
        {"pn55Motor2MinPower", 55, 52},
        {"pn56Motor2MinAngle", 56, 40},
        {"pn57Motor2MaxAngle", 57, 44},
        {"pn59Motor2Gear", 59, 48},
        {"pn71Motor2StopTime3", 71, 68},
        {"pn30MotorConfTemplate", 30, 485},
        {"pn31MotorConfControl1", 31, 486},
        {"pn33MotorConfProtocol1", 33, 487},
        {"pn32MotorConfControl2", 32, 488},
        {"pn34MotorConfProtocol2", 34, 489},
        {"pn40USBComState", 40, 483},
        {"pn41ETHComState", 41, 484},
        {"pn72MotorStart", 72, 476},
        {"pn73MotorStop", 73, 477},
        {"pn74Com0State", 74, 490},
        {"pn75Com1State", 75, 491},
        {"pn80MouseControl", 80, 482},
        {"pn86Com0Baud", 86, 79},
        {"pn87Com1Baud", 87, 87},
        {"pn88USBBaud", 88, 478},
        {"pn89Com0Databits", 89, 80},
        {"pn90Com1Databits", 90, 88},
        {"pn91Com0Stopbits", 91, 81},
        {"pn92Com1Stopbits", 92, 89},
        {"pn93Com0Parity", 93, 82},
        {"pn94Com1Parity", 94, 90},
        {"pn95UseShortWay", 95, 479},
        {"pn98PairMotors", 98, 493},
        {"pn99ShowAzimuth", 99, 492},
    };
    for (const auto& c : cases) {
        const PanelField& p = panel(c.panel);
        EXPECT_EQ(p.number, c.number) << c.panel;
        EXPECT_EQ(p.offset, c.offset) << c.panel;
        EXPECT_NE(FindParam(p.number), nullptr) << c.panel;
    }
    EXPECT_EQ(PanelFields().size(), 68u); // 2 x 22 motor panels and 24 others
    std::set<std::size_t> offsets;
    for (const auto& p : PanelFields())
        EXPECT_TRUE(offsets.insert(p.offset).second) << "two panels on one field: " << p.panel;
}

TEST(Panels, EditingEveryPanelLeavesAllOtherBytesAlone)
{
    TktFRAMParams block;
    for (std::size_t i = 0; i < kBlockSize; ++i)
        block.bytes[i] = static_cast<std::uint8_t>(i * 13 + 7);
    for (const auto& p : PanelFields()) {
        TktFRAMParams b = block;
        FromEditorValue(b, p, p.type == FieldType::Gear ? 93750 : 1);
        const std::size_t width = p.type == FieldType::U8 ? 1 : 4;
        for (std::size_t i = 0; i < kBlockSize; ++i)
            if (i < p.offset || i >= p.offset + width) {
                ASSERT_EQ(b.bytes[i], block.bytes[i]) << p.panel << " touched byte " << i;
            }
    }
}

TEST(Conversions, BlockToEditorAndBack)
{
    struct Case {
        const char* panel;
        std::function<void(TktFRAMParams&)> set;
        std::int32_t editor;
    };
    const Case cases[] = {
        // Serial-port fields are corrected on the way in.
        {"pn86Com0Baud", [](auto& b) { b.setU8(79, 200); }, 4},
        {"pn89Com0Databits", [](auto& b) { b.setU8(80, 3); }, 8},
        {"pn91Com0Stopbits", [](auto& b) { b.setU8(81, 0); }, 1},
        {"pn93Com0Parity", [](auto& b) { b.setU8(82, 7); }, 1},
        {"pn88USBBaud", [](auto& b) { b.setU8(478, 11); }, 4},
        {"pn87Com1Baud", [](auto& b) { b.setU8(87, 10); }, 10},
        // No other field is corrected.
        {"pn03Motor1Kind", [](auto& b) { b.setU8(22, 9); }, 9},
        {"pn30MotorConfTemplate", [](auto& b) { b.setU8(485, 12); }, 12},
        // Angles: halves to even.
        {"pn06Motor1MinAngle", [](auto& b) { b.setF32(4, 12.5f); }, 12},
        {"pn06Motor1MinAngle", [](auto& b) { b.setF32(4, 13.5f); }, 14},
        {"pn07Motor1MaxAngle", [](auto& b) { b.setF32(8, -180.0f); }, -180},
        {"pn07Motor1MaxAngle", [](auto& b) { b.setF32(8, -0.5f); }, 0},
        // Gears in millionths.
        {"pn09Motor1Gear", [](auto& b) { b.setF32(12, 0.0588236f); }, 58824},
        {"pn09Motor1Gear", [](auto& b) { b.setF32(12, 0.0588235f); }, 58823},
        {"pn59Motor2Gear", [](auto& b) { b.setF32(48, 0.09375f); }, 93750},
        {"pn59Motor2Gear", [](auto& b) { b.setF32(48, 1.0f); }, 1000000},
        // Any bit pattern may come from a controller or a file.
        {"pn06Motor1MinAngle", [](auto& b) { b.setU32(4, 0x7FC00000u); }, 0}, // NaN
        {"pn06Motor1MinAngle", [](auto& b) { b.setF32(4, 1e20f); }, 2147483647},
        {"pn06Motor1MinAngle", [](auto& b) { b.setF32(4, -1e20f); }, -2147483647 - 1},
    };
    for (const auto& c : cases) {
        TktFRAMParams b;
        c.set(b);
        EXPECT_EQ(ToEditorValue(b, panel(c.panel)), c.editor) << c.panel;
    }

    TktFRAMParams b;
    const PanelField& baud = panel("pn86Com0Baud");
    b.setU8(baud.offset, 200);
    FromEditorValue(b, baud, ToEditorValue(b, baud));
    EXPECT_EQ(b.u8(baud.offset), 4);
    const PanelField& parity = panel("pn93Com0Parity");
    b.setU8(parity.offset, 7);
    FromEditorValue(b, parity, ToEditorValue(b, parity));
    EXPECT_EQ(b.u8(parity.offset), 1);

    const PanelField& gear = panel("pn09Motor1Gear");
    FromEditorValue(b, gear, 58824);
    EXPECT_EQ(b.f32(gear.offset), 0.058824f); // the float32 nearest to 0.058824
    FromEditorValue(b, gear, 93750);
    EXPECT_EQ(b.f32(gear.offset), 0.09375f);
    const PanelField& angle = panel("pn57Motor2MaxAngle");
    FromEditorValue(b, angle, -15);
    EXPECT_EQ(b.f32(angle.offset), -15.0f);
    const PanelField& power = panel("pn05Motor1MaxPower");
    FromEditorValue(b, power, 0x1FF);
    EXPECT_EQ(b.u8(power.offset), 0xFF); // the low 8 bits
}

TEST(Formats, Captions)
{
    struct Case {
        int number;
        std::int32_t value;
        int kind;
        int math;
        const char* caption;
    };
    const Case cases[] = {
        {1, 1, 0, 0, " ON"},
        {51, 0, 0, 0, " OFF"},
        {2, 1, 0, 0, " ANALOG"},
        {3, 1, 0, 0, " ELEVATION"},
        {53, 5, 0, 0, " EY"}, // beyond the editor range, within the table
        {3, 9, 0, 0, " 9?"},
        {4, 2, 0, 0, " CAN"},
        {5, 100, 0, 0, " 100%"},
        {65, 0, 0, 0, " 0%"},
        {8, 4, 0, 0, " 4 s"},
        {71, 60, 0, 0, " 60 s"},
        {9, 93750, 0, 0, " 0.093750"},
        {59, 1000000, 0, 0, " 1.000000"},
        {9, 1, 0, 0, " 0.000001"},
        {30, 3, 0, 0, " 1:AZ, 2:EL"},
        {30, 12, 0, 0, " 12?"},
        {31, 3, 0, 0, " ETH"},
        {33, 6, 0, 0, " NORVAK KT90"},
        {34, 7, 0, 0, " 7?"},
        {72, 1, 0, 0, " SOFTLY"},
        {86, 4, 0, 0, " 9 600"},
        {88, 10, 0, 0, " 460 800"},
        {87, 11, 0, 0, " 11?"},
        {89, 8, 0, 0, " 8"},
        {90, 4, 0, 0, " 4"},
        {89, 3, 0, 0, " 3?"},
        {91, 1, 0, 0, " 1"},
        {92, 2, 0, 0, " 2"},
        {92, 0, 0, 0, " 0?"},
        {93, 1, 0, 0, " ODD"},
        {94, -1, 0, 0, " -1?"},
        {99, 1, 0, 0, " MATH"},
        // Angles: no blank; folded into one turn for azimuth in NORMAL.
        {6, -180, 0, 0, "-180\u00B0"},
        {6, -180, 0, 1, "-180\u00B0"},
        {7, 400, 0, 0, "+40\u00B0"},
        {7, 400, 0, 1, "400\u00B0"},
        {6, -15, 0, 0, "-345\u00B0"},
        {7, 540, 0, 0, "+180\u00B0"},
        {6, 0, 0, 0, "0\u00B0"},
        {56, -15, 1, 0, "-15\u00B0"},
        {57, 195, 1, 0, "195\u00B0"},
        {56, 400, 2, 0, "+40\u00B0"}, // every kind but ELEVATION folds
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatValue(c.number, c.value, c.kind, c.math, '.'), c.caption)
            << c.number << " " << c.value;
    EXPECT_EQ(FormatValue(9, 58824, 0, 0, ','), " 0,058824");
    EXPECT_EQ(FormatValue(9, 123456789, 0, 0, '.'), " 123.456789");
}

TEST(Formats, DefaultBlockShowsItsAngleLimits)
{
    const TktFRAMParams b = defaults();
    const auto caption = [&](const char* name, int kind) {
        const PanelField& p = panel(name);
        return FormatValue(p.number, ToEditorValue(b, p), kind, 0, '.');
    };
    EXPECT_EQ(caption("pn06Motor1MinAngle", b.kind(0)), "-180\u00B0");
    EXPECT_EQ(caption("pn07Motor1MaxAngle", b.kind(0)), "+180\u00B0");
    EXPECT_EQ(caption("pn56Motor2MinAngle", b.kind(1)), "-15\u00B0");
    EXPECT_EQ(caption("pn57Motor2MaxAngle", b.kind(1)), "195\u00B0");
    EXPECT_EQ(caption("pn86Com0Baud", 0), " 9 600");
    EXPECT_EQ(caption("pn88USBBaud", 0), " 460 800");
}

TEST(Ranges, ByNumberAndKind)
{
    struct Case {
        int number;
        int kind;
        int min, max;
    };
    const Case cases[] = {
        {1, 0, 0, 1},      {4, 0, 0, 2},       {5, 0, 0, 100},    {55, 0, 0, 100},
        {6, 0, -180, 540}, {6, 1, -15, 195},   {57, 3, -15, 195}, {57, 0, -180, 540},
        {8, 0, 1, 10},     {9, 0, 1, 1000000}, {16, 0, 0, 60},    {30, 0, 0, 7},
        {31, 0, 0, 4},     {34, 0, 0, 3},      {86, 0, 0, 10},    {89, 0, 4, 8},
        {92, 0, 1, 2},     {94, 0, 0, 2},      {99, 0, 0, 1},
    };
    for (const auto& c : cases) {
        const Range r = ParamRange(c.number, c.kind);
        EXPECT_EQ(r.min, c.min) << c.number;
        EXPECT_EQ(r.max, c.max) << c.number;
    }
    EXPECT_EQ(FindParam(22), nullptr);
    EXPECT_EQ(FindParam(50), nullptr);
    EXPECT_EQ(FindParam(72)->number, 72);
}

TEST(Conversions, ApplyingUneditedValuesChangesNoByte)
{
    // Every byte the panels do not own keeps its odd value; every panel
    // field holds a value that survives the trip.
    TktFRAMParams b;
    for (std::size_t i = 0; i < kBlockSize; ++i)
        b.bytes[i] = static_cast<std::uint8_t>(0xA5 ^ i);
    FillDefaults(b);
    b.setF32(TktFRAMParams::motorField(1, offs::motorRec::gear), 0.058824f);
    TktFRAMParams after = b;
    for (const auto& p : PanelFields())
        FromEditorValue(after, p, ToEditorValue(b, p));
    EXPECT_EQ(after, b);
}
