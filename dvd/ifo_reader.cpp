#include "dvd/ifo_reader.h"

#include "dvd/disc_files.h"
#include "dvd/title_model.h"
#include "dvd/video_attributes.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <new>


namespace {

constexpr uint32_t kSectorSize = 2048;
// No table of a real IFO file comes near this; a damaged end address must not
// make the reader allocate whatever the file claims.
constexpr uint32_t kMaxTableBytes = 16u << 20;
// Bytes of a program chain's fixed part that the reader uses.
constexpr std::size_t kPgcFixedBytes = 0xEC;
constexpr std::size_t kCellPlaybackBytes = 24;
constexpr std::size_t kCellPositionBytes = 4;
constexpr std::size_t kCellAddressBytes = 12;

constexpr std::size_t kDiscTitleBytes = 12;
constexpr std::size_t kMaxAudioStreams = 8;
constexpr std::size_t kMaxSubpictureStreams = 32;
constexpr std::size_t kColourTableOffset = 0xA4;
constexpr std::size_t kAudioControlOffset = 0x0C;
constexpr std::size_t kSubpictureControlOffset = 0x1C;

// True when `count` bytes from `offset` lie inside `table`.
bool Fits(const std::vector<uint8_t>& table, std::size_t offset, std::size_t count)
{
    return offset <= table.size() && count <= table.size() - offset;
}

std::size_t EntriesThatFit(const std::vector<uint8_t>& table, std::size_t offset, std::size_t entryBytes)
{
    return offset <= table.size() ? (table.size() - offset) / entryBytes : 0;
}

}  // namespace

uint16_t ReadBE16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

uint32_t ReadBE32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]);
}

double BcdTimeToSeconds(const uint8_t* bytes)
{
    const unsigned rateCode = bytes[3] >> 6;
    auto bcd = [](uint8_t byte) { return (byte >> 4) * 10 + (byte & 0x0F); };
    const double rate = rateCode == 1 ? 25.0 : 30000.0 / 1001.0;
    return bcd(bytes[0]) * 3600.0 + bcd(bytes[1]) * 60.0 + bcd(bytes[2]) + bcd(bytes[3] & 0x3F) / rate;
}

CIfoReader::CIfoReader(MessageList& messages) : messages(messages)
{
}

CIfoReader::~CIfoReader() = default;

const char* CIfoReader::TableName(int index) const
{
    switch (index) {
    case kMat: return "MAT";
    case kTitleTable: return kind == kManager ? "TT_SRPT" : "VTS_PTT_SRPT";
    case kPgci: return "PGCI";
    case kTitleCellAddr: return "TITLE_CELL_ADDR";
    default: return "";
    }
}

const std::vector<uint8_t>* CIfoReader::Loaded(int index) const
{
    return tables[index].get();
}

void CIfoReader::ReadIfo(const std::string& path, TitleSet& target)
{
    const std::filesystem::path file(path);
    ReadIfo(FolderDiscFiles(file.parent_path()), file.filename().string(), target);
}

void CIfoReader::ReadIfo(const IDiscFiles& discFiles, const std::string& name, TitleSet& target)
{
    titleSet = &target;
    kind = kUnknown;
    fileName = discFiles.RealName(name);
    const auto size = discFiles.Size(name);
    if (!size) {
        AddMessage("file open error");
    } else {
        files = &discFiles;
        fileKey = name;
        fileLength = *size;
        if (ReadTable(0, kMat) == kLoaded) {
            const uint8_t* header = tables[kMat]->data();
            if (std::memcmp(header, "DVDVIDEO-VTS", 12) == 0) {
                kind = kTitleSet;
                ReadTable(ReadBE32(header + 0xCC), kPgci);
                ReadTable(ReadBE32(header + 0xE0), kTitleCellAddr);
                ReadTable(ReadBE32(header + 0xC8), kTitleTable, true);
            } else if (std::memcmp(header, "DVDVIDEO-VMG", 12) == 0) {
                kind = kManager;
                ReadTable(ReadBE32(header + 0xC4), kTitleTable, true);
            } else {
                AddMessage("IFO Hdr error");
            }
        }
        files = nullptr;
    }
    DecodeVideoAttributes();
    ReadProgramChains();
    ReadCellAddresses();
    ReadTitleTable();
}

std::unique_ptr<DiscInfo> CIfoReader::GetDiscInfo() const
{
    const auto* header = Loaded(kMat);
    if (kind != kManager || !header) return nullptr;
    auto info = std::make_unique<DiscInfo>();
    info->regionMask = (*header)[0x23];
    info->volumeCount = ReadBE16(header->data() + 0x26);
    info->volumeNumber = ReadBE16(header->data() + 0x28);
    info->titles = discTitles;
    return info;
}

int CIfoReader::ReadTable(uint32_t sector, int index, bool quiet)
{
    const uint64_t offset = uint64_t(sector) * kSectorSize;
    if (!files || fileLength <= offset || (offset == 0 && index != kMat)) {
        if (!quiet) AddMessage("null record entry in %s", TableName(index));
        return kNoTable;
    }
    const uint64_t remaining = fileLength - offset;

    std::unique_ptr<std::vector<uint8_t>> buffer;
    try {
        buffer = std::make_unique<std::vector<uint8_t>>(kSectorSize);
    } catch (const std::bad_alloc&) {
        return kFirstAllocFailed;
    }
    std::size_t bytesRead = ReadInto(*buffer, offset);

    uint64_t size = index == kMat ? kSectorSize : ReadBE32(buffer->data() + 4);
    size = std::min({size, remaining, uint64_t(kMaxTableBytes)});
    if (size > kSectorSize) {
        // The table's length field is the offset of its last byte, so the
        // table holds one byte more: load it too, or the last entry is cut.
        const std::size_t loadBytes = static_cast<std::size_t>(std::min(size + 1, remaining));
        try {
            buffer = std::make_unique<std::vector<uint8_t>>(loadBytes);
        } catch (const std::bad_alloc&) {
            return kSecondAllocFailed;
        }
        bytesRead = ReadInto(*buffer, offset);
    }
    if (!tables[index]) {
        tables[index] = std::move(buffer);
        tableSizes[index] = static_cast<uint32_t>(size);
    }
    if (bytesRead < size) {
        AddMessage("Eof error record %s (%d/%d)", TableName(index), static_cast<int>(size), static_cast<int>(bytesRead));
        return kShortRead;
    }
    return kLoaded;
}

std::size_t CIfoReader::ReadInto(std::vector<uint8_t>& buffer, uint64_t offset) const
{
    const auto bytes = files->Read(fileKey, offset, buffer.size());
    if (!bytes) return 0;
    std::copy(bytes->begin(), bytes->end(), buffer.begin());
    return bytes->size();
}

void CIfoReader::AddMessage(const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    // The file name is joined as text, never used as a format.
    messages.Append(fileName + " : " + text);
}

void CIfoReader::DecodeVideoAttributes()
{
    const auto* header = Loaded(kMat);
    // A header that is none (zeros, another file) describes nothing.
    if (!header || kind == kUnknown) return;
    // A title set's own video is described at 0x200 (0x100 is its menu's,
    // all zeros on a set without menus); the manager has only 0x100.
    const std::size_t offset = kind == kTitleSet ? 0x200 : 0x100;
    static_cast<VideoAttributes&>(*titleSet) = ::DecodeVideoAttributes((*header)[offset], (*header)[offset + 1]);
    if (kind != kTitleSet) return;
    // The title set's audio streams: a count at 0x202, then eight entries of
    // 8 bytes from 0x204, all inside the header's sector.
    const std::size_t count = std::min<std::size_t>(ReadBE16(header->data() + 0x202), kMaxAudioStreams);
    titleSet->audioStreams.clear();
    for (std::size_t i = 0; i < count; ++i)
        titleSet->audioStreams.push_back(DecodeAudioAttributes(header->data() + 0x204 + 8 * i, static_cast<int>(i) + 1));
    // Its subpicture streams: a count at 0x254, then 32 entries of 6 bytes from 0x256.
    const std::size_t subpictures = std::min<std::size_t>(ReadBE16(header->data() + 0x254), kMaxSubpictureStreams);
    titleSet->subpictureStreams.clear();
    for (std::size_t i = 0; i < subpictures; ++i)
        titleSet->subpictureStreams.push_back(DecodeSubpictureAttributes(header->data() + 0x256 + 6 * i, static_cast<int>(i) + 1));
}

void CIfoReader::ReadProgramChains()
{
    const auto* table = Loaded(kPgci);
    if (!table || !titleSet->programChainTable) return;
    std::size_t count = ReadBE16(table->data());
    const std::size_t pointers = table->size() >= 16 ? (table->size() - 8) / 8 : 0;
    if (count > pointers) {
        AddMessage("Length error in %s", TableName(kPgci));
        count = pointers;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t offset = ReadBE32(table->data() + 12 + 8 * i);
        ProgramChain& chain = titleSet->programChainTable->NewProgramChain();
        if (!Fits(*table, offset, kPgcFixedBytes)) {
            AddMessage("Length error in %s", TableName(kPgci));
            continue;
        }
        ReadProgramChain(chain, *table, offset);
    }
}

void CIfoReader::ReadProgramChain(ProgramChain& chain, const std::vector<uint8_t>& table, std::size_t offset)
{
    const uint8_t* pgc = table.data() + offset;
    chain.seconds = BcdTimeToSeconds(pgc + 4);
    for (std::size_t c = 0; c < chain.colours.size(); ++c) chain.colours[c] = ReadBE32(pgc + kColourTableOffset + 4 * c);
    for (std::size_t a = 0; a < chain.streams.audio.size(); ++a) chain.streams.audio[a] = ReadBE16(pgc + kAudioControlOffset + 2 * a);
    for (std::size_t s = 0; s < chain.streams.subpictures.size(); ++s)
        chain.streams.subpictures[s] = ReadBE32(pgc + kSubpictureControlOffset + 4 * s);

    std::size_t programs = pgc[2];
    const std::size_t mapOffset = offset + ReadBE16(pgc + 0xE6);
    std::size_t cells = pgc[3];
    const std::size_t playbackOffset = offset + ReadBE16(pgc + 0xE8);
    const std::size_t positionOffset = offset + ReadBE16(pgc + 0xEA);
    const std::size_t cellsThatFit = std::min(EntriesThatFit(table, playbackOffset, kCellPlaybackBytes),
                                              EntriesThatFit(table, positionOffset, kCellPositionBytes));
    if (!Fits(table, mapOffset, programs) || cells > cellsThatFit) {
        AddMessage("Length error in %s", TableName(kPgci));
        programs = std::min(programs, EntriesThatFit(table, mapOffset, 1));
        cells = std::min(cells, cellsThatFit);
    }
    if (!titleSet->cellBudget->Take(cells)) {
        AddMessage("Cell limit reached (%d max)", static_cast<int>(kMaxCellsPerDisc));
        return;
    }
    chain.programCount = static_cast<int>(programs);
    chain.programMap.assign(table.data() + mapOffset, table.data() + mapOffset + programs);

    uint16_t previousVobId = 0, previousCellId = 0;
    for (std::size_t k = 0; k < cells; ++k) {
        const uint8_t* playback = table.data() + playbackOffset + k * kCellPlaybackBytes;
        const uint8_t* position = table.data() + positionOffset + k * kCellPositionBytes;
        uint16_t vobId = ReadBE16(position);
        uint16_t cellId = position[3];
        if (vobId == 0) vobId = previousVobId + 1;
        if (cellId == 0) cellId = previousCellId + 1;
        previousVobId = vobId;
        previousCellId = cellId;

        auto cell = std::make_unique<CellInfo>();
        cell->index = static_cast<int>(chain.cells.size());
        cell->category = playback[0];
        cell->vobId = vobId;
        cell->cellId = cellId;
        cell->firstSector = ReadBE32(playback + 8);
        cell->lastSector = ReadBE32(playback + 20);
        cell->seconds = BcdTimeToSeconds(playback + 4);
        cell->sectorCount = CellSectorCount(cell->firstSector, cell->lastSector);
        chain.cells.push_back(std::move(cell));
    }
}

void CIfoReader::ReadCellAddresses()
{
    const auto* table = Loaded(kTitleCellAddr);
    if (!table || !titleSet->programChainTable) return;
    uint32_t end = ReadBE32(table->data() + 4);
    bool reported = false;
    if (end > tableSizes[kTitleCellAddr]) {
        AddMessage("Length error in %s", TableName(kTitleCellAddr));
        reported = true;
        end = tableSizes[kTitleCellAddr];
    }
    std::size_t count = end >= 7 ? (end - 7) / kCellAddressBytes : 0;
    const std::size_t entriesThatFit = EntriesThatFit(*table, 8, kCellAddressBytes);
    if (count > entriesThatFit) {
        if (!reported) AddMessage("Length error in %s", TableName(kTitleCellAddr));
        count = entriesThatFit;
    }
    if (!titleSet->cellBudget->Take(count)) {
        AddMessage("Cell limit reached (%d max)", static_cast<int>(kMaxCellsPerDisc));
        return;
    }
    for (std::size_t k = 0; k < count; ++k) {
        const uint8_t* entry = table->data() + 8 + k * kCellAddressBytes;
        titleSet->programChainTable->AddCellAddress(ReadBE16(entry), entry[2], ReadBE32(entry + 4), ReadBE32(entry + 8));
    }
}

void CIfoReader::ReadTitleTable()
{
    const auto* table = Loaded(kTitleTable);
    if (!table || table->size() < 8) return;
    std::size_t count = ReadBE16(table->data());
    if (kind == kManager) {
        const std::size_t fit = EntriesThatFit(*table, 8, kDiscTitleBytes);
        if (count > fit) {
            AddMessage("Length error in %s", TableName(kTitleTable));
            count = fit;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const uint8_t* entry = table->data() + 8 + i * kDiscTitleBytes;
            discTitles.push_back({entry[6], entry[7]});
        }
        return;
    }
    if (kind != kTitleSet) return;
    const std::size_t fit = EntriesThatFit(*table, 8, 4);
    bool reported = count > fit;
    if (reported) {
        AddMessage("Length error in %s", TableName(kTitleTable));
        count = fit;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t at = ReadBE32(table->data() + 8 + 4 * i);
        TitleStart start;
        if (Fits(*table, at, 4)) {
            start = {ReadBE16(table->data() + at), ReadBE16(table->data() + at + 2)};
        } else if (!reported) {
            AddMessage("Length error in %s", TableName(kTitleTable));
            reported = true;
        }
        titleSet->titleStarts.push_back(start);
    }
}
