// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lcdgeometry.h"

#include <algorithm>
#include <cmath>

namespace kt90 {

LcdLayout LayOut(const LcdLayoutInput& in)
{
    LcdLayout l{};
    l.cellSize = std::max(1, in.cellSize);
    l.cellSpace = std::max(0, in.cellSpace);
    l.frameSize = in.frameSize;
    const int cs = l.cellSize;
    const int sp = l.cellSpace;
    const int fs = l.frameSize;
    l.width = in.width;
    l.height = in.height;

    l.charWidth = cs * kLcdColCount + sp * (kLcdColCount + 1);
    if (in.autoSize)
        l.charCount = std::max(1, in.textLength);
    else
        l.charCount = (l.width - 2 * fs + cs) / (l.charWidth + cs); // truncates toward zero
    l.globalColCount = l.charCount * kLcdColCount + l.charCount - 1;
    l.ledWidth = l.globalColCount * cs + (l.globalColCount - 1) * sp;
    l.ledHeight = (cs + sp) * kLcdRowCount - 1;
    if (in.autoSize) {
        l.boardWidth = 1;
        l.boardHeight = 1;
        l.width = l.ledWidth + 2 * fs + 2;
        l.height = l.ledHeight + 2 * fs + 2;
    } else {
        l.boardWidth = (l.width - 2 * fs - l.ledWidth) / 2;
        l.boardHeight = (l.height - 2 * fs - l.ledHeight) / 2;
    }
    // Never narrower than one character, never lower than its rows.
    l.width = std::max(l.width, 2 * fs + l.charWidth);
    l.height = std::max(l.height, (cs + sp) * kLcdRowCount + 2 * fs + 1);
    return l;
}

CellOrigin CellAt(const LcdLayout& l, int row, int col)
{
    const int pitch = l.cellSize + l.cellSpace;
    return {l.frameSize + l.boardWidth + pitch * col, l.frameSize + l.boardHeight + pitch * row};
}

int CharPosAt(int cellSize, int cellSpace, int charCount, int x)
{
    const int wc = cellSize * kLcdColCount + cellSpace * (kLcdColCount - 1);
    const int p = wc + 4;
    for (int i = 1; i <= charCount; ++i) {
        const int left = 4 + (i - 1) * p;
        if (x >= left && x <= left + wc)
            return i;
    }
    return -1;
}

namespace {

std::uint8_t channel(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

template <class F> Rgb each(Rgb c, F f)
{
    return {channel(f(c.r)), channel(f(c.g)), channel(f(c.b))};
}

} // namespace

BevelColors BevelColorsFor(Rgb base, bool windowsStyle, bool doubleHeight)
{
    BevelColors b;
    b.highlight =
        windowsStyle ? Rgb{255, 255, 255} : each(base, [](double v) { return v / 4.637 + 200; });
    b.light = each(base, [](double v) { return v / 1.364 + 68; });
    b.shadow = each(base, [](double v) { return v / 1.372093; });
    b.dark = doubleHeight ? each(base, [](double v) { return v / 2.088495; }) : b.shadow;
    return b;
}

} // namespace kt90
