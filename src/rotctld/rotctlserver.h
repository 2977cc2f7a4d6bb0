// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panel as a hamlib network rotator (what rotctld serves): trackers such
// as Gpredict and scripts with rotctl steer the antenna through it.

#include "core/rotctl.h"
#include "link/devicelink.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

struct TRotctlSettings {
    bool enabled = true;
    QString bind = QStringLiteral("127.0.0.1");
    quint16 port = 4533;
    double parkAzimuth = 0;
    double parkElevation = 0;
    // Client networks ("192.168.1.0/24, 10.0.0.7"); empty: loopback only.
    QString allow;

    // Section "Rotctld" of the settings file.
    static TRotctlSettings Read(const QString& iniPath);
};

// Who may connect: loopback peers, or with an allow-list only the networks
// it names. A bind address other than loopback is kept only with a list.
class TClientFilter {
public:
    // Empty when the list holds no network that parses; `bad` gets the
    // entries that do not.
    static TClientFilter Parse(const QString& list, QStringList* bad = nullptr);
    bool Allows(const QHostAddress& peer) const;
    bool Open() const { return !fNetworks.empty(); } // beyond loopback

private:
    std::vector<std::pair<QHostAddress, int>> fNetworks;
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
    // Stops the move a client started, if one runs (the program ends).
    void StopClientMove() { stopJogOf(fJogOwner); }

signals:
    void statusChanged(const QString& status);

private:
    struct Client {
        std::unique_ptr<QTimer> idle;
        bool busy = false;
    };
    std::string answer(const kt90::RotctlRequest& r, QTcpSocket* from);
    void stopJogOf(QTcpSocket* client);
    void onConnection();
    void serve(QTcpSocket* client);
    void serveLines(QTcpSocket* client);
    void drop(QTcpSocket* client);
    void updateStatus();
    kt90::RotatorAxes axes() const;
    // The angles an axis may be sent to: its motor's configured limits once
    // the configuration is known, else what the set-position frame carries.
    std::pair<double, double> range(int motor) const;
    bool positionReadable() const;
    int setPosition(double az, double el);

    TDeviceLink& fLink;
    TRotctlSettings fSettings;
    QTcpServer fServer;
    std::map<QTcpSocket*, Client> fClients;
    std::set<QTcpSocket*> fOrphans;  // dropped while their command ran
    QTcpSocket* fJogOwner = nullptr; // the client whose move runs
    TClientFilter fFilter;
    QString fNote; // why the server listens elsewhere than it was told
    QString fStatus;
    int fIdleMs = kIdleMs;
};
