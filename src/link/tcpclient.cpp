// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/tcpclient.h"

#include "core/errors.h"

TQtTcpClient::TQtTcpClient(QObject* parent) : ITcpClient(parent)
{
    connect(&fSocket, &QTcpSocket::readyRead, this, [this] { emit RxChar(); });
    connect(&fSocket, &QTcpSocket::disconnected, this, [this] { emit Closed(); });
    connect(&fSocket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (!Connected())
            emit Closed();
    });
}

void TQtTcpClient::Connect()
{
    fSocket.abort();
    fSocket.connectToHost(fHost, fPort);
    if (!fSocket.waitForConnected(kConnectTimeoutMs)) {
        const QString why = fSocket.error() == QAbstractSocket::SocketTimeoutError
                                ? QStringLiteral("Connect timed out.")
                                : fSocket.errorString();
        fSocket.abort();
        throw kt90::Error(why.toStdString());
    }
    fSocket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

bool TQtTcpClient::Connected() const { return fSocket.state() == QAbstractSocket::ConnectedState; }

void TQtTcpClient::Disconnect() { fSocket.abort(); }

void TQtTcpClient::write(const std::uint8_t* data, int count)
{
    if (!Connected())
        throw kt90::Error("Not connected.");
    if (fSocket.write(reinterpret_cast<const char*>(data), count) != count)
        throw kt90::Error(fSocket.errorString().toStdString());
    // What the kernel does not take now goes out as the event loop runs.
    fSocket.flush();
}

int TQtTcpClient::read(std::uint8_t* into, int count)
{
    const qint64 n = fSocket.read(reinterpret_cast<char*>(into), count);
    return n < 0 ? 0 : static_cast<int>(n);
}

void TQtTcpClient::discardWaiting()
{
    // Also what the kernel holds but the event loop has not yet taken in.
    while (fSocket.waitForReadyRead(0)) {
    }
    fSocket.readAll();
}
