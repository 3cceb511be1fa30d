#include "platform/mount_watcher.h"

#include "platform/file_watch.h"

#include <fcntl.h>
#include <unistd.h>

MountWatcher::MountWatcher(const IVolumeTable& volumes, const std::string& path, QObject* parent)
    : QObject(parent), volumes(volumes), known(Current())
{
    if (path.empty()) return;
    if (path.starts_with("/proc/")) {
        // The kernel marks its mount table as exceptional when a mount changes.
        kernelTable = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (kernelTable >= 0) {
            kernelNotifier = std::make_unique<QSocketNotifier>(kernelTable, QSocketNotifier::Exception);
            connect(kernelNotifier.get(), &QSocketNotifier::activated, this, &MountWatcher::Check);
        }
        return;
    }
    WatchFile(fileWatcher, path, this, [this] { Check(); });
}

MountWatcher::~MountWatcher()
{
    kernelNotifier.reset();
    if (kernelTable >= 0) close(kernelTable);
}

std::set<std::pair<std::string, std::string>> MountWatcher::Current() const
{
    std::set<std::pair<std::string, std::string>> current;
    for (const Volume& volume : volumes.List())
        if (!volume.device.empty()) current.emplace(volume.device, volume.root);
    return current;
}

void MountWatcher::Check()
{
    const auto current = Current();
    const auto before = std::exchange(known, current);
    int arrived = 0, removed = 0;
    for (const auto& volume : current) arrived += !before.count(volume);
    for (const auto& volume : before) removed += !current.count(volume);
    // Removals first: a disc mounted again elsewhere is gone, then back.
    for (int i = 0; i < removed; ++i) emit volumeRemoved();
    for (int i = 0; i < arrived; ++i) emit volumeArrived();
}
