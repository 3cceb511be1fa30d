// Prints what the application object makes of the executable's place, or
// holds the instance lock until killed ("hold"): run by the start-up tests.
#include "app/ripper_app.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    CRipperApp app(PlatformServices::Linux());
    if (argc > 1 && std::strcmp(argv[1], "hold") == 0) {
        app.productName = "Tarvok DVD Ripper";
        if (app.CheckSingleInstance()) return 1;
        std::puts("locked");
        std::fflush(stdout);
        pause();
        return 0;
    }
    app.InitModuleFolder();
    app.productName = "Tarvok DVD Ripper";
    app.codecsIniPath = app.moduleFolder + "codecs.ini";
    std::printf("%s\n%s\n", app.moduleFolder.c_str(), app.codecsIniPath.c_str());
    return 0;
}
