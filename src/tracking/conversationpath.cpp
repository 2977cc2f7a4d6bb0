#include "tracking/conversationpath.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

QString ConversationDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString dir = runtime.isEmpty()
                            ? QStringLiteral("/tmp/kt90dde-%1").arg(getuid())
                            : QString::fromLocal8Bit(runtime) + QStringLiteral("/kt90dde");
    if (!QDir(dir).exists() && QDir().mkpath(dir))
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir;
}

QString ConversationPath(const QString& service, const QString& topic)
{
    return ConversationDirectory() + QLatin1Char('/') + service + QLatin1Char('.') + topic;
}
