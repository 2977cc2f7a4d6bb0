// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A controller of the benchmarks' own on loopback TCP, in a thread of its
// own, so that its clock marks when each frame arrived: it answers every
// frame (a position, or the outputs to an outputs query) after a set delay,
// or never.

#include "core/frames.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QtGlobal>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A controller on loopback TCP that notes when each frame arrives and
// answers it delayMs later (never when delayMs < 0).
class FakeController {
public:
    explicit FakeController(int delayMs) : fDelay(delayMs)
    {
        fListen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fListen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fListen, 1);
        socklen_t n = sizeof a;
        getsockname(fListen, reinterpret_cast<sockaddr*>(&a), &n);
        fPort = ntohs(a.sin_port);
        fThread = std::thread([this] { serve(); });
    }
    ~FakeController()
    {
        fStop = true;
        fThread.join();
        close(fListen);
    }
    quint16 port() const { return fPort; }

    // When the link fell free for the frame that arrived at `at`: the end
    // of the exchange before it, its reply written or (never answered) the
    // link's deadline for it.
    Clock::time_point freeFor(Clock::time_point at, std::chrono::milliseconds deadline)
    {
        std::lock_guard<std::mutex> l(fMu);
        Clock::time_point end{};
        for (std::size_t i = 0; i < fArrivals.size() && fArrivals[i].first < at; ++i) {
            const auto sent = fArrivals[i].first;
            const auto replied = i < fReplies.size() ? fReplies[i] : sent + deadline;
            end = std::min(replied, sent + deadline);
        }
        return end;
    }

    // When the first frame with this command byte arrived after `after`.
    bool arrival(std::uint8_t command, Clock::time_point after, Clock::time_point& at)
    {
        std::lock_guard<std::mutex> l(fMu);
        for (const auto& [t, c] : fArrivals)
            if ((c >> 8) == command && t >= after) {
                at = t;
                return true;
            }
        return false;
    }

    // When the first frame with this command byte and first argument byte
    // arrived after `after`.
    bool arrival(std::uint8_t command, std::uint8_t arg, Clock::time_point after,
                 Clock::time_point& at)
    {
        std::lock_guard<std::mutex> l(fMu);
        for (const auto& [t, c] : fArrivals)
            if (c == (command << 8 | arg) && t >= after) {
                at = t;
                return true;
            }
        return false;
    }

private:
    void serve()
    {
        int fd = -1;
        std::vector<std::uint8_t> held;
        std::vector<std::pair<Clock::time_point, std::vector<std::uint8_t>>> due;
        while (!fStop) {
            pollfd p{fd >= 0 ? fd : fListen, POLLIN, 0};
            int wait = 20;
            if (!due.empty())
                wait = std::max(0, static_cast<int>(msSince(Clock::now(), due.front().first)));
            if (poll(&p, 1, std::min(wait, 20)) > 0) {
                if (fd < 0) {
                    fd = accept(fListen, nullptr, nullptr);
                    continue;
                }
                std::uint8_t buf[512];
                const ssize_t n = read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                const auto now = Clock::now();
                held.insert(held.end(), buf, buf + n);
                while (held.size() >= 13) {
                    const std::uint8_t command = held[11];
                    {
                        std::lock_guard<std::mutex> l(fMu);
                        fArrivals.emplace_back(now, command << 8 | held[1]);
                    }
                    if (fDelay >= 0) {
                        const kt90::Frame reply = command == 0x3F
                                                      ? kt90::outputsReply(0)
                                                      : kt90::positionReply(0, 10, 0, 10);
                        due.emplace_back(now + std::chrono::milliseconds(fDelay), reply);
                    }
                    held.erase(held.begin(), held.begin() + 13);
                }
            }
            while (!due.empty() && due.front().first <= Clock::now()) {
                if (write(fd, due.front().second.data(), due.front().second.size()) < 0)
                    break;
                {
                    std::lock_guard<std::mutex> l(fMu);
                    fReplies.push_back(Clock::now());
                }
                due.erase(due.begin());
            }
        }
        if (fd >= 0)
            close(fd);
    }

    int fDelay;
    int fListen = -1;
    quint16 fPort = 0;
    std::atomic<bool> fStop{false};
    std::thread fThread;
    std::mutex fMu;
    std::vector<std::pair<Clock::time_point, int>> fArrivals;
    std::vector<Clock::time_point> fReplies; // of the frames in fArrivals, in order
};

} // namespace bench
