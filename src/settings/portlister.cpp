// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/portlister.h"

#include <QSerialPort>
#include <QSerialPortInfo>

QStringList TSystemPortLister::ListSerialPorts()
{
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        // QSerialPort opens exclusively: a port another program holds, or
        // this one, fails here and is left out.
        QSerialPort probe(info);
        if (!probe.open(QIODevice::ReadWrite))
            continue;
        probe.close();
        names << info.portName().left(kMaxPortName);
    }
    return names;
}
