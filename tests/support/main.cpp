// SPDX-License-Identifier: GPL-3.0-or-later
// The one main of the test programs that need Qt: the application object of
// the program's layer, and a runtime and configuration folder of the test
// process's own (the tracker conversation's socket, per-user settings), so
// that tests neither see nor touch the user's.

#include <QTemporaryDir>

#include <gtest/gtest.h>

#if defined(KT90_TEST_CONSOLE)
#include "console/application.h"
using TestApplication = TApplication;
#elif defined(KT90_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (runtime.path() + "/config").toLocal8Bit());
    TestApplication app(argc, argv);
#if defined(KT90_TEST_CONSOLE)
    LoadFonts(); // as the program does, so that grabs look like it
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
