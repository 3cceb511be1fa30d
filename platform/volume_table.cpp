#include "platform/volume_table.h"

#include "platform/hex_escapes.h"

#include <blkid/blkid.h>
#include <libmount/libmount.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <system_error>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

std::string Text(const char* text)
{
    return text ? text : "";
}

std::string Canonical(const std::string& path)
{
    std::error_code error;
    fs::path canonical = fs::canonical(path, error);
    return error ? path : canonical.string();
}

// Canonical device path -> label, from the udev link folder.
std::map<std::string, std::string> LabelsByDevice(const std::string& labelFolder)
{
    std::map<std::string, std::string> labels;
    std::error_code error;
    for (fs::directory_iterator it(labelFolder, error), end; !error && it != end; it.increment(error)) {
        fs::path target = fs::read_symlink(it->path(), error);
        if (error) {
            error.clear();
            continue;
        }
        if (target.is_relative()) target = fs::path(labelFolder) / target;
        labels.emplace(Canonical(target.lexically_normal().string()), DecodeLabelEscapes(it->path().filename().string()));
    }
    return labels;
}

std::string BlkidLabel(const std::string& device)
{
    char* value = blkid_get_tag_value(nullptr, "LABEL", device.c_str());
    std::string label = Text(value);
    std::free(value);
    return label;
}

}  // namespace

std::string DecodeLabelEscapes(const std::string& name)
{
    return DecodeHexEscapes(name, "\\x");
}

std::string DefaultMountInfoPath()
{
    const char* stand = std::getenv("TARVOK_MOUNTINFO");
    return stand && *stand ? stand : "/proc/self/mountinfo";
}

MountTableVolumes::MountTableVolumes() : MountTableVolumes(DefaultMountInfoPath())
{
}

MountTableVolumes::MountTableVolumes(std::string mountInfoPath, std::string labelFolder)
    : mountInfoPath(std::move(mountInfoPath)), labelFolder(std::move(labelFolder))
{
}

std::vector<Volume> MountTableVolumes::List() const
{
    std::vector<Volume> volumes;
    std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)> table(mnt_new_table(), mnt_unref_table);
    if (!table || mnt_table_parse_file(table.get(), mountInfoPath.c_str()) != 0) return volumes;
    std::unique_ptr<libmnt_iter, decltype(&mnt_free_iter)> iter(mnt_new_iter(MNT_ITER_FORWARD), mnt_free_iter);
    const auto labels = LabelsByDevice(labelFolder);

    libmnt_fs* entry = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &entry) == 0) {
        // A mount of a folder inside a file system (a bind mount) is not a volume of its own.
        if (Text(mnt_fs_get_root(entry)) != "/") continue;
        Volume volume;
        volume.root = Text(mnt_fs_get_target(entry));
        volume.fsType = Text(mnt_fs_get_fstype(entry));
        if (volume.fsType == "udf") volume.fsType = "UDF";
        // Block devices have a major number; tmpfs, FUSE and the like have 0.
        const std::string source = Text(mnt_fs_get_source(entry));
        if (major(mnt_fs_get_devno(entry)) != 0 && source.starts_with('/')) volume.device = source;
        if (!volume.device.empty()) {
            volume.optical = IsOpticalDrive(volume.device);
            auto label = labels.find(Canonical(volume.device));
            volume.label = label != labels.end() ? label->second : BlkidLabel(volume.device);
        }
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

bool IsOpticalDrive(const std::string& device)
{
    struct stat status {};
    if (device.empty() || stat(device.c_str(), &status) != 0 || !S_ISBLK(status.st_mode)) return false;
    if (fs::path(Canonical(device)).filename().string().starts_with("sr")) return true;
    // udev's record of the device.
    std::ifstream record("/run/udev/data/b" + std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev)));
    for (std::string line; std::getline(record, line);)
        if (line == "E:ID_CDROM=1") return true;
    return false;
}

std::optional<Volume> VolumeHolding(const std::vector<Volume>& volumes, const std::string& path)
{
    std::optional<Volume> best;
    for (const Volume& volume : volumes) {
        const std::string& root = volume.root;
        const bool holds = path == root || (path.starts_with(root) && (root.ends_with('/') || path[root.size()] == '/'));
        if (holds && (!best || root.size() > best->root.size())) best = volume;
    }
    return best;
}

std::optional<Volume> VolumeNamed(const std::vector<Volume>& volumes, const std::string& id)
{
    for (const Volume& volume : volumes)
        if (VolumeId(volume) == id) return volume;
    return std::nullopt;
}

std::string VolumeId(const Volume& volume)
{
    return volume.device.empty() ? volume.root : volume.device;
}
