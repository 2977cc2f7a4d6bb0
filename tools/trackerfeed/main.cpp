// SPDX-License-Identifier: GPL-3.0-or-later
// trackerfeed: serves tracker lines to the panel over the conversation the
// satellite tracker would use (service "Orbitron", topic "Tracking", item
// "TrackingDataEx"): each line of standard input, the lines of a file, or a
// simulated pass.

#include "cli/cliargs.h"
#include "trackerfeed/feedserver.h"
#include "tracking/conversationpath.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace {

const char* const kHelp = R"(Usage: trackerfeed [options]

Publishes tracker data lines for the KT-90 panel. The panel reads them over
a local socket in $XDG_RUNTIME_DIR/kt90dde (or /tmp/kt90dde-UID) named
SERVICE.TOPIC, with the line protocol described in the README.

Sources (one):
  (none)              each line read from standard input is published
  --file FILE         the lines of FILE, one every --interval ms
  --pass              a simulated satellite pass, repeated

Options:
  --interval MS       time between lines of --file or --pass (default 1000)
  --duration S        length of one simulated pass (default 120)
  --max-el DEG        highest elevation of the pass (default 60)
  --name NAME         satellite name of the pass (default SIM-1)
  --service NAME, --topic NAME, --item NAME
                      the conversation (default Orbitron, Tracking,
                      TrackingDataEx)
  --quiet             do not echo the lines published
  --help              this text
  --version           the version

A line looks like: SN"ISS" AZ123.4 EL45.0 UP145800000 DN437800000 UMFM DMFM
)";

[[noreturn]] void usage(const std::string& why)
{
    std::cerr << "trackerfeed: " << why << "\nTry trackerfeed --help.\n";
    std::exit(2);
}

double number(const char* opt, const char* text)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end)
        usage(std::string(opt) + " wants a number");
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString service = "Orbitron", topic = "Tracking", item = "TrackingDataEx";
    QString file, name = "SIM-1";
    bool pass = false, quiet = false;
    int interval = 1000;
    double duration = 120, maxEl = 60;
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
            std::cout << kt90::cli::VersionLine("trackerfeed");
            return 0;
        } else if (a == "--file") {
            file = QString::fromLocal8Bit(value());
        } else if (a == "--pass") {
            pass = true;
        } else if (a == "--interval") {
            interval = static_cast<int>(number("--interval", value()));
        } else if (a == "--duration") {
            duration = number("--duration", value());
        } else if (a == "--max-el") {
            maxEl = number("--max-el", value());
        } else if (a == "--name") {
            name = QString::fromLocal8Bit(value());
        } else if (a == "--service") {
            service = value();
        } else if (a == "--topic") {
            topic = value();
        } else if (a == "--item") {
            item = value();
        } else if (a == "--quiet") {
            quiet = true;
        } else {
            usage("unknown option " + a);
        }
    }
    if (interval < 1 || duration <= 0)
        usage("--interval and --duration must be positive");

    TFeedServer server(service, topic, item);
    if (!server.listen()) {
        std::cerr << "trackerfeed: cannot serve " << ConversationPath(service, topic).toStdString()
                  << ": " << server.errorString().toStdString() << "\n";
        return 1;
    }
    std::cout << "trackerfeed: serving " << ConversationPath(service, topic).toStdString()
              << std::endl;
    const auto publish = [&](const QByteArray& line) {
        server.setText(line);
        if (!quiet)
            std::cout << line.toStdString() << std::endl;
    };

    QTimer tick;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    input.setEnabled(false);
    QList<QByteArray> lines;
    int next = 0;
    double t = 0;
    if (pass) {
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const double f = std::fmod(t, duration) / duration;
            const double az = std::fmod(200.0 + 140.0 * f, 360.0);
            const double el = maxEl * std::sin(M_PI * f);
            char text[160];
            std::snprintf(text, sizeof text,
                          "SN\"%s\" AZ%.1f EL%.1f UP145800000 DN437800000 UMFM DMFM",
                          name.toLocal8Bit().constData(), az, el);
            publish(text);
            t += interval / 1000.0;
        });
        tick.start(interval);
    } else if (!file.isEmpty()) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            std::cerr << "trackerfeed: " << f.errorString().toStdString() << "\n";
            return 1;
        }
        lines = f.readAll().split('\n');
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (next >= lines.size()) {
                next = 0;
            }
            publish(lines[next++].trimmed());
        });
        tick.start(interval);
    } else {
        input.setEnabled(true);
        QObject::connect(&input, &QSocketNotifier::activated, [&] {
            char buf[4096];
            const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) {
                input.setEnabled(false); // end of input: keep serving the last line
                return;
            }
            static QByteArray pending;
            pending.append(buf, static_cast<int>(n));
            for (int nl = pending.indexOf('\n'); nl >= 0; nl = pending.indexOf('\n')) {
                publish(pending.left(nl).trimmed());
                pending.remove(0, nl + 1);
            }
        });
    }
    return app.exec();
}
