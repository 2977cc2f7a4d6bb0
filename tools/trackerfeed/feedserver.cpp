// SPDX-License-Identifier: GPL-3.0-or-later
#include "trackerfeed/feedserver.h"

#include "tracking/conversationpath.h"

TFeedServer::TFeedServer(const QString& service, const QString& topic, const QString& item,
                         QObject* parent)
    : QObject(parent), fService(service), fTopic(topic), fItem(item)
{
    connect(&fServer, &QLocalServer::newConnection, this, &TFeedServer::onConnection);
}

TFeedServer::~TFeedServer() { close(); }

bool TFeedServer::listen()
{
    fRefusal = ConversationDirectoryProblem(ConversationDirectory());
    if (!fRefusal.isEmpty())
        return false;
    const QString path = ConversationPath(fService, fTopic);
    QLocalServer::removeServer(path); // a socket left by a server that died
    fServer.setSocketOptions(QLocalServer::UserAccessOption);
    return fServer.listen(path);
}

void TFeedServer::close()
{
    for (auto& [client, advised] : fClients) {
        client->disconnect(this);
        client->abort();
        client->deleteLater();
    }
    fClients.clear();
    fServer.close();
}

void TFeedServer::setText(const QByteArray& text)
{
    fText = text;
    for (auto& [client, advised] : fClients)
        if (advised)
            client->write("NOTICE " + fItem.toLatin1() + "\n");
}

void TFeedServer::onConnection()
{
    while (QLocalSocket* client = fServer.nextPendingConnection()) {
        fClients[client] = false;
        connect(client, &QLocalSocket::readyRead, this, [this, client] { onReadyRead(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] {
            fClients.erase(client);
            client->deleteLater();
        });
    }
}

void TFeedServer::onReadyRead(QLocalSocket* client)
{
    while (client->canReadLine()) {
        const QByteArray line = client->readLine().trimmed();
        const QByteArray item = fItem.toLatin1();
        if (line == "ADVISE " + item) {
            fClients[client] = !refuseAdvise;
            client->write(refuseAdvise ? "NO\n" : "OK\n");
        } else if (line == "REQUEST " + item) {
            ++fRequests;
            if (answerRequests)
                client->write("DATA " + QByteArray::number(fText.size()) + "\n" + fText);
        } else if (line.startsWith("ADVISE ")) {
            client->write("NO\n");
        } else if (line.startsWith("REQUEST ")) {
            client->write("NODATA\n");
        }
    }
}
