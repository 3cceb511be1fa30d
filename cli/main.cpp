// tarvok-rip: the command-line front end of Tarvok DVD Ripper.
#include "cli/disc_report.h"
#include "dvd/disc_files.h"
#include "dvd/dvd_source.h"
#include "platform/volume_table.h"

#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitNoDisc = 2;
constexpr int kExitUsage = 64;

const char kUsage[] =
    "Usage: tarvok-rip info [PATH] [--json]\n"
    "\n"
    "  info   Loads a video DVD and prints its title sets, program chains, angles,\n"
    "         chapters and cells, the disc's regions and volume, then the reader's\n"
    "         messages. PATH is a volume root, a folder that holds VIDEO_TS, or a\n"
    "         VIDEO_TS folder; without it the mounted volumes are searched.\n"
    "         --json prints one JSON object instead.\n";

// Finds the VIDEO_TS folder the way the window does: a given path, or the
// first video DVD among the mounted volumes.
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

int Info(const std::vector<std::string>& arguments)
{
    std::optional<std::string> path;
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else if (!argument.starts_with("--") && !path) {
            path = argument;
        } else {
            std::cerr << kUsage;
            return kExitUsage;
        }
    }
    MountTableVolumes volumes;
    DvdSource source(volumes);
    auto videoTs = LocateSource(source, path);
    if (!videoTs) return kExitNoDisc;
    source.Load(*videoTs);
    if (json)
        std::cout << DiscToJson(source).dump(2) << "\n";
    else
        PrintDiscTree(std::cout, source);
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "info") return Info(arguments);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    std::cerr << kUsage;
    return kExitUsage;
}
