// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The TCP client as the link needs it: a connect that gives up after 500 ms,
// writes that queue their bytes, and an event when bytes arrive or the peer
// goes away; nothing here waits for the controller.

#include <QObject>
#include <QString>
#include <QTcpSocket>

#include <cstdint>

class ITcpClient : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setHost(const QString& host) = 0; // effective at the next connect
    virtual void setPort(quint16 port) = 0;
    virtual void Connect() = 0; // throws kt90::Error
    virtual bool Connected() const = 0;
    virtual void Disconnect() = 0;
    // Queues all bytes and starts sending them; throws kt90::Error when the
    // connection cannot take them.
    virtual void write(const std::uint8_t* data, int count) = 0;
    // Bytes already arrived, at most count; how many were read.
    virtual int read(std::uint8_t* into, int count) = 0;
    // Drops bytes that arrived unasked: a reply that came after its time-out.
    virtual void discardWaiting() = 0;
    // Why the connection ended, in the socket's own words.
    virtual QString errorText() const = 0;

signals:
    void RxChar();
    // The peer closed the connection, or it broke.
    void Closed();
};

class TQtTcpClient : public ITcpClient {
    Q_OBJECT
public:
    static constexpr int kConnectTimeoutMs = 500;

    explicit TQtTcpClient(QObject* parent = nullptr);
    void setHost(const QString& host) override { fHost = host; }
    void setPort(quint16 port) override { fPort = port; }
    void Connect() override;
    bool Connected() const override;
    void Disconnect() override;
    void write(const std::uint8_t* data, int count) override;
    int read(std::uint8_t* into, int count) override;
    void discardWaiting() override;
    QString errorText() const override { return fSocket.errorString(); }

private:
    QTcpSocket fSocket;
    QString fHost;
    quint16 fPort = 23;
};
