#include "dvd/disc_files.h"

#include "dvd/udf_disc_files.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

FolderDiscFiles::FolderDiscFiles(const fs::path& videoTs) : videoTs(videoTs), listing(videoTs)
{
}

std::string FolderDiscFiles::RealName(const std::string& name) const
{
    return listing.PathOf(name).filename().string();
}

std::optional<uint64_t> FolderDiscFiles::Size(const std::string& name) const
{
    auto path = listing.Find(name);
    struct stat status {};
    if (!path || stat(path->c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(status.st_size);
}

std::optional<std::vector<uint8_t>> FolderDiscFiles::Read(const std::string& name, uint64_t offset, std::size_t length) const
{
    auto path = listing.Find(name);
    if (!path) return std::nullopt;
    // Opened without waiting: a FIFO would block the open itself.
    const int fd = open(path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        bytes.emplace(length);
        std::size_t got = 0;
        while (got < length) {
            const ssize_t n = pread(fd, bytes->data() + got, length - got, static_cast<off_t>(offset + got));
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes->resize(got);
    }
    close(fd);
    return bytes;
}

bool FolderDiscFiles::AnyMatches(const std::string& prefix, const std::string& suffix) const
{
    return listing.AnyMatches(prefix, suffix);
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

bool IsDiscImageOrDrive(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode));
}

bool IsDrive(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode);
}

std::optional<std::string> LocateDisc(const std::string& path, std::string* why)
{
    auto fail = [&](const std::string& reason) -> std::optional<std::string> {
        if (why) *why = reason;
        return std::nullopt;
    };
    std::error_code error;
    const auto status = fs::status(path, error);
    if (!fs::exists(status)) return fail(path + " does not exist");
    if (!fs::is_directory(status)) {
        if (!IsDiscImageOrDrive(path)) return fail(path + " is neither a folder, a disc image nor a drive");
        if (!UdfDiscFiles::Open(path, why)) return std::nullopt;
        return path;
    }
    auto folder = FindVideoTsFolder(path);
    if (!folder) return fail(path + " is not a DVD-Video folder: it holds no VIDEO_TS folder");
    if (!FolderListing(*folder).AnyMatches("", ".ifo"))
        return fail(path + " is not a DVD-Video folder: " + folder->string() + " holds no IFO file");
    return folder->string();
}
