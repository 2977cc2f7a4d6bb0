// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/IPPing.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::uint16_t kSequence = 1;

std::uint16_t checksum(const std::uint8_t* data, std::size_t n)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < n; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (n % 2)
        sum += static_cast<std::uint32_t>(data[n - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

struct Socket {
    int fd;
    ~Socket()
    {
        if (fd >= 0)
            close(fd);
    }
};

// One echo over an ICMP socket of the given type; empty when this program
// may not open such a socket.
std::optional<bool> pingSocket(const IPv4Address& a, int type)
{
    Socket s{socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP)};
    if (s.fd < 0)
        return std::nullopt;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr, a.data(), 4);

    // Type 8 (echo), code 0, checksum, identifier, sequence; no payload.
    const std::uint16_t id = static_cast<std::uint16_t>(getpid());
    std::uint8_t packet[8] = {
        ICMP_ECHO, 0, 0, 0, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id), 0,
        kSequence};
    const std::uint16_t sum = checksum(packet, sizeof packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);
    if (sendto(s.fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) !=
        static_cast<ssize_t>(sizeof packet))
        return false;

    QElapsedTimer clock;
    clock.start();
    std::uint8_t reply[128];
    for (;;) {
        const int left = TIPPing::kTimeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0)
            return false;
        pollfd p{s.fd, POLLIN, 0};
        if (poll(&p, 1, left) <= 0)
            return false;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n =
            recvfrom(s.fd, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n <= 0)
            continue;
        if (type == SOCK_DGRAM) // the kernel hands over only our own replies
            return true;
        // A raw socket sees every ICMP message, with its IP header.
        const std::size_t ihl = static_cast<std::size_t>(reply[0] & 0x0F) * 4;
        if (static_cast<std::size_t>(n) < ihl + 8 || from.sin_addr.s_addr != to.sin_addr.s_addr)
            continue;
        const std::uint8_t* icmp = reply + ihl;
        if (icmp[0] == ICMP_ECHOREPLY && (icmp[4] << 8 | icmp[5]) == id && icmp[7] == kSequence)
            return true;
    }
}

QString pingUtility() { return QStandardPaths::findExecutable(QStringLiteral("ping")); }

std::optional<bool> pingWithUtility(const IPv4Address& a)
{
    const QString ping = pingUtility();
    if (ping.isEmpty())
        return std::nullopt;
    const QString address = QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
    QProcess p;
    p.start(ping, {"-n", "-q", "-c", "1", "-s", "0", "-W", "1", address});
    if (!p.waitForStarted(TIPPing::kTimeoutMs))
        return std::nullopt;
    // The utility waits a whole second; the probe does not.
    if (!p.waitForFinished(TIPPing::kTimeoutMs)) {
        p.kill();
        p.waitForFinished(100);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool canOpen(int type)
{
    const Socket s{socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP)};
    return s.fd >= 0;
}

} // namespace

IPv4Address ResolveHost(const QString& host)
{
    const QByteArray name = host.toLocal8Bit();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    IPv4Address a{};
    if (getaddrinfo(name.constData(), nullptr, &hints, &found) != 0 || !found)
        return a;
    const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    std::memcpy(a.data(), &in->sin_addr, 4);
    freeaddrinfo(found);
    return a;
}

bool TIPPing::PingHost(const QString& host)
{
    const IPv4Address a = ResolveHost(host);
    // 0.0.0.0 is what an unresolved name gives; it must not reach any host
    // (Linux would deliver it to this machine).
    if (a == IPv4Address{})
        return false;
    for (int type : {SOCK_DGRAM, SOCK_RAW})
        if (auto answer = pingSocket(a, type))
            return *answer;
    return pingWithUtility(a).value_or(false);
}

TIPPing::Method TIPPing::AvailableMethod()
{
    if (canOpen(SOCK_DGRAM))
        return Method::DatagramSocket;
    if (canOpen(SOCK_RAW))
        return Method::RawSocket;
    if (!pingUtility().isEmpty())
        return Method::PingUtility;
    return Method::None;
}
