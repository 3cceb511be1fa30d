// What the main window does to the drive and the computer.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"

#include "dvd/disc_files.h"

#include <QPointer>

#include <cerrno>

namespace {

// The optical drive `drive` names: a volume's device, or a drive named by its
// device whether mounted or not; empty for anything else.
std::string OpticalDriveNamed(const std::vector<Volume>& volumes, const std::string& drive)
{
    if (auto volume = VolumeNamed(volumes, drive)) return volume->optical ? volume->device : std::string();
    return IsDrive(drive) && IsOpticalDrive(drive) ? drive : std::string();
}

}  // namespace

std::string CRipperDlg::DiscDriveOf(const std::string& disc) const
{
    // An image has no drive; a drive named as such is its own.
    if (IsDiscImageOrDrive(disc)) return IsDrive(disc) && IsOpticalDrive(disc) ? disc : std::string();
    auto volume = VolumeHolding(source.Volumes().List(), disc);
    return volume && volume->optical && !disc.empty() ? volume->device : std::string();
}

int CRipperDlg::SetDriveDoor(const std::string& drive, bool open)
{
    const std::string device = OpticalDriveNamed(source.Volumes().List(), drive);
    if (device.empty()) return ENODEV;
    return app.Services().drives->SetDoor(device, open);
}

bool CRipperDlg::LockDrive(bool prevent)
{
    if (discDrive.empty()) return false;
    return app.Services().drives->Lock(discDrive, prevent);
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
    // The drive the disc was loaded from, even once its volume has gone.
    if (settings.ejectDvdWhenDone != 0 && !discDrive.empty()) app.Services().drives->SetDoor(discDrive, true);
}
