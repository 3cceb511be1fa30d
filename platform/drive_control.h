#pragma once
// The DVD drive's tray and its media lock.
#include <QDBusConnection>

#include <string>
#include <thread>

class IDriveControl {
public:
    virtual ~IDriveControl() = default;
    // Opens or closes the tray of the drive at `device`; 0 on success, else an
    // errno. Opening may go on in the background once asked (0 then).
    virtual int SetDoor(const std::string& device, bool open) = 0;
    // Locks (or unlocks) the drive against removing the disc; true when the drive took it.
    virtual bool Lock(const std::string& device, bool prevent) = 0;
};

// Ejects through UDisks2 on `bus` when it answers (it unmounts the disc with
// the desktop's permissions first), else with the CD-ROM ioctls; locks and
// closes with the ioctls. A device that cannot be opened fails quietly.
// An eject runs on a thread of its own: UDisks may take its time (an
// authorisation agent, a busy disc), and the window must not wait for it.
class LinuxDriveControl : public IDriveControl {
public:
    explicit LinuxDriveControl(QDBusConnection bus);
    ~LinuxDriveControl() override;
    int SetDoor(const std::string& device, bool open) override;
    bool Lock(const std::string& device, bool prevent) override;
    // Waits for the eject under way; its result (0 or an errno).
    int FinishEject();

private:
    int Eject(const std::string& device);
    bool EjectWithUdisks(const std::string& device);
    QDBusConnection bus;
    std::thread ejecting;
    int ejectResult = 0;
};
