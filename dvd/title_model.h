#pragma once
// One title set as the user browses it: program chains, angles, chapters and
// the cells of each chapter, sized from the set's VOB files.
#include "dvd/disc_files.h"
#include "dvd/ifo_reader.h"
#include "dvd/ifo_records.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct ChapterInfo {
    std::string Label() const;  // "Chapter %d"
    int chapterIndex = 0;
    std::vector<std::unique_ptr<CellInfo>> cells;
};

struct AngleInfo {
    std::string Label() const;  // "Angle %d [hh:mm:ss]"
    // Totals of the selected cells of all chapters.
    void UpdateStatistics();
    int angleIndex = 0;
    bool ticked = false;  // ticked in the Titles tree: ripped as an item of its own
    std::vector<std::unique_ptr<ChapterInfo>> chapters;
    double seconds = 0;
    uint32_t sectors = 0;
};

struct PgcEntry {
    std::string Label() const;  // "Program Chain %d"
    int number = 0;  // 1-based
    ColourTable colours{};  // its subpictures' colours
    StreamControl streams;  // which of the title set's streams it offers, in which MPEG streams
    std::vector<std::unique_ptr<AngleInfo>> angles;
};

struct TitleSet : VideoAttributes {
    // `budget` bounds the cells one disc may make; a title set read on its
    // own gets a budget of its own.
    explicit TitleSet(MessageList* messages, CellBudget* budget = nullptr);

    // Reads VTS_nn_0.IFO and sizes the set from its VOB files.
    void LoadTitleSet(const IDiscFiles& files, int titleSetNumber);
    // The same for a VIDEO_TS folder.
    void LoadTitleSet(const std::string& videoTsPath, int titleSetNumber);
    void MarkAngleCells();
    void BuildChapters();
    std::string GetTitleLabel() const;  // "Title %d [%lu MB]"

    MessageList* messages;
    uint64_t totalBytes = 0;
    int16_t number = 0;
    std::unique_ptr<ProgramChainTable> programChainTable;  // only while loading
    std::vector<std::unique_ptr<PgcEntry>> pgcEntries;
    std::vector<TitleStart> titleStarts;  // by the set's title number, from 1
    std::vector<AudioStream> audioStreams;
    std::vector<SubpictureStream> subpictureStreams;
    CellBudget* cellBudget;

private:
    CellBudget ownBudget;
};

// The information file to read for `ifoName` ("vts_01_0.ifo"): the IFO
// itself, or its backup (.BUP) when the IFO cannot be read whole or fails
// its checks and the backup does better; a note in `messages` says so.
std::string ReadableIfo(const IDiscFiles& files, const std::string& ifoName, MessageList& messages);

// hh:mm:ss of a duration; hours are not limited to two digits.
std::string FormatDuration(double seconds);

// The audio and subpicture streams of `titleSet` that `chain` offers, each
// with the MPEG stream that carries it (for subpictures, the sub-stream for
// the title set's display: wide for 16:9, 4:3 otherwise), as the chain's
// stream control tables say. A table that offers none of the title set's
// streams says nothing (some authoring leaves it empty): every stream then,
// carried as numbered.
std::vector<AudioStream> OfferedAudio(const TitleSet& titleSet, const PgcEntry& chain);
std::vector<SubpictureStream> OfferedSubpictures(const TitleSet& titleSet, const PgcEntry& chain);

// The angle of a title set with most sectors (the first of equals) and its
// chain: the one the Titles tree selects. Both null when no angle has any.
std::pair<const PgcEntry*, const AngleInfo*> LargestAngle(const TitleSet& titleSet);
