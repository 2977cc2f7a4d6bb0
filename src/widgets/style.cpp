// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/style.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

QString ScaledFace(const QString& family, qreal devicePixelRatio)
{
    // A face with bitmaps only (Wine's MS Sans Serif) is drawn at its own
    // size whatever the scale: tiny glyphs spread over doubled advances.
    // Tahoma was made to the same metrics and scales.
    if (devicePixelRatio != 1.0 && QFontDatabase::hasFamily(family) &&
        !QFontDatabase::isSmoothlyScalable(family))
        return QStringLiteral("Tahoma");
    return family;
}

QFont PixelFont(const char* family, int pixels, bool bold)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QFont f(ScaledFace(QString::fromLatin1(family), ratio));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void SetBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void SetTextColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}
