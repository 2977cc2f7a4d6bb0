#include "link/devicelink.h"

#include "core/angleline.h"
#include "core/errors.h"
#include "link/decimalpoint.h"
#include "link/logging.h"
#include "link/unhandled.h"

#include <QEventLoop>

#include <algorithm>

namespace {

constexpr int kInitialTimeoutMs = 250;

} // namespace

TDeviceLink::TDeviceLink(ISerialPort& serial, ITcpClient& tcp, kt90::TktFRAMParams& currentConfig,
                         QObject* parent)
    : QObject(parent), angleLine(QStringLiteral("M1:   0.0  M2:   0.0")),
      outputsLine(QString::fromStdString(kt90::OutputsLineStart())), cp(serial), tn(tcp),
      fCurrent(currentConfig)
{
    tmrRefresh.setInterval(kInitialTimeoutMs);
    // A coarse timer fires up to 5 % early: the next cycle would come
    // sooner than the interval the operator chose.
    tmrRefresh.setTimerType(Qt::PreciseTimer);
    tmrTimeOut.setInterval(kInitialTimeoutMs);
    tmrTimeOut.setSingleShot(true);
    // A coarse timer may fire 5 % early and cut off a reply still in time.
    tmrTimeOut.setTimerType(Qt::PreciseTimer);
    connect(&tmrTimeOut, &QTimer::timeout, this,
            [this] { Guarded([this] { tmrTimeOutTimer(); }); });
    connect(&tmrRefresh, &QTimer::timeout, this,
            [this] { Guarded([this] { tmrRefreshTimer(); }); });
    connect(&cp, &ISerialPort::RxChar, this,
            [this](int count) { Guarded([this, count] { cpRxChar(count); }); });
    connect(&tn, &ITcpClient::RxChar, this, [this] { Guarded([this] { tnRxChar(); }); });
    connect(&tn, &ITcpClient::Closed, this, [this] { Guarded([this] { tnClosed(); }); });
}

struct TDeviceLink::TcpExchange {
    int want = 0;
    int got = 0;
    kt90::ExchangeState state = kt90::ExchangeBusy;
    std::optional<std::uint8_t> acknowledged;
    bool closed = false;
};

struct TDeviceLink::Wait {
    QEventLoop loop;
    bool woken = false;
};

void TDeviceLink::setState(kt90::ExchangeState state)
{
    fStateValue = state;
    for (Wait* w : fWaits) {
        w->woken = true;
        w->loop.quit();
    }
    emit stateChanged(state);
}

void TDeviceLink::WaitWhileBusy()
{
    // A nested event loop keeps the window alive and is woken the moment the
    // state changes; a command started from inside it waits in a loop of its
    // own, so exchanges never overlap on the wire.
    while (fStateValue == kt90::ExchangeBusy) {
        Wait w;
        fWaits.push_back(&w);
        w.loop.exec();
        fWaits.erase(std::find(fWaits.begin(), fWaits.end(), &w));
        // Only the application shutting its event loops down ends a wait
        // without a change of state; no reply will be seen then, and going
        // round again would spin. The wait ends as a time-out.
        if (!w.woken && fStateValue == kt90::ExchangeBusy) {
            tmrTimeOut.stop();
            setState(kt90::ExchangeTimedOut);
        }
    }
}

void TDeviceLink::BeginWait(int timeoutMs)
{
    setState(kt90::ExchangeBusy);
    tmrTimeOut.setInterval(timeoutMs);
    tmrTimeOut.start();
}

void TDeviceLink::EndWait(kt90::ExchangeState state)
{
    tmrTimeOut.stop();
    setState(state);
}

void TDeviceLink::logSent(const kt90::Frame& frame) const
{
    qCDebug(lcLink, "%s sent %s", qPrintable(LogTime()),
            qPrintable(HexBytes(frame.data(), frame.size())));
}

void TDeviceLink::logReceived(const std::uint8_t* data, int count) const
{
    qCDebug(lcLink, "%s received %s", qPrintable(LogTime()),
            qPrintable(HexBytes(data, static_cast<std::size_t>(count))));
}

void TDeviceLink::tmrTimeOutTimer()
{
    qCInfo(lcLink, "%s no reply within %d ms", qPrintable(LogTime()), tmrTimeOut.interval());
    if (fTcp) {
        fTcp->state = kt90::ExchangeTimedOut;
        fTcp = nullptr;
    }
    tmrTimeOut.stop();
    setState(kt90::ExchangeTimedOut);
}

bool TDeviceLink::IsOpen() const { return cp.isOpen() || tn.Connected(); }

void TDeviceLink::OpenSerial(const QString& portName, int baudRate)
{
    cp.setPortName(portName);
    cp.setBaudRate(baudRate);
    try {
        cp.open();
    } catch (const std::exception& e) {
        qCInfo(lcLink, "%s serial port %s not opened: %s", qPrintable(LogTime()),
               qPrintable(portName), e.what());
        throw;
    }
    qCInfo(lcLink, "%s serial port %s opened at %d Bd", qPrintable(LogTime()), qPrintable(portName),
           baudRate);
}

void TDeviceLink::OpenTcp(const QString& host, quint16 port)
{
    tn.setHost(host);
    tn.setPort(port);
    try {
        tn.Connect();
    } catch (const std::exception& e) {
        qCInfo(lcLink, "%s no connection to %s:%u: %s", qPrintable(LogTime()), qPrintable(host),
               port, e.what());
        throw;
    }
    qCInfo(lcLink, "%s connected to %s:%u", qPrintable(LogTime()), qPrintable(host), port);
}

void TDeviceLink::Exchange(const kt90::Frame& frame, int replyLength)
{
    const bool sent = SendCommand(frame, replyLength);
    if (sent && fStateValue == kt90::ExchangeReplied)
        return;
    kt90::ThrowExchangeError(fStateValue);
}

bool TDeviceLink::SendCommand(const kt90::Frame& frame, int replyLength)
{
    if (!fOptions)
        return false;
    return fOptions->UseSerial() ? sendSerial(frame, replyLength) : sendTcp(frame, replyLength);
}

// Serial: the table in the header; the wait runs the event loop.
bool TDeviceLink::sendSerial(const kt90::Frame& frame, int replyLength)
{
    if (!cp.isOpen())
        return false;
    WaitWhileBusy();
    // A reply that came after its time-out is processed now, as it would
    // have been had the event loop run since; left for the wait below, it
    // would end this exchange in place of this command's own reply.
    cp.takeArrived();
    fAcknowledged.reset();
    fBuffer.Expect(replyLength, false);
    const bool awaitReply = !kt90::isSetPositionCommand(frame);
    if (awaitReply)
        BeginWait(fOptions->Timeout());
    logSent(frame);
    try {
        cp.write(frame.data(), static_cast<int>(frame.size()));
    } catch (...) {
        // Nothing went out, so nothing will answer: end the wait now rather
        // than hold every later command until the time-out.
        if (awaitReply && fStateValue == kt90::ExchangeBusy)
            EndWait(kt90::ExchangeTimedOut);
        throw;
    }
    if (!awaitReply)
        return true;
    WaitWhileBusy();
    return fStateValue == kt90::ExchangeReplied;
}

// TCP: true once the whole reply has been read, whatever it said (the
// table in the header). The reply is collected as it arrives (tnRxChar)
// while the wait runs the event loop.
bool TDeviceLink::sendTcp(const kt90::Frame& frame, int replyLength)
{
    if (!tn.Connected())
        return false;
    const int wait = replyLength == 0 ? static_cast<int>(kt90::kReplySize) : replyLength;
    if (wait > kt90::ReplyBuffer::kSize)
        throw kt90::Error("Reply longer than the receive buffer.");
    WaitWhileBusy();
    if (!tn.Connected())
        return false; // it went away while another exchange ran
    fBuffer.Expect(wait, replyLength == 0);
    // Whatever is already waiting answers an earlier command (one that timed
    // out) and would be read as this one's reply.
    tn.discardWaiting();
    fAcknowledged.reset();
    logSent(frame);
    tn.write(frame.data(), static_cast<int>(frame.size()));
    TcpExchange exchange;
    exchange.want = wait;
    fTcp = &exchange;
    // The whole reply, not each byte, is bounded: a controller that trickles
    // its bytes cannot hold the link for longer.
    BeginWait(fOptions->Timeout() + kt90::WireTimeMs(wait, kt90::kSlowestLineRate));
    WaitWhileBusy();
    if (fTcp == &exchange) { // the wait ended without it (the application quits)
        fTcp = nullptr;
        exchange.state = kt90::ExchangeTimedOut;
    }
    if (exchange.closed)
        throw kt90::Error(tn.errorText().toStdString());
    if (exchange.state == kt90::ExchangeTimedOut)
        throw kt90::ETcpReadTimeout();
    // This exchange's outcome, also when a command that waited for it ran
    // since.
    fStateValue = exchange.state;
    fAcknowledged = exchange.acknowledged;
    return true;
}

void TDeviceLink::tnRxChar()
{
    if (!fTcp)
        return; // unasked: dropped before the next command
    TcpExchange& ex = *fTcp;
    const int n = tn.read(fTcpScratch.data() + ex.got, ex.want - ex.got);
    if (n <= 0)
        return;
    logReceived(fTcpScratch.data() + ex.got, n);
    ex.got += n;
    if (ex.got < ex.want)
        return;
    fTcp = nullptr;
    // Leftovers of a malformed serial reply are dropped here: the reply goes
    // to index 0, where both reply rules find it.
    fBuffer.PlaceReply(fTcpScratch.data(), ex.want);
    ProcessReceived();
    // A reply of the right length that says nothing the link can read.
    if (fStateValue == kt90::ExchangeBusy)
        EndWait(kt90::ExchangeInvalid);
    ex.state = fStateValue;
    ex.acknowledged = fAcknowledged;
}

void TDeviceLink::tnClosed()
{
    if (!fTcp)
        return;
    qCInfo(lcLink, "%s the controller closed the connection: %s", qPrintable(LogTime()),
           qPrintable(tn.errorText()));
    fTcp->closed = true;
    fTcp->state = kt90::ExchangeInvalid;
    fTcp = nullptr;
    EndWait(kt90::ExchangeInvalid);
}

void TDeviceLink::cpRxChar(int count)
{
    if (count <= 0)
        return;
    if (std::uint8_t* into = fBuffer.tail(count)) {
        const int n = cp.read(into, count);
        if (n > 0)
            logReceived(into, n);
        fBuffer.commit(n);
    } else {
        // No room: the bytes are read and dropped, the buffer stays as it is.
        std::uint8_t sink[256];
        for (int left = count; left > 0;) {
            const int n = cp.read(sink, std::min<int>(left, sizeof sink));
            if (n <= 0)
                break;
            left -= n;
        }
    }
    ProcessReceived();
}

void TDeviceLink::ProcessReceived()
{
    using Kind = kt90::ReceiveResult::Kind;
    const kt90::ReceiveResult r = fBuffer.ProcessReceived(fCurrent);
    if (r.kind == Kind::Position) {
        fAzValue = r.position.m1;
        fAzGearValue = r.position.m1Gear;
        fElValue = r.position.m2;
        fElGearValue = r.position.m2Gear;
        showAngles(static_cast<float>(fAzValue), static_cast<float>(fElValue));
        fPositionSeen = true;
        if (fMissedPolls >= kMissedPollsForLoss)
            emit controllerAnswers();
        fMissedPolls = 0;
    } else if (r.kind == Kind::Acknowledgement) {
        fAcknowledged = r.answered;
    } else if (r.kind == Kind::Outputs) {
        fOutsValue = r.outputs;
        ShowOutputsState();
    }
    if (r.endState)
        EndWait(*r.endState);
}

void TDeviceLink::showAngles(float m1, float m2)
{
    angleLine.setText(
        QString::fromStdString(kt90::AngleLine(fCurrent, m1, m2, LocaleDecimalSeparator())));
}

void TDeviceLink::ShowOutputsState()
{
    const std::string line = outputsLine.Text().toLatin1().toStdString();
    const std::string shown = kt90::ShowOutputsState(line, fOutsValue);
    outputsLine.setText(QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size())));
}

void TDeviceLink::CalcAnglesAndShow()
{
    showAngles(kt90::ConfiguredAngle(fCurrent, 0), kt90::ConfiguredAngle(fCurrent, 1));
}
