#include "link/tcpclient.h"

#include "core/errors.h"

namespace {
constexpr int kWriteTimeoutMs = 1000;
} // namespace

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
    while (fSocket.bytesToWrite() > 0) {
        if (!fSocket.waitForBytesWritten(kWriteTimeoutMs))
            throw kt90::Error(fSocket.errorString().toStdString());
    }
}

void TQtTcpClient::read(std::uint8_t* into, int count)
{
    int got = 0;
    while (got < count) {
        if (fSocket.bytesAvailable() == 0 && !fSocket.waitForReadyRead(fReadTimeout)) {
            if (fSocket.error() == QAbstractSocket::SocketTimeoutError && Connected())
                throw kt90::ETcpReadTimeout();
            // A closed connection says so in the socket's own words.
            throw kt90::Error(fSocket.errorString().toStdString());
        }
        const qint64 n = fSocket.read(reinterpret_cast<char*>(into + got), count - got);
        if (n < 0)
            throw kt90::Error(fSocket.errorString().toStdString());
        got += static_cast<int>(n);
    }
}

void TQtTcpClient::discardWaiting()
{
    while (fSocket.waitForReadyRead(0)) {
    }
    fSocket.readAll();
}
