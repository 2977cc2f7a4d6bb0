// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts of the position and output readouts.

#include "core/kt90.h"

#include <cstdint>
#include <string>

namespace kt90 {

// One angle reading of six characters. Unless math is set, every kind but
// ELEVATION folds the angle into one turn, "-" marking below 0 and "+" at or
// above 360. decimalSeparator is the user's.
std::string FormatAngle(std::uint8_t kind, bool math, float value, char decimalSeparator);

// "M1:%6s  M2:%6s" with each "M" replaced by the motor's letter, "A" for
// kind 0 and "E" for any other.
std::string AngleLine(std::uint8_t m1Kind, std::uint8_t m2Kind, bool math, float m1, float m2,
                      char decimalSeparator);

// The angle line with kinds and display mode taken from a configuration.
std::string AngleLine(const TktFRAMParams& config, float m1, float m2, char decimalSeparator);

// The angles the configuration's pulse counters stand for, pulses x gear.
float ConfiguredAngle(const TktFRAMParams& config, std::size_t motor);

constexpr char kOutputOffGlyph = 8;    // LCD glyph for a switched-off output
const std::string& OutputsLineStart(); // "STATE" and 13 spaces

constexpr int kOutputCount = 6;

// The column (counted from 1) of output k's cell (k 1..6): 7, 9, ..., 17.
constexpr int OutputCellColumn(int output) { return 5 + 2 * output; }

// The output whose cell is at a column (counted from 1); 0 for none.
constexpr int OutputAtColumn(int column)
{
    const int k = (column - 5) / 2;
    return k >= 1 && k <= kOutputCount && OutputCellColumn(k) == column ? k : 0;
}

// The output cells of the "STATE" line hold a space for a set bit and the
// glyph 8 for a clear one.
std::string ShowOutputsState(std::string line, std::uint8_t outs);

} // namespace kt90
