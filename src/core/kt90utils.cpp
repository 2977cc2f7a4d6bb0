// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kt90utils.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kt90 {

namespace {

constexpr const char* kOffOn[] = {"OFF", "ON"};
constexpr const char* kType[] = {"DIGITAL", "ANALOG"};
constexpr const char* kKind[] = {"AZIMUTH", "ELEVATION", "X", "Y", "AX", "EY"};
constexpr const char* kInput[] = {"MECHANIC", "ELECTRONIC", "CAN"};
constexpr const char* kStartStop[] = {"IMMEDIATELY", "SOFTLY"};
constexpr const char* kProtocol[] = {"NONE",  "NORVAK VASK1", "NORVAK VASK2", "Yaesu",
                                     "Brite", "Hygain",       "NORVAK KT90"};
constexpr const char* kBaud[] = {"600",    "1 200",  "2 400",   "4 800",   "9 600",  "19 200",
                                 "38 400", "57 600", "115 200", "230 400", "460 800"};
constexpr const char* kDataBits[] = {"4", "5", "6", "7", "8"};
constexpr const char* kStopBits[] = {"1", "2"};
constexpr const char* kParity[] = {"NONE", "ODD", "EVEN"};
constexpr const char* kPort[] = {"NONE", "COM 0", "COM 1", "ETH", "USB"};
constexpr const char* kTemplate[] = {"1:NC, 2:NC", "1:AZ, 2:NC", "1:NC, 2:EL", "1:AZ, 2:EL",
                                     "1:AZ, 2:AZ", "1:EL, 2:EL", "1:XX, 2:YY", "1:AX, 2:EY"};
constexpr const char* kDisplay[] = {"NORMAL", "MATH"};

template <std::size_t N> constexpr LabelTable table(const char* const (&labels)[N], int base = 0)
{
    return {labels, static_cast<int>(N), base};
}

} // namespace

const LabelTable kOffOnTable = table(kOffOn);
const LabelTable kTypeTable = table(kType);
const LabelTable kKindTable = table(kKind);
const LabelTable kInputTable = table(kInput);
const LabelTable kStartStopTable = table(kStartStop);
const LabelTable kProtocolTable = table(kProtocol);
const LabelTable kBaudTable = table(kBaud);
const LabelTable kDataBitsTable = table(kDataBits, 4);
const LabelTable kStopBitsTable = table(kStopBits, 1);
const LabelTable kParityTable = table(kParity);
const LabelTable kPortTable = table(kPort);
const LabelTable kTemplateTable = table(kTemplate);
const LabelTable kDisplayTable = table(kDisplay);

namespace {

using F = ValueFormat;
using T = FieldType;
using C = Correction;
constexpr int kNoTab = -1;
constexpr int kDragTable = 12; // template and port rows: wide labels
constexpr int kDragValue = 2;

// The columns of both motors, one row per parameter; motor 2's numbers are
// motor 1's plus 50. Tab groups of the Motors page: 0 the left column's
// first rows, 1 the motors, 2 the left column's switches, 3 the min powers.
struct MotorParam {
    int number;
    const char* name;
    std::size_t field;
    FieldType type;
    int min, max;
    ValueFormat format;
    const LabelTable* table;
    const char* label;
    int row, slot;
    int tabGroup, tabIndex;
    bool digits;
};

std::vector<PanelField> buildPanels()
{
    using namespace offs::motorRec;
    static const MotorParam motorParams[] = {
        // clang-format off
        {1, "State", state, T::U8, 0, 1, F::Table, &kOffOnTable, "State:", 1, 0, kNoTab, 0, false},
        {2, "Type", type, T::U8, 0, 1, F::Table, &kTypeTable, "Type:", 2, 0, kNoTab, 0, false},
        {3, "Kind", kind, T::U8, 0, 1, F::Table, &kKindTable, "Kind:", 3, 0, kNoTab, 0, false},
        {4, "Input", input, T::U8, 0, 2, F::Table, &kInputTable, "Input:", 4, 0, 1, 0, false},
        {5, "MaxPower", max_power, T::U8, 0, 100, F::Percent, nullptr, "Max power:", 9, 0, 1, 5, true},
        {5, "MinPower", min_power, T::U8, 0, 100, F::Percent, nullptr, "Min power:", 10, 0, 3, 0, true},
        {6, "MinAngle", min_angle, T::Angle, -180, 540, F::Angle, nullptr, "Min angle:", 5, 0, 1, 1, false},
        {7, "MaxAngle", max_angle, T::Angle, -180, 540, F::Angle, nullptr, "Max angle:", 6, 0, 1, 2, false},
        {8, "PulsTimeout", puls_timeout, T::U8, 1, 10, F::Seconds, nullptr, "Puls timeout:", 8, 0, 1, 4, true},
        {9, "Gear", gear, T::Gear, 1, 1000000, F::Gear, nullptr, "Gear:", 7, 0, 1, 3, true},
        {10, "StartPower1", start_power + 0, T::U8, 0, 100, F::Percent, nullptr, "Start powers:", 11, 0, 1, 6, true},
        {11, "StartPower2", start_power + 1, T::U8, 0, 100, F::Percent, nullptr, "", 11, 1, 1, 7, true},
        {12, "StartPower3", start_power + 2, T::U8, 0, 100, F::Percent, nullptr, "", 11, 2, 1, 8, true},
        {13, "StopPower1", stop_power + 0, T::U8, 0, 100, F::Percent, nullptr, "Stop speeds:", 13, 0, 1, 12, true},
        {14, "StopPower2", stop_power + 1, T::U8, 0, 100, F::Percent, nullptr, "", 13, 1, 1, 13, true},
        {15, "StopPower3", stop_power + 2, T::U8, 0, 100, F::Percent, nullptr, "", 13, 2, 1, 14, true},
        {16, "StartTime1", start_time + 0, T::U8, 0, 60, F::Seconds, nullptr, "Start times:", 12, 0, 1, 9, true},
        {17, "StartTime2", start_time + 1, T::U8, 0, 60, F::Seconds, nullptr, "", 12, 1, 1, 10, true},
        {18, "StartTime3", start_time + 2, T::U8, 0, 60, F::Seconds, nullptr, "", 12, 2, 1, 11, true},
        {19, "StopTime1", stop_time + 0, T::U8, 0, 60, F::Seconds, nullptr, "Stop times:", 14, 0, 1, 15, true},
        {20, "StopTime2", stop_time + 1, T::U8, 0, 60, F::Seconds, nullptr, "", 14, 1, 1, 16, true},
        {21, "StopTime3", stop_time + 2, T::U8, 0, 60, F::Seconds, nullptr, "", 14, 2, 1, 17, true},
        // clang-format on
    };
    std::vector<PanelField> p;
    for (int m = 0; m < 2; ++m) {
        for (const MotorParam& mp : motorParams) {
            const int number = mp.number + 50 * m;
            char name[40];
            std::snprintf(name, sizeof name, "pn%02dMotor%d%s", number, m + 1, mp.name);
            const bool tabStop = mp.tabGroup != kNoTab;
            p.push_back({name,
                         number,
                         TktFRAMParams::motorField(static_cast<std::size_t>(m), mp.field),
                         mp.type,
                         C::None,
                         m,
                         {number, mp.min, mp.max, mp.format, mp.table},
                         {EditorPage::Motors, 1 + m, mp.row, mp.slot, mp.tabGroup, mp.tabIndex},
                         mp.label,
                         mp.digits,
                         tabStop ? kDragValue : 0});
        }
    }
    const auto com = [](std::size_t port, std::size_t rel) {
        return TktFRAMParams::comField(port, rel);
    };
    const auto motors = [](int row, int tabGroup, int tabIndex) {
        return PanelPlace{EditorPage::Motors, 0, row, 0, tabGroup, tabIndex};
    };
    const auto ports = [](int column, int row, int tabIndex) {
        return PanelPlace{EditorPage::Ports, column, row, 0, 0, tabIndex};
    };
    // The other panels all show a byte through a label table.
    struct TableParam {
        const char* name;
        int number;
        std::size_t offset;
        Correction correction;
        int min, max;
        const LabelTable* table;
        PanelPlace place;
        const char* label;
        int dragStep;
    };
    const TableParam others[] = {
        // clang-format off
        {"pn72MotorStart", 72, offs::manual_ctrl_start, C::None, 0, 1, &kStartStopTable, motors(5, 0, 1), "Start:", kDragValue},
        {"pn73MotorStop", 73, offs::manual_ctrl_stop, C::None, 0, 1, &kStartStopTable, motors(6, 0, 2), "Stop:", kDragValue},
        {"pn30MotorConfTemplate", 30, offs::motor_template, C::None, 0, 7, &kTemplateTable, motors(1, 0, 0), "Template:", kDragTable},
        {"pn31MotorConfControl1", 31, offs::motor_control1, C::None, 0, 4, &kPortTable, motors(7, 0, 3), "", kDragTable},
        {"pn33MotorConfProtocol1", 33, offs::motor_protocol1, C::None, 0, 3, &kProtocolTable, motors(8, 0, 4), "", kDragTable},
        {"pn32MotorConfControl2", 32, offs::motor_control2, C::None, 0, 4, &kPortTable, motors(10, 0, 5), "", kDragTable},
        {"pn34MotorConfProtocol2", 34, offs::motor_protocol2, C::None, 0, 3, &kProtocolTable, motors(11, 0, 6), "", kDragTable},
        {"pn99ShowAzimuth", 99, offs::az_show_math, C::None, 0, 1, &kDisplayTable, motors(2, 2, 0), "Show azimuth:", kDragValue},
        {"pn98PairMotors", 98, offs::pair_rotors, C::None, 0, 1, &kOffOnTable, motors(9, 2, 1), "Pair motors:", kDragValue},
        {"pn95UseShortWay", 95, offs::use_short_way, C::None, 0, 1, &kOffOnTable, motors(3, 2, 2), "Use short way:", kDragValue},
        {"pn80MouseControl", 80, offs::mouse_control, C::None, 0, 1, &kOffOnTable, motors(4, 2, 3), "Mouse control:", kDragValue},
        {"pn74Com0State", 74, offs::com_state + 0, C::None, 0, 1, &kOffOnTable, ports(0, 1, 0), "State:", 0},
        {"pn86Com0Baud", 86, com(0, offs::comRec::baud), C::Baud, 0, 10, &kBaudTable, ports(0, 2, 1), "Baud:", 0},
        {"pn89Com0Databits", 89, com(0, offs::comRec::data_bits), C::DataBits, 4, 8, &kDataBitsTable, ports(0, 3, 2), "Data bits:", 0},
        {"pn91Com0Stopbits", 91, com(0, offs::comRec::stop_bits), C::StopBits, 1, 2, &kStopBitsTable, ports(0, 4, 3), "Stop bits:", 0},
        {"pn93Com0Parity", 93, com(0, offs::comRec::parity), C::Parity, 0, 2, &kParityTable, ports(0, 5, 4), "Parity:", 0},
        {"pn75Com1State", 75, offs::com_state + 1, C::None, 0, 1, &kOffOnTable, ports(1, 1, 5), "State:", 0},
        {"pn87Com1Baud", 87, com(1, offs::comRec::baud), C::Baud, 0, 10, &kBaudTable, ports(1, 2, 6), "Baud:", 0},
        {"pn90Com1Databits", 90, com(1, offs::comRec::data_bits), C::DataBits, 4, 8, &kDataBitsTable, ports(1, 3, 7), "Data bits:", 0},
        {"pn92Com1Stopbits", 92, com(1, offs::comRec::stop_bits), C::StopBits, 1, 2, &kStopBitsTable, ports(1, 4, 8), "Stop bits:", 0},
        {"pn94Com1Parity", 94, com(1, offs::comRec::parity), C::Parity, 0, 2, &kParityTable, ports(1, 5, 9), "Parity:", 0},
        {"pn88USBBaud", 88, offs::usb_baudrate, C::Baud, 0, 10, &kBaudTable, ports(2, 2, 10), "Baud:", 0},
        {"pn41ETHComState", 41, offs::eth_state, C::None, 0, 1, &kOffOnTable, ports(3, 1, 11), "State:", 0},
        {"pn40USBComState", 40, offs::usb_state, C::None, 0, 1, &kOffOnTable, ports(2, 1, 12), "State:", 0},
        // clang-format on
    };
    for (const TableParam& t : others)
        p.push_back({t.name,
                     t.number,
                     t.offset,
                     T::U8,
                     t.correction,
                     -1,
                     {t.number, t.min, t.max, F::Table, t.table},
                     t.place,
                     t.label,
                     false,
                     t.dragStep});
    return p;
}

int corrected(Correction c, int v)
{
    switch (c) {
    case Correction::Baud:
        return v >= 0 && v <= 10 ? v : 4;
    case Correction::DataBits:
        return v >= 4 && v <= 8 ? v : 8;
    case Correction::StopBits:
        return v >= 1 && v <= 2 ? v : 1;
    case Correction::Parity:
        return v >= 0 && v <= 2 ? v : 1; // ODD, as the controller's own tool did
    case Correction::None:
        break;
    }
    return v;
}

// "%8.6f", leading blanks trimmed, with the given separator.
std::string fixed6(double v, char decimalSeparator)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 6);
    std::string s(text, r.ec == std::errc() ? r.ptr : text);
    for (char& c : s)
        if (c == '.')
            c = decimalSeparator;
    return s;
}

} // namespace

const ParamInfo* FindParam(int number)
{
    for (const auto& p : PanelFields())
        if (p.number == number)
            return &p.param;
    return nullptr;
}

Range AngleRange(int kind) { return kind == kKindAzimuth ? Range{-180, 540} : Range{-15, 195}; }

Range ParamRange(int number, int kind)
{
    const ParamInfo* p = FindParam(number);
    if (!p)
        return {0, 0};
    if (p->format == ValueFormat::Angle)
        return AngleRange(kind);
    return {p->min, p->max};
}

const std::vector<PanelField>& PanelFields()
{
    static const std::vector<PanelField> panels = buildPanels();
    return panels;
}

const PanelField* FindPanel(const std::string& name)
{
    for (const auto& p : PanelFields())
        if (p.panel == name)
            return &p;
    return nullptr;
}

std::int32_t RoundToInt32(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v); // halves to even in the default rounding mode
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}

std::int32_t ToEditorValue(const TktFRAMParams& block, const PanelField& f)
{
    switch (f.type) {
    case FieldType::U8:
        return corrected(f.correction, block.u8(f.offset));
    case FieldType::Angle:
        return RoundToInt32(block.f32(f.offset));
    case FieldType::Gear:
        // float times 10^6 is exact in double precision.
        return RoundToInt32(static_cast<double>(block.f32(f.offset)) * 1000000.0);
    }
    return 0;
}

void FromEditorValue(TktFRAMParams& block, const PanelField& f, std::int32_t v)
{
    switch (f.type) {
    case FieldType::U8:
        block.setU8(f.offset, static_cast<std::uint8_t>(v & 0xFF));
        break;
    case FieldType::Angle:
        block.setF32(f.offset, static_cast<float>(v));
        break;
    case FieldType::Gear:
        block.setF32(f.offset, static_cast<float>(static_cast<long double>(v) / 1000000.0L));
        break;
    }
}

std::string TableLabel(const LabelTable& t, std::int32_t value)
{
    const long long i = static_cast<long long>(value) - t.base;
    if (i >= 0 && i < t.size)
        return std::string(" ") + t.labels[i];
    return " " + std::to_string(value) + "?";
}

std::string FormatValue(int number, std::int32_t v, int kind, int showMath, char decimalSeparator)
{
    const ParamInfo* p = FindParam(number);
    if (!p)
        return " " + std::to_string(v) + "?";
    switch (p->format) {
    case ValueFormat::Table:
        return TableLabel(*p->table, v);
    case ValueFormat::Percent:
        return " " + std::to_string(v) + "%";
    case ValueFormat::Seconds:
        return " " + std::to_string(v) + " s";
    case ValueFormat::Gear:
        return " " + fixed6(static_cast<double>(v) / 1000000.0, decimalSeparator);
    case ValueFormat::Angle: {
        const char* degree = "\u00B0";
        if (showMath == 1 || kind == kKindElevation)
            return std::to_string(v) + degree;
        long long a = v;
        std::string sign;
        if (a < 0) {
            sign = "-";
            a += 360;
        } else if (a >= 360) {
            sign = "+";
            a -= 360;
        }
        return sign + std::to_string(a) + degree;
    }
    }
    return {};
}

} // namespace kt90
