// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's decimal separator, from the locale Qt runs in.

#include <QChar>

// The locale's separator as typed and read back ('.' when it has none).
QChar LocaleDecimalPoint();

// The same for texts made by the core: a separator outside ASCII is
// written as '.'.
char LocaleDecimalSeparator();
