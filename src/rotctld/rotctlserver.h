#pragma once

// The panel as a hamlib network rotator (what rotctld serves): trackers such
// as Gpredict and scripts with rotctl steer the antenna through it.

#include "core/rotctl.h"
#include "link/devicelink.h"

#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

struct TRotctlSettings {
    bool enabled = true;
    QString bind = QStringLiteral("127.0.0.1");
    quint16 port = 4533;
    double parkAzimuth = 0;
    double parkElevation = 0;

    // Section "Rotctld" of the settings file.
    static TRotctlSettings Read(const QString& iniPath);
};

class TRotctlServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxClients = 4;
    static constexpr int kMaxLine = 256;
    static constexpr int kIdleMs = 10 * 60 * 1000;

    TRotctlServer(TDeviceLink& link, const TRotctlSettings& settings, QObject* parent = nullptr);
    ~TRotctlServer() override;

    // Starts listening (when enabled); the status line says how it went.
    bool start();
    quint16 port() const { return fServer.serverPort(); }
    int clientCount() const { return static_cast<int>(fClients.size()); }
    const QString& status() const { return fStatus; }
    void setIdleTimeout(int ms) { fIdleMs = ms; }

    // One request line, answered as the protocol answers it; empty when
    // the client is to be closed ("q").
    std::string Answer(const kt90::RotctlRequest& r);

signals:
    void statusChanged(const QString& status);

private:
    struct Client {
        std::unique_ptr<QTimer> idle;
        bool busy = false;
    };
    void onConnection();
    void serve(QTcpSocket* client);
    void drop(QTcpSocket* client);
    void updateStatus();
    // A configured angle limit of a motor, from the current configuration.
    double limit(std::size_t motor, std::size_t field) const;
    int setPosition(double az, double el);

    TDeviceLink& fLink;
    TRotctlSettings fSettings;
    QTcpServer fServer;
    std::map<QTcpSocket*, Client> fClients;
    QString fStatus;
    int fIdleMs = kIdleMs;
};
