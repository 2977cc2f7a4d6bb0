// SPDX-License-Identifier: GPL-3.0-or-later
// Fault soak: status exchanges against the simulator with its fault modes
// mixed in at random (garbage before the reply, the reply in pieces, a late
// reply within the time-out, one after it, silence, an upload step the
// controller refuses), over TCP and over a pty. Reports how many good
// replies were decoded, how many of those that came behind a late one, that
// no refusal passed for an acceptance, the longest exchange next to the
// time-out, and resident memory after a tenth of the run and at its end.

#include "core/errors.h"
#include "support/simlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

long rssKiB()
{
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

void soak(bool serial, int n)
{
    TSimulatedLink simulated;
    simulated.settings.timeout = 60;
    simulated.open(serial ? Via::Pty : Via::Tcp);
    kt90::sim::SimServer& sim = *simulated.server;
    TDeviceLink& link = simulated.link;
    const TFixedLinkSettings& settings = simulated.settings;

    // Faults by weight, out of 20.
    enum Fault { Garbage, Pieces, Late, TooLate, Silent, Refused, None };
    static const char* const kFaultNames[] = {"garbage", "pieces",  "10 ms late", "100 ms late",
                                              "silent",  "refused", "none"};
    static const Fault kDraw[20] = {Garbage, Garbage, Pieces,  Pieces, Pieces,
                                    Late,    Late,    TooLate, Silent, Refused};
    static_assert(None == 6);
    std::mt19937 rng(12345);
    long good = 0, goodDecoded = 0;
    long refused = 0, refusalsTaken = 0;
    qint64 longest = 0;
    const char* longestFault = "";
    long rssEarly = 0;
    // The simulator answers in order: a reply goes out after its delay, but
    // no sooner than the one before it, so a late reply holds back those
    // behind it. Times in ms since the start.
    QElapsedTimer run;
    run.start();
    const auto now = [&run] { return static_cast<double>(run.nsecsElapsed()) / 1e6; };
    double queueFreeAt = 0; // when the last reply asked for goes out
    double strayUntil = 0;  // when the last reply its exchange missed goes out
    long behind = 0, behindDecoded = 0;
    const kt90::Frame header = kt90::blockWriteHeader(1, 496);
    for (int i = 0; i < n; ++i) {
        if (i == n / 10)
            rssEarly = rssKiB();
        const std::uint32_t draw = rng() % 20;
        const Fault fault = draw < 10 ? kDraw[draw] : None;
        kt90::sim::SimFaults f;
        // Over TCP a read of exactly 12 bytes takes the garbage with the reply.
        const bool garbageRead = fault == Garbage && !serial;
        switch (fault) {
        case Garbage:
            f.garbage = {'A', 'B', 'C'};
            break;
        case Pieces:
            f.pieces = {5, 4};
            f.pieceGapMs = 2;
            break;
        case Late:
            f.delayMs = 10;
            break;
        case TooLate:
            f.delayMs = 100; // after the time-out
            break;
        case Silent:
            f.silent = true;
            break;
        case Refused: // an upload header, refused by the controller
        case None:
            break;
        }
        sim.setFaults(f);
        const double angle = (i % 3600) / 10.0;
        sim.locked([angle, fault](kt90::sim::SimController& c) {
            c.setAngle(0, angle);
            c.settings().refuseAcknowledgements = fault == Refused;
            return 0;
        });
        const double sentAt = now();
        // A reply that missed its exchange and is still to come, or in flight.
        const bool pendingAhead = strayUntil + 2 > sentAt;
        const double replyAt =
            std::max(queueFreeAt, sentAt + static_cast<double>(f.delayMs)) +
            (f.pieces.empty() ? 0 : 2 * static_cast<double>(f.pieceGapMs)); // 5, 4, 3 bytes
        if (!f.silent)
            queueFreeAt = replyAt;
        // Within the time-out, with room for the scheduler.
        const bool inTime = !f.silent && replyAt - sentAt < settings.Timeout() - 10;
        QElapsedTimer t;
        t.start();
        bool ok = false;
        try {
            if (fault == Refused)
                ok = link.SendCommand(header, 0) && link.StepAccepted(header);
            else
                ok = link.SendCommand(kt90::statusCommand(), 0) &&
                     link.fState() == kt90::ExchangeReplied;
        } catch (const kt90::Error&) {
        }
        if (t.elapsed() > longest) {
            longest = t.elapsed();
            longestFault = kFaultNames[fault];
        }
        const bool ownReply = fault == Refused ? link.Acknowledged() == kt90::commandByte(header)
                                               : ok && std::abs(link.fAz() - angle) < 0.05;
        if (!f.silent && !garbageRead && !ownReply)
            strayUntil = std::max(strayUntil, replyAt);
        if (fault == Refused) {
            ++refused;
            if (ok)
                ++refusalsTaken;
        } else if (garbageRead || !inTime) {
            // no reply to expect
        } else if (pendingAhead) {
            // The controller answers in order: this reply waits behind the
            // late one and may itself come after the time-out.
            ++behind;
            if (ownReply)
                ++behindDecoded;
        } else {
            ++good;
            if (ownReply)
                ++goodDecoded;
        }
    }
    const long rssAfter = rssKiB();
    std::printf("| %s | %d | %ld | %ld | %ld | %ld | %ld | %ld | %ld | %ld | %lld ms (%s) | %d ms "
                "| %ld -> %ld KiB |\n",
                serial ? "pty" : "TCP", n, good, goodDecoded, good - goodDecoded, behind,
                behindDecoded, behind - behindDecoded, refused, refusalsTaken,
                static_cast<long long>(longest), longestFault, settings.Timeout(), rssEarly,
                rssAfter);
    sim.stop();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::printf(
        "| link | exchanges | good replies | decoded | not decoded | replies behind a late one | "
        "decoded | not decoded | refused steps | taken as accepted | longest exchange (fault) "
        "| time-out | RSS at 10 %% -> end |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    soak(false, n);
    soak(true, n);
    return 0;
}
