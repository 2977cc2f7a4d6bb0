// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/decimalpoint.h"

#include <QLocale>

QChar LocaleDecimalPoint()
{
    const QString p = QLocale().decimalPoint();
    return p.isEmpty() ? QChar('.') : p.front();
}

char LocaleDecimalSeparator()
{
    const QChar c = LocaleDecimalPoint();
    return c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '.';
}
