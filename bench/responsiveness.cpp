// SPDX-License-Identifier: GPL-3.0-or-later
// How long the event thread is kept from running while the link talks to a
// TCP controller that answers at once, 200 ms late, or never; and how long
// a key's command (STOP, a jog release) takes from the moment it is due to
// the moment the controller has it. The controller is a fake of our own in a
// thread of its own, so that its clock marks when a frame arrived.
//
// Usage: responsiveness [SECONDS per case]   (default 60)
// Only the link's long-standing interface is used (its public poll timer,
// the TCP client's connect), so that the same file builds against older
// versions of the link for a before-and-after comparison (give it the
// exchange's deadline, from core/exchange.h, by hand there).

#include "core/exchange.h"
#include "core/frames.h"
#include "link/devicelink.h"

#include "fakecontroller.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::FakeController;
using bench::msSince;

// The time this thread has spent ready to run but waiting for a processor,
// as the kernel counts it: what the scheduler, not the program, costs.
double runQueueWaitMs()
{
    static const std::string path = "/proc/thread-self/schedstat";
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return 0;
    unsigned long long onCpu = 0, waiting = 0;
    const int n = std::fscanf(f, "%llu %llu", &onCpu, &waiting);
    std::fclose(f);
    return n == 2 ? static_cast<double>(waiting) / 1e6 : 0;
}

// Marks where the event thread starts on an event after a wait, and reports
// each stretch up to its next wait, less what the scheduler took of it.
class BenchApp : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    std::function<void(double)> stretchEnded;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!fStretch) {
            fStretch = Clock::now();
            fQueuedAtStart = runQueueWaitMs();
        }
        return QCoreApplication::notify(receiver, event);
    }
    void endStretch()
    {
        if (fStretch && stretchEnded)
            stretchEnded(msSince(*fStretch, Clock::now()) - (runQueueWaitMs() - fQueuedAtStart));
        fStretch.reset();
    }
    // The setting up of a case between two runs of the loop is no stall.
    void forgetStretch() { fStretch.reset(); }

private:
    std::optional<Clock::time_point> fStretch;
    double fQueuedAtStart = 0;
};

// The machine's own floor: the pulse alone, no link.
constexpr int kNoLink = -2;

struct Settings : TFixedLinkSettings {
    Settings() { serial = false; }
};

struct Result {
    double longestBusyMs = 0; // the event thread kept from its wait
    double longestStallMs = 0;
    std::vector<double> lateness; // of every pulse
    double blockedShare = 0;
    std::vector<double> keyMs;    // due to arrival, STOP and jog releases
    double keyPastExchangeMs = 0; // the most a key came after the link fell free
    int keysLost = 0;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

Result run(BenchApp& app, int delayMs, int seconds)
{
    const bool withLink = delayMs != kNoLink;
    FakeController controller(withLink ? delayMs : -1);
    kt90::TktFRAMParams current;
    TQtSerialPort serial;
    TQtTcpClient tcp;
    Settings settings;
    TDeviceLink link(serial, tcp, current);
    link.setOptions(&settings);
    if (withLink) {
        tcp.setHost(QStringLiteral("127.0.0.1"));
        tcp.setPort(controller.port());
        tcp.Connect();
        link.tmrRefresh.setInterval(settings.pooling);
        link.tmrRefresh.start();
    }

    Result r;
    // The event thread's pulse: a 5 ms timer whose lateness is the stall.
    constexpr int kTick = 5;
    QTimer pulse;
    pulse.setTimerType(Qt::PreciseTimer);
    const auto begin = Clock::now();
    std::optional<Clock::time_point> last; // from the first tick: the loop runs
    double blocked = 0;
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        const double late = last ? msSince(*last, now) - kTick : 0;
        last = now;
        r.longestStallMs = std::max(r.longestStallMs, late);
        r.lateness.push_back(late);
        if (late > 1)
            blocked += late;
    });
    pulse.start(kTick);

    // The stretches from the first event after the event thread's wait to
    // its next wait: what the program keeps it from, without what the
    // scheduler adds by waking it late or running something else meanwhile.
    auto* dispatcher = QAbstractEventDispatcher::instance();
    app.stretchEnded = [&](double ms) { r.longestBusyMs = std::max(r.longestBusyMs, ms); };
    app.forgetStretch();
    const auto blocking = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                           [&app] { app.endStretch(); });

    // Every 4 s a STOP, and 2 s later a jog press and its release 300 ms
    // after it: further apart than the longest exchange, so that each key
    // meets at most the exchange in progress and its own press (keys faster
    // than a dead link's exchanges queue up behind each other). Each is due
    // when its timer was meant to fire, as a key is when it is pressed,
    // whether or not the event thread ran then.
    struct Key {
        Clock::time_point due;
        std::uint8_t command;
        std::uint32_t mask;
        bool measured;
    };
    std::vector<Key> keys;
    for (int ms = 350; withLink && ms < seconds * 1000 - 1500; ms += 2000) {
        const int kind = (ms / 2000) % 2;
        if (kind == 0) {
            keys.push_back({begin + std::chrono::milliseconds(ms), 0x0F, 0, true});
        } else {
            keys.push_back({begin + std::chrono::milliseconds(ms), 0x14, 1, false});
            keys.push_back({begin + std::chrono::milliseconds(ms + 300), 0x14, 0, true});
        }
    }
    for (const Key& k : keys) {
        const int in = static_cast<int>(msSince(Clock::now(), k.due));
        QTimer::singleShot(std::max(0, in), Qt::PreciseTimer, &link, [&link, k] {
            try {
                if (k.command == 0x0F) {
                    link.SendStop();
                } else {
                    link.setButtons(k.mask);
                    link.SendJog();
                }
            } catch (const std::exception&) {
                // a time-out of a stalled controller: the frame went out
            }
        });
    }
    QTimer::singleShot(seconds * 1000, &app, [&app] { app.quit(); });
    app.exec();
    QObject::disconnect(blocking);
    app.stretchEnded = nullptr;
    pulse.stop();
    link.tmrRefresh.stop();
    r.blockedShare = blocked / msSince(begin, Clock::now());

    // The link's bound on a status exchange: its time-out and the time the
    // reply needs at the slowest line rate.
    const auto deadline = std::chrono::milliseconds(
        settings.timeout + kt90::WireTimeMs(kt90::kReplySize, kt90::kSlowestLineRate));
    for (const Key& k : keys) {
        if (!k.measured)
            continue;
        Clock::time_point at;
        // A precise timer may fire a hair early.
        const auto from = k.due - std::chrono::milliseconds(2);
        if (controller.arrival(k.command, static_cast<std::uint8_t>(k.mask), from, at)) {
            r.keyMs.push_back(std::max(0.0, msSince(k.due, at)));
            // Behind the exchange in progress and the commands given before it.
            const auto free = std::max(k.due, controller.freeFor(at, deadline));
            r.keyPastExchangeMs = std::max(r.keyPastExchangeMs, msSince(free, at));
        } else
            ++r.keysLost;
    }
    tcp.Disconnect();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    BenchApp app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    std::printf("| controller | longest busy ms | longest stall ms | stall p99.9 ms | blocked %% "
                "| key to wire median ms | p99 ms | max ms | past the exchange max ms | keys lost "
                "|\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    const std::pair<const char*, int> cases[] = {{"none (the machine's floor)", kNoLink},
                                                 {"healthy", 0},
                                                 {"slow (200 ms)", 200},
                                                 {"stalled", -1}};
    for (const auto& [name, delay] : cases) {
        const Result r = run(app, delay, seconds);
        std::printf("| %s | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %d |\n", name,
                    r.longestBusyMs, r.longestStallMs, percentile(r.lateness, 0.999),
                    100.0 * r.blockedShare, percentile(r.keyMs, 0.5), percentile(r.keyMs, 0.99),
                    percentile(r.keyMs, 1.0), r.keyPastExchangeMs, r.keysLost);
        std::fflush(stdout);
    }
    return 0;
}
