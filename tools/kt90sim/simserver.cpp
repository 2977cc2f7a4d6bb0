// SPDX-License-Identifier: GPL-3.0-or-later
#include "kt90sim/simserver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kt90::sim {

namespace {

std::runtime_error sysError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        throw sysError("fcntl");
}

std::uint64_t wallUs()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint64_t wallMs() { return wallUs() / 1000; }

// The rate a termios speed code stands for; 0 when unknown.
long rateOf(speed_t s)
{
    static const std::pair<speed_t, long> rates[] = {
        {B50, 50},         {B75, 75},         {B110, 110},         {B134, 134},
        {B150, 150},       {B200, 200},       {B300, 300},         {B600, 600},
        {B1200, 1200},     {B1800, 1800},     {B2400, 2400},       {B4800, 4800},
        {B9600, 9600},     {B19200, 19200},   {B38400, 38400},     {B57600, 57600},
        {B115200, 115200}, {B230400, 230400}, {B460800, 460800},   {B500000, 500000},
        {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000},
    };
    for (const auto& [code, rate] : rates)
        if (code == s)
            return rate;
    return 0;
}

} // namespace

SimServer::SimServer(SimController& controller, const SimFaults& f, Clock c, SimStream::Log l)
    : ctl(controller), faults(f), clock(c), log(std::move(l))
{
    if (pipe(wakeFds) != 0)
        throw sysError("pipe");
    setNonBlocking(wakeFds[0]);
    setNonBlocking(wakeFds[1]);
    startMs = wallMs();
}

SimServer::~SimServer()
{
    stop();
    for (auto& c : conns)
        if (!c.pty)
            close(c.fd);
    for (int fd : {listenFd, ptyMaster, ptySlaveFd, wakeFds[0], wakeFds[1]})
        if (fd >= 0)
            close(fd);
    if (!linkPath.empty())
        unlink(linkPath.c_str());
}

void SimServer::listenTcp(const std::string& host, std::uint16_t wanted)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0)
        throw std::runtime_error("cannot resolve " + host + ": " + gai_strerror(rc));
    sockaddr_in addr = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    addr.sin_port = htons(wanted);

    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw sysError("socket");
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) {
        const auto e = sysError("cannot listen on " + host + ":" + std::to_string(wanted));
        close(fd);
        throw e;
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    setNonBlocking(fd);
    std::lock_guard<std::mutex> l(mu);
    listenFd = fd;
    port = ntohs(addr.sin_port);
}

void SimServer::openPty(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            throw std::runtime_error(path + " exists and is not a symbolic link");
        unlink(path.c_str());
    }
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        throw sysError("openpty");
    // Raw from the start, so that nothing is echoed before the client opens it.
    termios t;
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    setNonBlocking(master);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    if (symlink(name, path.c_str()) != 0) {
        const auto e = sysError("cannot link " + path + " to " + name);
        close(master);
        close(slave);
        throw e;
    }
    std::lock_guard<std::mutex> l(mu);
    ptyMaster = master;
    // Holding the slave open keeps the master from reporting a hang-up while
    // no client has the port open.
    ptySlaveFd = slave;
    slaveName = name;
    linkPath = path;
    conns.push_back({master, true, SimStream(ctl, Transport::Serial, faults, log), {}, {}, 0});
}

void SimServer::setFaults(const SimFaults& f)
{
    std::lock_guard<std::mutex> l(mu);
    faults = f;
    for (auto& c : conns)
        c.stream.setFaults(f);
}

void SimServer::setWireEmulation(bool on)
{
    std::lock_guard<std::mutex> l(mu);
    wire = on;
}

std::uint64_t SimServer::wireUs(std::size_t bytes) const
{
    termios t;
    if (ptySlaveFd < 0 || tcgetattr(ptySlaveFd, &t) != 0)
        return 0;
    const long rate = rateOf(cfgetospeed(&t));
    return rate > 0 ? bytes * 10 * 1000000ULL / static_cast<std::uint64_t>(rate) : 0;
}

void SimServer::start()
{
    stopping = false;
    thread = std::thread([this] { run(stopping); });
}

void SimServer::stop()
{
    stopping = true;
    wake();
    if (thread.joinable())
        thread.join();
}

void SimServer::advance(std::uint64_t ms)
{
    {
        std::lock_guard<std::mutex> l(mu);
        ctl.advance(ms);
    }
    wake();
}

void SimServer::wake()
{
    const char b = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFds[1], &b, 1);
}

long long SimServer::pollTimeoutUs()
{
    long long t = clock == Clock::Manual ? -1     // only advance() moves time, and it wakes us
                                         : 10000; // motors move on the wall clock
    const auto sooner = [&t](long long us) { t = t < 0 ? us : std::min(t, us); };
    const std::uint64_t nowUs = wallUs();
    for (auto& c : conns) {
        if (!c.onWire.empty())
            sooner(c.onWire.front().first > nowUs
                       ? static_cast<long long>(c.onWire.front().first - nowUs)
                       : 0);
        if (clock == Clock::Real)
            if (auto d = c.stream.nextDue())
                sooner(*d > ctl.now() ? static_cast<long long>(*d - ctl.now()) * 1000 : 0);
    }
    return t;
}

void SimServer::flush(Connection& c)
{
    auto write1 = [&c](std::vector<std::uint8_t>& bytes) {
        while (!bytes.empty()) {
            // send() on sockets, so that a client gone away is no SIGPIPE.
            const ssize_t n = c.pty ? ::write(c.fd, bytes.data(), bytes.size())
                                    : ::send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.erase(bytes.begin(), bytes.begin() + n);
        }
        return true;
    };
    if (!write1(c.pending))
        return;
    auto due = c.stream.takeDue();
    if (c.pty && wire) {
        const std::uint64_t nowUs = wallUs();
        for (auto& piece : due) {
            c.lineFreeUs = std::max(nowUs, c.lineFreeUs) + wireUs(piece.size());
            c.onWire.emplace_back(c.lineFreeUs, std::move(piece));
        }
        while (!c.onWire.empty() && c.onWire.front().first <= nowUs) {
            c.pending = std::move(c.onWire.front().second);
            c.onWire.pop_front();
            if (!write1(c.pending))
                return;
        }
        return;
    }
    // One write per piece, so that a split reply reaches the client as pieces.
    for (auto& piece : due) {
        c.pending = std::move(piece);
        if (!write1(c.pending))
            return;
    }
}

bool SimServer::readFrom(Connection& c)
{
    std::uint8_t buf[4096];
    for (;;) {
        const ssize_t n = read(c.fd, buf, sizeof buf);
        if (n > 0) {
            if (c.pty && wire) // the command takes its time on the line too
                c.lineFreeUs =
                    std::max(wallUs(), c.lineFreeUs) + wireUs(static_cast<std::size_t>(n));
            c.stream.feed(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        // A pty master reads EIO while no client holds the slave; that is
        // not an end of the stream.
        return c.pty && n < 0 && errno == EIO;
    }
}

void SimServer::accept()
{
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (log)
            log("client connected");
        conns.push_back({fd, false, SimStream(ctl, Transport::Tcp, faults, log), {}, {}, 0});
    }
}

void SimServer::run(const std::atomic<bool>& stopFlag)
{
    std::uint64_t last = wallMs();
    const auto tick = [&] {
        if (clock == Clock::Real) {
            const std::uint64_t now = wallMs();
            ctl.advance(now - last);
            last = now;
        }
    };
    std::vector<pollfd> fds;
    while (!stopFlag && !stopping) {
        long long timeoutUs;
        {
            std::lock_guard<std::mutex> l(mu);
            tick();
            for (auto& c : conns)
                flush(c);
            timeoutUs = pollTimeoutUs();
            fds.clear();
            fds.push_back({wakeFds[0], POLLIN, 0});
            if (listenFd >= 0)
                fds.push_back({listenFd, POLLIN, 0});
            for (auto& c : conns)
                fds.push_back(
                    {c.fd, static_cast<short>(POLLIN | (c.pending.empty() ? 0 : POLLOUT)), 0});
        }
        timespec ts{static_cast<time_t>(timeoutUs / 1000000),
                    static_cast<long>(timeoutUs % 1000000) * 1000};
        const int ready = ppoll(fds.data(), fds.size(), timeoutUs < 0 ? nullptr : &ts, nullptr);
        if (ready < 0 && errno != EINTR)
            throw sysError("poll");
        if (ready <= 0)
            continue; // time passed: replies and motors move on at the top

        std::lock_guard<std::mutex> l(mu);
        tick(); // frames are stamped with the time they arrived
        char drain[64];
        while (read(wakeFds[0], drain, sizeof drain) > 0) {
        }
        if (listenFd >= 0)
            accept();
        for (auto it = conns.begin(); it != conns.end();) {
            // The pty stays: a hung-up pty stream just goes silent.
            const bool alive = readFrom(*it) || it->pty;
            if (alive && (it->pty || !it->stream.hungUp())) {
                ++it;
                continue;
            }
            if (log)
                log(it->stream.hungUp() ? "hanging up on client" : "client disconnected");
            close(it->fd);
            it = conns.erase(it);
        }
    }
}

} // namespace kt90::sim
