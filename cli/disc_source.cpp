#include "cli/disc_source.h"

#include "cli/command_line.h"
#include "dvd/disc_files.h"

#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The volume descriptors of ISO 9660 and UDF start at sector 16.
bool LooksLikeDiscImage(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    char sectors[4 * 2048] = {};
    in.seekg(16 * 2048);
    in.read(sectors, sizeof sectors);
    for (std::size_t at = 1; at + 5 <= static_cast<std::size_t>(in.gcount()); at += 2048)
        for (const char* id : {"CD001", "BEA01", "NSR02", "NSR03"})
            if (std::memcmp(sectors + at, id, 5) == 0) return true;
    return false;
}

}  // namespace

std::optional<std::string> LocateSource(DvdSource& source, const std::optional<std::string>& path)
{
    auto noDisc = [](const std::string& reason) {
        Fail(kExitNoDisc, reason);
        return std::nullopt;
    };
    if (!path) {
        if (!source.FindDisc("")) return noDisc("no video DVD found on any mounted volume");
        return source.GetVideoTsPath();
    }
    std::error_code error;
    const auto status = fs::status(*path, error);
    if (!fs::exists(status)) return noDisc(*path + " does not exist");
    if (!fs::is_directory(status)) {
        if (fs::is_regular_file(status) && LooksLikeDiscImage(*path))
            return noDisc(*path + " is a disc image, which tarvok-rip does not read: mount it (for example with "
                                  "udisksctl loop-setup -r -f IMAGE) and give the folder it is mounted at");
        return noDisc(*path + " is not a DVD-Video folder: it is a file");
    }
    auto folder = FindVideoTsFolder(*path);
    if (!folder) return noDisc(*path + " is not a DVD-Video folder: it holds no VIDEO_TS folder");
    if (!FolderListing(*folder).AnyMatches("", ".ifo"))
        return noDisc(*path + " is not a DVD-Video folder: " + folder->string() + " holds no IFO file");
    return folder->string();
}
