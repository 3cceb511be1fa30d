// What the main window does to the drive and the computer.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"

#include "dvd/disc_files.h"

#include <QPointer>

#include <cerrno>

namespace {

// The block device of the drive `drive` names: a volume's device, or a
// drive named by its device whether mounted or not; empty for none.
std::string DeviceOf(const std::vector<Volume>& volumes, const std::string& drive)
{
    if (auto volume = VolumeNamed(volumes, drive)) return volume->device;
    return IsDrive(drive) ? drive : std::string();
}

}  // namespace

std::string CRipperDlg::SourceDrive() const
{
    const std::string& disc = source.GetVideoTsPath();
    // An image has no drive; a drive named as such is its own.
    if (IsDiscImageOrDrive(disc)) return IsDrive(disc) ? disc : std::string();
    auto volume = VolumeHolding(source.Volumes().List(), disc);
    return volume && !disc.empty() ? VolumeId(*volume) : std::string();
}

int CRipperDlg::SetDriveDoor(const std::string& drive, bool open)
{
    const std::string device = DeviceOf(source.Volumes().List(), drive);
    if (device.empty()) return ENODEV;
    return app.Services().drives->SetDoor(device, open);
}

bool CRipperDlg::LockDrive(bool prevent)
{
    const std::string device = DeviceOf(source.Volumes().List(), SourceDrive());
    if (device.empty()) return false;
    return app.Services().drives->Lock(device, prevent);
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
