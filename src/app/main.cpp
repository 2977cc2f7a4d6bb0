// norvakKT90dde: the control panel of the KT-90 rotator controller.

#include "console/main.h"
#include "console/application.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    LoadFonts();
    TFMain window;
    window.show();
    return app.exec();
}
