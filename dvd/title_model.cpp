#include "dvd/title_model.h"

#include "dvd/text_format.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>


std::string FormatDuration(double seconds)
{
    // Whole milliseconds, kept in 32 bits as the label has always shown them.
    const double ms = std::floor(seconds * 1000.0);
    const uint64_t wide = ms > 0 && ms < 1.8e19 ? static_cast<uint64_t>(ms) : 0;
    const uint32_t total = static_cast<uint32_t>(wide);
    return Format("%02u:%02u:%02u", total / 3600000u, total % 3600000u / 60000u, total % 60000u / 1000u);
}

std::string ChapterInfo::Label() const
{
    return Format("Chapter %d", chapterIndex + 1);
}

std::string AngleInfo::Label() const
{
    return Format("Angle %d [%s]", angleIndex + 1, FormatDuration(seconds).c_str());
}

void AngleInfo::UpdateStatistics()
{
    seconds = 0;
    sectors = 0;
    for (const auto& chapter : chapters)
        for (const auto& cell : chapter->cells)
            if (cell->selected) {
                seconds += cell->seconds;
                sectors += cell->sectorCount;
            }
}

std::string PgcEntry::Label() const
{
    return Format("Program Chain %d", number);
}

TitleSet::TitleSet(MessageList* messages, CellBudget* budget)
    : messages(messages), cellBudget(budget ? budget : &ownBudget)
{
}

std::string ReadableIfo(const IDiscFiles& files, const std::string& ifoName, MessageList& messages)
{
    // What a file's read finds wrong: unreadable, short or malformed tables, a foreign header.
    auto problems = [&](const std::string& name) {
        MessageList found;
        TitleSet scratch(&found);
        scratch.programChainTable = std::make_unique<ProgramChainTable>();
        CIfoReader reader(found);
        reader.ReadIfo(files, name, scratch);
        return found.size();
    };
    const std::size_t inIfo = problems(ifoName);
    if (inIfo == 0) return ifoName;
    const std::string bupName = ifoName.substr(0, ifoName.size() - 4) + ".bup";
    if (!files.Size(bupName) || problems(bupName) >= inIfo) return ifoName;
    messages.Append(files.RealName(ifoName) + " cannot be read whole or fails its checks: its backup " + files.RealName(bupName) +
                    " is read instead");
    return bupName;
}

std::string TitleSet::GetTitleLabel() const
{
    return Format("Title %d [%lu MB]", number, static_cast<unsigned long>(static_cast<uint32_t>((totalBytes + 65536) / 1048576)));
}

void TitleSet::LoadTitleSet(const std::string& videoTsPath, int titleSetNumber)
{
    LoadTitleSet(FolderDiscFiles(videoTsPath), titleSetNumber);
}

void TitleSet::LoadTitleSet(const IDiscFiles& files, int titleSetNumber)
{
    totalBytes = 0;
    number = static_cast<int16_t>(titleSetNumber);
    for (int k = 0; k < 99; ++k) {
        if (auto size = files.Size(Format("vts_%02d_%d.vob", titleSetNumber, k))) {
            totalBytes += *size;
        } else if (k > 0) {
            break;
        }
    }
    programChainTable = std::make_unique<ProgramChainTable>();
    {
        CIfoReader reader(*messages);
        reader.ReadIfo(files, ReadableIfo(files, Format("vts_%02d_0.ifo", titleSetNumber), *messages), *this);
    }
    MarkAngleCells();
    BuildChapters();
    programChainTable.reset();
}

void TitleSet::MarkAngleCells()
{
    for (auto& chain : programChainTable->programChains) {
        auto& cells = chain->cells;
        uint8_t c = 0;
        std::size_t blockStart = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            CellInfo& cell = *cells[i];
            switch (cell.category & 0xC0) {
            case 0x00:
                cell.angleMarker = 0x11;
                blockStart = i;
                break;
            case 0x40:
                cell.angleMarker = 0xF1;
                blockStart = i;
                c = 1;
                break;
            case 0x80:
                ++c;
                cell.angleMarker = c | 0xF0;
                break;
            case 0xC0:
                ++c;
                cell.angleMarker = c | 0xF0;
                c = static_cast<uint8_t>(c << 4);
                for (std::size_t j = blockStart; j <= i; ++j)
                    if ((cells[j]->angleMarker & 0xF0) == 0xF0)
                        cells[j]->angleMarker = (cells[j]->angleMarker & 0x0F) | c;
                break;
            }
        }
        chain->angleCount = (c >> 4) ? (c >> 4) : 1;
    }
}

void TitleSet::BuildChapters()
{
    const auto& table = *programChainTable;
    if (table.programChains.empty() || table.cellAddresses.empty()) return;

    // The address pieces of each cell, in table order.
    std::map<std::pair<uint16_t, uint16_t>, std::vector<const CellInfo*>> pieces;
    for (const auto& address : table.cellAddresses) pieces[{address->vobId, address->cellId}].push_back(address.get());

    for (const auto& chain : table.programChains) {
        auto& entry = *pgcEntries.emplace_back(std::make_unique<PgcEntry>());
        entry.number = static_cast<int>(pgcEntries.size());
        entry.colours = chain->colours;
        entry.streams = chain->streams;
        const uint16_t cellCount = static_cast<uint16_t>(chain->cells.size());

        for (int a = 0; a < chain->angleCount; ++a) {
            auto& angle = *entry.angles.emplace_back(std::make_unique<AngleInfo>());
            angle.angleIndex = a;
            uint32_t lastEnd = 0;
            const auto& map = chain->programMap;
            for (std::size_t j = 0; j < map.size(); ++j) {
                auto& chapter = *angle.chapters.emplace_back(std::make_unique<ChapterInfo>());
                chapter.chapterIndex = static_cast<int>(j);
                const uint16_t first = static_cast<uint16_t>(map[j] - 1);
                uint16_t end = j + 1 == map.size() ? cellCount : static_cast<uint16_t>(map[j + 1] - 1);
                if (end > cellCount) {
                    messages->Prepend(Format("Cell index overflow (%d for %d max)", end, cellCount));
                    end = cellCount;
                }
                for (uint16_t k = first; k < end; ++k) {
                    const CellInfo& g = *chain->cells[k];
                    const unsigned position = g.angleMarker & 0x0F;
                    if (g.angleMarker != 0x11 && position != unsigned(a + 1) && position != 0) continue;
                    auto found = pieces.find({g.vobId, g.cellId});
                    if (found == pieces.end()) continue;
                    bool taken = false;
                    for (const CellInfo* m : found->second) {
                        if (!(m->firstSector > lastEnd || m->index == 0)) continue;
                        if (!cellBudget->Take(1)) {
                            messages->Append(Format("Cell limit reached (%d max)", static_cast<int>(kMaxCellsPerDisc)));
                            return;
                        }
                        auto cell = std::make_unique<CellInfo>();
                        cell->index = static_cast<int>(chapter.cells.size());
                        cell->vobId = m->vobId;
                        cell->cellId = m->cellId;
                        cell->firstSector = m->firstSector;
                        cell->lastSector = m->lastSector;
                        cell->sectorCount = CellSectorCount(m->firstSector, m->lastSector);
                        cell->seconds = taken ? 0.0 : g.seconds;
                        chapter.cells.push_back(std::move(cell));
                        taken = true;
                        lastEnd = m->lastSector;
                    }
                }
            }
        }
    }
}

std::pair<const PgcEntry*, const AngleInfo*> LargestAngle(const TitleSet& titleSet)
{
    std::pair<const PgcEntry*, const AngleInfo*> largest{nullptr, nullptr};
    for (const auto& chain : titleSet.pgcEntries)
        for (const auto& angle : chain->angles)
            if (angle->sectors > (largest.second ? largest.second->sectors : 0)) largest = {chain.get(), angle.get()};
    return largest;
}

namespace {

// The streams a control table offers, each with its carrier; all of them, as numbered, when it offers none.
template <typename Stream, typename Table, typename Entry = typename Table::value_type>
std::vector<Stream> Offered(const std::vector<Stream>& declared, const Table& table, Entry offeredBit, int (*carrier)(Entry))
{
    std::vector<Stream> offered;
    for (const Stream& stream : declared) {
        if (stream.index < 1 || stream.index > int(table.size())) continue;
        const auto entry = table[stream.index - 1];
        if (!(entry & offeredBit)) continue;
        offered.push_back(stream);
        offered.back().carrier = carrier(entry);
    }
    return offered.empty() ? declared : offered;
}

}  // namespace

std::vector<AudioStream> OfferedAudio(const TitleSet& titleSet, const PgcEntry& chain)
{
    return Offered(titleSet.audioStreams, chain.streams.audio, uint16_t(0x8000), +[](uint16_t entry) { return (entry >> 8) & 7; });
}

std::vector<SubpictureStream> OfferedSubpictures(const TitleSet& titleSet, const PgcEntry& chain)
{
    const bool wide = titleSet.aspectRatio == "16:9";
    return Offered(titleSet.subpictureStreams, chain.streams.subpictures, uint32_t(0x80000000u),
                   wide ? +[](uint32_t entry) { return int(entry >> 16) & 0x1F; } : +[](uint32_t entry) { return int(entry >> 24) & 0x1F; });
}
