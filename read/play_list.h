#pragma once
// What a rip reads of a disc: runs of sectors of its title sets' VOB files,
// in the order they are played, taken from the program's own reading of the
// disc's IFO files.
#include "dvd/disc_selection.h"
#include "dvd/dvd_source.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SectorRun {
    uint64_t first = 0, last = 0;  // sectors of the title set's VOB files, both included
    int chapter = 0;               // the chapter (from 1) this cell begins; 0 when it goes on with one
    double seconds = 0;            // its playing time, as the IFO file gives it
};

// Which output stream each of the disc's streams feeds (by the disc's
// number less one), -1 for none: every audio stream as the disc numbers
// it, no subpicture stream, unless a rip chooses otherwise.
using AudioRoute = std::array<int8_t, 8>;
using SubpictureRoute = std::array<int8_t, 32>;
constexpr AudioRoute kEveryAudioStream = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr SubpictureRoute NoSubpictures()
{
    SubpictureRoute route{};
    for (auto& output : route) output = -1;
    return route;
}

struct TitleRun {
    int titleSet = 0, programChain = 0;
    std::string pictureSize, tvSystem;  // of its title set, as its IFO declares them ("720x576", "PAL")
    std::vector<SectorRun> sectors;
    std::vector<AudioStream> audioStreams;  // those its title set declares
    std::vector<SubpictureStream> subpictureStreams;
    ColourTable colours{};  // its program chain's
    AudioRoute audioRoute = kEveryAudioStream;
    SubpictureRoute subpictureRoute = NoSubpictures();
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

// The runs of the selected chapters of the angle, in order; a `problem`
// (and no runs) when the disc holds no such title set, chain, angle or chapter.
PlayList SelectionPlayList(const DvdSource& source, const DiscSelection& selection, std::string* problem);
// The same for the disc at `disc`, as WholeDiscPlayList reads it.
PlayList SelectionPlayList(const std::string& disc, const DiscSelection& selection, std::string* problem);

// A chapter mark of what a play list plays: "Title S.P, Chapter N" (title
// set S, program chain P) for the whole disc, "Chapter N" for a part of one
// chain; `start` in seconds from the start of the play list, from the IFO's
// cell times.
struct ChapterMark {
    std::string name;
    double start = 0;
};
std::vector<ChapterMark> ChapterMarks(const PlayList& playList, bool wholeDisc);
