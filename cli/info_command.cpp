#include "cli/commands.h"
#include "cli/disc_report.h"
#include "cli/disc_source.h"
#include "platform/volume_table.h"

#include <iostream>

int InfoCommand(const std::vector<std::string>& arguments)
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
    return kExitOk;
}
