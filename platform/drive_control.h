#pragma once
// The DVD drive's tray and its media lock.
#include <QDBusConnection>

#include <string>

class IDriveControl {
public:
    virtual ~IDriveControl() = default;
    // Opens or closes the tray of the drive at `device`; 0 on success, else an errno.
    virtual int SetDoor(const std::string& device, bool open) = 0;
    // Locks (or unlocks) the drive against removing the disc; true when the drive took it.
    virtual bool Lock(const std::string& device, bool prevent) = 0;
};

// Ejects through UDisks2 on `bus` when it answers (it unmounts the disc with
// the desktop's permissions first), else with the CD-ROM ioctls; locks and
// closes with the ioctls. A device that cannot be opened fails quietly.
class LinuxDriveControl : public IDriveControl {
public:
    explicit LinuxDriveControl(QDBusConnection bus);
    int SetDoor(const std::string& device, bool open) override;
    bool Lock(const std::string& device, bool prevent) override;

private:
    bool EjectWithUdisks(const std::string& device);
    QDBusConnection bus;
};
