// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the link reads from the options page, always at the moment of use.
class ILinkSettings {
public:
    virtual ~ILinkSettings() = default;
    virtual int Pooling() const = 0;    // poll interval, ms
    virtual int Timeout() const = 0;    // reply time-out, ms
    virtual bool UseSerial() const = 0; // rbtRS232 selected; TCP otherwise
};

// The settings as plain values, where there is no options page: the
// command-line client, tests and benchmarks.
struct TFixedLinkSettings : ILinkSettings {
    int pooling = 250;
    int timeout = 500;
    bool serial = true;
    int Pooling() const override { return pooling; }
    int Timeout() const override { return timeout; }
    bool UseSerial() const override { return serial; }
};
