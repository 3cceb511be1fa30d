#include "rip/disc_location.h"

#include "dvd/disc_files.h"

#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A drive the user may read: not every user is in the drive's group, and a
// remote login is not given the local drive.
bool IsReadableBlockDevice(const std::string& path)
{
    if (!IsDrive(path)) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

// The volume the disc is: the one whose root holds VIDEO_TS, or a drive's
// when it is mounted. A folder of disc files elsewhere has none (the volume
// around it is not the disc), nor has an image.
std::optional<Volume> DiscVolume(const std::string& videoTsPath, const std::vector<Volume>& volumes)
{
    if (IsDiscImageOrDrive(videoTsPath)) {
        for (const Volume& volume : volumes)
            if (volume.device == videoTsPath) return volume;
        return std::nullopt;
    }
    auto volume = VolumeHolding(volumes, videoTsPath);
    if (volume && fs::path(videoTsPath).parent_path() == fs::path(volume->root)) return volume;
    return std::nullopt;
}

}  // namespace

std::string DiscReadPath(const std::string& videoTsPath, const std::vector<Volume>& volumes)
{
    // An image or a drive given as such is read as it is.
    if (IsDiscImageOrDrive(videoTsPath)) return videoTsPath;
    auto volume = DiscVolume(videoTsPath, volumes);
    // A device this machine lacks, or the user may not read, cannot be used; its folder can.
    if (volume && !volume->device.empty() && IsReadableBlockDevice(volume->device)) return volume->device;
    return fs::path(videoTsPath).parent_path().string();
}

std::string DiscLabel(const std::string& videoTsPath, const std::vector<Volume>& volumes, const std::string& fileSystemLabel)
{
    auto volume = DiscVolume(videoTsPath, volumes);
    return volume && !volume->label.empty() ? volume->label : fileSystemLabel;
}
