// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/logging.h"

#include <QTime>

// Warnings only unless the rules ask for more.
Q_LOGGING_CATEGORY(lcLink, "kt90.link", QtWarningMsg)

QString LogTime() { return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")); }

QString HexBytes(const std::uint8_t* data, std::size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    QString s;
    s.reserve(static_cast<qsizetype>(count * 3));
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            s += QLatin1Char(' ');
        s += QLatin1Char(digits[data[i] >> 4]);
        s += QLatin1Char(digits[data[i] & 15]);
    }
    return s;
}
