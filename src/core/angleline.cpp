// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/angleline.h"

#include <charconv>
#include <system_error>

namespace kt90 {

namespace {

// "%*.1f", written without the C library's locale.
std::string fixed1(float value, std::size_t width, char decimalSeparator)
{
    char text[64];
    const auto res = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                   std::chars_format::fixed, 1);
    std::string s(text, res.ec == std::errc() ? res.ptr : text);
    for (char& c : s)
        if (c == '.')
            c = decimalSeparator;
    if (s.size() < width)
        s.insert(0, width - s.size(), ' ');
    return s;
}

std::string rightAligned(const std::string& s, std::size_t width)
{
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

char motorLetter(std::uint8_t kind) { return kind == kKindAzimuth ? 'A' : 'E'; }

} // namespace

std::string FormatAngle(std::uint8_t kind, bool math, float value, char decimalSeparator)
{
    char prefix = ' ';
    if (!math && kind != kKindElevation) {
        if (value < 0) {
            value = value + 360.0f;
            prefix = '-';
        } else if (value >= 360) {
            value = value - 360.0f;
            prefix = '+';
        }
    }
    if (prefix == ' ')
        return fixed1(value, 6, decimalSeparator);
    return prefix + fixed1(value, 5, decimalSeparator);
}

std::string AngleLine(std::uint8_t m1Kind, std::uint8_t m2Kind, bool math, float m1, float m2,
                      char decimalSeparator)
{
    const std::string t1 = rightAligned(FormatAngle(m1Kind, math, m1, decimalSeparator), 6);
    const std::string t2 = rightAligned(FormatAngle(m2Kind, math, m2, decimalSeparator), 6);
    std::string line = "M1:" + t1 + "  ";
    // The letter goes where "M2" starts, also when a long M1 text shifted it.
    const std::size_t m2At = line.size();
    line += "M2:" + t2;
    line[0] = motorLetter(m1Kind);
    line[m2At] = motorLetter(m2Kind);
    return line;
}

std::string AngleLine(const TktFRAMParams& config, float m1, float m2, char decimalSeparator)
{
    return AngleLine(config.kind(0), config.kind(1), config.azShowMath(), m1, m2, decimalSeparator);
}

float ConfiguredAngle(const TktFRAMParams& config, std::size_t motor)
{
    // The product is exact in extended precision and rounded once to single.
    return static_cast<float>(static_cast<long double>(config.pulses(motor)) *
                              static_cast<long double>(config.gear(motor)));
}

const std::string& OutputsLineStart()
{
    static const std::string start = "STATE" + std::string(13, ' ');
    return start;
}

std::string ShowOutputsState(std::string line, std::uint8_t outs)
{
    constexpr auto lastCell = static_cast<std::size_t>(OutputCellColumn(kOutputCount));
    if (line.size() < lastCell)
        line.resize(lastCell, ' ');
    for (int k = 1; k <= kOutputCount; ++k)
        line[static_cast<std::size_t>(OutputCellColumn(k) - 1)] =
            (outs >> (k - 1) & 1) ? ' ' : kOutputOffGlyph;
    return line;
}

} // namespace kt90
