#include "rip/safe_output.h"

#include "rip/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Tries at making the hidden file before giving up: each clears what stood at its name.
constexpr int kClaimTries = 8;
constexpr std::size_t kCopyBytes = 1 << 20;
// Numbered names looked at before giving up on finding a free one.
constexpr int kMostNumbers = 10000;

// `prefix`, the file name of `path` shortened to fit, and `suffix`, in its folder.
std::string Beside(const std::string& path, const std::string& prefix, const std::string& suffix)
{
    const fs::path file(path);
    const std::string folder = file.parent_path().string();
    return (file.parent_path() / (prefix + FitFileName(folder.empty() ? "." : folder, file.filename().string(),
                                                       prefix + suffix) + suffix))
        .string();
}

bool SameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// True when a running rip holds the hidden file at `name`.
bool HeldByARip(const std::string& name)
{
    const int held = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (held < 0) return false;
    const bool locked = flock(held, LOCK_SH | LOCK_NB) != 0;
    close(held);
    return locked;
}

// A name is taken by a file, by its partial file, or by a rip writing it now.
bool Taken(const std::string& path)
{
    return SomethingAt(path) || SomethingAt(SafeOutput::PartialPath(path)) || HeldByARip(Beside(path, ".", ".tarvok"));
}

// Moves `from` to `to` unless something is there: EEXIST then. A file
// system without the no-replace rename gets a link and an unlink, which
// fail alike.
int RenameWithoutReplacing(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (link(from.c_str(), to.c_str()) != 0) return errno;
    unlink(from.c_str());
    return 0;
}

// Takes away what is at `name` (what a killed rip left, a link, a file
// linked there) unless a running rip holds it: only the name goes, so a
// link's target stays as it was. Why it cannot, or empty.
std::string ClearAway(const std::string& name, const std::string& finalPath)
{
    struct stat named {};
    if (lstat(name.c_str(), &named) != 0) return {};
    if (S_ISREG(named.st_mode)) {
        // O_NONBLOCK: whatever was swapped in meanwhile, the open does not wait on it.
        const int held = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat opened {};
        if (held >= 0 && fstat(held, &opened) == 0 && SameFile(opened, named) && flock(held, LOCK_EX | LOCK_NB) != 0) {
            close(held);
            return "another rip is writing " + finalPath + " now";
        }
        // Held while the name goes, so that no other rip claims the file in between.
        struct stat still {};
        const bool same = lstat(name.c_str(), &still) == 0 && SameFile(still, named);
        const int removed = same ? unlink(name.c_str()) : 0;
        const int why = errno;
        if (held >= 0) close(held);
        if (removed != 0 && why != ENOENT) return "cannot write " + name + ": " + std::strerror(why);
        return {};
    }
    if (unlink(name.c_str()) != 0 && errno != ENOENT) return "cannot write " + name + ": " + std::strerror(errno);
    return {};
}

// Copies what the descriptor `from` holds into `copy`, a new file made as safely as a rip's own.
bool CopyOut(int from, SafeOutput& copy)
{
    if (!copy.Claim().empty()) return false;
    std::vector<char> buffer(kCopyBytes);
    for (off_t at = 0;;) {
        const ssize_t got = pread(from, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        for (ssize_t put = 0; put < got;) {
            const ssize_t wrote = write(copy.Descriptor(), buffer.data() + put, static_cast<std::size_t>(got - put));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return false;
            put += wrote;
        }
        at += got;
    }
    return copy.Commit().empty();
}

}  // namespace

SafeOutput::SafeOutput(std::string path, AtName atName)
    : base(path), atName(atName), path(std::move(path)), writing(Beside(this->path, ".", ".tarvok"))
{
}

SafeOutput::~SafeOutput()
{
    // Neither committed nor kept: the hidden file goes, if it is still this rip's.
    if (StillOurs()) unlink(writing.c_str());
    Release();
}

void SafeOutput::Release()
{
    if (fd >= 0) close(fd);
    fd = -1;
}

bool SafeOutput::StillOurs() const
{
    struct stat held {}, named {};
    return fd >= 0 && fstat(fd, &held) == 0 && lstat(writing.c_str(), &named) == 0 && SameFile(held, named);
}

std::string SafeOutput::NextFreeName()
{
    for (int tries = 0; tries < kMostNumbers; ++tries) {
        const std::string candidate = NumberedPath(base, ++number);
        if (!Taken(candidate)) return candidate;
    }
    return {};
}

std::string SafeOutput::Claim()
{
    Release();
    for (int tries = 0; tries < kClaimTries; ++tries) {
        if (atName == AtName::NextFree && Taken(path)) {
            const std::string free = NextFreeName();
            if (free.empty()) return "no free name like " + base + " is left";
            path = free;
            writing = Beside(path, ".", ".tarvok");
        }
        // Made new: O_EXCL with O_NOFOLLOW never opens what stands at the name, a link least of all.
        fd = open(writing.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            struct stat status {};
            if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1)
                return {};
            // Another rip takes the name away at this moment: try again.
            Release();
            continue;
        }
        if (errno != EEXIST) return "cannot write " + writing + ": " + std::strerror(errno);
        // Another rip writing this name now: a free name is taken instead, where that is the mode.
        if (std::string why = ClearAway(writing, path); !why.empty() && atName == AtName::Replace) return why;
    }
    return "cannot write " + writing + ": something else keeps taking that name";
}

uint64_t SafeOutput::WrittenBytes() const
{
    struct stat status {};
    return fd >= 0 && fstat(fd, &status) == 0 ? uint64_t(status.st_size) : 0;
}

std::string SafeOutput::Commit()
{
    if (fd < 0) return "nothing was written for " + path;
    // Only this rip's file takes the name, never what was put at the hidden name meanwhile.
    if (!StillOurs()) return writing + " was replaced while the rip wrote it, so " + path + " stays as it was";
    if (const int why = PlaceAs([](const std::string& name) { return name; }); why != 0)
        return "cannot put " + writing + " in place of " + path + ": " + std::strerror(why);
    Release();
    return {};
}

int SafeOutput::PlaceAs(const std::function<std::string(const std::string&)>& nameFor)
{
    auto place = [&] {
        const std::string to = nameFor(path);
        if (atName == AtName::Replace) return std::rename(writing.c_str(), to.c_str()) == 0 ? 0 : errno;
        return RenameWithoutReplacing(writing, to);
    };
    int why = place();
    // A file that appeared at the name meanwhile stays: the next free name is taken.
    for (int tries = 0; why == EEXIST && atName == AtName::NextFree && tries < kClaimTries; ++tries) {
        const std::string free = NextFreeName();
        if (free.empty()) break;
        path = free;
        why = place();
    }
    return why;
}

std::string SafeOutput::KeepPartial()
{
    if (WrittenBytes() == 0) return {};  // nothing was converted: the destructor removes it
    if (!StillOurs()) {
        SafeOutput copy(PartialPath(path), atName);
        if (!CopyOut(fd, copy)) return {};
        Release();
        return copy.FinalPath();
    }
    if (PlaceAs(PartialPath) != 0) return {};
    Release();
    return PartialPath(path);
}

std::string SafeOutput::Named(std::string text) const
{
    for (auto at = text.find(writing); at != std::string::npos; at = text.find(writing, at + path.size()))
        text.replace(at, writing.size(), path);
    return text;
}

std::string SafeOutput::NumberedPath(const std::string& path, int number)
{
    if (number <= 1) return path;
    const fs::path file(path);
    return Beside((file.parent_path() / file.stem()).string(), "", " (" + std::to_string(number) + ")" + file.extension().string());
}

std::string SafeOutput::PartialPath(const std::string& path)
{
    const fs::path file(path);
    return Beside((file.parent_path() / file.stem()).string(), "", ".partial" + file.extension().string());
}
