// SPDX-License-Identifier: GPL-3.0-or-later
// kt90ctl: the controller from the command line, on the panel's own link.

#include "cli/cliargs.h"
#include "config/configfile.h"
#include "config/transfer.h"
#include "core/angleline.h"
#include "core/errors.h"
#include "core/exchange.h"
#include "link/devicelink.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kHelp =
    R"(Usage: kt90ctl (--tcp HOST[:PORT] | --serial DEVICE [--baud N]) [--timeout MS] COMMAND

Talks to a KT-90 rotator controller over TCP (port 23 unless given) or a
serial port (460800 baud unless given). --timeout bounds the wait for each
reply (default 500 ms).

Commands:
  status                  the angle line and the output cells, written as the
                          controller's configuration block says
  watch [--interval MS]   poll every MS ms (default 250) and print the angle
                          line whenever it changes, until interrupted
  goto M1 M2              set the position in degrees; "-" leaves an axis
  stop                    stop both motors
  jog MASK                set the jog mask: 1 left, 2 right, 4 up, 8 down, 0
                          releases
  outputs [MASK]          switch the six outputs to MASK (bit 0 = output 1),
                          then show them
  download FILE           read the 496-byte configuration block into FILE
  upload FILE             write the configuration block in FILE to the
                          controller and have it stored (a shorter file is
                          completed with the default values)

The output cells print "#" where an output's bit is 0, as the panel's glyph.
Exit status: 0 done, 1 the controller or the link failed (the reason goes to
standard error), 2 bad usage.
)";

using kt90::cli::Usage;

struct Args {
    std::string tcpHost;
    quint16 tcpPort = 23;
    std::string device;
    int baud = 460800;
    int timeout = 500;
    int interval = 250;
    std::string command;
    std::vector<std::string> operands;
    double m1 = -360.0; // goto
    double m2 = -360.0;
    std::optional<long> mask; // jog, outputs
};

long integer(const std::string& opt, const std::string& text, long lo, long hi)
{
    return kt90::cli::Integer(opt, text, lo, hi);
}

// An axis angle, read with a decimal point whatever the locale; "-" is the
// axis left where it is.
double angle(const std::string& text)
{
    if (text == "-")
        return -360.0;
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty())
        throw Usage{"an angle is a number of degrees or \"-\", not \"" + text + "\""};
    return v;
}

Args parse(int argc, char** argv)
{
    Args a;
    int i = 1;
    auto value = [&](const std::string& opt) -> std::string {
        if (i + 1 >= argc)
            throw Usage{opt + " needs a value"};
        return argv[++i];
    };
    for (; i < argc; ++i) {
        const std::string s = argv[i];
        if (s == "--help" || s == "-h") {
            std::cout << kHelp;
            std::exit(0);
        } else if (s == "--version") {
            std::cout << kt90::cli::VersionLine("kt90ctl");
            std::exit(0);
        } else if (s == "--tcp") {
            const kt90::cli::HostPort hp = kt90::cli::ParseHostPort(s, value(s), a.tcpPort);
            a.tcpHost = hp.host;
            a.tcpPort = hp.port;
        } else if (s == "--serial") {
            a.device = value(s);
        } else if (s == "--baud") {
            a.baud = static_cast<int>(integer(s, value(s), 50, 4000000));
        } else if (s == "--timeout") {
            a.timeout = static_cast<int>(integer(s, value(s), 1, 60000));
        } else if (s == "--interval" && a.command == "watch") {
            a.interval = static_cast<int>(integer(s, value(s), 1, 3600000));
        } else if (s.size() > 1 && s[0] == '-' && !(a.command == "goto" && s == "-") &&
                   !(a.command == "goto" &&
                     (std::isdigit(static_cast<unsigned char>(s[1])) || s[1] == '.'))) {
            throw Usage{"unknown option " + s};
        } else if (a.command.empty()) {
            a.command = s;
        } else {
            a.operands.push_back(s);
        }
    }
    if (a.tcpHost.empty() == a.device.empty())
        throw Usage{"give either --tcp HOST[:PORT] or --serial DEVICE"};
    const std::vector<std::pair<std::string, std::pair<std::size_t, std::size_t>>> arity = {
        {"status", {0, 0}}, {"watch", {0, 0}},   {"goto", {2, 2}},     {"stop", {0, 0}},
        {"jog", {1, 1}},    {"outputs", {0, 1}}, {"download", {1, 1}}, {"upload", {1, 1}},
    };
    for (const auto& [name, n] : arity) {
        if (name != a.command)
            continue;
        if (a.operands.size() < n.first || a.operands.size() > n.second)
            throw Usage{a.command + ": wrong number of arguments"};
        if (a.command == "goto") {
            a.m1 = angle(a.operands[0]);
            a.m2 = angle(a.operands[1]);
        } else if (a.command == "jog") {
            a.mask = integer("MASK", a.operands[0], 0, 15);
        } else if (a.command == "outputs" && !a.operands.empty()) {
            a.mask = integer("MASK", a.operands[0], 0, 63);
        }
        return a;
    }
    throw Usage{a.command.empty() ? "no command given" : "unknown command " + a.command};
}

using Settings = TFixedLinkSettings;

std::string printable(const QString& line)
{
    std::string s = line.toStdString();
    for (char& c : s)
        if (c == kt90::kOutputOffGlyph)
            c = '#';
    return s;
}

void printOutputs(const TDeviceLink& link)
{
    std::cout << "OUTS  1 2 3 4 5 6\n" << printable(link.outputsLine.Text()) << "\n";
}

// The operator of a script: every question is answered yes, every box is a
// line of text.
struct ConsoleUi : IOperatorUi {
    bool Confirm(const QString&) override { return true; }
    void ShowError(const QString& text) override
    {
        std::cerr << "kt90ctl: " << text.toStdString() << "\n";
    }
    void ShowInformation(const QString& text) override { std::cout << text.toStdString() << "\n"; }
    void BeginBusy() override {}
    void EndBusy() override {}
};

int transferBlock(TDeviceLink& link, const Args& a)
{
    ConsoleUi ui;
    TConfigTransfer transfer(link, ui);
    const QString file = QString::fromLocal8Bit(a.operands[0].c_str());
    if (a.command == "download") {
        link.ROTn_GetVars(true);
        WriteConfigFile(file, link.currentConfig());
        std::cout << "downloaded " << kt90::kBlockSize << " bytes to " << a.operands[0] << "\n";
        return 0;
    }
    const kt90::TktFRAMParams block = ReadConfigFile(file, kt90::TktFRAMParams{});
    const auto outcome =
        transfer.ROTn_PutData(block.bytes.data(), 1, static_cast<int>(kt90::kBlockSize));
    return outcome == TConfigTransfer::UploadOutcome::Stored ? 0 : 1;
}

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &b, 1);
}

int watch(QCoreApplication& app, TDeviceLink& link, const Settings& settings)
{
    if (pipe(signalPipe) != 0)
        throw kt90::Error(std::strerror(errno));
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QSocketNotifier interrupted(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupted, &QSocketNotifier::activated, &app, [&app] { app.exit(0); });

    QObject::connect(&link.angleLine, &TReadout::changed, &app,
                     [](const QString& line) { std::cout << printable(line) << std::endl; });
    // The poll drops link errors; a transport that is gone ends the watch.
    QTimer alive;
    QObject::connect(&alive, &QTimer::timeout, &app, [&] {
        if (!link.IsOpen()) {
            std::cerr << "kt90ctl: the connection to the controller was lost\n";
            app.exit(1);
        }
    });
    alive.start(std::max(settings.pooling, 250));
    link.StartPoll(settings.pooling);
    QTimer::singleShot(0, &link, [&link] { link.tmrRefreshTimer(); });
    return app.exec();
}

int run(QCoreApplication& app, const Args& a)
{
    kt90::TktFRAMParams current;
    TQtSerialPort serial;
    TQtTcpClient tcp;
    Settings settings;
    settings.timeout = a.timeout;
    settings.pooling = a.interval;
    settings.serial = !a.device.empty();
    TDeviceLink link(serial, tcp, current);
    link.setOptions(&settings);

    if (settings.serial)
        link.OpenSerial(QString::fromStdString(a.device), a.baud);
    else
        link.OpenTcp(QString::fromStdString(a.tcpHost), a.tcpPort);

    // As the panel does on connecting: the block tells the motors' kinds and
    // the display mode the angle line is written with.
    if (a.command == "status" || a.command == "watch")
        link.ROTn_GetVars(true);
    if (a.command == "watch")
        return watch(app, link, settings);
    if (a.command == "download" || a.command == "upload")
        return transferBlock(link, a);

    if (a.command == "status") {
        link.Exchange(kt90::statusCommand(), 0);
        link.Exchange(kt90::outputsQuery(), 2);
        std::cout << printable(link.angleLine.Text()) << "\n";
        printOutputs(link);
    } else if (a.command == "goto") {
        // The set-position command carries the resolutions the controller
        // reports, so ask once first.
        link.Exchange(kt90::statusCommand(), 0);
        link.SendPosition(a.m1, a.m2);
        if (!settings.serial && link.fState() != kt90::ExchangeReplied)
            kt90::ThrowExchangeError(link.fState());
    } else if (a.command == "stop") {
        link.Exchange(kt90::stopCommand(), 0);
    } else if (a.command == "jog") {
        link.Exchange(kt90::jogCommand(static_cast<std::uint32_t>(*a.mask)), 0);
    } else if (a.command == "outputs") {
        if (a.mask)
            link.Exchange(kt90::setOutputsCommand(static_cast<std::uint8_t>(*a.mask)), 0);
        link.Exchange(kt90::outputsQuery(), 2);
        char mask[8];
        std::snprintf(mask, sizeof mask, "0x%02X", link.fOuts());
        std::cout << "outputs " << mask << "\n";
        printOutputs(link);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Args args;
    try {
        args = parse(argc, argv);
    } catch (const Usage& u) {
        std::cerr << "kt90ctl: " << u.why << "\nTry kt90ctl --help.\n";
        return 2;
    }
    QCoreApplication app(argc, argv);
    try {
        return run(app, args);
    } catch (const std::exception& e) {
        std::cerr << "kt90ctl: " << e.what() << "\n";
        return 1;
    }
}
