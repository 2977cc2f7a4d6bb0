// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kt90editor.h"

#include <gtest/gtest.h>

using namespace kt90;

namespace {

struct Editor : ::testing::Test {
    EditorModel m;
    void SetUp() override
    {
        FillDefaults(m.fKT90Options);
        m.CancelChanges();
    }
    void focus(const char* panel) { m.PanelEnter(panel); }
    // Up or Down as the window delivers it: the move, then the key's end.
    bool up()
    {
        const bool beep = m.Up();
        m.FinishKey();
        return beep;
    }
    bool down()
    {
        const bool beep = m.Down();
        m.FinishKey();
        return beep;
    }
};

} // namespace

TEST_F(Editor, RangeEnds)
{
    struct Case {
        const char* panel;
        std::int32_t from;
        bool up;
        std::int32_t to;
        bool beep;
    };
    const Case cases[] = {
        {"pn86Com0Baud", 10, true, 10, true}, // 460 800: beeps and stays
        {"pn86Com0Baud", 9, true, 10, false},
        {"pn86Com0Baud", 0, false, 0, true},
        {"pn95UseShortWay", 1, true, 0, false}, // two values wrap
        {"pn95UseShortWay", 0, false, 1, false},
        {"pn05Motor1MaxPower", 100, true, 100, true},
        {"pn05Motor1MaxPower", 0, false, 0, true},
        {"pn08Motor1PulsTimeout", 1, false, 1, true},
        {"pn89Com0Databits", 8, true, 8, true},
        {"pn91Com0Stopbits", 2, true, 1, false},
        {"pn01Motor1State", 1, true, 1, false}, // not a tab stop: no change
        {"pn06Motor1MinAngle", 540, true, 540, true},
        {"pn56Motor2MinAngle", 195, true, 195, true}, // elevation motor: -15..195
    };
    for (const auto& c : cases) {
        m.setValue(c.panel, c.from);
        focus(c.panel);
        EXPECT_EQ(c.up ? up() : down(), c.beep) << c.panel << " from " << c.from;
        EXPECT_EQ(m.value(c.panel), c.to) << c.panel << " from " << c.from;
    }
}

TEST_F(Editor, DoubleClickWrapsOnThePortsPage)
{
    m.setValue("pn86Com0Baud", 10);
    m.PanelDblClick("pn86Com0Baud");
    EXPECT_EQ(m.value("pn86Com0Baud"), 0);
    EXPECT_EQ(m.Caption("pn86Com0Baud"), " 600");
    m.setValue("pn05Motor1MaxPower", 50);
    m.PanelDblClick("pn05Motor1MaxPower");
    EXPECT_EQ(m.value("pn05Motor1MaxPower"), 50) << "only the Ports page";
}

TEST_F(Editor, ControlPortsSkipEachOther)
{
    struct Case {
        std::int32_t other, from;
        bool up;
        std::int32_t to;
    };
    const Case cases[] = {
        {1, 0, true, 2},  // control 1 on COM 0: NONE -> COM 1
        {4, 3, true, 4},  // control 1 on USB: ETH -> USB, the skip stops at the end
        {2, 3, false, 1}, // down over COM 1
        {1, 2, false, 0}, // the skip stops at NONE
        {0, 0, true, 1},  // NONE takes nothing away
    };
    m.setValue("pn30MotorConfTemplate", 4); // both rows in use
    for (const auto& c : cases) {
        m.setValue("pn31MotorConfControl1", c.other);
        m.setValue("pn32MotorConfControl2", c.from);
        focus("pn32MotorConfControl2");
        c.up ? m.Up() : m.Down();
        EXPECT_EQ(m.value("pn32MotorConfControl2"), c.to) << c.other << " " << c.from;
    }
}

TEST_F(Editor, TypedDigitsEnterAndEscape)
{
    focus("pn10Motor1StartPower1");
    const std::int32_t entered = m.value("pn10Motor1StartPower1");
    const char* shown[] = {" 1%", " 15%", " 100%"};
    int i = 0;
    for (int d : {1, 5, 0}) {
        m.TypeDigit(d);
        EXPECT_EQ(m.Caption("pn10Motor1StartPower1"), shown[i++]);
    }
    m.EscapeKey();
    EXPECT_EQ(m.value("pn10Motor1StartPower1"), entered);
    m.TypeDigit(7);
    m.EnterKey();
    m.TypeDigit(3);
    EXPECT_EQ(m.value("pn10Motor1StartPower1"), 3) << "Enter ends the number";
    m.EscapeKey();
    EXPECT_EQ(m.value("pn10Motor1StartPower1"), 7);

    focus("pn09Motor1Gear");
    m.TypeDigit(0);
    EXPECT_EQ(m.value("pn09Motor1Gear"), 1);
    EXPECT_EQ(m.Caption("pn09Motor1Gear"), " 0.000001");
    focus("pn86Com0Baud");
    m.TypeDigit(1);
    EXPECT_EQ(m.value("pn86Com0Baud"), 4) << "the Ports page takes no digits";
}

TEST_F(Editor, Drags)
{
    m.setValue("pn05Motor1MaxPower", 50);
    m.PanelMouseDown("pn05Motor1MaxPower", 100);
    m.PanelMouseMove(125);
    EXPECT_EQ(m.value("pn05Motor1MaxPower"), 62);
    m.PanelMouseMove(99);
    EXPECT_EQ(m.value("pn05Motor1MaxPower"), 50) << "one pixel left changes nothing";
    m.PanelMouseMove(-1000);
    EXPECT_EQ(m.value("pn05Motor1MaxPower"), 0);

    m.setValue("pn30MotorConfTemplate", 3);
    m.PanelMouseDown("pn30MotorConfTemplate", 10);
    const std::int32_t m2Kind = m.value("pn53Motor2Kind");
    const std::int32_t m1State = m.value("pn01Motor1State");
    m.PanelMouseMove(35);
    EXPECT_EQ(m.value("pn30MotorConfTemplate"), 5);
    EXPECT_EQ(m.value("pn53Motor2Kind"), m2Kind) << "a drag runs no presets";
    EXPECT_EQ(m.value("pn01Motor1State"), m1State);
    EXPECT_TRUE(m.rows().pairRow) << "but the rows follow";
    EXPECT_EQ(m.rows().control1, "Control E1:");

    m.setValue("pn86Com0Baud", 4);
    m.PanelMouseDown("pn86Com0Baud", 0);
    m.PanelMouseMove(40);
    EXPECT_EQ(m.value("pn86Com0Baud"), 4) << "the Ports page takes no drags";
}

// What a template's label ("1:AZ, 2:EL") says of the rows below it: a row
// for each motor in use, named by its axis letter and number; one row
// named by both letters for an azimuth-elevation pair; the two raw and
// mapped X-Y mounts their own names; a pair switch where both motors turn
// the same axis.
struct ExpectedRows {
    bool row1, pair;
    std::string control1, protocol1, control2, protocol2;
    bool xy;
};

ExpectedRows rowsFromLabel(const std::string& label)
{
    const std::string m1 = label.substr(label.find("1:") + 2, 2);
    const std::string m2 = label.substr(label.find("2:") + 2, 2);
    ExpectedRows e{};
    e.xy = m1.find_first_of("XY") != std::string::npos;
    e.row1 = !(m1 == "NC" && m2 == "NC");
    e.pair = m1 == m2 && e.row1 && !e.xy;
    std::string name;
    if (e.xy)
        name = m1 == "XX" ? "Raw XY" : "XY";
    else if (m2 == "NC")
        name = m1.substr(0, 1) + "1";
    else if (m1 == "NC")
        name = m2.substr(0, 1) + "2";
    else if (e.pair)
        name = m1.substr(0, 1) + "1";
    else
        name = m1.substr(0, 1) + m2.substr(0, 1);
    e.control1 = "Control " + name + ":";
    e.protocol1 = "Protocol " + name + ":";
    if (e.pair) {
        e.control2 = "Control " + m2.substr(0, 1) + "2:";
        e.protocol2 = "Protocol " + m2.substr(0, 1) + "2:";
    }
    return e;
}

TEST_F(Editor, TemplateRows)
{
    ASSERT_EQ(kTemplateTable.size, 8);
    for (int t = 0; t < kTemplateTable.size; ++t) {
        const std::string label = kTemplateTable.labels[t];
        const ExpectedRows e = rowsFromLabel(label);
        SCOPED_TRACE(label);
        m.setValue("pn32MotorConfControl2", 2);
        m.setValue("pn98PairMotors", e.pair ? 0 : 1);
        m.ShowTemplateRows(t);
        const auto& r = m.rows();
        EXPECT_EQ(r.row1, e.row1);
        EXPECT_EQ(r.pairRow, e.pair);
        EXPECT_EQ(r.row2, e.pair) << "the pair switch is off";
        if (e.row1) {
            EXPECT_EQ(r.control1, e.control1);
            EXPECT_EQ(r.protocol1, e.protocol1);
        }
        if (e.pair) {
            EXPECT_EQ(r.control2, e.control2);
            EXPECT_EQ(r.protocol2, e.protocol2);
        }
        EXPECT_EQ(m.value("pn32MotorConfControl2") == 0, !e.pair);
        if (e.xy) {
            EXPECT_EQ(m.value("pn98PairMotors"), 0);
        }
    }
    EXPECT_EQ(m.rows().control2, "Control E2:"); // from "1:EL, 2:EL", the last that names row 2
    m.setValue("pn98PairMotors", 1);
    m.ShowTemplateRows(4);
    EXPECT_FALSE(m.rows().row2) << "paired motors need no second row";
    m.ShowTemplateRows(9);
    EXPECT_TRUE(m.rows().pairRow) << "an unknown template changes nothing";
}

struct Preset {
    int t;
    std::int32_t m1State, m2State, m1Kind, m2Kind;
    bool row1Zeroed, row2Zeroed;
};

class TemplatePreset : public Editor, public ::testing::WithParamInterface<Preset> {};

TEST_P(TemplatePreset, SetsStatesKindsRowsGearsAndLimits)
{
    const Preset& c = GetParam();
    for (const char* p : {"pn31MotorConfControl1", "pn33MotorConfProtocol1",
                          "pn32MotorConfControl2", "pn34MotorConfProtocol2"})
        m.setValue(p, 2);
    m.setValue("pn09Motor1Gear", 0);
    m.ApplyTemplatePresets(c.t);
    EXPECT_EQ(m.value("pn01Motor1State"), c.m1State);
    EXPECT_EQ(m.value("pn51Motor2State"), c.m2State);
    EXPECT_EQ(m.value("pn03Motor1Kind"), c.m1Kind);
    EXPECT_EQ(m.value("pn53Motor2Kind"), c.m2Kind);
    EXPECT_EQ(m.value("pn31MotorConfControl1") == 0, c.row1Zeroed);
    EXPECT_EQ(m.value("pn33MotorConfProtocol1") == 0, c.row1Zeroed);
    EXPECT_EQ(m.value("pn32MotorConfControl2") == 0, c.row2Zeroed);
    EXPECT_EQ(m.value("pn09Motor1Gear"), 93750);
    // Limits follow the kinds.
    const bool m2Azimuth = c.m2Kind == 0;
    EXPECT_EQ(m.value("pn56Motor2MinAngle"), m2Azimuth ? -180 : -15);
    EXPECT_EQ(m.value("pn57Motor2MaxAngle"), m2Azimuth ? 540 : 195);
    const bool m1Azimuth = c.m1Kind == 0;
    EXPECT_EQ(m.value("pn06Motor1MinAngle"), m1Azimuth ? -180 : -15);
    EXPECT_EQ(m.value("pn07Motor1MaxAngle"), m1Azimuth ? 540 : 195);
}

// Kinds start as M1 0, M2 1.
INSTANTIATE_TEST_SUITE_P(
    Editor, TemplatePreset,
    ::testing::Values(Preset{0, 0, 0, 0, 1, true, true}, Preset{1, 1, 0, 0, 1, false, true},
                      Preset{2, 0, 1, 0, 1, false, true}, Preset{3, 1, 1, 0, 1, false, true},
                      Preset{4, 1, 1, 0, 0, false, false}, Preset{5, 1, 1, 1, 1, false, false},
                      Preset{6, 0, 0, 0, 1, true, true}, Preset{7, 0, 0, 0, 1, true, true}),
    [](const auto& info) { return "template" + std::to_string(info.param.t); });

TEST_F(Editor, UpOnTheTemplateMakesBothMotorsAzimuth)
{
    ASSERT_EQ(m.value("pn30MotorConfTemplate"), 3);
    focus("pn30MotorConfTemplate");
    up();
    EXPECT_EQ(m.value("pn30MotorConfTemplate"), 4);
    EXPECT_EQ(m.Caption("pn53Motor2Kind"), " AZIMUTH");
    EXPECT_EQ(m.value("pn56Motor2MinAngle"), -180);
    EXPECT_EQ(m.value("pn57Motor2MaxAngle"), 540);
    EXPECT_TRUE(m.rows().pairRow);
    EXPECT_TRUE(m.rows().row2) << "pair is OFF";
    EXPECT_EQ(m.Caption("pn98PairMotors"), " OFF");
}

TEST_F(Editor, PortStatesFollowTheControls)
{
    m.fKT90Options.setU8(offs::motor_template, 4);
    m.fKT90Options.setU8(offs::motor_control1, 3); // ETH
    m.fKT90Options.setU8(offs::motor_control2, 4); // USB
    m.fKT90Options.setU8(offs::com_state, 1);      // what the block says is overruled
    m.fKT90Options.setU8(offs::eth_state, 0);
    m.CancelChanges();
    EXPECT_EQ(m.Caption("pn74Com0State"), " OFF");
    EXPECT_EQ(m.Caption("pn75Com1State"), " OFF");
    EXPECT_EQ(m.Caption("pn40USBComState"), " ON");
    EXPECT_EQ(m.Caption("pn41ETHComState"), " ON");
}

TEST_F(Editor, AnglesFocusWithTheRangeOfTheMotorsKindNow)
{
    focus("pn56Motor2MinAngle");
    EXPECT_EQ(m.fMin, -15);
    EXPECT_EQ(m.fMax, 195);
    m.setValue("pn53Motor2Kind", 0);
    focus("pn56Motor2MinAngle");
    EXPECT_EQ(m.fMin, -180);
    EXPECT_EQ(m.fMax, 540);
}

TEST_F(Editor, ApplyAndCancel)
{
    m.setValue("pn05Motor1MaxPower", 42);
    m.setValue("pn09Motor1Gear", 58824);
    m.ApplyChanges();
    EXPECT_EQ(m.fKT90Options.u8(TktFRAMParams::motorField(0, offs::motorRec::max_power)), 42);
    EXPECT_EQ(m.fKT90Options.gear(0), 0.058824f);
    m.setValue("pn05Motor1MaxPower", 1);
    m.CancelChanges();
    EXPECT_EQ(m.value("pn05Motor1MaxPower"), 42);
}
