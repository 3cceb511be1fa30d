#include "app/ripper_app.h"

#include <QApplication>
#include <QFile>
#include <QUrl>

int main(int argc, char* argv[])
{
    // The main window and the preview sit at fixed places on the screen, which Wayland does not allow.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    CRipperApp app(PlatformServices::Linux());
    // tarvok-dvd-ripper [SOURCE]: a folder, a disc image or a drive (a file manager may hand a URL).
    if (application.arguments().size() > 1) {
        const QString source = application.arguments().at(1);
        const QUrl url(source);
        app.givenSource = QFile::encodeName(url.isLocalFile() ? url.toLocalFile() : source).toStdString();
    }
    app.InitInstance();
    return app.ExitInstance();
}
