// SPDX-License-Identifier: GPL-3.0-or-later
// kt90rotd: a KT-90 served as a hamlib network rotator on a computer without
// a screen, for as long as it runs.

#include "cli/cliargs.h"
#include "station.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

const char* const kHelp =
    R"help(Usage: kt90rotd [--config FILE] [--tcp HOST[:PORT] | --serial DEVICE [--baud N]]

Serves a KT-90 rotator controller as a hamlib network rotator (the protocol
of rotctld, for Gpredict, Look4Sat, SatNOGS and rotctl -m 2), without a
window. It connects to the controller, reads its configuration block, polls
it and answers the clients; a failed connection or a lost controller is
tried again every "Reconnect (s)" seconds (5 unless set).

Settings come from the panel's settings file: [Options] for the link,
[Rotctld] for the server (Bind, Port, Allow, Park azimuth, Park elevation).
FILE is read, not written; without --config,
$XDG_CONFIG_HOME/norvakKT90dde/norvakKT90dde.ini. --tcp (port 23 unless
given) or --serial (--baud, 460800 unless given) take the place of the
file's link settings.

One line per event goes to standard error. SIGTERM or SIGINT stops a move
a client started, closes the link and ends with status 0.
Exit status: 1 the server could not listen, 2 bad usage.

Options:
  --config FILE   the settings file
  --tcp HOST[:PORT], --serial DEVICE, --baud N
  --help, --version
)help";

constexpr int kDefaultRetrySeconds = 5;

struct Args {
    QString config;
    std::string tcpHost;
    unsigned short tcpPort = 23;
    std::string device;
    int baud = 460800;
};

Args parse(int argc, char** argv)
{
    Args a;
    for (int i = 1; i < argc; ++i) {
        const std::string s = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw kt90::cli::Usage{s + " needs a value"};
            return argv[++i];
        };
        if (s == "--help" || s == "-h") {
            std::cout << kHelp;
            std::exit(0);
        } else if (s == "--version") {
            std::cout << kt90::cli::VersionLine("kt90rotd");
            std::exit(0);
        } else if (s == "--config") {
            a.config = QString::fromLocal8Bit(value().c_str());
        } else if (s == "--tcp") {
            const auto hp = kt90::cli::ParseHostPort(s, value(), a.tcpPort);
            a.tcpHost = hp.host;
            a.tcpPort = hp.port;
        } else if (s == "--serial") {
            a.device = value();
        } else if (s == "--baud") {
            a.baud = static_cast<int>(kt90::cli::Integer(s, value(), 50, 4000000));
        } else {
            throw kt90::cli::Usage{"unknown option " + s};
        }
    }
    if (!a.tcpHost.empty() && !a.device.empty())
        throw kt90::cli::Usage{"give --tcp or --serial, not both"};
    return a;
}

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &b, 1);
}

} // namespace

int main(int argc, char** argv)
{
    Args args;
    try {
        args = parse(argc, argv);
    } catch (const kt90::cli::Usage& u) {
        std::cerr << "kt90rotd: " << u.why << "\nTry kt90rotd --help.\n";
        return 2;
    }
    QCoreApplication app(argc, argv);
    // The station's events, one line each, for the journal; the link's
    // frames stay off unless QT_LOGGING_RULES asks for them.
    QLoggingCategory::setFilterRules(QStringLiteral("kt90.rotctld.info=true\nkt90.link.info=true"));
    qSetMessagePattern(QStringLiteral("%{category}: %{message}"));

    const QString config = args.config.isEmpty() ? UserSettingsPath() : args.config;
    if (!args.config.isEmpty() && !QFileInfo(config).isReadable()) {
        std::cerr << "kt90rotd: cannot read " << config.toStdString() << "\n";
        return 2;
    }
    TStationSettings link = TStationSettings::Read(config);
    if (!args.tcpHost.empty()) {
        link.serial = false;
        link.host = QString::fromStdString(args.tcpHost);
        link.hostPort = args.tcpPort;
    } else if (!args.device.empty()) {
        link.serial = true;
        link.port = QString::fromStdString(args.device);
        link.baud = args.baud;
    }
    const int retry = link.reconnectSeconds > 0 ? link.reconnectSeconds : kDefaultRetrySeconds;
    TStation station(link, TRotctlSettings::Read(config), retry);

    if (pipe(signalPipe) != 0) {
        std::cerr << "kt90rotd: " << std::strerror(errno) << "\n";
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] {
        stop.setEnabled(false);
        qCInfo(lcStation, "stopping");
        station.shutdown();
        app.exit(0);
    });

    if (!station.start())
        return 1;
    return app.exec();
}
