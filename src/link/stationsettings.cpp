// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/stationsettings.h"

#include "core/kt90utils.h"
#include "core/settingsfile.h"
#include "link/connection.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <unistd.h>

namespace kt90::options {

int MenuInterval(long ms)
{
    return static_cast<int>(std::clamp<long>(ms, kShortestIntervalMs, kLongestIntervalMs));
}

int CaptionNumber(const QString& caption, int fallback)
{
    bool ok = false;
    const int v = QString(caption).remove(QLatin1Char(' ')).toInt(&ok, 10);
    return ok ? v : fallback;
}

int BaudOfIndex(long index)
{
    if (index < 0 || index >= kt90::kBaudTable.size)
        return 9600;
    return CaptionNumber(QString::fromLatin1(kt90::kBaudTable.labels[index]), 9600);
}

int ReconnectSeconds(long s) { return static_cast<int>(std::clamp<long>(s, 0, 24 * 3600)); }

} // namespace kt90::options

QString UserSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/norvakKT90dde/norvakKT90dde.ini");
}

QString PanelSettingsPath(const QString& programDir, bool programDirWritable)
{
    // The folder, not the file: a file is replaced through a temporary one
    // beside it. An installed copy is never portable, also for root, who
    // may write anywhere.
    const bool installed = programDir.startsWith(QLatin1String("/usr/")) ||
                           programDir == QLatin1String("/bin") ||
                           programDir == QLatin1String("/sbin");
    return programDirWritable && !installed ? programDir + QStringLiteral("/norvakKT90dde.ini")
                                            : UserSettingsPath();
}

QString PanelSettingsPath(const QString& programDir)
{
    return PanelSettingsPath(programDir,
                             ::access(QFile::encodeName(programDir).constData(), W_OK) == 0);
}

TStationSettings TStationSettings::Read(const QString& iniPath)
{
    namespace o = kt90::options;
    const kt90::SettingsFile ini(iniPath.toStdString());
    TStationSettings s;
    const QString via =
        QString::fromStdString(ini.ReadString(o::kSection, o::kConnectVia, o::kViaCom));
    s.serial = via.toUpper() != QLatin1String(o::kViaEth);
    s.port = QString::fromStdString(ini.ReadString(o::kSection, o::kSelectedPort, ""));
    s.baud =
        o::BaudOfIndex(ini.ReadInteger(o::kSection, o::kBaudrateIndex, o::kDefaultBaudrateIndex));
    s.host = QString::fromStdString(ini.ReadString(o::kSection, o::kHostIp, "0.0.0.0"));
    s.hostPort = TConnectionRoutine::HostPort(
        QString::fromStdString(ini.ReadString(o::kSection, o::kHostPort, "23")));
    s.pooling = o::MenuInterval(ini.ReadInteger(o::kSection, o::kPooling, o::kDefaultPoolingMs));
    s.timeout = o::MenuInterval(ini.ReadInteger(o::kSection, o::kTimeout, o::kDefaultTimeoutMs));
    s.reconnectSeconds = o::ReconnectSeconds(ini.ReadInteger(o::kSection, o::kReconnect, 0));
    return s;
}
