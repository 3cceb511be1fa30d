#pragma once
// What a rip reads of a disc: runs of sectors of its title sets' VOB files,
// in the order they are played, taken from the program's own reading of the
// disc's IFO files.
#include "dvd/dvd_source.h"

#include <cstdint>
#include <string>
#include <vector>

struct SectorRun {
    uint64_t first = 0, last = 0;  // sectors of the title set's VOB files, both included
};

struct TitleRun {
    int titleSet = 0;
    std::vector<SectorRun> sectors;
};

using PlayList = std::vector<TitleRun>;

// The whole disc as a player plays it from its start: every title of the
// video manager's title table, in its order, from its first chapter to the
// end of its program chain, angle 1. A title whose title set is missing or
// unreadable is a `problem` (a rip without it would lose it silently).
PlayList WholeDiscPlayList(const DvdSource& source, std::string* problem = nullptr);

// The same for the disc at `disc`: a folder (a volume root, a folder that
// holds VIDEO_TS, or VIDEO_TS itself), a disc image or a drive.
PlayList WholeDiscPlayList(const std::string& disc, std::string* problem = nullptr);
