// Fault soak: status exchanges against the simulator with its fault modes
// mixed in at random (garbage before the reply, the reply in pieces, a late
// reply within the time-out, one after it, silence), over TCP and over a
// pty. Reports the longest exchange next to the time-out, how many good
// replies were decoded in their own exchange and how many were taken by the
// next one (the protocol carries no sequence number), and resident memory
// after a tenth of the run and at its end.

#include "devicelink.h"
#include "errors.h"
#include "simserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

struct Settings : TFixedLinkSettings {
    Settings() { timeout = 60; }
};

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
    kt90::sim::SimController ctl;
    kt90::sim::SimServer sim(ctl, {}, kt90::sim::Clock::Real);
    sim.setWireEmulation(false);
    const std::string pty = "/tmp/kt90soak-" + std::to_string(getpid());
    if (serial)
        sim.openPty(pty);
    else
        sim.listenTcp("127.0.0.1", 0);
    sim.start();

    kt90::TktFRAMParams current;
    TQtSerialPort cp;
    TQtTcpClient tn;
    Settings settings;
    settings.serial = serial;
    TDeviceLink link(cp, tn, current);
    link.setOptions(&settings);
    if (serial) {
        cp.setPortName(QString::fromStdString(pty));
        cp.open();
    } else {
        tn.setHost("127.0.0.1");
        tn.setPort(sim.tcpPort());
        tn.Connect();
    }

    static const char* const kFaultNames[] = {"garbage",     "pieces", "10 ms late",
                                              "100 ms late", "silent", "none"};
    std::mt19937 rng(12345);
    long good = 0, goodDecoded = 0, goodTakenLate = 0, failed = 0;
    qint64 longest = 0;
    const char* longestFault = "";
    long rssEarly = 0;
    double previousAngle = -1;
    for (int i = 0; i < n; ++i) {
        if (i == n / 10)
            rssEarly = rssKiB();
        kt90::sim::SimFaults f;
        const int kind = static_cast<int>(rng() % 20);
        const int fault = kind < 2   ? 0
                          : kind < 5 ? 1
                          : kind < 7 ? 2
                          : kind < 8 ? 3
                          : kind < 9 ? 4
                                     : 5;
        bool shouldWork = true;
        if (kind < 2) {
            f.garbage = {'A', 'B', 'C'};
            shouldWork = serial; // over TCP a fixed-length read takes the garbage
        } else if (kind < 5) {
            f.pieces = {5, 4};
            f.pieceGapMs = 2;
        } else if (kind < 7) {
            f.delayMs = 10;
        } else if (kind < 8) {
            f.delayMs = 100; // after the time-out
            shouldWork = false;
        } else if (kind < 9) {
            f.silent = true;
            shouldWork = false;
        }
        sim.setFaults(f);
        const double angle = (i % 3600) / 10.0;
        sim.locked([angle](kt90::sim::SimController& c) {
            c.setAngle(0, angle);
            return 0;
        });
        QElapsedTimer t;
        t.start();
        bool ok = false;
        try {
            ok = link.SendCommand(kt90::statusCommand(), 0) && link.fState() == 0;
        } catch (const kt90::Error&) {
            ok = false;
        }
        if (t.elapsed() > longest) {
            longest = t.elapsed();
            longestFault = kFaultNames[fault];
        }
        if (shouldWork) {
            ++good;
            if (ok && std::abs(link.fAz() - angle) < 0.05)
                ++goodDecoded;
            else if (ok && std::abs(link.fAz() - previousAngle) < 0.05)
                ++goodTakenLate; // the previous exchange's late reply came first
        }
        if (!ok)
            ++failed;
        previousAngle = angle;
    }
    const long rssAfter = rssKiB();
    std::printf(
        "| %s | %d | %ld | %ld | %ld | %ld | %ld | %lld ms (%s) | %d ms | %ld -> %ld KiB |\n",
        serial ? "pty" : "TCP", n, good, goodDecoded, goodTakenLate,
        good - goodDecoded - goodTakenLate, failed, static_cast<long long>(longest), longestFault,
        settings.Timeout(), rssEarly, rssAfter);
    sim.stop();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::printf(
        "| link | exchanges | good replies sent | decoded in their exchange | "
        "previous late reply read first | lost | failed exchanges | longest exchange (fault) | "
        "time-out | RSS at 10 %% -> end |\n|---|---|---|---|---|---|---|---|---|---|\n");
    soak(false, n);
    soak(true, n);
    return 0;
}
