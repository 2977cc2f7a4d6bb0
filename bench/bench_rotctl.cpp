// SPDX-License-Identifier: GPL-3.0-or-later
// Round trip of hamlib's "p" (get position) over loopback: the panel's own
// rotator server next to rotctld with its dummy rotator, in one run, and
// next to the floor: a thread that blocks in read and answers with one
// write, the least any server can do. Then the time from a client's "P" to
// its set-position frame reaching the controller, idle and while the link
// polls every 250 ms.

#include "rotctld/rotctlserver.h"
#include "support/simlink.h"

#include "fakecontroller.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Median and p99 in microseconds of n "p" round trips, one send and one
// recv each, as Gpredict does; -1 when nothing answers.
std::pair<double, double> measure(quint16 port, int n)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int tries = 0; ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0; ++tries) {
        if (tries > 100)
            return {-1, -1};
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // rotctld starting up
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::vector<double> us;
    char buf[256];
    for (int i = 0; i < n + 20; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (send(fd, "p\n", 2, 0) != 2)
            break;
        std::size_t lines = 0;
        while (lines < 2) {
            const ssize_t got = recv(fd, buf, sizeof buf, 0);
            if (got <= 0)
                break;
            lines += static_cast<std::size_t>(std::count(buf, buf + got, '\n'));
        }
        const auto t1 = std::chrono::steady_clock::now();
        if (i >= 20)
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    ::close(fd);
    if (us.empty())
        return {-1, -1};
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100]};
}

// Serves one client: every read is answered with a fixed position.
quint16 startFloorServer(std::thread& worker)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(listener);
        return 0;
    }
    worker = std::thread([listener] {
        const int fd = accept(listener, nullptr, nullptr);
        ::close(listener);
        if (fd < 0)
            return;
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        char buf[256];
        static const char kReply[] = "0.00\n0.00\n";
        while (read(fd, buf, sizeof buf) > 0)
            if (write(fd, kReply, sizeof kReply - 1) < 0)
                break;
        ::close(fd);
    });
    return ntohs(a.sin_port);
}

int connectTo(quint16 port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Median and p99 in microseconds from the send of "P" to the arrival of its
// frame at the controller, n times, with the link polling or not.
std::pair<double, double> setPositionToWire(QCoreApplication& app, bool polling, int n)
{
    bench::FakeController controller(0);
    kt90::TktFRAMParams current;
    kt90::FillDefaults(current);
    TQtSerialPort serial;
    TQtTcpClient tcp;
    TFixedLinkSettings settings;
    settings.serial = false;
    TDeviceLink link(serial, tcp, current);
    link.setOptions(&settings);
    link.OpenTcp(QStringLiteral("127.0.0.1"), controller.port());
    TRotctlSettings rs;
    rs.port = 0;
    TRotctlServer server(link, rs);
    server.start();
    if (polling)
        link.StartPoll(settings.pooling);

    std::vector<double> us;
    std::thread client([&] {
        const int fd = connectTo(server.port());
        char buf[256];
        for (int i = 0; fd >= 0 && i < n; ++i) {
            const auto t0 = bench::Clock::now();
            if (send(fd, "P 10 20\n", 8, 0) != 8 || recv(fd, buf, sizeof buf, 0) <= 0)
                break;
            bench::Clock::time_point at;
            if (controller.arrival(static_cast<std::uint8_t>(kt90::Command::SetPosition), t0, at))
                us.push_back(std::chrono::duration<double, std::micro>(at - t0).count());
            // Off the poll's beat, so that the requests meet every phase of it.
            std::this_thread::sleep_for(std::chrono::milliseconds(37));
        }
        if (fd >= 0)
            ::close(fd);
        QMetaObject::invokeMethod(&app, [] { QCoreApplication::quit(); });
    });
    app.exec();
    client.join();
    link.StopPoll();
    tcp.Disconnect();
    if (us.empty())
        return {-1, -1};
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100]};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 2000;

    TSimulatedLink sim;
    kt90::FillDefaults(sim.current);
    sim.open(Via::Tcp);
    TDeviceLink& link = sim.link;
    link.SendStatusQuery(); // the server gives no position before the controller has
    TRotctlSettings rs;
    rs.port = 0;
    TRotctlServer ours(link, rs);
    ours.start();

    std::pair<double, double> oursResult, theirsResult{-1, -1};
    std::thread client([&] {
        oursResult = measure(ours.port(), n);
        QMetaObject::invokeMethod(&app, [] { QCoreApplication::quit(); });
    });
    app.exec();
    client.join();

    const QString rotctld = QStandardPaths::findExecutable("rotctld");
    if (!rotctld.isEmpty()) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        QProcess dummy;
        dummy.start(rotctld, {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)});
        dummy.waitForStarted();
        theirsResult = measure(port, n);
        dummy.kill();
        dummy.waitForFinished();
    }
    std::thread floorWorker;
    const quint16 floorPort = startFloorServer(floorWorker);
    const std::pair<double, double> floorResult =
        floorPort ? measure(floorPort, n) : std::pair{-1.0, -1.0};
    if (floorWorker.joinable())
        floorWorker.join();

    std::printf("| server | median us | p99 us |\n|---|---|---|\n");
    std::printf("| panel (TRotctlServer) | %.1f | %.1f |\n", oursResult.first, oursResult.second);
    if (theirsResult.first >= 0)
        std::printf("| rotctld -m 1 (Hamlib dummy) | %.1f | %.1f |\n", theirsResult.first,
                    theirsResult.second);
    else
        std::printf("| rotctld -m 1 | not available | |\n");
    std::printf("| floor (read, write) | %.1f | %.1f |\n", floorResult.first, floorResult.second);
    sim.server->stop();

    const int m = std::max(20, n / 10);
    const auto idle = setPositionToWire(app, false, m);
    const auto polled = setPositionToWire(app, true, m);
    std::printf("\n| P to the wire (%d each) | median us | p99 us |\n|---|---|---|\n", m);
    std::printf("| link idle | %.1f | %.1f |\n", idle.first, idle.second);
    std::printf("| link polling every 250 ms | %.1f | %.1f |\n", polled.first, polled.second);
    return 0;
}
