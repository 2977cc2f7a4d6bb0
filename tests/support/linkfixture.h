#pragma once

// A device link against the simulator, over a pty or loopback TCP, driven
// by the test's event loop.

#include "kt90sim/simserver.h"
#include "link/devicelink.h"

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

enum class Via { Pty, Tcp };

inline const char* viaName(Via v) { return v == Via::Pty ? "pty" : "tcp"; }

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
        server = std::make_unique<kt90::sim::SimServer>(ctl, faults, clock);
        if (via == Via::Pty) {
            ptyPath = ::testing::TempDir() + "kt90link-" + std::to_string(getpid());
            server->openPty(ptyPath);
            server->start();
            serial.setPortName(QString::fromStdString(ptyPath));
            serial.setBaudRate(460800);
            serial.open();
            settings.serial = true;
        } else {
            server->listenTcp("127.0.0.1", 0);
            server->start();
            tcp.setHost(QStringLiteral("127.0.0.1"));
            tcp.setPort(server->tcpPort());
            tcp.Connect();
            settings.serial = false;
        }
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
