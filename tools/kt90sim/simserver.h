// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Serves one simulated controller on TCP and on a pseudo-terminal, with POSIX
// I/O, in the calling thread or a thread of its own.

#include "kt90sim/simcontroller.h"
#include "kt90sim/simstream.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace kt90::sim {

enum class Clock {
    Real,   // motors and delays follow the wall clock
    Manual, // they move only when advance() is called
};

class SimServer {
public:
    SimServer(SimController& controller, const SimFaults& faults, Clock clock,
              SimStream::Log log = {});
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Port 0 picks a free port; tcpPort() tells which. Throws on failure.
    void listenTcp(const std::string& host, std::uint16_t port);
    std::uint16_t tcpPort() const { return port; }

    // Opens a pseudo-terminal in raw mode and makes linkPath a symbolic link
    // to its slave side. An existing symbolic link there is replaced; any
    // other file is left alone and the call throws.
    void openPty(const std::string& linkPath);
    const std::string& ptySlave() const { return slaveName; }

    void start(); // serves in a thread of its own until stop()
    void stop();
    void run(const std::atomic<bool>& stopFlag); // serves in the calling thread

    // Manual clock: moves time on by ms and lets due replies go out.
    void advance(std::uint64_t ms);

    void setFaults(const SimFaults& faults);

    // On the pty, deliver each reply only when its bytes, and those of the
    // command before it, would have crossed a real line at the rate the
    // client set (10 bits a byte).
    void setWireEmulation(bool on);

    // Runs f(controller) with the server's lock held.
    template <class F> auto locked(F&& f)
    {
        std::lock_guard<std::mutex> l(mu);
        return f(ctl);
    }

private:
    struct Connection {
        int fd;
        bool pty;
        SimStream stream;
        std::vector<std::uint8_t> pending; // bytes of a write that did not go out whole
        std::deque<std::pair<std::uint64_t, Frame>> onWire; // release time (us), bytes
        std::uint64_t lineFreeUs = 0;
    };

    void wake();
    long long pollTimeoutUs();
    std::uint64_t wireUs(std::size_t bytes) const;
    void flush(Connection& c);
    bool readFrom(Connection& c); // false when the peer has gone
    void accept();

    SimController& ctl;
    SimFaults faults;
    Clock clock;
    SimStream::Log log;
    std::mutex mu;
    std::list<Connection> conns;
    int listenFd = -1;
    std::uint16_t port = 0;
    int ptyMaster = -1;
    int ptySlaveFd = -1;
    std::string slaveName;
    std::string linkPath;
    bool wire = false;
    int wakeFds[2] = {-1, -1};
    std::uint64_t startMs = 0;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

} // namespace kt90::sim
