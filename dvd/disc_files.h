#pragma once
// Files of a disc folder, found without regard to case: DVD file systems are
// case-insensitive, Linux mounts of them are not, and discs differ.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

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

std::string ToLower(std::string text);

// The VIDEO_TS folder of a disc given as a volume root, a folder that holds
// VIDEO_TS, or VIDEO_TS itself; nothing when there is none.
std::optional<std::filesystem::path> FindVideoTsFolder(const std::filesystem::path& path);
