#include "rip/output_file.h"

#include "dvd/disc_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr long kUsualNameMax = 255;

// The path with its links and dots resolved, as far as it exists.
fs::path Resolved(const fs::path& path)
{
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path.lexically_normal() : resolved;
}

bool Inside(const fs::path& path, const fs::path& folder)
{
    const auto [end, rest] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end();
}

}  // namespace

std::string PrepareOutputFolder(const std::string& folder)
{
    if (folder.empty()) return "no output folder given";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return "cannot make the folder " + folder + ": " + error.message();
    if (!fs::is_directory(folder, error)) return folder + " is not a folder";
    // A file made and removed again: the file system's own answer, for
    // read-only mounts, permissions and full disks alike.
    std::string probe = (fs::path(folder) / ".tarvok-write-test-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) return "cannot write in " + folder + ": " + std::strerror(errno);
    close(fd);
    unlink(probe.c_str());
    return {};
}

std::string OutputProblem(const std::string& outputPath, const std::string& videoTsPath)
{
    std::error_code error;
    // The folder resolved, not the name: a link there is replaced, never followed.
    const fs::path output = Resolved(fs::path(outputPath).parent_path()) / fs::path(outputPath).filename();
    if (IsDiscImageOrDrive(videoTsPath)) {
        if (fs::equivalent(output, videoTsPath, error)) return outputPath + " is the disc being ripped";
    } else if (const std::string disc = fs::path(videoTsPath).parent_path().string();
               !videoTsPath.empty() && Inside(output, Resolved(disc))) {
        return outputPath + " lies inside the disc being ripped (" + disc + ")";
    }
    if (fs::is_directory(fs::symlink_status(outputPath, error))) return outputPath + " is a folder";
    return {};
}

bool SomethingAt(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::string FitFileName(const std::string& folder, const std::string& name, const std::string& extension)
{
    long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0) limit = kUsualNameMax;
    const std::size_t room = static_cast<std::size_t>(limit) > extension.size() ? limit - extension.size() : 1;
    if (name.size() <= room) return name;
    std::size_t cut = room;
    // Not inside a character: continuation bytes of UTF-8 are 10xxxxxx.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}
