// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kt90editor.h"

#include <algorithm>
#include <stdexcept>

namespace kt90 {

namespace {

bool isControl(const std::string& panel)
{
    return panel == "pn31MotorConfControl1" || panel == "pn32MotorConfControl2";
}

} // namespace

EditorModel::EditorModel() : fValues(PanelFields().size(), 0) {}

std::size_t EditorModel::index(const std::string& panel) const
{
    const auto& all = PanelFields();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].panel == panel)
            return i;
    throw std::out_of_range("no value panel " + panel);
}

std::int32_t EditorModel::value(const std::string& panel) const { return fValues[index(panel)]; }

void EditorModel::setValue(const std::string& panel, std::int32_t v) { fValues[index(panel)] = v; }

int EditorModel::kindOf(int motor) const
{
    return value(motor == 0 ? "pn03Motor1Kind" : "pn53Motor2Kind");
}

std::string EditorModel::Caption(const std::string& panel) const
{
    const PanelField* p = FindPanel(panel);
    const int kind = p->motor >= 0 ? kindOf(p->motor) : 0;
    return FormatValue(p->number, value(panel), kind, value("pn99ShowAzimuth"), fDecimalSeparator);
}

void EditorModel::ApplyChanges()
{
    const auto& all = PanelFields();
    for (std::size_t i = 0; i < all.size(); ++i)
        FromEditorValue(fKT90Options, all[i], fValues[i]);
}

void EditorModel::CancelChanges()
{
    const auto& all = PanelFields();
    for (std::size_t i = 0; i < all.size(); ++i)
        fValues[i] = ToEditorValue(fKT90Options, all[i]);
    ShowAllValues();
}

void EditorModel::ShowAllValues()
{
    for (const auto& p : PanelFields())
        ShowValue(p.panel);
}

void EditorModel::ShowValue(const std::string& panel)
{
    // Captions are derived from the values whenever they are read; what is
    // left here are the side effects.
    if (panel == "pn30MotorConfTemplate")
        ShowTemplateRows(value(panel));
    else if (isControl(panel))
        derivePortStates();
    else if (panel == "pn98PairMotors")
        pairRow();
}

void EditorModel::derivePortStates()
{
    const char* states[] = {"pn74Com0State", "pn75Com1State", "pn41ETHComState", "pn40USBComState"};
    for (const char* s : states)
        setValue(s, 0);
    for (const char* control : {"pn31MotorConfControl1", "pn32MotorConfControl2"}) {
        const int port = value(control);
        if (port >= 1 && port <= 4)
            setValue(states[port - 1], 1);
    }
}

void EditorModel::pairRow() { fRows.row2 = value("pn98PairMotors") == 0 && fRows.pairRow; }

void EditorModel::ShowTemplateRows(std::int32_t t)
{
    struct Row {
        bool row1, pair;
        const char *c1, *p1, *c2, *p2;
        bool zeroPair, zeroControl2;
    };
    static const Row table[8] = {
        {false, false, nullptr, nullptr, nullptr, nullptr, false, true},
        {true, false, "Control A1:", "Protocol A1:", nullptr, nullptr, false, true},
        {true, false, "Control E2:", "Protocol E2:", nullptr, nullptr, false, true},
        {true, false, "Control AE:", "Protocol AE:", nullptr, nullptr, false, true},
        {true, true, "Control A1:", "Protocol A1:", "Control A2:", "Protocol A2:", false, false},
        {true, true, "Control E1:", "Protocol E1:", "Control E2:", "Protocol E2:", false, false},
        {true, false, "Control Raw XY:", "Protocol Raw XY:", nullptr, nullptr, true, true},
        {true, false, "Control XY:", "Protocol XY:", nullptr, nullptr, true, true},
    };
    if (t < 0 || t > 7)
        return;
    const Row& r = table[t];
    fRows.row1 = r.row1;
    fRows.pairRow = r.pair;
    if (r.c1) {
        fRows.control1 = r.c1;
        fRows.protocol1 = r.p1;
    }
    if (r.c2) {
        fRows.control2 = r.c2;
        fRows.protocol2 = r.p2;
    }
    if (r.zeroPair)
        setValue("pn98PairMotors", 0);
    if (r.zeroControl2)
        setValue("pn32MotorConfControl2", 0);
    fRows.row2 = r.pair && value("pn98PairMotors") == 0;
}

void EditorModel::ApplyTemplatePresets(std::int32_t t)
{
    struct Preset {
        int m1State, m2State, m1Kind, m2Kind; // -1 leaves the value
        bool zeroRow1, zeroRow2;
    };
    static const Preset presets[] = {
        {0, 0, -1, -1, true, true}, {1, 0, 0, -1, false, true}, {0, 1, -1, 1, false, true},
        {1, 1, 0, 1, false, true},  {1, 1, 0, 0, false, false}, {1, 1, 1, 1, false, false},
    };
    const Preset& p = t >= 1 && t <= 5 ? presets[t] : presets[0];
    setValue("pn01Motor1State", p.m1State);
    setValue("pn51Motor2State", p.m2State);
    if (p.m1Kind >= 0)
        setValue("pn03Motor1Kind", p.m1Kind);
    if (p.m2Kind >= 0)
        setValue("pn53Motor2Kind", p.m2Kind);
    if (p.zeroRow1) {
        setValue("pn31MotorConfControl1", 0);
        setValue("pn33MotorConfProtocol1", 0);
    }
    if (p.zeroRow2) {
        setValue("pn32MotorConfControl2", 0);
        setValue("pn34MotorConfProtocol2", 0);
    }
    const char* minAngle[] = {"pn06Motor1MinAngle", "pn56Motor2MinAngle"};
    const char* maxAngle[] = {"pn07Motor1MaxAngle", "pn57Motor2MaxAngle"};
    for (int m = 0; m < 2; ++m) {
        if (kindOf(m) == kKindAzimuth) {
            if (value(minAngle[m]) == -15)
                setValue(minAngle[m], -180);
            if (value(maxAngle[m]) == 195)
                setValue(maxAngle[m], 540);
        } else {
            setValue(minAngle[m], std::max(value(minAngle[m]), -15));
            setValue(maxAngle[m], std::min(value(maxAngle[m]), 195));
        }
    }
    for (const char* gear : {"pn09Motor1Gear", "pn59Motor2Gear"})
        if (value(gear) == 0)
            setValue(gear, 93750);
}

bool EditorModel::IsTabStop(const std::string& panel)
{
    const PanelField* p = FindPanel(panel);
    return p && p->place.tabGroup >= 0;
}

bool EditorModel::TakesDigits(const std::string& panel)
{
    const PanelField* p = FindPanel(panel);
    return p && p->digits;
}

bool EditorModel::OnPortsPage(const std::string& panel)
{
    const PanelField* p = FindPanel(panel);
    return p && p->place.page == EditorPage::Ports;
}

bool EditorModel::TakesDrags(const std::string& panel)
{
    const PanelField* p = FindPanel(panel);
    return p && p->dragStep > 0;
}

void EditorModel::PanelEnter(const std::string& panel)
{
    fFocused = panel;
    fOld = value(panel);
    fEdit = false;
    const PanelField* p = FindPanel(panel);
    const Range r = ParamRange(p->number, p->motor >= 0 ? kindOf(p->motor) : 0);
    fMin = r.min;
    fMax = r.max;
    fStep = 1;
}

bool EditorModel::Up()
{
    if (!IsTabStop(fFocused))
        return false;
    std::int32_t v = value(fFocused) + fStep;
    if (isControl(fFocused)) {
        const std::int32_t other =
            value(fFocused == "pn31MotorConfControl1" ? "pn32MotorConfControl2"
                                                      : "pn31MotorConfControl1");
        while (other > 0 && v < fMax && v == other)
            v += fStep;
    }
    bool beep = false;
    if (v > fMax) {
        if (fMax - fMin == 1) {
            v = fMin;
        } else {
            v = fMax;
            beep = true;
        }
    }
    setValue(fFocused, v);
    return beep;
}

bool EditorModel::Down()
{
    if (!IsTabStop(fFocused))
        return false;
    std::int32_t v = value(fFocused) - fStep;
    if (isControl(fFocused)) {
        const std::int32_t other =
            value(fFocused == "pn31MotorConfControl1" ? "pn32MotorConfControl2"
                                                      : "pn31MotorConfControl1");
        while (other > 0 && v > fMin && v == other)
            v -= fStep;
    }
    bool beep = false;
    if (v < fMin) {
        if (fMax - fMin == 1) {
            v = fMax;
        } else {
            v = fMin;
            beep = true;
        }
    }
    setValue(fFocused, v);
    return beep;
}

void EditorModel::FinishKey()
{
    if (fFocused.empty())
        return;
    if (fFocused == "pn30MotorConfTemplate")
        ApplyTemplatePresets(value(fFocused));
    else if (fFocused == "pn98PairMotors")
        pairRow();
    ShowValue(fFocused);
}

void EditorModel::TypeDigit(int d)
{
    if (!TakesDigits(fFocused))
        return;
    const long long v = static_cast<long long>(fEdit ? value(fFocused) : 0) * 10 + d;
    setValue(fFocused, static_cast<std::int32_t>(std::clamp<long long>(v, fMin, fMax)));
    fEdit = true;
}

void EditorModel::EnterKey()
{
    fEdit = false;
    fOld = value(fFocused);
}

void EditorModel::EscapeKey()
{
    fEdit = false;
    setValue(fFocused, fOld);
}

void EditorModel::PanelMouseDown(const std::string& panel, int x)
{
    PanelEnter(panel);
    fRefX = x;
    fRefValue = value(panel);
}

void EditorModel::PanelMouseMove(int x)
{
    const PanelField* p = FindPanel(fFocused);
    if (!p || p->dragStep <= 0)
        return;
    const int d = p->dragStep;
    const long long v = fRefValue + static_cast<long long>((x - fRefX) / d) * fStep;
    setValue(fFocused, static_cast<std::int32_t>(std::clamp<long long>(v, fMin, fMax)));
    ShowValue(fFocused);
}

void EditorModel::PanelDblClick(const std::string& panel)
{
    if (!OnPortsPage(panel))
        return;
    if (fFocused != panel)
        PanelEnter(panel);
    std::int32_t v = value(panel) + fStep;
    if (v > fMax)
        v = fMin;
    setValue(panel, v);
    ShowValue(panel);
}

} // namespace kt90
