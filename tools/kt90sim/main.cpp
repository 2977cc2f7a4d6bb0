// SPDX-License-Identifier: GPL-3.0-or-later
// kt90sim: a stand-in for the KT-90 controller on TCP and on a pseudo-terminal.

#include "cli/cliargs.h"
#include "kt90sim/simserver.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

using namespace kt90::sim;

namespace {

std::atomic<bool> stopRequested{false};

void onSignal(int) { stopRequested = true; }

const char* const kHelp = R"(Usage: kt90sim [--tcp HOST:PORT] [--pty PATH] [options]

Simulates a KT-90 antenna rotator controller: two motors that move towards
their set positions, jog, six power outputs and the 496-byte configuration
block (the default block at start; its pulse counters follow the motors).
Every frame received and every reply sent is printed on standard output.

Where it listens (at least one):
  --tcp HOST:PORT     serve TCP; PORT 0 picks a free port (printed at start)
  --pty PATH          open a pseudo-terminal; PATH becomes a symbolic link to
                      its slave side, to be opened as a serial port

Rotator:
  --speed DEG         motor speed in degrees per second (default 6)
  --m1 DEG, --m2 DEG  start angles of motor 1 and motor 2 (default 0)
  --gear1 N, --gear2 N
                      resolution bytes reported for each motor (default 10)

Fault modes, for testing the panel:
  --silent            receive everything, answer nothing
  --refuse            refuse every upload step (header, data, store)
  --delay MS          send each reply MS milliseconds late
  --split N[,N...]    send each reply in pieces of these sizes (the last size
                      repeats), --piece-gap MS apart (default 5)
  --piece-gap MS
  --garbage TEXT      send the bytes of TEXT before each reply
  --close-after N     answer N frames, then hang up when the next arrives
                      (on TCP the connection is closed, on a pty the line goes
                      silent)

Other:
  --wire              on the pty, deliver each reply only after the time its
                      bytes and the command's would take on a real line at
                      the rate the client set
  --quiet             do not print the traffic
  --help              this text
  --version           the version

On the serial side a set-position command gets no reply; over TCP it is
answered with a position reply, as the controller does.
)";

[[noreturn]] void usage(const std::string& why)
{
    std::cerr << "kt90sim: " << why << "\nTry kt90sim --help.\n";
    std::exit(2);
}

double number(const std::string& opt, const char* text)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0')
        usage(opt + " wants a number, not \"" + text + "\"");
    return v;
}

std::uint64_t count(const std::string& opt, const char* text)
{
    const double v = number(opt, text);
    if (v < 0 || v != static_cast<double>(static_cast<std::uint64_t>(v)))
        usage(opt + " wants a whole number of 0 or more");
    return static_cast<std::uint64_t>(v);
}

std::vector<std::size_t> pieceSizes(const std::string& text)
{
    std::vector<std::size_t> sizes;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = text.find(',', at);
        const std::string one =
            text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        const std::uint64_t n = count("--split", one.c_str());
        if (n == 0)
            usage("--split sizes must be 1 or more");
        sizes.push_back(static_cast<std::size_t>(n));
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    return sizes;
}

} // namespace

int main(int argc, char** argv)
{
    SimSettings settings;
    SimFaults faults;
    std::string tcp;
    std::string pty;
    bool quiet = false;
    bool wire = false;

    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            return 0;
        } else if (a == "--version") {
            std::cout << kt90::cli::VersionLine("kt90sim");
            return 0;
        } else if (a == "--tcp") {
            tcp = value();
        } else if (a == "--pty") {
            pty = value();
        } else if (a == "--speed") {
            settings.speed = number(a, value());
        } else if (a == "--m1") {
            settings.m1 = number(a, value());
        } else if (a == "--m2") {
            settings.m2 = number(a, value());
        } else if (a == "--gear1" || a == "--gear2") {
            const std::uint64_t g = count(a, value());
            if (g > 255)
                usage(a + " is a byte, 0..255");
            (a == "--gear1" ? settings.m1Gear : settings.m2Gear) = static_cast<std::uint8_t>(g);
        } else if (a == "--silent") {
            faults.silent = true;
        } else if (a == "--refuse") {
            settings.refuseAcknowledgements = true;
        } else if (a == "--delay") {
            faults.delayMs = count(a, value());
        } else if (a == "--split") {
            faults.pieces = pieceSizes(value());
        } else if (a == "--piece-gap") {
            faults.pieceGapMs = count(a, value());
        } else if (a == "--garbage") {
            const std::string g = value();
            faults.garbage.assign(g.begin(), g.end());
        } else if (a == "--close-after") {
            faults.closeAfter = static_cast<long>(count(a, value()));
        } else if (a == "--wire") {
            wire = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else {
            usage("unknown option " + a);
        }
    }
    if (tcp.empty() && pty.empty())
        usage("give --tcp HOST:PORT, --pty PATH or both");

    SimStream::Log log;
    if (!quiet)
        log = [](const std::string& line) { std::cout << line << std::endl; };

    SimController controller(settings);
    try {
        SimServer server(controller, faults, Clock::Real, log);
        server.setWireEmulation(wire);
        if (!tcp.empty()) {
            const std::size_t colon = tcp.rfind(':');
            if (colon == std::string::npos)
                usage("--tcp wants HOST:PORT");
            const std::uint64_t port = count("--tcp", tcp.c_str() + colon + 1);
            if (port > 65535)
                usage("--tcp port is 0..65535");
            server.listenTcp(tcp.substr(0, colon), static_cast<std::uint16_t>(port));
            std::cout << "kt90sim: listening on " << tcp.substr(0, colon) << ":" << server.tcpPort()
                      << std::endl;
        }
        if (!pty.empty()) {
            server.openPty(pty);
            std::cout << "kt90sim: serial port " << pty << " -> " << server.ptySlave() << std::endl;
        }
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGPIPE, SIG_IGN);
        server.run(stopRequested);
    } catch (const std::exception& e) {
        std::cerr << "kt90sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
