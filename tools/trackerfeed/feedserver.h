// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The server side of a conversation: publishes one item to every client,
// answers advise and request lines, and notifies advised clients of each
// change. What trackerfeed serves, and what the tests talk to.

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <map>

class TFeedServer : public QObject {
    Q_OBJECT
public:
    TFeedServer(const QString& service, const QString& topic, const QString& item,
                QObject* parent = nullptr);
    ~TFeedServer() override;

    // Listens at the conversation's socket; false (with errorString) when
    // it cannot.
    bool listen();
    QString errorString() const { return fRefusal.isEmpty() ? fServer.errorString() : fRefusal; }
    void close();

    // A new value: advised clients are told.
    void setText(const QByteArray& text);
    const QByteArray& text() const { return fText; }

    // Fault modes for tests.
    bool refuseAdvise = false;
    bool answerRequests = true;

    int clientCount() const { return static_cast<int>(fClients.size()); }
    int requestsServed() const { return fRequests; }

private:
    void onConnection();
    void onReadyRead(QLocalSocket* client);

    QString fService, fTopic, fItem;
    QLocalServer fServer;
    QString fRefusal; // why the folder is not used
    QByteArray fText;
    std::map<QLocalSocket*, bool> fClients; // client, advised
    int fRequests = 0;
};
