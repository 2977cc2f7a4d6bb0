// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One line of a dot-matrix character LCD: a board with 5 x 7 cells per
// character, drawn from the LCD font into an off-screen image that reaches
// the screen in one copy.

#include "core/lcdgeometry.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <bitset>

class TLCDLine : public QWidget {
    Q_OBJECT
public:
    enum TFrameStyle { Relief, None, Lowered, Raised };
    enum TFrameHeight { lcd_fhDouble, lcd_fhSingle };
    enum TFrameColorStyle { stWindows, stColor };
    enum TCellShape { stSquare, stRound };

    static constexpr int ColCount = kt90::kLcdColCount;
    static constexpr int RowCount = kt90::kLcdRowCount;

    explicit TLCDLine(QWidget* parent = nullptr);

    int CellSize() const { return fCellSize; }
    void setCellSize(int v) { set(fCellSize, v); }
    int CellSpace() const { return fCellSpace; }
    void setCellSpace(int v) { set(fCellSpace, v); }
    int FrameSize() const { return fFrameSize; }
    void setFrameSize(int v) { set(fFrameSize, v); }
    QColor FrameColor() const { return fFrameColor; }
    void setFrameColor(const QColor& v) { set(fFrameColor, v); }
    QColor BoardColor() const { return fBoardColor; }
    void setBoardColor(const QColor& v) { set(fBoardColor, v); }
    QColor CellColorOn() const { return fCellColorOn; }
    void setCellColorOn(const QColor& v) { set(fCellColorOn, v); }
    QColor CellColorOff() const { return fCellColorOff; }
    void setCellColorOff(const QColor& v) { set(fCellColorOff, v); }
    const QString& Text() const { return fText; }
    void setText(const QString& v) { set(fText, v); }
    bool CharSpace() const { return fCharSpace; }
    void setCharSpace(bool v) { set(fCharSpace, v); }
    bool AutoSize() const { return fAutoSize; }
    void setAutoSize(bool v) { set(fAutoSize, v); }
    TFrameStyle FrameStyle() const { return fFrameStyle; }
    void setFrameStyle(TFrameStyle v) { set(fFrameStyle, v); }
    TFrameHeight FrameHeight() const { return fFrameHeight; }
    void setFrameHeight(TFrameHeight v) { set(fFrameHeight, v); }
    TFrameColorStyle FrameColorStyle() const { return fFrameColorStyle; }
    void setFrameColorStyle(TFrameColorStyle v) { set(fFrameColorStyle, v); }
    TCellShape CellShape() const { return fCellShape; }
    void setCellShape(TCellShape v) { set(fCellShape, v); }
    int Offset() const { return fOffset; }
    void setOffset(int v) { set(fOffset, v); }

    // Run the layout pass (which may resize the line) and tell its result.
    int CharCount();
    int GlobalColCount();

    // Extra lit cells over the text, in cell columns before Offset. Writing
    // checks the row first, then the column, and does not repaint.
    bool CellsOn(int row, int col) const;
    void setCellsOn(int row, int col, bool on);

    // The 1-based character position under x (y plays no part), or -1.
    int CharPosAt(int x, int y) const;

    // The character code the font draws for a character: Latin-1 as it is,
    // Cyrillic and the euro sign at their code page 1251 places, anything
    // else none (drawn blank).
    static unsigned LcdCode(QChar c);

    // Paints the line as it stands into an image of its size.
    QImage render();

signals:
    void clicked();
    void doubleClicked();
    void mouseDown(Qt::MouseButton button, const QPoint& pos);
    void mouseMoved(const QPoint& pos);
    void mouseUp(Qt::MouseButton button, const QPoint& pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    template <class T, class V> void set(T& field, const V& value)
    {
        if (field == value)
            return;
        field = value;
        if (fAutoSize)
            layOut();
        update();
    }
    kt90::LcdLayout layOut();
    void paintInto(QImage& image, const kt90::LcdLayout& l) const;

    int fCellSize = 4;
    int fCellSpace = 1;
    int fFrameSize = 8;
    QColor fFrameColor;
    QColor fBoardColor = QColor(0, 0, 0);
    QColor fCellColorOn = QColor(0x00, 0xFF, 0x00);
    QColor fCellColorOff = QColor(0x00, 0x80, 0x00);
    QString fText;
    bool fCharSpace = false;
    bool fAutoSize = false;
    TFrameStyle fFrameStyle = Relief;
    TFrameHeight fFrameHeight = lcd_fhDouble;
    TFrameColorStyle fFrameColorStyle = stWindows;
    TCellShape fCellShape = stSquare;
    int fOffset = 0;
    std::array<std::bitset<kt90::kLcdMaxCols>, RowCount> fCellsOn{};
    int fLastCharCount = 0;
    bool fPressed = false;
    QImage fBitmap;
};
