// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/devicelink.h"

#include "core/angleline.h"
#include "core/errors.h"
#include "link/decimalpoint.h"
#include "link/logging.h"
#include "link/unhandled.h"

#include <QEventLoop>

#include <algorithm>
#include <exception>
#include <utility>

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

// A command waiting its turn, in flight, or done with its outcome.
struct TDeviceLink::Pending {
    kt90::Frame frame;
    int replyLength = 0;
    bool tcp = false;
    int want = 0; // TCP: the reply bytes awaited and those read so far
    int got = 0;
    bool done = false;
    bool result = false; // what SendCommand returns
    kt90::ExchangeState state = kt90::ExchangeBusy;
    std::optional<std::uint8_t> acknowledged;
    bool timedOut = false;
    std::optional<QString> closed; // TCP: the peer went away, with the reason
    std::exception_ptr error;
};

struct TDeviceLink::Wait {
    QEventLoop loop;
    bool woken = false;
};

void TDeviceLink::setState(kt90::ExchangeState state)
{
    fStateValue = state;
    wakeWaits();
    emit stateChanged(state);
}

void TDeviceLink::wakeWaits()
{
    for (Wait* w : fWaits) {
        w->woken = true;
        w->loop.quit();
    }
}

void TDeviceLink::settle(Pending& p)
{
    p.done = true;
    wakeWaits();
}

bool TDeviceLink::waitForChange()
{
    Wait w;
    fWaits.push_back(&w);
    w.loop.exec();
    fWaits.erase(std::find(fWaits.begin(), fWaits.end(), &w));
    return w.woken;
}

void TDeviceLink::RunUntil(const std::function<bool()>& finished)
{
    // Commands leave in the order they were given. Each caller waits in a
    // nested event loop, newer ones inside older ones, and only the innermost
    // can run; so whichever wait is innermost when the link falls free starts
    // the oldest command, on behalf of the caller it belongs to. Were each
    // to send its own, a jog release given while its press waited would
    // overtake the press and leave the motor running.
    while (!finished()) {
        if (!fInFlight && !fQueue.empty()) {
            Pending& next = *fQueue.front();
            fQueue.pop_front();
            next.tcp ? startTcp(next) : startSerial(next);
            continue;
        }
        if (!fInFlight)
            return; // nothing to wait for
        // Only the application shutting its event loops down ends a wait
        // without a change; no reply will be seen then, and going round
        // again would spin. The exchange ends as a time-out.
        if (!waitForChange() && fInFlight) {
            fInFlight->timedOut = true;
            EndWait(kt90::ExchangeTimedOut);
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
    if (Pending* p = std::exchange(fInFlight, nullptr)) {
        p->state = state;
        p->acknowledged = fAcknowledged;
        // Serial: true for a good reply; TCP: once the whole reply was read.
        p->result = p->tcp ? !p->timedOut && !p->closed : state == kt90::ExchangeReplied;
        p->done = true;
    }
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
    if (fInFlight)
        fInFlight->timedOut = true;
    EndWait(kt90::ExchangeTimedOut);
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
    Pending mine;
    mine.frame = frame;
    mine.replyLength = replyLength;
    mine.tcp = !fOptions->UseSerial();
    if (mine.tcp) {
        if (!tn.Connected())
            return false;
        mine.want = replyLength == 0 ? static_cast<int>(kt90::kReplySize) : replyLength;
        if (mine.want > kt90::ReplyBuffer::kSize)
            throw kt90::Error("Reply longer than the receive buffer.");
    } else if (!cp.isOpen()) {
        return false;
    }
    fQueue.push_back(&mine);
    RunUntil([&mine] { return mine.done; });
    if (mine.error)
        std::rethrow_exception(mine.error);
    if (mine.closed)
        throw kt90::Error(mine.closed->toStdString());
    if (mine.timedOut && mine.tcp)
        throw kt90::ETcpReadTimeout();
    // This command's outcome, also when others ran since it ended. A
    // set-position command on the serial link has none.
    if (mine.state != kt90::ExchangeBusy) {
        fStateValue = mine.state;
        fAcknowledged = mine.acknowledged;
    }
    return mine.result;
}

// Serial: the table in the header; the reply is collected by cpRxChar.
void TDeviceLink::startSerial(Pending& p)
{
    if (!cp.isOpen()) { // it closed while the command waited
        settle(p);
        return;
    }
    // A reply that came after its time-out is processed now, as it would
    // have been had the event loop run since; left for the wait, it would
    // end this exchange in place of this command's own reply.
    cp.takeArrived();
    fAcknowledged.reset();
    fBuffer.Expect(p.replyLength, false);
    const bool awaitReply = !kt90::isSetPositionCommand(p.frame);
    if (awaitReply) {
        fInFlight = &p;
        BeginWait(fOptions->Timeout());
    }
    logSent(p.frame);
    try {
        cp.write(p.frame.data(), static_cast<int>(p.frame.size()));
    } catch (...) {
        // Nothing went out, so nothing will answer: end the wait now rather
        // than hold every later command until the time-out.
        p.error = std::current_exception();
        if (fInFlight == &p)
            EndWait(kt90::ExchangeTimedOut);
        settle(p);
        return;
    }
    if (!awaitReply) {
        p.result = true;
        settle(p);
    }
}

// TCP: the whole reply is collected by tnRxChar, whatever it says (the
// table in the header).
void TDeviceLink::startTcp(Pending& p)
{
    if (!tn.Connected()) { // it went away while the command waited
        settle(p);
        return;
    }
    fBuffer.Expect(p.want, p.replyLength == 0);
    // Whatever is already waiting answers an earlier command (one that timed
    // out) and would be read as this one's reply.
    tn.discardWaiting();
    fAcknowledged.reset();
    logSent(p.frame);
    try {
        tn.write(p.frame.data(), static_cast<int>(p.frame.size()));
    } catch (...) {
        p.error = std::current_exception();
        settle(p);
        return;
    }
    fInFlight = &p;
    // The whole reply, not each byte, is bounded: a controller that trickles
    // its bytes cannot hold the link for longer.
    BeginWait(fOptions->Timeout() + kt90::WireTimeMs(p.want, kt90::kSlowestLineRate));
}

void TDeviceLink::tnRxChar()
{
    if (!fInFlight || !fInFlight->tcp)
        return; // unasked: dropped before the next command
    Pending& ex = *fInFlight;
    const int n = tn.read(fTcpScratch.data() + ex.got, ex.want - ex.got);
    if (n <= 0)
        return;
    logReceived(fTcpScratch.data() + ex.got, n);
    ex.got += n;
    if (ex.got < ex.want)
        return;
    // Leftovers of a malformed serial reply are dropped here: the reply goes
    // to index 0, where both reply rules find it.
    fBuffer.PlaceReply(fTcpScratch.data(), ex.want);
    ProcessReceived();
    // A reply of the right length that says nothing the link can read.
    if (fInFlight == &ex)
        EndWait(kt90::ExchangeInvalid);
}

void TDeviceLink::tnClosed()
{
    if (!fInFlight || !fInFlight->tcp)
        return;
    qCInfo(lcLink, "%s the controller closed the connection: %s", qPrintable(LogTime()),
           qPrintable(tn.errorText()));
    fInFlight->closed = tn.errorText();
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
        fPositionKnown = true;
        if (ControllerLost())
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
