#include "dvd/disc_files.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace fs = std::filesystem;

std::string ToLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

FolderListing::FolderListing(const fs::path& folder) : folder(folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        entries.emplace(ToLower(name), name);
    }
}

std::optional<fs::path> FolderListing::Find(const std::string& name) const
{
    auto it = entries.find(ToLower(name));
    if (it == entries.end()) return std::nullopt;
    return folder / it->second;
}

fs::path FolderListing::PathOf(const std::string& name) const
{
    return Find(name).value_or(folder / name);
}

bool FolderListing::AnyMatches(const std::string& prefix, const std::string& suffix) const
{
    const std::string lowPrefix = ToLower(prefix), lowSuffix = ToLower(suffix);
    for (auto it = entries.lower_bound(lowPrefix); it != entries.end() && it->first.starts_with(lowPrefix); ++it)
        if (it->first.size() >= lowPrefix.size() + lowSuffix.size() && it->first.ends_with(lowSuffix)) return true;
    return false;
}

std::optional<fs::path> FindVideoTsFolder(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_directory(path, error)) return std::nullopt;
    fs::path folder = path;
    if (folder.filename().empty()) folder = folder.parent_path();  // a trailing '/'
    if (ToLower(folder.filename().string()) == "video_ts") return folder;
    auto inside = FolderListing(folder).Find("VIDEO_TS");
    if (inside && fs::is_directory(*inside, error)) return inside;
    return std::nullopt;
}
