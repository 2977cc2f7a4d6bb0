// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The arithmetic of a dot-matrix LCD line: where its cells are, how many
// characters fit, which character lies under a point, and the bevel colours
// of its frame. Pure, so that the geometry can be checked without painting.

#include <cstdint>

namespace kt90 {

constexpr int kLcdColCount = 5;  // cell columns per character
constexpr int kLcdRowCount = 7;  // cell rows
constexpr int kLcdMaxCols = 255; // columns of the CellsOn matrix

struct LcdLayoutInput {
    int cellSize;  // at least 1 (smaller values are taken as 1)
    int cellSpace; // at least 0
    int frameSize;
    int width; // the control's current size
    int height;
    bool autoSize;
    int textLength; // characters of the text
};

struct LcdLayout {
    int cellSize, cellSpace, frameSize; // as used, after the limits
    int charWidth;
    int charCount;
    int globalColCount;
    int ledWidth;
    int ledHeight;
    int boardWidth;
    int boardHeight;
    int width; // the control's size after the pass
    int height;
};

LcdLayout LayOut(const LcdLayoutInput& in);

// Top-left pixel of cell (row, col).
struct CellOrigin {
    int x, y;
};
CellOrigin CellAt(const LcdLayout& l, int row, int col);

// The 1-based character position under x, or -1 (y plays no part).
int CharPosAt(int cellSize, int cellSpace, int charCount, int x);

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct BevelColors {
    Rgb highlight, light, shadow, dark;
};

// The four bevel colours from a base colour. windowsStyle: the highlight is
// pure white (else derived from the base); doubleHeight: the dark colour is
// its own (else it equals the shadow).
BevelColors BevelColorsFor(Rgb base, bool windowsStyle, bool doubleHeight);

} // namespace kt90
