// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The serial ports that are present and free right now.

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// A port that is there but may not be opened, and why.
struct TRefusedPort {
    QString name;
    QString reason;
};

class IPortLister {
public:
    virtual ~IPortLister() = default;
    virtual QStringList ListSerialPorts() = 0;
    // The ports the last listing found but could not open.
    virtual std::vector<TRefusedPort> RefusedPorts() const { return {}; }
};

// The system's serial ports (ttyS0, ttyUSB0, ...) and the stable names of
// /dev/serial/by-id (as full paths), each kept only when an exclusive open
// succeeds at this moment; the others are told with the reason.
class TSystemPortLister : public IPortLister {
public:
    QStringList ListSerialPorts() override;
    std::vector<TRefusedPort> RefusedPorts() const override { return fRefused; }

private:
    std::vector<TRefusedPort> fRefused;
};

// Port names are cut to ten characters; a full path is never cut, as it
// could not be opened then.
constexpr int kMaxPortName = 10;
QString ShownPortName(const QString& name);
// Why a port that is there cannot be opened by this user.
inline const char* const kNoPermission = "no permission: add yourself to the dialout group";
