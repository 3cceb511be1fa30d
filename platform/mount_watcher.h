#pragma once
// Turns changes of the mount table into volume arrivals and removals. Only
// volumes with a block device count: tmpfs, FUSE and the like come and go
// with no disc in them.
#include "platform/volume_table.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <set>
#include <string>

class MountWatcher : public QObject {
    Q_OBJECT
public:
    // Watches `mountTablePath` (the kernel's mountinfo, or a stand-in file);
    // an empty path watches nothing and leaves Check() to the caller.
    MountWatcher(const IVolumeTable& volumes, const std::string& mountTablePath, QObject* parent = nullptr);
    ~MountWatcher() override;
    // Compares the volumes with the last look and signals what changed.
    void Check();

signals:
    void volumeArrived();
    void volumeRemoved();

private:
    std::set<std::pair<std::string, std::string>> Current() const;

    const IVolumeTable& volumes;
    std::set<std::pair<std::string, std::string>> known;  // (device, root)
    int kernelTable = -1;
    std::unique_ptr<QSocketNotifier> kernelNotifier;
    QFileSystemWatcher fileWatcher;
};
