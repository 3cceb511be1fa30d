// tarvok-rip: the command-line front end of Tarvok DVD Ripper.
#include "cli/commands.h"
#include "cli/disc_source.h"

#include <iostream>

const char kUsage[] =
    "Usage: tarvok-rip info [SOURCE] [--json]\n"
    "       tarvok-rip rip [SOURCE] [--output DIR] [--container NAME] [--yes]\n"
    "\n"
    "  SOURCE is a volume root, a folder that holds VIDEO_TS, or a VIDEO_TS folder;\n"
    "  without it the mounted volumes are searched for a video DVD.\n"
    "\n"
    "  info   Prints the disc's title sets, program chains, angles, chapters and\n"
    "         cells, its regions and volume, then the reader's messages.\n"
    "         --json prints one JSON object instead.\n"
    "  rip    Converts the whole disc into one video file with the settings of\n"
    "         Tarvok DVD Ripper (~/.config/Tarvok DVD Ripper/DVD Ripper.ini).\n"
    "         --output DIR      the folder for the file (default ~/Converted Videos)\n"
    "         --container NAME  ts, ps, mpeg1, asf, mp4, mov, avi or ogg (or MPEG TS ... OGG),\n"
    "                           with that container's first codecs, for this run only\n"
    "         --yes             overwrite an existing file without asking\n"
    "         Ctrl-C stops the rip; the part converted so far stays.\n";

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "info") return InfoCommand(arguments);
    if (command == "rip") return RipCommand(arguments);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return kExitOk;
    }
    std::cerr << kUsage;
    return kExitUsage;
}
