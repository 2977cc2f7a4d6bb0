// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulator and a device link over it, over a pty or loopback TCP: the
// setup that the tests and the benchmarks share. No test framework here.

#include "kt90sim/simserver.h"
#include "link/devicelink.h"
#include "link/linksettings.h"

#include <memory>
#include <string>

enum class Via { Pty, Tcp };

inline const char* viaName(Via v) { return v == Via::Pty ? "pty" : "tcp"; }

// A pty link path of this process's own, under dir.
std::string PtyPathFor(const std::string& dir, const char* stem);

// A simulator of ctl serving on via (the pty at ptyPath, or a free loopback
// port) from a thread of its own; wire: a pty replies only when its bytes
// would have crossed a real line.
std::unique_ptr<kt90::sim::SimServer> StartSimulator(kt90::sim::SimController& ctl,
                                                     const kt90::sim::SimFaults& faults,
                                                     kt90::sim::Clock clock, Via via,
                                                     const std::string& ptyPath, bool wire = false);

// Opens link over the simulator and sets settings to the transport used.
void OpenOverSimulator(TDeviceLink& link, TFixedLinkSettings& settings, Via via,
                       const kt90::sim::SimServer& server, const std::string& ptyPath,
                       int baudRate = 460800);

// Everything of one simulated controller and its link, for the programs
// that do not need the pieces apart.
struct TSimulatedLink {
    kt90::sim::SimController ctl;
    std::unique_ptr<kt90::sim::SimServer> server;
    kt90::TktFRAMParams current;
    TFixedLinkSettings settings;
    TQtSerialPort serial;
    TQtTcpClient tcp;
    TDeviceLink link{serial, tcp, current};

    TSimulatedLink() { link.setOptions(&settings); }
    ~TSimulatedLink();
    void open(Via via, int baudRate = 460800, bool wire = false);
};
