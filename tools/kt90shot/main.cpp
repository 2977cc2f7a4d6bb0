// SPDX-License-Identifier: GPL-3.0-or-later
// kt90shot: the panel as it looks, written to a PNG. It runs the real main
// window against whatever its settings file names, lets it connect and poll
// for a while, and grabs the window.

#include "console/main.h"
#include "console/application.h"

#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr,
                     "Usage: kt90shot SETTINGS.ini OUT.png [--options] [--page N] [--wait MS]\n");
        return 2;
    }
    TApplication app(argc, argv);
    LoadFonts();
    TFMainServices services;
    services.iniPath = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    bool options = false;
    int page = 0;
    int wait = 2500;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--options") == 0)
            options = true;
        else if (std::strcmp(argv[i], "--page") == 0 && i + 1 < argc)
            page = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc)
            wait = std::atoi(argv[++i]);
    }
    TFMain window(services);
    window.show();
    if (options)
        window.btnHideOptsClick();
    int rc = 1;
    QTimer::singleShot(wait, &window, [&] {
        window.PageTabs->setCurrentIndex(page);
        rc = window.grab().save(out) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return rc;
}
