// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tracker's data line: tokens of a key and its value ("SN", "AZ", "EL",
// "UP", "DN", "UM", "DM", "AOS"), values ending at the first space outside
// double quotes.

#include "core/frames.h"

#include <optional>
#include <string>

namespace kt90 {

struct TSatData {
    std::string name;
    double azm = 0;
    double elv = 0;
    double upf = 0;
    double dnf = 0;
    std::string upm;
    std::string dnm;
};

// Parses text into record and aosText; every field is assigned. Returns
// whether the line said where the antenna is to point: both an "AZ" and an
// "EL" token holding a number.
bool ParseString(const std::string& text, TSatData& record, std::string& aosText);

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);
// 1-based position of key outside double-quoted parts, 0 when there is none.
std::size_t PosOutsideQuotes(const std::string& text, const std::string& key);
std::string GetTokenValue(const std::string& text, const std::string& key);

// A decimal number with a point, whatever the locale: leading spaces, a
// sign, digits, a point and digits, an exponent. Anything else is no number.
std::optional<double> StrToFloat(const std::string& text);
double StrToFloatOrZero(const std::string& text);

// The set-position command of the tracker path (TrackerSetPosition).
Frame TrackerPositionCommand(const TSatData& record);

// The page's texts: one decimal and at most four significant digits for
// angles; no decimals, at most twelve significant digits and " Hz" for
// frequencies. Halves round away from zero.
std::string FormatAngleValue(double v, char decimalSeparator);
std::string FormatFrequency(double v);
std::string AosCaption(const std::string& aosText);

} // namespace kt90
