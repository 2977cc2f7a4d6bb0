// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a conversation between two programs is served: a local socket named
// after service and topic in a directory only this user can enter.

#include <QString>

// $XDG_RUNTIME_DIR/kt90dde, or /tmp/kt90dde-<uid> without it; created with
// mode 0700 when missing.
QString ConversationDirectory();
// Why the folder may not be used, or empty: it must be a folder (not a
// link), this user's own, and closed to everyone else.
QString ConversationDirectoryProblem(const QString& dir);
QString ConversationPath(const QString& service, const QString& topic);
