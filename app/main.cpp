#include "app/ripper_app.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // libvlc draws its picture only into X11 windows.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    CRipperApp app(PlatformServices::Linux());
    app.InitInstance();
    return app.ExitInstance();
}
