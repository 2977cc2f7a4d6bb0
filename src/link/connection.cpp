// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/connection.h"

#include "core/errors.h"
#include "link/logging.h"
#include "link/unhandled.h"

#include <QEventLoop>
#include <QTimer>

TConnectionRoutine::TConnectionRoutine(TDeviceLink& link, IConnectionPage& page, IHostProbe& probe)
    : fLink(link), fPage(page), fProbe(probe)
{
    fLink.setConnectionRoutine([this] { Button1Click(); });
    // A link that goes away by itself (the peer closed, the adapter was
    // pulled) is noticed at the end of the next poll and said like a failed
    // connection, so that the button offers to connect again.
    QObject::connect(&fLink, &TDeviceLink::pollCycleEnded, &fLink, [this] {
        if (fPage.ConnectTag() != 1 || fLink.IsOpen())
            return;
        qCInfo(lcLink, "%s the link to the controller was lost", qPrintable(LogTime()));
        fPage.SetConnectButton(0, QStringLiteral("Connect"));
        fPage.ShowConnectionError(QStringLiteral("The link to the controller was lost."));
        failed();
    });
    fRetry.setSingleShot(true);
    QObject::connect(&fRetry, &QTimer::timeout, &fLink, [this] {
        // Unless the operator connected meanwhile.
        if (fPage.ConnectTag() == 0)
            Guarded([this] { Button1Click(); });
    });
}

void TConnectionRoutine::failed()
{
    const int retry = fPage.ReconnectSeconds();
    if (retry > 0) {
        qCInfo(lcLink, "%s trying again in %d s", qPrintable(LogTime()), retry);
        fRetry.start(retry * 1000);
    }
    if (showTitleError)
        showTitleError(true, retry > 0 ? QStringLiteral("%1 Trying again every %2 s")
                                             .arg(QLatin1String(kNotFound))
                                             .arg(retry)
                                       : QString::fromLatin1(kNotFound));
}

TConnectionRoutine::~TConnectionRoutine()
{
    fLink.setConnectionRoutine({});
    QObject::disconnect(&fLink, &TDeviceLink::pollCycleEnded, &fLink, nullptr);
}

void TConnectionRoutine::Delay(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

quint16 TConnectionRoutine::HostPort(const QString& text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok, 10);
    return ok && port >= 1 && port <= 65535 ? static_cast<quint16>(port) : kDefaultPort;
}

void TConnectionRoutine::Button1Click()
{
    fRetry.stop();
    const bool disconnecting = fPage.ConnectTag() != 0;
    bool connected = false;
    try {
        connected = ConnectToDevice();
    } catch (...) {
        if (!disconnecting)
            failed();
        throw;
    }
    if (connected || disconnecting) {
        if (showTitleError)
            showTitleError(!connected, QString::fromLatin1(kNotFound));
        return;
    }
    failed();
}

void TConnectionRoutine::OpenSerialPort()
{
    // Linux names its serial ports tty...; a full device path (a
    // pseudo-terminal, a /dev/serial/by-id link) opens too. "not selected"
    // opens nothing.
    const QString caption = fPage.PortCaption();
    if (!caption.startsWith(QLatin1String("tty")) && !caption.startsWith(QLatin1Char('/')))
        return;
    fLink.OpenSerial(caption, fPage.GetBaudrate());
}

bool TConnectionRoutine::ConnectToDevice()
{
    bool result = false;
    try {
        result = connect();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

bool TConnectionRoutine::connect()
{
    fPage.HideConnectionError();
    bool result = false;
    fLink.setDisableRefresh(true);
    fLink.StopPoll();
    fLink.CloseTransports();
    if (fPage.ConnectTag() != 0)
        return false; // a disconnect

    if (fPage.UseSerial() && fPage.ComExists()) {
        try {
            OpenSerialPort();
        } catch (const std::exception& e) {
            // A busy or vanished port is said on the error line, not only
            // with the alert sound.
            fPage.ShowConnectionError(QString::fromStdString(e.what()));
            ReportUnhandled(std::current_exception());
            return false;
        }
        Delay(kSettleMs);
        result = true;
    } else if (fPage.EthSelected()) {
        fLink.CloseTransports();
        const QString host = fPage.HostText();
        if (fProbe.PingHost(host)) {
            try {
                fLink.OpenTcp(host, HostPort(fPage.HostPortText()));
                Delay(kSettleMs);
                result = true;
            } catch (const std::exception&) {
                fLink.CloseTransports();
            }
        } else {
            fPage.ShowConnectionError(QStringLiteral("Host not responding."));
        }
    }

    // Also when nothing was opened: the download then says why.
    try {
        fLink.ROTn_GetVars(true);
    } catch (const kt90::ETcpReadTimeout& e) {
        fPage.ShowConnectionError(QString::fromStdString(e.what()) +
                                  QStringLiteral(" Check controller settings!"));
        return false;
    } catch (const std::exception& e) {
        fPage.ShowConnectionError(QString::fromStdString(e.what()));
        return false;
    }
    if (handToEditor)
        handToEditor(fLink.currentConfig());
    fLink.CalcAnglesAndShow();
    return result;
}

void TConnectionRoutine::finish()
{
    if (fLink.IsOpen())
        fPage.SetConnectButton(1, QStringLiteral("Disconnect"));
    else
        fPage.SetConnectButton(0, QStringLiteral("Connect"));
    fLink.setDisableRefresh(false);
    fLink.StartPoll(fPage.Pooling());
}
