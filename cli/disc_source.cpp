#include "cli/disc_source.h"

#include "cli/command_line.h"
#include "dvd/disc_files.h"

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
    std::string why;
    auto disc = LocateDisc(*path, &why);
    if (!disc) return noDisc(why);
    return disc;
}
