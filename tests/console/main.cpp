// Console tests run the real application object, with its error handler.
#include "console/application.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime; // the tracker conversation's own directory
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    TApplication app(argc, argv);
    LoadFonts(); // as the program does, so that grabs look like it
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
