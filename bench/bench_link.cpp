// SPDX-License-Identifier: GPL-3.0-or-later
// Round trip of a status exchange through the device link against the
// simulator: over a pty with the wire emulated at 460 800 and 9 600 Bd, and
// over loopback TCP. Prints median and p99 next to the wire time.

#include "support/simlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

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
        TSimulatedLink sim;
        sim.settings.timeout = 2000;
        sim.open(Via::Pty, rate, true);
        const double wireUs = 25.0 * 10 * 1e6 / rate;
        const std::string what = "pty at " + std::to_string(rate) + " Bd";
        report(what.c_str(), wireUs, measure(sim.link, rate < 100000 ? rounds / 5 : rounds));
    }

    TSimulatedLink sim;
    sim.settings.timeout = 2000;
    sim.open(Via::Tcp);
    report("loopback TCP", 0, measure(sim.link, rounds * 4));
    return 0;
}
