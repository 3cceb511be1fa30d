#include "rip/disc_encryption.h"

#include "dvd/disc_files.h"
#include "rip/mpeg_packs.h"

#include <cstdio>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kProbePacks = 16;

// The first packs of a VOB file; only a regular file is read.
std::vector<uint8_t> FirstPacks(const std::string& path)
{
    std::vector<uint8_t> packs;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return packs;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        packs.resize(kProbePacks * kPackBytes);
        const ssize_t got = pread(fd, packs.data(), packs.size(), 0);
        packs.resize(got > 0 ? static_cast<std::size_t>(got) / kPackBytes * kPackBytes : 0);
    }
    close(fd);
    return packs;
}

}  // namespace

bool CssLibraryAvailable()
{
    void* library = dlopen("libdvdcss.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (library) dlclose(library);
    return library != nullptr;
}

std::string EncryptedDiscReason()
{
    if (!CssLibraryAvailable())
        return "the disc is encrypted (CSS) and libdvdcss, which decrypts it, is not installed: install it (on Debian "
               "the package libdvd-pkg of the contrib archive builds it), then rip the disc from its drive";
    return "the disc is encrypted (CSS) and cannot be decrypted from a copy of its files: rip it from its drive";
}

DiscEncryption ProbeEncryption(const std::string& videoTsFolder, const std::string& readFrom)
{
    DiscEncryption result;
    const FolderListing folder(videoTsFolder);
    for (int titleSet = 1; titleSet < 100 && !result.encrypted; ++titleSet) {
        char name[16];
        std::snprintf(name, sizeof name, "vts_%02d_1.vob", titleSet);
        auto vob = folder.Find(name);
        if (!vob) continue;
        const std::vector<uint8_t> packs = FirstPacks(vob->string());
        for (std::size_t at = 0; at < packs.size() && !result.encrypted; at += kPackBytes)
            result.encrypted = IsScrambledPack(packs.data() + at);
    }
    // libdvdcss decrypts what it reads from a drive (or an image), never a folder of files.
    struct stat status {};
    result.decryptable = stat(readFrom.c_str(), &status) == 0 && !S_ISDIR(status.st_mode) && CssLibraryAvailable();
    return result;
}
