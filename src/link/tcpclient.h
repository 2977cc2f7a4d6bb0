#pragma once

// The TCP client as the link needs it: a connect that gives up after 500 ms,
// blocking writes and reads of an exact byte count with a read time-out.

#include <QString>
#include <QTcpSocket>

#include <cstdint>

class ITcpClient {
public:
    virtual ~ITcpClient() = default;
    virtual void setHost(const QString& host) = 0; // effective at the next connect
    virtual void setPort(quint16 port) = 0;
    virtual void Connect() = 0; // throws kt90::Error
    virtual bool Connected() const = 0;
    virtual void Disconnect() = 0;
    virtual void write(const std::uint8_t* data, int count) = 0; // all bytes, or throws
    virtual void setReadTimeout(int ms) = 0;
    // Exactly count bytes. Throws kt90::ETcpReadTimeout when no further byte
    // comes within the read time-out, kt90::Error when the peer closes first.
    virtual void read(std::uint8_t* into, int count) = 0;
    // Drops bytes that arrived unasked: a reply that came after its time-out.
    virtual void discardWaiting() = 0;
};

class TQtTcpClient : public ITcpClient {
public:
    static constexpr int kConnectTimeoutMs = 500;

    void setHost(const QString& host) override { fHost = host; }
    void setPort(quint16 port) override { fPort = port; }
    void Connect() override;
    bool Connected() const override;
    void Disconnect() override;
    void write(const std::uint8_t* data, int count) override;
    void setReadTimeout(int ms) override { fReadTimeout = ms; }
    void read(std::uint8_t* into, int count) override;
    void discardWaiting() override;

private:
    QTcpSocket fSocket;
    QString fHost;
    quint16 fPort = 23;
    int fReadTimeout = 500;
};
