// What the main window does to the drive and the computer.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"

#include <QPointer>

#include <cerrno>

std::string CRipperDlg::SourceDrive() const
{
    auto volume = VolumeHolding(source.Volumes().List(), source.GetVideoTsPath());
    return volume && !source.GetVideoTsPath().empty() ? VolumeId(*volume) : std::string();
}

int CRipperDlg::SetDriveDoor(const std::string& drive, bool open)
{
    auto volume = VolumeNamed(source.Volumes().List(), drive);
    if (!volume || volume->device.empty()) return ENODEV;
    return app.Services().drives->SetDoor(volume->device, open);
}

bool CRipperDlg::LockDrive(bool prevent)
{
    auto volume = VolumeNamed(source.Volumes().List(), SourceDrive());
    if (!volume || volume->device.empty()) return false;
    return app.Services().drives->Lock(volume->device, prevent);
}

void CRipperDlg::ShutdownComputer()
{
    // The answer comes later; the window may be gone by then.
    app.Services().power->PowerOff([window = QPointer<CRipperDlg>(this)](const std::string& failure) {
        if (window && !failure.empty())
            window->app.Services().messageBoxes->Show(window, failure, window->app.productName, MbButtons::Ok, MbIcon::Error);
    });
}

void CRipperDlg::RunCompletionActions()
{
    LockDrive(false);
    if (settings.shutdownWhenComplete != 0) {
        ShutdownComputer();
        return;
    }
    if (settings.openFolderWhenDone != 0) app.Services().shell->Open(outputFolder);
    if (settings.ejectDvdWhenDone != 0) SetDriveDoor(SourceDrive(), true);
}
