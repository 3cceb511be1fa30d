#include "platform/platform_services.h"

PlatformServices PlatformServices::Linux()
{
    PlatformServices services;
    services.messageBoxes = std::make_unique<QtMessageBoxes>();
    services.fileDialogs = std::make_unique<QtFileDialogs>();
    services.shell = std::make_unique<DesktopShell>();
    return services;
}
