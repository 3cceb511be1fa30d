#include "cli/disc_source.h"

#include "dvd/disc_files.h"

#include <iostream>

std::optional<std::string> LocateSource(DvdSource& source, const std::optional<std::string>& path)
{
    if (!path) {
        if (!source.FindDisc("")) {
            std::cerr << "tarvok-rip: no video DVD found on any mounted volume\n";
            return std::nullopt;
        }
        return source.GetVideoTsPath();
    }
    auto folder = FindVideoTsFolder(*path);
    if (!folder) {
        std::cerr << "tarvok-rip: no VIDEO_TS folder at " << *path << "\n";
        return std::nullopt;
    }
    if (!FolderListing(*folder).AnyMatches("", ".ifo")) {
        std::cerr << "tarvok-rip: no IFO file in " << folder->string() << "\n";
        return std::nullopt;
    }
    return folder->string();
}
