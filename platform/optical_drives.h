#pragma once
// Optical drives that hold a disc, mounted or not, and word of a disc put
// in or taken out: on a machine where nothing mounts discs, this is how one
// is found.
#include <QFileSystemWatcher>
#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <string>
#include <vector>

class IOpticalDrives {
public:
    virtual ~IOpticalDrives() = default;
    // The devices of the drives that hold a disc now.
    virtual std::vector<std::string> WithDisc() const = 0;
};

// The machine's drives (/sys/block/sr*), asked with CDROM_DRIVE_STATUS.
class SystemOpticalDrives : public IOpticalDrives {
public:
    std::vector<std::string> WithDisc() const override;
};

// A stand-in: the file TARVOK_DRIVES names lists a device (or an image
// standing for one) a line.
class ListedOpticalDrives : public IOpticalDrives {
public:
    explicit ListedOpticalDrives(std::string listPath) : listPath(std::move(listPath)) {}
    std::vector<std::string> WithDisc() const override;

private:
    std::string listPath;
};

// The drives of this run: the stand-in when TARVOK_DRIVES is set, else the machine's.
std::unique_ptr<IOpticalDrives> MachineOpticalDrives();

// True when a kernel uevent (ACTION@DEVPATH, then KEY=VALUE, each ending
// in a 0 byte) tells of an optical drive or its medium.
bool IsOpticalDriveEvent(const std::string& message);

// Signals `changed` on each kernel uevent of an optical drive, or, with the
// stand-in, on each change of its file. No polling: idle, it waits.
class OpticalDriveEvents : public QObject {
    Q_OBJECT
public:
    explicit OpticalDriveEvents(QObject* parent = nullptr);
    ~OpticalDriveEvents() override;

signals:
    void changed();

private:
    int uevents = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    QFileSystemWatcher listWatcher;
};
