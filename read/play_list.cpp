#include "read/play_list.h"

#include "dvd/disc_files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

// What `use` makes of the disc at `disc` (a folder, an image or a drive), read by the program's own reader.
template <typename Use>
PlayList WithDiscLoaded(const std::string& disc, Use use)
{
    NoVolumeTable noVolumes;
    DvdSource source(noVolumes);
    const auto videoTs = FindVideoTsFolder(disc);
    source.Load(videoTs ? videoTs->string() : disc);
    return use(source);
}

// The cells of `chapters` (1-based numbers) of an angle, each chapter's mark on its first cell that holds video.
TitleRun RunOfChapters(const TitleSet& titleSet, const PgcEntry& chain, const AngleInfo& angle, const std::vector<int>& chapters)
{
    TitleRun run;
    run.titleSet = titleSet.number;
    run.programChain = chain.number;
    run.pictureSize = titleSet.resolution;
    run.tvSystem = titleSet.tvSystem;
    run.audioStreams = OfferedAudio(titleSet, chain);
    run.subpictureStreams = OfferedSubpictures(titleSet, chain);
    run.colours = chain.colours;
    for (int chapter : chapters) {
        int mark = chapter;
        for (const auto& cell : angle.chapters[chapter - 1]->cells) {
            if (cell->lastSector < cell->firstSector) continue;
            run.sectors.push_back({cell->firstSector, cell->lastSector, mark, cell->seconds});
            mark = 0;
        }
    }
    return run;
}

// Angle 1 of the chapters from `program` (1-based) to the end of the chain.
TitleRun RunFrom(const TitleSet& titleSet, const PgcEntry& chain, std::size_t program)
{
    if (chain.angles.empty()) {
        TitleRun none;
        none.titleSet = titleSet.number;
        none.programChain = chain.number;
        return none;
    }
    std::vector<int> chapters;
    for (std::size_t c = program; c <= chain.angles.front()->chapters.size(); ++c) chapters.push_back(static_cast<int>(c));
    return RunOfChapters(titleSet, chain, *chain.angles.front(), chapters);
}

}  // namespace

PlayList WholeDiscPlayList(const DvdSource& source, std::string* problem)
{
    PlayList list;
    const DiscInfo* disc = source.GetDiscInfo();
    if (!disc) return list;
    for (const DiscTitle& title : disc->titles) {
        const TitleSet* titleSet = TitleSetNumbered(source, title.titleSet);
        const std::string name = "title set " + std::to_string(title.titleSet);
        if (!titleSet || titleSet->pgcEntries.empty()) {
            if (problem && problem->empty())
                *problem = name + (titleSet ? ": its IFO file cannot be read" : ": its VOB files are missing");
            continue;
        }
        if (title.vtsTitle < 1 || title.vtsTitle > titleSet->titleStarts.size()) continue;
        const TitleStart start = titleSet->titleStarts[title.vtsTitle - 1];
        if (start.programChain < 1 || start.programChain > titleSet->pgcEntries.size() || start.program < 1) continue;
        TitleRun run = RunFrom(*titleSet, *titleSet->pgcEntries[start.programChain - 1], start.program);
        if (!run.sectors.empty()) list.push_back(std::move(run));
    }
    return list;
}

PlayList WholeDiscPlayList(const std::string& disc, std::string* problem)
{
    return WithDiscLoaded(disc, [&](const DvdSource& source) { return WholeDiscPlayList(source, problem); });
}

PlayList SelectionPlayList(const DvdSource& source, const DiscSelection& selection, std::string* problem)
{
    auto fail = [&](const std::string& why) {
        if (problem) *problem = why;
        return PlayList();
    };
    if (std::string wrong = SelectionProblem(source, selection); !wrong.empty()) return fail(wrong);
    const TitleSet& titleSet = *TitleSetNumbered(source, selection.titleSet);
    const PgcEntry& chain = *titleSet.pgcEntries[selection.programChain - 1];
    const AngleInfo& angle = *chain.angles[selection.angle - 1];
    std::vector<int> wanted = selection.chapters;
    if (wanted.empty())
        for (std::size_t c = 1; c <= angle.chapters.size(); ++c) wanted.push_back(static_cast<int>(c));
    TitleRun run = RunOfChapters(titleSet, chain, angle, wanted);
    if (run.sectors.empty()) return fail("the chapters chosen hold no video");
    return {run};
}

PlayList SelectionPlayList(const std::string& disc, const DiscSelection& selection, std::string* problem)
{
    return WithDiscLoaded(disc, [&](const DvdSource& source) { return SelectionPlayList(source, selection, problem); });
}

std::vector<ChapterMark> ChapterMarks(const PlayList& playList, bool wholeDisc)
{
    std::vector<ChapterMark> marks;
    double at = 0;
    for (const TitleRun& title : playList)
        for (const SectorRun& cell : title.sectors) {
            if (cell.chapter > 0) {
                const std::string chapter = "Chapter " + std::to_string(cell.chapter);
                marks.push_back({wholeDisc ? "Title " + std::to_string(title.titleSet) + "." + std::to_string(title.programChain) +
                                                 ", " + chapter
                                           : chapter,
                                 at});
            }
            at += cell.seconds;
        }
    return marks;
}

