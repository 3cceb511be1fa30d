#pragma once
// The mounted volumes of the machine, as the mount table lists them.
#include <optional>
#include <string>
#include <vector>

struct Volume {
    std::string root;    // mount point
    std::string device;  // block device, empty for a volume without one
    std::string fsType;  // "UDF" for udf, otherwise as the mount table says
    std::string label;
    bool optical = false;  // its device is an optical drive: the only kind a drive action touches
    bool operator==(const Volume&) const = default;
};

class IVolumeTable {
public:
    virtual ~IVolumeTable() = default;
    virtual std::vector<Volume> List() const = 0;
};

// No volumes at all: for reading a disc given by its path, where nothing
// needs finding.
class NoVolumeTable : public IVolumeTable {
public:
    std::vector<Volume> List() const override { return {}; }
};

// Reads the mount table with libmount: the file named by TARVOK_MOUNTINFO
// when that is set (so that a folder can stand in for a mounted disc), else
// /proc/self/mountinfo. Labels come from /dev/disk/by-label, else libblkid.
class MountTableVolumes : public IVolumeTable {
public:
    MountTableVolumes();
    explicit MountTableVolumes(std::string mountInfoPath, std::string labelFolder = "/dev/disk/by-label");
    std::vector<Volume> List() const override;
    const std::string& MountInfoPath() const { return mountInfoPath; }

private:
    std::string mountInfoPath;
    std::string labelFolder;
};

// The mount table the program reads: TARVOK_MOUNTINFO, else /proc/self/mountinfo.
std::string DefaultMountInfoPath();

// The volume whose root is the longest prefix of `path`, if any.
std::optional<Volume> VolumeHolding(const std::vector<Volume>& volumes, const std::string& path);

// The volume that `id` names: its block device or, for one without, its root.
std::optional<Volume> VolumeNamed(const std::vector<Volume>& volumes, const std::string& id);

// A block device of an optical drive: /dev/sr*, or one that udev marks ID_CDROM.
bool IsOpticalDrive(const std::string& device);

// How a volume is named when it is chosen: its block device, else its root.
std::string VolumeId(const Volume& volume);

// Volume labels as udev writes them into file names ("My\x20Disc").
std::string DecodeLabelEscapes(const std::string& name);
