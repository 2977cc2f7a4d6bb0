// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 5 x 7 font of the dot-matrix lines: one glyph for each character code
// 0..255. A glyph is 7 row masks, top row first; bit 4 is the leftmost dot,
// bit 0 the rightmost.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kt90 {

constexpr std::size_t kGlyphCount = 256;
constexpr int kGlyphRows = 7;
constexpr int kGlyphCols = 5;

using Glyph = std::array<std::uint8_t, kGlyphRows>;
using GlyphTable = std::array<Glyph, kGlyphCount>;

const GlyphTable& LCDFont();

// The glyph of a code; codes beyond the table are blank.
const Glyph& GlyphFor(unsigned code);

} // namespace kt90
