// SPDX-License-Identifier: GPL-3.0-or-later
// norvakKT90dde: the control panel of the KT-90 rotator controller.

#include "console/main.h"
#include "cli/cliargs.h"
#include "console/application.h"

#include <cstring>
#include <iostream>

namespace {

const char* const kHelp = R"(Usage: norvakKT90dde [Qt options]

The control panel of the KT-90 rotator controller: the antenna's position,
pointing, jogging with the arrow keys, the six power outputs, following a
satellite from a tracking program, and the controller's configuration block.
It serves the hamlib network rotator protocol on 127.0.0.1:4533.

Settings: norvakKT90dde.ini beside the program when its folder may be
written, else $XDG_CONFIG_HOME/norvakKT90dde/norvakKT90dde.ini.

Options:
  --help      this text
  --version   the version
Qt's own options (-platform, -style, ...) are taken as well.
)";

} // namespace

int main(int argc, char** argv)
{
    // Answered before any window system is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::cout << kHelp;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << kt90::cli::VersionLine("norvakKT90dde");
            return 0;
        }
    }
    TApplication app(argc, argv);
    LoadFonts();
    TFMain window;
    window.show();
    return app.exec();
}
