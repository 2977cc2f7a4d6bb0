// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The headless station: the controller's link, its poll cycle and the
// rotator server, kept up without anyone at a screen: a failed connection
// or a lost controller is tried again after a while, for as long as it runs.

#include "core/kt90.h"
#include "link/devicelink.h"
#include "link/stationsettings.h"
#include "rotctld/rotctlserver.h"

#include <QLoggingCategory>
#include <QObject>
#include <QTimer>

Q_DECLARE_LOGGING_CATEGORY(lcStation)

class TStation : public QObject {
    Q_OBJECT
public:
    TStation(const TStationSettings& link, const TRotctlSettings& server, int retrySeconds,
             QObject* parent = nullptr);

    // Starts the server and the first connection; false when the server
    // cannot listen (the reason is logged).
    bool start();
    // Stops a move a client started and closes the link.
    void shutdown();

    TDeviceLink& link() { return fLink; }

private:
    void connectLink();
    void lost(const QString& why);
    QString target() const;

    TStationSettings fSettings;
    TFixedLinkSettings fLinkOptions;
    kt90::TktFRAMParams fCurrent;
    TQtSerialPort fSerial;
    TQtTcpClient fTcp;
    TDeviceLink fLink;
    TRotctlServer fServer;
    QTimer fRetry;
    bool fUp = false;
};
