// Round trip of a status exchange through the device link against the
// simulator: over a pty with the wire emulated at 460 800 and 9 600 Bd, and
// over loopback TCP. Prints median and p99 next to the wire time.

#include "kt90sim/simserver.h"
#include "link/devicelink.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Settings : TFixedLinkSettings {
    Settings() { timeout = 2000; }
};

struct Stats {
    double median;
    double p99;
};

Stats measure(TDeviceLink& link, int rounds)
{
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(rounds));
    QElapsedTimer t;
    for (int i = 0; i < rounds + 10; ++i) {
        t.start();
        if (!link.SendCommand(kt90::statusCommand(), 0) || link.fState() != kt90::ExchangeReplied) {
            std::fprintf(stderr, "exchange failed\n");
            std::exit(1);
        }
        if (i >= 10) // the first few warm the caches and the port
            us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

void report(const char* what, double wireUs, const Stats& s)
{
    std::printf("| %-22s | %9.0f | %9.0f | %9.0f | %+9.0f |\n", what, wireUs, s.median, s.p99,
                s.median - wireUs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 500;

    std::printf("| %-22s | %9s | %9s | %9s | %9s |\n", "link", "wire us", "median us", "p99 us",
                "over wire");
    std::printf("|%s|%s|%s|%s|%s|\n", std::string(24, '-').c_str(), std::string(11, '-').c_str(),
                std::string(11, '-').c_str(), std::string(11, '-').c_str(),
                std::string(11, '-').c_str());

    for (int rate : {460800, 9600}) {
        kt90::sim::SimController ctl;
        kt90::sim::SimServer server(ctl, {}, kt90::sim::Clock::Real);
        server.setWireEmulation(true);
        const std::string path = "/tmp/kt90bench-" + std::to_string(getpid());
        server.openPty(path);
        server.start();

        kt90::TktFRAMParams current;
        TQtSerialPort serial;
        TQtTcpClient tcp;
        Settings settings;
        TDeviceLink link(serial, tcp, current);
        link.setOptions(&settings);
        serial.setPortName(QString::fromStdString(path));
        serial.setBaudRate(rate);
        serial.open();
        const double wireUs = 25.0 * 10 * 1e6 / rate;
        const std::string what = "pty at " + std::to_string(rate) + " Bd";
        report(what.c_str(), wireUs, measure(link, rate < 100000 ? rounds / 5 : rounds));
        serial.close();
        server.stop();
    }

    kt90::sim::SimController ctl;
    kt90::sim::SimServer server(ctl, {}, kt90::sim::Clock::Real);
    server.listenTcp("127.0.0.1", 0);
    server.start();
    kt90::TktFRAMParams current;
    TQtSerialPort serial;
    TQtTcpClient tcp;
    Settings settings;
    settings.serial = false;
    TDeviceLink link(serial, tcp, current);
    link.setOptions(&settings);
    tcp.setHost("127.0.0.1");
    tcp.setPort(server.tcpPort());
    tcp.Connect();
    report("loopback TCP", 0, measure(link, rounds * 4));
    server.stop();
    return 0;
}
