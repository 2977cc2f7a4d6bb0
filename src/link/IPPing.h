// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether a host answers at all, before a TCP connection is tried: one ICMP
// echo request without payload and 300 ms to answer.

#include <QString>

#include <array>
#include <cstdint>

using IPv4Address = std::array<std::uint8_t, 4>;

// The first IPv4 address the name lookup gives; 0.0.0.0 when there is none.
IPv4Address ResolveHost(const QString& host);

class IHostProbe {
public:
    virtual ~IHostProbe() = default;
    virtual bool PingHost(const QString& host) = 0;
};

class TIPPing : public IHostProbe {
public:
    static constexpr int kTimeoutMs = 300;

    enum class Method { DatagramSocket, RawSocket, PingUtility, None };

    // True when a reply came within 300 ms. Tries an unprivileged ICMP
    // socket, then a raw socket, then the system's ping utility; where none
    // can be used the answer is false.
    bool PingHost(const QString& host) override;

    // The first method this machine lets the program use.
    static Method AvailableMethod();
};
