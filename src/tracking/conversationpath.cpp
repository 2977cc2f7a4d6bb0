// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/conversationpath.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

QString ConversationDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString dir = runtime.isEmpty()
                            ? QStringLiteral("/tmp/kt90dde-%1").arg(getuid())
                            : QString::fromLocal8Bit(runtime) + QStringLiteral("/kt90dde");
    // Made closed to others from its first moment; one that is there
    // already is judged by ConversationDirectoryProblem.
    ::mkdir(QFile::encodeName(dir).constData(), 0700);
    return dir;
}

QString ConversationDirectoryProblem(const QString& dir)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(dir).constData(), &st) != 0)
        return QStringLiteral("%1 cannot be made: %2")
            .arg(dir, QString::fromLocal8Bit(strerror(errno)));
    // Another user could put a tracker of their own there, or read and
    // steer through the panel's.
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(dir);
    if (st.st_uid != getuid())
        return QStringLiteral("%1 belongs to another user").arg(dir);
    if ((st.st_mode & 077) != 0)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(dir)
            .arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
    return {};
}

QString ConversationPath(const QString& service, const QString& topic)
{
    return ConversationDirectory() + QLatin1Char('/') + service + QLatin1Char('.') + topic;
}
