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

// Numbers of motor 1; motor 2 has the same at +50.
const ParamInfo kParams[] = {
    {1, 0, 1, F::Table, &kOffOnTable},      {2, 0, 1, F::Table, &kTypeTable},
    {3, 0, 1, F::Table, &kKindTable},       {4, 0, 2, F::Table, &kInputTable},
    {5, 0, 100, F::Percent, nullptr},       {6, -180, 540, F::Angle, nullptr},
    {7, -180, 540, F::Angle, nullptr},      {8, 1, 10, F::Seconds, nullptr},
    {9, 1, 1000000, F::Gear, nullptr},      {10, 0, 100, F::Percent, nullptr},
    {11, 0, 100, F::Percent, nullptr},      {12, 0, 100, F::Percent, nullptr},
    {13, 0, 100, F::Percent, nullptr},      {14, 0, 100, F::Percent, nullptr},
    {15, 0, 100, F::Percent, nullptr},      {16, 0, 60, F::Seconds, nullptr},
    {17, 0, 60, F::Seconds, nullptr},       {18, 0, 60, F::Seconds, nullptr},
    {19, 0, 60, F::Seconds, nullptr},       {20, 0, 60, F::Seconds, nullptr},
    {21, 0, 60, F::Seconds, nullptr},       {30, 0, 7, F::Table, &kTemplateTable},
    {31, 0, 4, F::Table, &kPortTable},      {32, 0, 4, F::Table, &kPortTable},
    {33, 0, 3, F::Table, &kProtocolTable},  {34, 0, 3, F::Table, &kProtocolTable},
    {40, 0, 1, F::Table, &kOffOnTable},     {41, 0, 1, F::Table, &kOffOnTable},
    {72, 0, 1, F::Table, &kStartStopTable}, {73, 0, 1, F::Table, &kStartStopTable},
    {74, 0, 1, F::Table, &kOffOnTable},     {75, 0, 1, F::Table, &kOffOnTable},
    {80, 0, 1, F::Table, &kOffOnTable},     {86, 0, 10, F::Table, &kBaudTable},
    {87, 0, 10, F::Table, &kBaudTable},     {88, 0, 10, F::Table, &kBaudTable},
    {89, 4, 8, F::Table, &kDataBitsTable},  {90, 4, 8, F::Table, &kDataBitsTable},
    {91, 1, 2, F::Table, &kStopBitsTable},  {92, 1, 2, F::Table, &kStopBitsTable},
    {93, 0, 2, F::Table, &kParityTable},    {94, 0, 2, F::Table, &kParityTable},
    {95, 0, 1, F::Table, &kOffOnTable},     {98, 0, 1, F::Table, &kOffOnTable},
    {99, 0, 1, F::Table, &kDisplayTable},
};

std::vector<PanelField> buildPanels()
{
    using namespace offs::motorRec;
    std::vector<PanelField> p;
    struct MotorPanel {
        int number;
        const char* name;
        std::size_t field;
        FieldType type;
    };
    const MotorPanel motorPanels[] = {
        {1, "State", state, FieldType::U8},
        {2, "Type", type, FieldType::U8},
        {3, "Kind", kind, FieldType::U8},
        {4, "Input", input, FieldType::U8},
        {5, "MaxPower", max_power, FieldType::U8},
        {5, "MinPower", min_power, FieldType::U8},
        {6, "MinAngle", min_angle, FieldType::Angle},
        {7, "MaxAngle", max_angle, FieldType::Angle},
        {8, "PulsTimeout", puls_timeout, FieldType::U8},
        {9, "Gear", gear, FieldType::Gear},
        {10, "StartPower1", start_power + 0, FieldType::U8},
        {11, "StartPower2", start_power + 1, FieldType::U8},
        {12, "StartPower3", start_power + 2, FieldType::U8},
        {13, "StopPower1", stop_power + 0, FieldType::U8},
        {14, "StopPower2", stop_power + 1, FieldType::U8},
        {15, "StopPower3", stop_power + 2, FieldType::U8},
        {16, "StartTime1", start_time + 0, FieldType::U8},
        {17, "StartTime2", start_time + 1, FieldType::U8},
        {18, "StartTime3", start_time + 2, FieldType::U8},
        {19, "StopTime1", stop_time + 0, FieldType::U8},
        {20, "StopTime2", stop_time + 1, FieldType::U8},
        {21, "StopTime3", stop_time + 2, FieldType::U8},
    };
    for (int m = 0; m < 2; ++m) {
        for (const auto& mp : motorPanels) {
            const int number = mp.number + 50 * m;
            char name[40];
            std::snprintf(name, sizeof name, "pn%02dMotor%d%s", number, m + 1, mp.name);
            p.push_back({name, number,
                         TktFRAMParams::motorField(static_cast<std::size_t>(m), mp.field), mp.type,
                         Correction::None, m});
        }
    }
    const auto com = [](std::size_t port, std::size_t rel) {
        return TktFRAMParams::comField(port, rel);
    };
    const PanelField others[] = {
        {"pn30MotorConfTemplate", 30, offs::motor_template, FieldType::U8, Correction::None, -1},
        {"pn31MotorConfControl1", 31, offs::motor_control1, FieldType::U8, Correction::None, -1},
        {"pn32MotorConfControl2", 32, offs::motor_control2, FieldType::U8, Correction::None, -1},
        {"pn33MotorConfProtocol1", 33, offs::motor_protocol1, FieldType::U8, Correction::None, -1},
        {"pn34MotorConfProtocol2", 34, offs::motor_protocol2, FieldType::U8, Correction::None, -1},
        {"pn40USBComState", 40, offs::usb_state, FieldType::U8, Correction::None, -1},
        {"pn41ETHComState", 41, offs::eth_state, FieldType::U8, Correction::None, -1},
        {"pn72MotorStart", 72, offs::manual_ctrl_start, FieldType::U8, Correction::None, -1},
        {"pn73MotorStop", 73, offs::manual_ctrl_stop, FieldType::U8, Correction::None, -1},
        {"pn74Com0State", 74, offs::com_state + 0, FieldType::U8, Correction::None, -1},
        {"pn75Com1State", 75, offs::com_state + 1, FieldType::U8, Correction::None, -1},
        {"pn80MouseControl", 80, offs::mouse_control, FieldType::U8, Correction::None, -1},
        {"pn86Com0Baud", 86, com(0, offs::comRec::baud), FieldType::U8, Correction::Baud, -1},
        {"pn87Com1Baud", 87, com(1, offs::comRec::baud), FieldType::U8, Correction::Baud, -1},
        {"pn88USBBaud", 88, offs::usb_baudrate, FieldType::U8, Correction::Baud, -1},
        {"pn89Com0Databits", 89, com(0, offs::comRec::data_bits), FieldType::U8,
         Correction::DataBits, -1},
        {"pn90Com1Databits", 90, com(1, offs::comRec::data_bits), FieldType::U8,
         Correction::DataBits, -1},
        {"pn91Com0Stopbits", 91, com(0, offs::comRec::stop_bits), FieldType::U8,
         Correction::StopBits, -1},
        {"pn92Com1Stopbits", 92, com(1, offs::comRec::stop_bits), FieldType::U8,
         Correction::StopBits, -1},
        {"pn93Com0Parity", 93, com(0, offs::comRec::parity), FieldType::U8, Correction::Parity, -1},
        {"pn94Com1Parity", 94, com(1, offs::comRec::parity), FieldType::U8, Correction::Parity, -1},
        {"pn95UseShortWay", 95, offs::use_short_way, FieldType::U8, Correction::None, -1},
        {"pn98PairMotors", 98, offs::pair_rotors, FieldType::U8, Correction::None, -1},
        {"pn99ShowAzimuth", 99, offs::az_show_math, FieldType::U8, Correction::None, -1},
    };
    p.insert(p.end(), std::begin(others), std::end(others));
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
    const int base = number > 50 && number <= 71 ? number - 50 : number;
    for (const auto& p : kParams)
        if (p.number == base)
            return &p;
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
