// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace artwork {

namespace {

QPixmap transparent(int w, int h)
{
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

QFont bold(int pixels)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

void whiteX(QPainter& p, QRectF box, qreal width)
{
    p.setPen(QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

} // namespace

QPixmap Logo()
{
    QPixmap pm = transparent(73, 26);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient red(QPointF(30, 8), 45);
    red.setColorAt(0, QColor(240, 40, 45));
    red.setColorAt(1, QColor(170, 10, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawEllipse(QRectF(0.5, 0.5, 72, 25));
    p.setPen(Qt::white);
    p.setFont(bold(12));
    p.drawText(QRectF(0, 0, 73, 26), Qt::AlignCenter, QStringLiteral("NORVAK"));
    return pm;
}

QPixmap ModelBadge()
{
    QPixmap pm(52, 15);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::white);
    p.setFont(bold(12));
    p.drawText(QRectF(0, 0, 52, 15), Qt::AlignCenter, QStringLiteral("KT-90"));
    return pm;
}

QPixmap LcdPlate()
{
    const QRectF outer(0, 0, 394, 74);
    QPixmap pm = transparent(394, 74);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The bevel: near-black from the top left, grey towards the bottom.
    QLinearGradient bevel(0, 0, 0, 74);
    bevel.setColorAt(0, QColor(8, 8, 8));
    bevel.setColorAt(0.6, QColor(30, 30, 30));
    bevel.setColorAt(1, QColor(120, 120, 120));
    QPainterPath shape;
    shape.addRoundedRect(outer, 9, 9);
    p.fillPath(shape, bevel);
    QPainterPath face;
    face.addRoundedRect(outer.adjusted(5, 5, -5, -5), 5, 5);
    p.fillPath(face, QColor(0x91, 0xC0, 0x07));
    return pm;
}

QPixmap CloseFace(bool hover)
{
    QPixmap pm = transparent(48, 20);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, 47, 19);
    QLinearGradient gloss(0, 0, 0, 20);
    gloss.setColorAt(0, QColor(235, 110, 100));
    gloss.setColorAt(0.45, QColor(200, 30, 25));
    gloss.setColorAt(1, QColor(140, 10, 10));
    p.setPen(QPen(hover ? QColor(255, 120, 110) : QColor(110, 10, 10), hover ? 1.5 : 1));
    p.setBrush(gloss);
    p.drawRoundedRect(r, 4, 4);
    whiteX(p, QRectF(19, 5, 10, 10), 2);
    return pm;
}

QPixmap StopPicture()
{
    QPixmap pm = transparent(24, 24);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient red(QPointF(9, 8), 14);
    red.setColorAt(0, QColor(250, 90, 80));
    red.setColorAt(1, QColor(170, 10, 10));
    p.setPen(QPen(QColor(100, 0, 0), 1));
    p.setBrush(red);
    p.drawEllipse(QRectF(1, 1, 22, 22));
    whiteX(p, QRectF(7.5, 7.5, 9, 9), 2.5);
    return pm;
}

QPixmap AppIcon()
{
    QPixmap pm = transparent(256, 256);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x3a, 0x3a, 0x3a), 6));
    p.setBrush(QColor(0x11, 0x11, 0x11));
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 28, 28);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0x10, 0x2e));
    p.drawEllipse(QPointF(128, 52), 70, 24);
    p.setPen(Qt::white);
    p.setFont(bold(26));
    p.drawText(QRectF(58, 28, 140, 48), Qt::AlignCenter, QStringLiteral("NORVAK"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x2a, 0x2a));
    p.drawRoundedRect(QRectF(30, 94, 196, 132), 14, 14);
    p.setBrush(QColor(0x91, 0xc0, 0x07));
    p.drawRoundedRect(QRectF(40, 104, 176, 112), 8, 8);
    // "90" in 5 x 7 dots, 12 px apart.
    static const char* const kNine[] = {".###.", "#...#", "#...#", ".####",
                                        "....#", "...#.", ".##.."};
    static const char* const kZero[] = {".###.", "#...#", "#..##", "#.#.#",
                                        "##..#", "#...#", ".###."};
    p.setBrush(QColor(0x1e, 0x2a, 0x00));
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col) {
            if (kNine[row][col] == '#')
                p.drawEllipse(QPointF(56 + 12 * col, 124 + 12 * row), 5, 5);
            if (kZero[row][col] == '#')
                p.drawEllipse(QPointF(152 + 12 * col, 124 + 12 * row), 5, 5);
        }
    return pm;
}

} // namespace artwork
