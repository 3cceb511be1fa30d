#include "rip/safe_output.h"

#include "rip/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// `prefix`, the file name of `path` shortened to fit, and `suffix`, in its folder.
std::string Beside(const std::string& path, const std::string& prefix, const std::string& suffix)
{
    const fs::path file(path);
    const std::string folder = file.parent_path().string();
    return (file.parent_path() / (prefix + FitFileName(folder.empty() ? "." : folder, file.filename().string(),
                                                       prefix + suffix) + suffix))
        .string();
}

}  // namespace

SafeOutput::SafeOutput(std::string path) : path(std::move(path)), writing(Beside(this->path, ".", ".tarvok"))
{
}

SafeOutput::~SafeOutput()
{
    // Neither committed nor kept: the hidden file goes.
    if (lock >= 0) unlink(writing.c_str());
    Release();
}

void SafeOutput::Release()
{
    if (lock >= 0) close(lock);
    lock = -1;
}

std::string SafeOutput::Claim()
{
    Release();
    // O_NOFOLLOW: a link planted at the hidden name is refused, never followed.
    lock = open(writing.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (lock < 0) return "cannot write " + writing + ": " + std::strerror(errno);
    struct stat status {};
    if (fstat(lock, &status) != 0 || !S_ISREG(status.st_mode)) {
        Release();
        return writing + " is not a file this program wrote";
    }
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        Release();
        return "another rip is writing " + path + " now";
    }
    // What a killed rip left is of no use.
    if (ftruncate(lock, 0) != 0) {
        const std::string why = std::strerror(errno);
        Release();
        return "cannot write " + writing + ": " + why;
    }
    return {};
}

uint64_t SafeOutput::WrittenBytes() const
{
    struct stat status {};
    return lock >= 0 && fstat(lock, &status) == 0 ? uint64_t(status.st_size) : 0;
}

std::string SafeOutput::Commit()
{
    if (lock < 0) return "nothing was written for " + path;
    if (std::rename(writing.c_str(), path.c_str()) != 0) return "cannot put " + writing + " in place of " + path + ": " + std::strerror(errno);
    Release();
    return {};
}

std::string SafeOutput::KeepPartial()
{
    if (WrittenBytes() == 0) return {};  // nothing was converted: the destructor removes it
    const std::string partial = PartialPath(path);
    if (std::rename(writing.c_str(), partial.c_str()) != 0) return {};
    Release();
    return partial;
}

std::string SafeOutput::Named(std::string text) const
{
    for (auto at = text.find(writing); at != std::string::npos; at = text.find(writing, at + path.size()))
        text.replace(at, writing.size(), path);
    return text;
}

std::string SafeOutput::PartialPath(const std::string& path)
{
    const fs::path file(path);
    return Beside((file.parent_path() / file.stem()).string(), "", ".partial" + file.extension().string());
}
