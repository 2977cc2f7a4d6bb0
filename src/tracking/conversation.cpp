// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/conversation.h"

#include "tracking/conversationpath.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>

// Off by default: QT_LOGGING_RULES="kt90.tracking.info=true" shows the
// conversation opening and closing, ".debug=true" every data line.
Q_LOGGING_CATEGORY(lcTracking, "kt90.tracking", QtWarningMsg)

TDdeConversation::TDdeConversation(const QString& service, const QString& topic,
                                   const QString& item, QObject* parent)
    : QObject(parent), fService(service), fTopic(topic), fItem(item)
{
    startProgram = StartDetached;
    connect(&fSocket, &QLocalSocket::readyRead, this, &TDdeConversation::onReadyRead);
    connect(&fSocket, &QLocalSocket::disconnected, this, &TDdeConversation::onDisconnected);
}

bool TDdeConversation::StartDetached(const QString& command)
{
    QStringList args = QProcess::splitCommand(command);
    if (args.isEmpty())
        return false;
    const QString program = args.takeFirst();
    return QProcess::startDetached(program, args);
}

bool TDdeConversation::connectOnce()
{
    fSocket.abort();
    fSocket.connectToServer(ConversationPath(fService, fTopic));
    return fSocket.waitForConnected(kAnswerTimeoutMs);
}

bool TDdeConversation::waitUntilServed()
{
    // The counterpart of waiting for a started program to become idle: its
    // conversation appearing, for at most five seconds.
    QElapsedTimer clock;
    clock.start();
    const QString path = ConversationPath(fService, fTopic);
    while (clock.elapsed() < kStartWaitMs) {
        if (QFileInfo::exists(path) && connectOnce())
            return true;
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return false;
}

bool TDdeConversation::OpenLink()
{
    if (fOpen)
        return true;
    // A folder another user made or can write would let them feed the
    // panel positions, or take its place as the tracker.
    fRefusal = ConversationDirectoryProblem(ConversationDirectory());
    if (!fRefusal.isEmpty()) {
        qCWarning(lcTracking, "conversation refused: %s", qPrintable(fRefusal));
        return false;
    }
    bool connected = connectOnce();
    if (!connected && !StartCommand.isEmpty() && startProgram && startProgram(StartCommand))
        connected = waitUntilServed();
    if (!connected) {
        fSocket.abort();
        return false;
    }
    fOpen = true;
    qCInfo(lcTracking, "conversation %s opened", qPrintable(fSocket.serverName()));
    // A refused advise link still leaves the conversation open.
    transact("ADVISE " + fItem.toLatin1() + "\n");
    if (!fOpen)
        return false;
    emit opened();
    requestData();
    return true;
}

void TDdeConversation::CloseLink()
{
    if (!fOpen)
        return;
    qCInfo(lcTracking, "conversation closed");
    emit closed();
    fOpen = false;
    fSocket.abort();
}

bool TDdeConversation::waitForInput(QElapsedTimer& clock)
{
    const int left = kAnswerTimeoutMs - static_cast<int>(clock.elapsed());
    if (left <= 0 || fSocket.state() != QLocalSocket::ConnectedState)
        return false;
    // The window stays alive meanwhile; the wait ends with new bytes, a
    // closed connection or the deadline.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(left);
    fWaitLoop = &loop;
    loop.exec();
    fWaitLoop = nullptr;
    return fSocket.state() == QLocalSocket::ConnectedState;
}

std::optional<QByteArray> TDdeConversation::transact(const QByteArray& line, QByteArray* data)
{
    fInTransaction = true;
    fSocket.write(line);
    fSocket.flush();
    QElapsedTimer clock;
    clock.start();
    std::optional<QByteArray> answer;
    while (!answer) {
        if (!fSocket.canReadLine()) {
            if (!waitForInput(clock))
                break;
            continue;
        }
        const QByteArray got = fSocket.readLine().trimmed();
        if (got.startsWith("NOTICE ")) {
            fNoticePending = true; // dealt with once this answer is in
            continue;
        }
        answer = got;
    }
    if (answer && answer->startsWith("DATA ") && data) {
        bool ok = false;
        const qint64 n = answer->mid(5).toLongLong(&ok);
        while (ok && n >= 0 && fSocket.bytesAvailable() < n && waitForInput(clock)) {
        }
        if (ok && n >= 0 && fSocket.bytesAvailable() >= n)
            *data = fSocket.read(n);
        else
            answer.reset();
    }
    fInTransaction = false;
    if (fSocket.state() != QLocalSocket::ConnectedState)
        QTimer::singleShot(0, this, &TDdeConversation::onDisconnected);
    else if (fNoticePending || fSocket.canReadLine())
        QTimer::singleShot(0, this, &TDdeConversation::onReadyRead);
    return answer;
}

void TDdeConversation::requestData()
{
    QByteArray data;
    const auto answer = transact("REQUEST " + fItem.toLatin1() + "\n", &data);
    if (!fOpen || !answer || !answer->startsWith("DATA "))
        return; // no answer: the item keeps what it had, and nothing is raised
    const int zero = data.indexOf('\0');
    if (zero >= 0)
        data.truncate(zero);
    if (!data.isEmpty()) {
        for (char& c : data)
            if (c >= 1 && c <= 31)
                c = ' ';
        fText = data;
    }
    qCDebug(lcTracking, "data: %s", fText.constData());
    emit dataChanged();
}

bool TDdeConversation::wakeTransaction()
{
    // A transaction waits for its answer: this is its wake-up.
    if (fInTransaction && fWaitLoop)
        fWaitLoop->quit();
    return fInTransaction;
}

void TDdeConversation::onReadyRead()
{
    if (wakeTransaction())
        return;
    if (!fOpen)
        return;
    bool notice = fNoticePending;
    fNoticePending = false;
    while (fSocket.canReadLine()) {
        const QByteArray line = fSocket.readLine().trimmed();
        if (line == "NOTICE " + fItem.toLatin1())
            notice = true;
    }
    // Not from inside the socket's readyRead: it would not be raised again
    // for the answer while the request waits for it.
    if (notice)
        QTimer::singleShot(0, this, [this] {
            if (fOpen && !fInTransaction)
                requestData();
            else if (fOpen)
                fNoticePending = true;
        });
}

void TDdeConversation::onDisconnected()
{
    if (wakeTransaction())
        return;
    if (!fOpen)
        return;
    // The server ended the conversation (the tracker quit).
    qCInfo(lcTracking, "the tracker ended the conversation");
    fOpen = false;
    emit closed();
}
