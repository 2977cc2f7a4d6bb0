// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The serial ports that are present and free right now.

#include <QStringList>

class IPortLister {
public:
    virtual ~IPortLister() = default;
    virtual QStringList ListSerialPorts() = 0;
};

// The system's serial ports (ttyS0, ttyUSB0, ...), each kept only when an
// exclusive open succeeds at this moment; names cut to ten characters.
class TSystemPortLister : public IPortLister {
public:
    QStringList ListSerialPorts() override;
};

constexpr int kMaxPortName = 10;
