// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/portlister.h"

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <unistd.h>

QString ShownPortName(const QString& name)
{
    return name.startsWith(QLatin1Char('/')) ? name : name.left(kMaxPortName);
}

QStringList TSystemPortLister::ListSerialPorts()
{
    fRefused.clear();
    QStringList names;
    const auto consider = [&](const QString& location, const QString& shown) {
        // QSerialPort opens exclusively: a port another program holds, or
        // this one, fails here and is left out.
        QSerialPort probe;
        probe.setPortName(location);
        if (probe.open(QIODevice::ReadWrite)) {
            probe.close();
            names << shown;
            return;
        }
        const QByteArray path = QFile::encodeName(
            location.startsWith(QLatin1Char('/')) ? location : QStringLiteral("/dev/") + location);
        if (::access(path.constData(), R_OK | W_OK) != 0)
            fRefused.push_back({shown, QString::fromLatin1(kNoPermission)});
    };
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        consider(info.portName(), ShownPortName(info.portName()));
    // The names that stay the same whatever order the adapters came up in.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        consider(link.absoluteFilePath(), link.absoluteFilePath());
    return names;
}
