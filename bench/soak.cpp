// Fault soak: status exchanges against the simulator with its fault modes
// mixed in at random (garbage before the reply, the reply in pieces, a late
// reply within the time-out, one after it, silence), over TCP and over a
// pty. Reports the longest exchange next to the time-out, how many good
// replies were decoded right, and resident memory before and after.

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

    std::mt19937 rng(12345);
    long good = 0, goodDecoded = 0, failed = 0;
    qint64 longest = 0;
    const long rssBefore = rssKiB();
    for (int i = 0; i < n; ++i) {
        kt90::sim::SimFaults f;
        const int kind = static_cast<int>(rng() % 20);
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
        longest = std::max(longest, t.elapsed());
        if (shouldWork) {
            ++good;
            if (ok && std::abs(link.fAz() - angle) < 0.05)
                ++goodDecoded;
        }
        if (!ok)
            ++failed;
    }
    const long rssAfter = rssKiB();
    std::printf("| %s | %d | %ld | %ld | %ld | %lld ms | %d ms | %ld -> %ld KiB |\n",
                serial ? "pty" : "TCP", n, good, goodDecoded, failed,
                static_cast<long long>(longest), settings.Timeout(), rssBefore, rssAfter);
    sim.stop();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::printf("| link | exchanges | good replies sent | decoded right | failed | longest | "
                "time-out | RSS |\n|---|---|---|---|---|---|---|---|\n");
    soak(false, n);
    soak(true, n);
    return 0;
}
