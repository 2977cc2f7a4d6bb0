// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/simlink.h"

#include <unistd.h>

std::string PtyPathFor(const std::string& dir, const char* stem)
{
    return dir + (dir.empty() || dir.back() == '/' ? "" : "/") + stem + "-" +
           std::to_string(getpid());
}

std::unique_ptr<kt90::sim::SimServer> StartSimulator(kt90::sim::SimController& ctl,
                                                     const kt90::sim::SimFaults& faults,
                                                     kt90::sim::Clock clock, Via via,
                                                     const std::string& ptyPath, bool wire)
{
    auto server = std::make_unique<kt90::sim::SimServer>(ctl, faults, clock);
    server->setWireEmulation(wire);
    if (via == Via::Pty)
        server->openPty(ptyPath);
    else
        server->listenTcp("127.0.0.1", 0);
    server->start();
    return server;
}

void OpenOverSimulator(TDeviceLink& link, TFixedLinkSettings& settings, Via via,
                       const kt90::sim::SimServer& server, const std::string& ptyPath, int baudRate)
{
    settings.serial = via == Via::Pty;
    if (via == Via::Pty)
        link.OpenSerial(QString::fromStdString(ptyPath), baudRate);
    else
        link.OpenTcp(QStringLiteral("127.0.0.1"), server.tcpPort());
}

TSimulatedLink::~TSimulatedLink()
{
    link.CloseTransports();
    if (server)
        server->stop();
}

void TSimulatedLink::open(Via via, int baudRate, bool wire)
{
    link.CloseTransports();
    server.reset(); // it would take the new pty's link with it
    const std::string pty = PtyPathFor("/tmp", "kt90sim");
    server = StartSimulator(ctl, {}, kt90::sim::Clock::Real, via, pty, wire);
    OpenOverSimulator(link, settings, via, *server, pty, baudRate);
}
