// What the main window does to the drive and the computer.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"

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
    const std::string failure = app.Services().power->PowerOff();
    if (!failure.empty()) app.Services().messageBoxes->Show(this, failure, app.productName, MbButtons::Ok, MbIcon::Error);
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
