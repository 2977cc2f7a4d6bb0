// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The client side of a conversation with another program (what DDE is on
// Windows): one item, a warm advise link on it, and requests for its data.
// Each answer is awaited for at most a second, with the window's events
// running meanwhile.
// Lines over a local socket: ADVISE <item> -> OK | NO; REQUEST <item> ->
// DATA <n> and n bytes | NODATA; the server sends NOTICE <item> when the
// item changes.

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class TDdeConversation : public QObject {
    Q_OBJECT
public:
    static constexpr int kAnswerTimeoutMs = 1000;
    static constexpr int kStartWaitMs = 5000;

    TDdeConversation(const QString& service, const QString& topic, const QString& item,
                     QObject* parent = nullptr);

    // The command line that starts the server when no conversation can be
    // made; run by startProgram, which tells whether it started.
    QString StartCommand = QStringLiteral("orbitron");
    std::function<bool(const QString& command)> startProgram;

    // Connects (starting the server once when needed), sets up the advise
    // link, reports opened, and asks for the data once.
    bool OpenLink();
    // Reports closed and ends the conversation, when one is open.
    void CloseLink();
    bool isOpen() const { return fOpen; }
    // Why the last OpenLink did not even try: the conversation folder may
    // not be trusted. Empty otherwise.
    const QString& Refusal() const { return fRefusal; }

    // The item's latest text: 8-bit, control characters made spaces.
    const QByteArray& Text() const { return fText; }

    // The default startProgram: the command split by shell rules, started
    // detached.
    static bool StartDetached(const QString& command);

signals:
    void opened();
    void closed();
    void dataChanged();

private:
    bool connectOnce();
    bool waitUntilServed();
    // Sends a line and waits for its answer: the answer line, with the data
    // that follows a DATA line. Empty on time-out or a lost connection.
    std::optional<QByteArray> transact(const QByteArray& line, QByteArray* data = nullptr);
    bool waitForInput(QElapsedTimer& clock);
    void requestData();
    bool wakeTransaction();
    void onReadyRead();
    void onDisconnected();

    QString fService, fTopic, fItem;
    QLocalSocket fSocket;
    bool fOpen = false;
    QString fRefusal;
    bool fInTransaction = false;
    bool fNoticePending = false;
    QEventLoop* fWaitLoop = nullptr;
    QByteArray fText;
};
