#include "rip/disc_play_list.h"

#include "dvd/disc_files.h"

namespace {

// The title set numbered `number`, if the disc holds it.
const TitleSet* TitleSetNumbered(const DvdSource& source, int number)
{
    for (const auto& titleSet : source.TitleSets())
        if (titleSet->number == number) return titleSet.get();
    return nullptr;
}

// Angle 1 of the chapters from `program` (1-based) to the end of the chain.
TitleRun RunFrom(const TitleSet& titleSet, const PgcEntry& chain, std::size_t program)
{
    TitleRun run{titleSet.number, {}};
    if (chain.angles.empty()) return run;
    const auto& chapters = chain.angles.front()->chapters;
    for (std::size_t c = program - 1; c < chapters.size(); ++c)
        for (const auto& cell : chapters[c]->cells)
            if (cell->lastSector >= cell->firstSector) run.sectors.push_back({cell->firstSector, cell->lastSector});
    return run;
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
    NoVolumeTable noVolumes;
    DvdSource source(noVolumes);
    const auto videoTs = FindVideoTsFolder(disc);
    source.Load(videoTs ? videoTs->string() : disc);
    return WholeDiscPlayList(source, problem);
}
