// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The configuration's log, off by default: QT_LOGGING_RULES=
// "kt90.config.info=true" shows transfers and files and how they ended.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcConfig)
