#pragma once
// What a rip reads of a disc: runs of sectors of its title sets' VOB files,
// in the order they are played, taken from the program's own reading of the
// disc's IFO files.
#include "dvd/dvd_source.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// A part of a disc: one angle of one program chain of one title set, some
// of its chapters, one of its audio streams. Numbers count from 1.
struct DiscSelection {
    int titleSet = 0, programChain = 0, angle = 1;
    std::vector<int> chapters;  // in playing order; empty: every chapter
    int audioStream = 0;        // 0: every stream, as the disc holds them
    bool operator==(const DiscSelection&) const = default;
};

// The title set numbered `number`, if the disc holds it.
const TitleSet* TitleSetNumbered(const DvdSource& source, int number);

// The angle that plays longest (ties: more sectors, then the lowest title
// set, chain and angle numbers); nothing for a disc without video.
std::optional<DiscSelection> MainFeature(const DvdSource& source);

// The chain of a title set whose angle the Titles tree would choose in it
// (most sectors, the first of equals); 0 when it has none.
int DefaultProgramChain(const TitleSet& titleSet);

// The angle browsed in the Titles tree (the source's current angle) with its
// ticked chapters, those with a selected cell (none listed when all are);
// nothing without a current angle or without a ticked chapter.
std::optional<DiscSelection> BrowsedSelection(const DvdSource& source);

// Every angle ticked in the Titles tree with its ticked chapters, in the
// tree's order; the labels of ticked angles without a ticked chapter go to
// `withoutChapters`.
std::vector<DiscSelection> TickedAngles(const DvdSource& source, std::vector<std::string>* withoutChapters = nullptr);

// Each program chain's longest angle that plays at least `minSeconds`, a
// chain that plays the same cells as one taken before left out; `longest`:
// how long the longest chain plays, taken or not.
std::vector<DiscSelection> EveryTitle(const DvdSource& source, double minSeconds, double* longest = nullptr);

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

// "T2.1.1", with "_C2-5" when not every chapter is chosen and "_A2" for one
// audio stream: told apart from the whole disc in a file's name.
std::string SelectionLabel(const DiscSelection& selection);

// The selection as a media locator carries it after '#' ("2.1.1:2,3@2"), and back.
std::string EncodeSelection(const DiscSelection& selection);
std::optional<DiscSelection> DecodeSelection(const std::string& text);

// A whole number written in digits alone that fits an int; nothing otherwise.
std::optional<int> ParseNumber(std::string_view text);

// Chapter numbers written as "3", "2-5" or "1,3,6-7"; nothing when malformed.
std::optional<std::vector<int>> ParseChapterList(const std::string& text);
