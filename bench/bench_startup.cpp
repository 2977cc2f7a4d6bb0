// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up to first paint: from the entry of main() until the window is
// exposed (offscreen), with the program's own start-up sequence. The connect
// that follows the first show is not part of it.

#include "console/application.h"
#include "console/main.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>

namespace {

struct ExposeWatch : QObject {
    QElapsedTimer& clock;
    qint64 exposedAt = -1;
    explicit ExposeWatch(QElapsedTimer& c) : clock(c) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Expose && exposedAt < 0) {
            exposedAt = clock.nsecsElapsed();
            QCoreApplication::quit();
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    LoadFonts();
    QTemporaryDir dir; // a settings file of its own: connect via nothing
    TFMainServices services;
    services.iniPath = dir.filePath("norvakKT90dde.ini");
    TFMain window(services);
    ExposeWatch watch(clock);
    window.winId();
    window.windowHandle()->installEventFilter(&watch);
    window.show();
    app.exec();
    std::printf("main() to first expose: %.1f ms\n", watch.exposedAt / 1e6);
    return 0;
}
