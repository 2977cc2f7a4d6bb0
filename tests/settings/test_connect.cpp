// SPDX-License-Identifier: GPL-3.0-or-later
// The options page, the connection routine and the link together, against
// the simulator over TCP on 127.0.0.1, as the settings file says.

#include "kt90sim/simserver.h"
#include "link/connection.h"
#include "settings/frameOptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct NoPorts : IPortLister {
    QStringList ListSerialPorts() override { return {}; }
};

// The real probe where this machine allows one, else a probe that answers.
struct Probe : IHostProbe {
    TIPPing real;
    bool PingHost(const QString& host) override
    {
        if (TIPPing::AvailableMethod() == TIPPing::Method::None)
            return true;
        return real.PingHost(host);
    }
};

} // namespace

TEST(ConnectFromTheOptionsPage, DownloadsShowsDisconnectAndPolls)
{
    kt90::sim::SimController ctl;
    ctl.setAngle(0, 12.5);
    kt90::sim::SimServer server(ctl, {}, kt90::sim::Clock::Real);
    server.listenTcp("127.0.0.1", 0);
    server.start();

    QTemporaryDir dir;
    const QString ini = dir.filePath("norvakKT90dde.ini");
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\n"
                               "HOST PORT=%1\nPooling (ms)=200\n")
                    .arg(server.tcpPort())
                    .toLatin1());
    }
    kt90::TktFRAMParams current;
    TQtSerialPort serial;
    TQtTcpClient tcp;
    TDeviceLink link(serial, tcp, current);
    NoPorts ports;
    TOptionsFrame page(nullptr, ini, serial, ports, [](bool) {});
    link.setOptions(&page);
    Probe probe;
    TConnectionRoutine routine(link, page, probe);
    bool titleShown = true;
    routine.showTitleError = [&](bool shown, const QString&) { titleShown = shown; };
    page.setConnectHandler([&] { routine.Button1Click(); });

    page.Button1->click();
    EXPECT_EQ(page.Button1->text(), "Disconnect");
    EXPECT_FALSE(titleShown);
    EXPECT_FALSE(page.LabelConnectionError->isVisibleTo(&page));
    EXPECT_EQ(link.angleLine.Text(), "A1:  12.5  E2:   0.0");
    EXPECT_EQ(link.tmrRefresh.interval(), 200);
    // The poll cycle runs: status and outputs queries after the download.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return server.locked([](kt90::sim::SimController& c) { return c.received().size(); }) >=
                   5;
        },
        3000));

    page.Button1->click();
    EXPECT_EQ(page.Button1->text(), "Connect");
    EXPECT_TRUE(titleShown);
    EXPECT_FALSE(tcp.Connected());
    server.stop();
}
