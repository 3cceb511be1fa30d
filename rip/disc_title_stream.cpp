#include "rip/disc_title_stream.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/nav_read.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

constexpr int64_t kTimestampWrap = int64_t(1) << 33;
// VOBUs closer than this to where the timeline expects them are left alone.
constexpr int64_t kJoinTolerance = 90 * 40;
constexpr std::size_t kPciStart = 0x2D;
constexpr int kMaxVobuSectors = 1024;

bool IsNavPack(const uint8_t* sector)
{
    static const uint8_t pack[] = {0x00, 0x00, 0x01, 0xBA};
    static const uint8_t system[] = {0x00, 0x00, 0x01, 0xBB};
    static const uint8_t pci[] = {0x00, 0x00, 0x01, 0xBF};
    return std::memcmp(sector, pack, 4) == 0 && std::memcmp(sector + 14, system, 4) == 0 &&
           std::memcmp(sector + 38, pci, 4) == 0 && sector[44] == 0x00 && std::memcmp(sector + 0x400, pci, 4) == 0 &&
           sector[0x406] == 0x01;
}

// A 33-bit timestamp in the 5-byte PES form (with its marker bits).
int64_t ReadPesTimestamp(const uint8_t* p)
{
    return (int64_t(p[0] & 0x0E) << 29) | (int64_t(p[1]) << 22) | (int64_t(p[2] & 0xFE) << 14) | (int64_t(p[3]) << 7) |
           (int64_t(p[4]) >> 1);
}

void WritePesTimestamp(uint8_t* p, int64_t value)
{
    p[0] = static_cast<uint8_t>((p[0] & 0xF1) | ((value >> 29) & 0x0E));
    p[1] = static_cast<uint8_t>(value >> 22);
    p[2] = static_cast<uint8_t>((p[2] & 0x01) | ((value >> 14) & 0xFE));
    p[3] = static_cast<uint8_t>(value >> 7);
    p[4] = static_cast<uint8_t>((p[4] & 0x01) | ((value << 1) & 0xFE));
}

// The 33-bit base of an MPEG-2 pack header's SCR.
int64_t ReadScrBase(const uint8_t* p)
{
    return (int64_t(p[0] & 0x38) << 27) | (int64_t(p[0] & 0x03) << 28) | (int64_t(p[1]) << 20) |
           (int64_t(p[2] & 0xF8) << 12) | (int64_t(p[2] & 0x03) << 13) | (int64_t(p[3]) << 5) | (int64_t(p[4]) >> 3);
}

void WriteScrBase(uint8_t* p, int64_t base)
{
    p[0] = static_cast<uint8_t>((p[0] & 0xC4) | ((base >> 27) & 0x38) | ((base >> 28) & 0x03));
    p[1] = static_cast<uint8_t>(base >> 20);
    p[2] = static_cast<uint8_t>((p[2] & 0x04) | ((base >> 12) & 0xF8) | ((base >> 13) & 0x03));
    p[3] = static_cast<uint8_t>(base >> 5);
    p[4] = static_cast<uint8_t>((p[4] & 0x07) | ((base << 3) & 0xF8));
}

// libdvdread's notes (and its banner about encrypted discs) would land on
// stdout; they go to stderr only when libvlc's log does too.
void LogDvdRead(void*, dvd_logger_level_t, const char* format, va_list arguments)
{
    const char* verbose = std::getenv("TARVOK_VLC_VERBOSE");
    if (!verbose || !*verbose) return;
    std::fputs("libdvdread: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

int64_t Wrapped(int64_t value)
{
    value %= kTimestampWrap;
    return value < 0 ? value + kTimestampWrap : value;
}

}  // namespace

std::unique_ptr<DiscTitleStream> DiscTitleStream::Open(const std::string& disc, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return nullptr;
    };
    std::unique_ptr<DiscTitleStream> stream(new DiscTitleStream);
    static const dvd_logger_cb logger = {LogDvdRead};
    stream->dvd = DVDOpen2(nullptr, &logger, disc.c_str());
    if (!stream->dvd) return fail("cannot open the disc at " + disc);
    ifo_handle_t* manager = ifoOpen(stream->dvd, 0);
    if (!manager || !manager->tt_srpt) {
        if (manager) ifoClose(manager);
        return fail("no video manager on the disc at " + disc);
    }

    std::map<int, ifo_handle_t*> titleSets;
    for (int t = 0; t < manager->tt_srpt->nr_of_srpts; ++t) {
        const title_info_t& info = manager->tt_srpt->title[t];
        ifo_handle_t*& vts = titleSets[info.title_set_nr];
        if (!vts) vts = ifoOpen(stream->dvd, info.title_set_nr);
        if (!vts || !vts->vts_ptt_srpt || !vts->vts_pgcit || info.vts_ttn < 1 || info.vts_ttn > vts->vts_ptt_srpt->nr_of_srpts)
            continue;
        const ttu_t& chapters = vts->vts_ptt_srpt->title[info.vts_ttn - 1];
        if (chapters.nr_of_ptts < 1) continue;
        const int pgcn = chapters.ptt[0].pgcn, pgn = chapters.ptt[0].pgn;
        if (pgcn < 1 || pgcn > vts->vts_pgcit->nr_of_pgci_srp) continue;
        const pgc_t* pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
        if (!pgc || !pgc->cell_playback || !pgc->program_map || pgn < 1 || pgn > pgc->nr_of_programs) continue;

        Title title;
        title.titleSet = info.title_set_nr;
        for (int c = pgc->program_map[pgn - 1] - 1; c >= 0 && c < pgc->nr_of_cells; ++c) {
            const cell_playback_t& cell = pgc->cell_playback[c];
            // In an angle block only the block's first cell (angle 1) is played.
            if (cell.block_type == BLOCK_TYPE_ANGLE_BLOCK && cell.block_mode != BLOCK_MODE_FIRST_CELL) continue;
            if (cell.last_sector < cell.first_sector) continue;
            title.cells.push_back({cell.first_sector, cell.last_sector});
            stream->totalSectors += cell.last_sector - cell.first_sector + 1;
        }
        if (title.cells.empty()) continue;
        stream->titles.push_back(std::move(title));
    }
    for (auto& [number, vts] : titleSets)
        if (vts) ifoClose(vts);
    ifoClose(manager);
    if (stream->titles.empty()) return fail("no title on the disc at " + disc + " can be read");
    return stream;
}

DiscTitleStream::~DiscTitleStream()
{
    if (file) DVDCloseFile(file);
    if (dvd) DVDClose(dvd);
}

long DiscTitleStream::Read(uint8_t* buffer, std::size_t length)
{
    std::size_t copied = 0;
    while (copied < length) {
        if (pendingOffset == pending.size()) {
            pending.clear();
            pendingOffset = 0;
            if (!FillPending()) break;
        }
        const std::size_t take = std::min(length - copied, pending.size() - pendingOffset);
        std::memcpy(buffer + copied, pending.data() + pendingOffset, take);
        pendingOffset += take;
        copied += take;
    }
    if (copied == 0 && failed) return -1;
    return static_cast<long>(copied);
}

bool DiscTitleStream::Seek(uint64_t position)
{
    if (position > Size()) return false;
    pending.clear();
    pendingOffset = 0;
    failed = false;
    lastScr = -1;
    expectedStart = -1;
    if (position == 0) offset = 0;

    uint64_t sector = position / kSectorBytes;
    for (titleIndex = 0; titleIndex < titles.size(); ++titleIndex) {
        const auto& cells = titles[titleIndex].cells;
        for (cellIndex = 0; cellIndex < cells.size(); ++cellIndex) {
            const uint64_t length = cells[cellIndex].last - cells[cellIndex].first + 1;
            if (sector < length) {
                nextSector = cells[cellIndex].first + static_cast<uint32_t>(sector);
                cellStarted = true;
                // The bytes before the position, within its sector, are not wanted.
                if (position % kSectorBytes && FillPending()) pendingOffset = position % kSectorBytes;
                return true;
            }
            sector -= length;
        }
    }
    cellIndex = 0;
    cellStarted = false;
    return true;  // the very end
}

bool DiscTitleStream::FillPending()
{
    while (titleIndex < titles.size()) {
        const Title& title = titles[titleIndex];
        if (cellIndex >= title.cells.size()) {
            ++titleIndex;
            cellIndex = 0;
            cellStarted = false;
            continue;
        }
        const CellRun& cell = title.cells[cellIndex];
        if (!cellStarted) {
            nextSector = cell.first;
            cellStarted = true;
        }
        if (nextSector > cell.last) {
            ++cellIndex;
            cellStarted = false;
            continue;
        }
        if (openTitleSet != title.titleSet) {
            if (file) DVDCloseFile(file);
            file = DVDOpenFile(dvd, title.titleSet, DVD_READ_TITLE_VOBS);
            openTitleSet = title.titleSet;
            if (!file) {
                failed = true;
                return false;
            }
        }

        // The VOBU at nextSector: its navigation pack says how long it is and where the next begins.
        uint8_t nav[kSectorBytes];
        if (DVDReadBlocks(file, static_cast<int>(nextSector), 1, nav) != 1) {
            failed = true;
            return false;
        }
        uint32_t last = cell.last, following = cell.last + 1;
        if (IsNavPack(nav)) {
            pci_t pci;
            dsi_t dsi;
            navRead_PCI(&pci, nav + kPciStart);
            navRead_DSI(&dsi, nav + DSI_START_BYTE);
            if (dsi.dsi_gi.vobu_ea > 0 && dsi.dsi_gi.vobu_ea < kMaxVobuSectors)
                last = std::min<uint32_t>(cell.last, nextSector + dsi.dsi_gi.vobu_ea);
            following = last + 1;
            // The next VOBU of this angle, when the disc says where it is and it lies ahead in the cell.
            const uint32_t jump = dsi.vobu_sri.next_vobu;
            if (jump != SRI_END_OF_CELL && !(jump & 0x80000000)) {
                const uint32_t target = nextSector + (jump & 0x3FFFFFFF);
                if (target > last && target <= cell.last) following = target;
            }
            RetimeVobu(pci.pci_gi.vobu_s_ptm, pci.pci_gi.vobu_e_ptm);
        }

        const std::size_t sectors = last - nextSector + 1;
        pending.resize(sectors * kSectorBytes);
        std::memcpy(pending.data(), nav, kSectorBytes);
        if (sectors > 1 &&
            DVDReadBlocks(file, static_cast<int>(nextSector + 1), sectors - 1, pending.data() + kSectorBytes) !=
                static_cast<ssize_t>(sectors - 1)) {
            failed = true;
            pending.clear();
            return false;
        }
        for (std::size_t s = 0; s < sectors; ++s) RetimeSector(pending.data() + s * kSectorBytes);
        nextSector = following;
        return true;
    }
    return false;
}

void DiscTitleStream::RetimeVobu(int64_t start, int64_t end)
{
    if (end <= start) return;
    if (expectedStart < 0) {
        expectedStart = end + offset;  // the first VOBU read keeps its times
        return;
    }
    const int64_t shifted = start + offset;
    if (shifted < expectedStart - kJoinTolerance || shifted > expectedStart + kJoinTolerance) offset = expectedStart - start;
    expectedStart = end + offset;
}

void DiscTitleStream::RetimeSector(uint8_t* sector)
{
    if (sector[0] != 0 || sector[1] != 0 || sector[2] != 1 || sector[3] != 0xBA || (sector[4] & 0xC0) != 0x40) return;
    int64_t scr = Wrapped(ReadScrBase(sector + 4) + offset);
    // The clock never runs backwards where two pieces of the timeline meet.
    if (lastScr >= 0 && scr < lastScr && lastScr - scr < kTimestampWrap / 2) scr = lastScr;
    lastScr = scr;
    WriteScrBase(sector + 4, scr);

    std::size_t at = 14 + (sector[13] & 0x07);
    while (at + 6 <= kSectorBytes && sector[at] == 0 && sector[at + 1] == 0 && sector[at + 2] == 1) {
        const uint8_t id = sector[at + 3];
        const std::size_t length = (std::size_t(sector[at + 4]) << 8) | sector[at + 5];
        const bool hasHeader = id == 0xBD || (id >= 0xC0 && id <= 0xEF);
        if (hasHeader && at + 9 <= kSectorBytes && (sector[at + 6] & 0xC0) == 0x80) {
            const unsigned flags = sector[at + 7] >> 6;
            if ((flags & 2) && at + 14 <= kSectorBytes)
                WritePesTimestamp(sector + at + 9, Wrapped(ReadPesTimestamp(sector + at + 9) + offset));
            if (flags == 3 && at + 19 <= kSectorBytes)
                WritePesTimestamp(sector + at + 14, Wrapped(ReadPesTimestamp(sector + at + 14) + offset));
        }
        at += 6 + length;
    }
}
