// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A device link against the simulator, over a pty or loopback TCP, driven
// by the test's event loop.

#include "link/devicelink.h"
#include "support/simlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>

// Short intervals, so that the tests' time-outs pass quickly.
struct TestSettings : TFixedLinkSettings {
    TestSettings()
    {
        pooling = 50;
        timeout = 200;
    }
};

// Runs the event loop until pred holds or the deadline passes.
template <class P> bool waitFor(P pred, int deadlineMs = 3000)
{
    return QTest::qWaitFor(pred, deadlineMs);
}

class LinkFixture : public ::testing::Test {
protected:
    kt90::sim::SimController ctl;
    kt90::sim::SimFaults faults;
    kt90::sim::Clock clock = kt90::sim::Clock::Manual;
    std::unique_ptr<kt90::sim::SimServer> server;
    std::string ptyPath;

    kt90::TktFRAMParams current;
    TestSettings settings;
    TQtSerialPort serial;
    TQtTcpClient tcp;
    std::unique_ptr<TDeviceLink> link;

    void SetUp() override
    {
        link = std::make_unique<TDeviceLink>(serial, tcp, current);
        link->setOptions(&settings);
    }

    void TearDown() override
    {
        link.reset();
        serial.close();
        tcp.Disconnect();
        if (server)
            server->stop();
    }

    // Starts the simulator and opens the link over it.
    void open(Via via)
    {
        ptyPath = PtyPathFor(::testing::TempDir(), "kt90link");
        server.reset(); // an earlier one would take the new pty's link with it
        server = StartSimulator(ctl, faults, clock, via, ptyPath);
        OpenOverSimulator(*link, settings, via, *server, ptyPath);
    }

    std::vector<kt90::Frame> received()
    {
        return server->locked([](kt90::sim::SimController& c) { return c.received(); });
    }

    // The number of frames the simulator has seen reaches n.
    bool receivedCount(std::size_t n)
    {
        return waitFor([&] { return received().size() >= n; });
    }
};
