// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The link's log, off by default: QT_LOGGING_RULES="kt90.link.debug=true"
// shows every frame sent and received, "kt90.link.info=true" connections,
// disconnections and time-outs.

#include <QLoggingCategory>
#include <QString>

#include <cstddef>
#include <cstdint>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// "hh:mm:ss.zzz" of now, and bytes as spaced hex ("57 00 1F"), for the
// lines of a log.
QString LogTime();
QString HexBytes(const std::uint8_t* data, std::size_t count);
