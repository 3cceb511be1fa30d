#include "read/disc_encryption.h"

#include "dvd/disc_files.h"
#include "read/mpeg_packs.h"

#include <cstdio>
#include <vector>

#include <dlfcn.h>

namespace {

constexpr std::size_t kProbePacks = 16;

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

bool TitlesScrambled(const IDiscFiles& files)
{
    for (int titleSet = 1; titleSet < 100; ++titleSet) {
        char name[16];
        std::snprintf(name, sizeof name, "vts_%02d_1.vob", titleSet);
        const std::vector<uint8_t> packs = files.Read(name, 0, kProbePacks * kPackBytes).value_or(std::vector<uint8_t>());
        for (std::size_t at = 0; at + kPackBytes <= packs.size(); at += kPackBytes)
            if (IsScrambledPack(packs.data() + at)) return true;
    }
    return false;
}
