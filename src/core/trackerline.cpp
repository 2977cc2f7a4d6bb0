// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/trackerline.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kt90 {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    if (from.empty() || from == to)
        return text;
    // From the start each time, as the description of the line says.
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from))
        text.replace(at, from.size(), to);
    return text;
}

std::size_t PosOutsideQuotes(const std::string& text, const std::string& key)
{
    std::string masked = text;
    bool inQuotes = false;
    for (char& c : masked) {
        if (c == '"')
            inQuotes = !inQuotes;
        else if (inQuotes)
            c = '-';
    }
    const std::size_t at = masked.find(key);
    return at == std::string::npos ? 0 : at + 1;
}

std::string GetTokenValue(const std::string& text, const std::string& key)
{
    const std::string t = " " + text;
    std::string k = " " + key;
    for (char& c : k)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const std::size_t p = PosOutsideQuotes(t, k);
    if (p == 0)
        return {};
    std::string value;
    bool inQuotes = false;
    for (std::size_t i = p - 1 + k.size(); i < t.size(); ++i) {
        const char c = t[i];
        if (c == '"')
            inQuotes = !inQuotes;
        else if (c == ' ' && !inQuotes)
            break;
        else
            value += c;
    }
    return value;
}

std::optional<double> StrToFloat(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const std::size_t start = i;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i > from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (!digits())
        return std::nullopt;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits())
            return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (!digits())
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    // from_chars reads no "+" and knows no locale.
    std::size_t from = start;
    if (text[from] == '+')
        ++from;
    double v = 0;
    const auto r = std::from_chars(text.data() + from, text.data() + text.size(), v);
    if (r.ec == std::errc::result_out_of_range)
        return std::nullopt;
    return v;
}

double StrToFloatOrZero(const std::string& text) { return StrToFloat(text).value_or(0.0); }

bool ParseString(const std::string& text, TSatData& record, std::string& aosText)
{
    if (text.empty()) {
        record = TSatData{};
        aosText.clear();
        return false;
    }
    std::string t = text;
    for (char& c : t)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    t = ReplaceAll(t, ",", ".");
    record.name = GetTokenValue(t, "SN");
    const auto az = StrToFloat(GetTokenValue(t, "AZ"));
    const auto el = StrToFloat(GetTokenValue(t, "EL"));
    record.azm = az.value_or(0.0);
    record.elv = el.value_or(0.0);
    record.upf = StrToFloatOrZero(GetTokenValue(t, "UP"));
    record.dnf = StrToFloatOrZero(GetTokenValue(t, "DN"));
    record.upm = GetTokenValue(t, "UM");
    record.dnm = GetTokenValue(t, "DM");
    aosText = GetTokenValue(t, "AOS");
    return az.has_value() && el.has_value();
}

Frame TrackerPositionCommand(const TSatData& record)
{
    return TrackerSetPosition(record.azm, record.elv);
}

namespace {

// v rounded to `decimals` places, halves away from zero, as decimal text;
// works on the exact binary value.
std::string fixedHalfUp(double v, int decimals)
{
    char exact[512];
    const auto r = std::to_chars(exact, exact + sizeof exact, std::abs(v), std::chars_format::fixed,
                                 decimals + 30);
    std::string s(exact, r.ptr);
    const std::size_t point = s.find('.');
    std::string kept = s.substr(0, point + 1 + static_cast<std::size_t>(decimals));
    if (decimals == 0)
        kept.pop_back(); // the point
    const bool up = s[point + 1 + static_cast<std::size_t>(decimals)] >= '5';
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0; --i) {
            if (kept[static_cast<std::size_t>(i)] == '.')
                continue;
            if (kept[static_cast<std::size_t>(i)] == '9') {
                kept[static_cast<std::size_t>(i)] = '0';
            } else {
                ++kept[static_cast<std::size_t>(i)];
                break;
            }
        }
        if (i < 0)
            kept.insert(kept.begin(), '1');
    }
    const bool zero = kept.find_first_not_of("0.") == std::string::npos;
    return (v < 0 && !zero ? "-" : "") + kept;
}

// Digits before the point of |v| once rounded to `decimals` places.
int integerDigits(double v)
{
    const double a = std::abs(v);
    return a < 1 ? 1 : static_cast<int>(std::floor(std::log10(a))) + 1;
}

std::string scientific(double v, int significant)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*E", significant - 1, v);
    // 1.235E+04 as 1.235E4
    std::string s(text);
    const std::size_t e = s.find('E');
    std::string exp = s.substr(e + 1);
    const bool negative = exp[0] == '-';
    exp = exp.substr(1);
    exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
    return s.substr(0, e) + "E" + (negative ? "-" : "") + exp;
}

} // namespace

std::string FormatAngleValue(double v, char decimalSeparator)
{
    if (!std::isfinite(v))
        return "0.0";
    const int left = integerDigits(v);
    if (left > 4)
        return scientific(v, 4);
    std::string s = fixedHalfUp(v, left == 4 ? 0 : 1);
    if (left == 4)
        s += ".0";
    for (char& c : s)
        if (c == '.')
            c = decimalSeparator;
    return s;
}

std::string FormatFrequency(double v)
{
    if (!std::isfinite(v))
        return "0 Hz";
    if (integerDigits(v) > 12)
        return scientific(v, 12) + " Hz";
    return fixedHalfUp(v, 0) + " Hz";
}

std::string AosCaption(const std::string& aosText)
{
    return aosText.empty() ? "None" : "AOS (" + aosText + ")";
}

} // namespace kt90
