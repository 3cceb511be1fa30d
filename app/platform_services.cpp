#include "app/platform_services.h"

PlatformServices PlatformServices::Linux()
{
    PlatformServices services;
    services.messageBoxes = std::make_unique<QtMessageBoxes>();
    services.fileDialogs = std::make_unique<QtFileDialogs>();
    services.shell = std::make_unique<DesktopShell>();
    auto volumes = std::make_unique<MountTableVolumes>();
    services.mountTablePath = volumes->MountInfoPath();
    services.volumes = std::move(volumes);
    services.drives = std::make_unique<LinuxDriveControl>(QDBusConnection::systemBus());
    services.power = std::make_unique<LogindPower>(QDBusConnection::systemBus());
    services.windowMover = std::make_unique<SystemWindowMover>();
    return services;
}
