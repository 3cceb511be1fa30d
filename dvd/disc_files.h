#pragma once
// The files of a disc's VIDEO_TS folder, however the disc is at hand: a
// folder on a mounted volume (names found without regard to case: DVD file
// systems are case-insensitive, Linux mounts of them are not, and discs
// differ), or a disc image or drive read through its UDF file system.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class IDiscFiles {
public:
    virtual ~IDiscFiles() = default;
    // Where the files are: the VIDEO_TS folder, or the image or drive.
    virtual std::string Where() const = 0;
    // The name as the disc holds it when it holds the file, else `name` itself.
    virtual std::string RealName(const std::string& name) const = 0;
    // The size of the regular file `name` (any case); nothing when there is none.
    virtual std::optional<uint64_t> Size(const std::string& name) const = 0;
    // Up to `length` bytes of the file from `offset` (fewer at its end);
    // nothing when it cannot be read. Never waits on anything but a disc.
    virtual std::optional<std::vector<uint8_t>> Read(const std::string& name, uint64_t offset, std::size_t length) const = 0;
    // True when a file's name starts with `prefix` and ends with `suffix`, in any case.
    virtual bool AnyMatches(const std::string& prefix, const std::string& suffix) const = 0;
    // The label of the disc's own file system, for an image or a drive; empty for a folder.
    virtual std::string VolumeLabel() const { return {}; }
};

// The entries of one folder, read once.
class FolderListing {
public:
    explicit FolderListing(const std::filesystem::path& folder);
    // The real path of the entry named `name` in any case, or nothing.
    std::optional<std::filesystem::path> Find(const std::string& name) const;
    // The real path of `name` when it exists, else `name` joined as written.
    std::filesystem::path PathOf(const std::string& name) const;
    // True when an entry's name starts with `prefix` and ends with `suffix`, in any case.
    bool AnyMatches(const std::string& prefix, const std::string& suffix) const;

private:
    std::filesystem::path folder;
    std::map<std::string, std::string> entries;  // lower-case name -> real name
};

// The files of a VIDEO_TS folder. Only regular files are read: a FIFO would
// block the reader for ever, and a device is no disc file.
class FolderDiscFiles : public IDiscFiles {
public:
    explicit FolderDiscFiles(const std::filesystem::path& videoTs);
    std::string Where() const override { return videoTs.string(); }
    std::string RealName(const std::string& name) const override;
    std::optional<uint64_t> Size(const std::string& name) const override;
    std::optional<std::vector<uint8_t>> Read(const std::string& name, uint64_t offset, std::size_t length) const override;
    bool AnyMatches(const std::string& prefix, const std::string& suffix) const override;

private:
    std::filesystem::path videoTs;
    FolderListing listing;
};

std::string ToLower(std::string text);

// The VIDEO_TS folder of a disc given as a volume root, a folder that holds
// VIDEO_TS, or VIDEO_TS itself; nothing when there is none.
std::optional<std::filesystem::path> FindVideoTsFolder(const std::filesystem::path& path);

// True when `path` is a disc image or a drive (a regular file or a block
// device), whose files are read through the disc's own file system.
bool IsDiscImageOrDrive(const std::string& path);
// True when `path` is a drive: a block device.
bool IsDrive(const std::string& path);

// The disc at `path` as a source is loaded from: the VIDEO_TS folder of a
// folder (as FindVideoTsFolder takes it), or a disc image or drive itself,
// once its VIDEO_TS folder has been found. Nothing, with `why`, when `path`
// holds no video DVD.
std::optional<std::string> LocateDisc(const std::string& path, std::string* why = nullptr);
