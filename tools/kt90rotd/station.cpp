// SPDX-License-Identifier: GPL-3.0-or-later
#include "station.h"

#include "core/errors.h"

Q_LOGGING_CATEGORY(lcStation, "kt90rotd", QtInfoMsg)

TStation::TStation(const TStationSettings& link, const TRotctlSettings& server, int retrySeconds,
                   QObject* parent)
    : QObject(parent), fSettings(link), fLink(fSerial, fTcp, fCurrent), fServer(fLink, server)
{
    fLinkOptions.serial = link.serial;
    fLinkOptions.pooling = link.pooling;
    fLinkOptions.timeout = link.timeout;
    fLink.setOptions(&fLinkOptions);
    fRetry.setSingleShot(true);
    fRetry.setInterval(retrySeconds * 1000);
    connect(&fRetry, &QTimer::timeout, this, &TStation::connectLink);
    connect(&fLink, &TDeviceLink::controllerSilent, this,
            [this] { lost(QStringLiteral("no reply to three polls")); });
    connect(&fLink, &TDeviceLink::controllerAnswers, this,
            [] { qCInfo(lcStation, "the controller answers again"); });
    // A transport that went away shows at the end of a poll cycle.
    connect(&fLink, &TDeviceLink::pollCycleEnded, this, [this] {
        if (fUp && !fLink.IsOpen())
            lost(QStringLiteral("the connection closed"));
    });
    fLink.setConnectionRoutine([this] { lost(QStringLiteral("the link failed")); });
}

QString TStation::target() const
{
    return fSettings.serial ? QStringLiteral("%1 at %2 Bd").arg(fSettings.port).arg(fSettings.baud)
                            : QStringLiteral("%1:%2").arg(fSettings.host).arg(fSettings.hostPort);
}

bool TStation::start()
{
    const bool listening = fServer.start();
    qCInfo(lcStation, "%s", qPrintable(fServer.status()));
    if (!listening)
        return false;
    QTimer::singleShot(0, this, &TStation::connectLink);
    return true;
}

void TStation::connectLink()
{
    qCInfo(lcStation, "connecting to %s", qPrintable(target()));
    try {
        if (fSettings.serial) {
            if (fSettings.port.isEmpty())
                throw kt90::Error("no serial port selected");
            fLink.OpenSerial(fSettings.port, fSettings.baud);
        } else {
            fLink.OpenTcp(fSettings.host, fSettings.hostPort);
        }
        // The motors' kinds and limits, which the server answers by.
        fLink.ROTn_GetVars(true);
    } catch (const std::exception& e) {
        fLink.CloseTransports();
        qCWarning(lcStation, "no link to %s: %s; trying again in %d s", qPrintable(target()),
                  e.what(), fRetry.interval() / 1000);
        fRetry.start();
        return;
    }
    fUp = true;
    qCInfo(lcStation, "connected to %s, configuration read", qPrintable(target()));
    fLink.StartPoll(fLinkOptions.pooling);
}

void TStation::lost(const QString& why)
{
    if (!fUp)
        return;
    fUp = false;
    fLink.StopPoll();
    fLink.CloseTransports();
    qCWarning(lcStation, "lost the controller at %s: %s; trying again in %d s",
              qPrintable(target()), qPrintable(why), fRetry.interval() / 1000);
    fRetry.start();
}

void TStation::shutdown()
{
    fRetry.stop();
    fServer.StopClientMove();
    fLink.StopPoll();
    fLink.CloseTransports();
    fUp = false;
}
