// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/LCDLine.h"

#include "core/LCD_Char.h"
#include "core/errors.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }

kt90::Rgb rgbOf(const QColor& c)
{
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

QRgb qrgbOf(const kt90::Rgb& c) { return qRgb(c.r, c.g, c.b); }

// One-pixel bevel: top and left edges in a, right and bottom edges in b;
// the top-right and both bottom corners take b.
void bevel(QImage& img, int l, int t, int r, int b, QRgb a, QRgb bc)
{
    const auto put = [&img](int x, int y, QRgb c) {
        if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
            img.setPixel(x, y, c);
    };
    for (int x = l; x <= r - 1; ++x)
        put(x, t, a);
    for (int y = t; y <= b - 1; ++y)
        put(l, y, a);
    for (int y = t; y <= b - 1; ++y)
        put(r, y, bc);
    for (int x = l; x <= r; ++x)
        put(x, b, bc);
}

} // namespace

TLCDLine::TLCDLine(QWidget* parent) : QWidget(parent), fFrameColor(buttonFace())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(156, 76);
}

kt90::LcdLayout TLCDLine::layOut()
{
    const kt90::LcdLayout l = kt90::LayOut({fCellSize, fCellSpace, fFrameSize, width(), height(),
                                            fAutoSize, static_cast<int>(fText.size())});
    if (l.width != width() || l.height != height())
        resize(l.width, l.height);
    fLastCharCount = l.charCount;
    return l;
}

int TLCDLine::CharCount() { return layOut().charCount; }

int TLCDLine::GlobalColCount() { return layOut().globalColCount; }

bool TLCDLine::CellsOn(int row, int col) const
{
    if (row < 0 || row >= RowCount || col < 0 || col >= kt90::kLcdMaxCols)
        return false;
    return fCellsOn[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TLCDLine::setCellsOn(int row, int col, bool on)
{
    if (row < 0 || row >= RowCount)
        throw kt90::Error("Index of a Row outside an array");
    if (col < 0 || col >= kt90::kLcdMaxCols)
        throw kt90::Error("Index of a Col outside an array");
    fCellsOn[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = on;
}

int TLCDLine::CharPosAt(int x, int) const
{
    return kt90::CharPosAt(std::max(1, fCellSize), std::max(0, fCellSpace), fLastCharCount, x);
}

unsigned TLCDLine::LcdCode(QChar c)
{
    const char16_t u = c.unicode();
    if (u <= 0xFF)
        return u;
    if (u >= 0x0410 && u <= 0x044F) // А..я
        return 192 + (u - 0x0410);
    if (u == 0x0451) // ё
        return 184;
    if (u == 0x20AC) // €
        return 128;
    return 256; // no glyph
}

QImage TLCDLine::render()
{
    const kt90::LcdLayout l = layOut();
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1.0) {
        if (fBitmap.size() != QSize(l.width, l.height))
            fBitmap = QImage(l.width, l.height, QImage::Format_RGB32);
        paintInto(fBitmap, l);
        return fBitmap;
    }
    // At another scale the line is laid out again in device pixels, each
    // measure scaled and rounded down once, so that every dot and every gap
    // is the same whole number of pixels; scaling the finished picture by
    // 1.5 would make every other dot a pixel wider.
    const auto device = [ratio](int v) { return static_cast<int>(std::floor(v * ratio)); };
    // The picture covers every device pixel of the control.
    const auto cover = [ratio](int v) { return static_cast<int>(std::ceil(v * ratio)); };
    const kt90::LcdLayout d =
        kt90::LayOut({std::max(1, device(l.cellSize)), device(l.cellSpace), device(l.frameSize),
                      cover(l.width), cover(l.height), false, static_cast<int>(fText.size())});
    QImage img(d.width, d.height, QImage::Format_RGB32);
    paintInto(img, d);
    img.setDevicePixelRatio(ratio);
    return img;
}

void TLCDLine::paintInto(QImage& img, const kt90::LcdLayout& l) const
{
    const int w = img.width();
    const int h = img.height();
    const int fs = l.frameSize;
    const int cs = l.cellSize;

    // Square cells, the frame and the board go straight into the pixels;
    // only round cells need a painter.
    const auto fill = [&img](int x, int y, int rw, int rh, QRgb c) {
        const int x0 = std::max(0, x), y0 = std::max(0, y);
        const int x1 = std::min(img.width(), x + rw), y1 = std::min(img.height(), y + rh);
        for (int yy = y0; yy < y1; ++yy) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(yy));
            std::fill(line + x0, line + std::max(x0, x1), c);
        }
    };
    fill(0, 0, w, h, fFrameColor.rgb());
    fill(fs, fs, w - 2 * fs, h - 2 * fs, fBoardColor.rgb());

    if (fFrameStyle != None) {
        const QColor base = fFrameColorStyle == stWindows ? buttonFace() : fFrameColor;
        const kt90::BevelColors c = kt90::BevelColorsFor(rgbOf(base), fFrameColorStyle == stWindows,
                                                         fFrameHeight == lcd_fhDouble);
        const QRgb hi = qrgbOf(c.highlight), li = qrgbOf(c.light), sh = qrgbOf(c.shadow),
                   dk = qrgbOf(c.dark);
        const bool twoDeep = fFrameHeight == lcd_fhDouble;
        if (fFrameStyle == Raised || fFrameStyle == Relief) {
            bevel(img, 0, 0, w - 1, h - 1, hi, dk);
            if (twoDeep)
                bevel(img, 1, 1, w - 2, h - 2, li, sh);
        }
        if (fFrameStyle == Lowered || fFrameStyle == Relief) {
            bevel(img, fs, fs, w - fs - 1, h - fs - 1, sh, hi);
            if (twoDeep)
                bevel(img, fs + 1, fs + 1, w - fs - 2, h - fs - 2, dk, li);
        }
    }

    QPainter p;
    if (fCellShape == stRound) {
        p.begin(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    const auto cell = [&](int row, int col, const QColor& color) {
        const kt90::CellOrigin o = kt90::CellAt(l, row, col);
        if (fCellShape == stSquare) {
            fill(o.x, o.y, cs, cs, color.rgb());
        } else {
            p.setPen(color);
            p.setBrush(color);
            p.drawEllipse(QRect(o.x, o.y, cs - 1, cs - 1));
        }
    };

    for (int r = 0; r < RowCount; ++r)
        for (int col = 0; col < l.globalColCount; ++col)
            cell(r, col, fCellColorOff);

    for (int i = 0; i < fText.size(); ++i) {
        const kt90::Glyph& g = kt90::GlyphFor(LcdCode(fText[i]));
        for (int j = 0; j < RowCount; ++j)
            for (int m = 0; m < ColCount; ++m) {
                if (!(g[static_cast<std::size_t>(j)] >> (4 - m) & 1))
                    continue;
                const int col = fOffset + m + (ColCount + 1) * i;
                if (col >= 0 && col <= l.globalColCount - 1)
                    cell(j, col, fCellColorOn);
            }
    }

    if (fCharSpace) {
        for (int r = 0; r < RowCount; ++r) {
            int counter = 0;
            for (int col = 0; col < l.globalColCount; ++col) {
                if (counter == 5) { // fixed, whatever the column count
                    cell(r, col, fBoardColor);
                    counter = 0;
                } else {
                    ++counter;
                }
            }
        }
    }

    for (int r = 0; r < RowCount; ++r)
        for (int i = 0; i < kt90::kLcdMaxCols; ++i) {
            const int col = i + fOffset;
            if (fCellsOn[static_cast<std::size_t>(r)][static_cast<std::size_t>(i)] && col >= 0 &&
                col < l.globalColCount)
                cell(r, col, fCellColorOn);
        }
}

void TLCDLine::paintEvent(QPaintEvent*)
{
    const QImage& img = render();
    QPainter(this).drawImage(0, 0, img);
}

void TLCDLine::mousePressEvent(QMouseEvent* e)
{
    fPressed = e->button() == Qt::LeftButton;
    emit mouseDown(e->button(), e->position().toPoint());
}

void TLCDLine::mouseMoveEvent(QMouseEvent* e) { emit mouseMoved(e->position().toPoint()); }

void TLCDLine::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click =
        fPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    fPressed = false;
    emit mouseUp(e->button(), e->position().toPoint());
    if (click)
        emit clicked();
}

void TLCDLine::mouseDoubleClickEvent(QMouseEvent* e)
{
    mousePressEvent(e);
    emit doubleClicked();
}
