#include "rip/disc_title_stream.h"

#include "dvd/disc_files.h"
#include "dvd/udf_disc_files.h"
#include "rip/disc_encryption.h"
#include "rip/mpeg_packs.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/nav_read.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

// A VOBU that starts this little after where the timeline expects it (less
// than a picture of either TV system) keeps its times; one that starts
// earlier, or later still, is moved there: pictures never overlap, and a
// gap never reaches a whole picture.
constexpr int64_t kJoinTolerance = 3000;
constexpr std::size_t kPciStart = 0x2D;
// No VOBU of a real disc comes near this many sectors; a cell without
// navigation is read in pieces of this size.
constexpr uint64_t kMaxVobuSectors = 1024;
// Sectors read at once: between two such reads a cancelled rip gives up.
constexpr std::size_t kReadPieceSectors = 64;
// Sectors of each title's start looked at for the scrambling marks of CSS.
constexpr std::size_t kProbeSectors = 16;
// After a cut, VOBUs are read for their sound until they start this long
// after the cut's last picture (90 kHz): a DVD's decoder buffer holds about
// a second of pictures ahead of their sound.
constexpr int64_t kMaxSoundLag = 90000 * 3 / 2;

std::string TitleSetName(int titleSet)
{
    return "title set " + std::to_string(titleSet);
}

// The disc files of a folder that are not plain files: a FIFO or a device
// would block libdvdread's open or read for ever.
std::optional<std::string> OddDiscFile(const fs::path& videoTs)
{
    std::error_code error;
    for (fs::directory_iterator it(videoTs, error), end; !error && it != end; it.increment(error)) {
        const std::string extension = ToLower(it->path().extension().string());
        if (extension != ".ifo" && extension != ".bup" && extension != ".vob") continue;
        std::error_code statError;
        if (!fs::is_regular_file(it->path(), statError)) return it->path().string();
    }
    return std::nullopt;
}

}  // namespace

std::unique_ptr<DiscTitleStream> DiscTitleStream::Open(const std::string& disc, DiscProblem* problem)
{
    std::string missing;
    const PlayList list = WholeDiscPlayList(disc, &missing);
    return Open(disc, list, missing, problem);
}

std::unique_ptr<DiscTitleStream> DiscTitleStream::Open(const std::string& disc, const PlayList& playList, DiscProblem* problem)
{
    return Open(disc, playList, {}, problem);
}

std::unique_ptr<DiscTitleStream> DiscTitleStream::Open(const std::string& disc, const PlayList& playList,
                                                       const std::string& missing, DiscProblem* problem)
{
    DiscProblem found;
    auto fail = [&](DiscProblem why) {
        if (problem) *problem = std::move(why);
        return nullptr;
    };
    // For a folder libdvdread is given VIDEO_TS itself: it finds that folder
    // inside another only when it is named VIDEO_TS or video_ts.
    std::string path = disc;
    std::error_code error;
    if (fs::is_directory(disc, error)) {
        auto videoTs = FindVideoTsFolder(disc);
        if (!videoTs) return fail({"no VIDEO_TS folder at " + disc});
        if (auto odd = OddDiscFile(*videoTs)) return fail({*odd + " is not a regular file"});
        path = videoTs->string();
    }
    if (!missing.empty()) return fail({missing});
    if (playList.empty()) return fail({"no title on the disc at " + disc + " can be read"});

    std::unique_ptr<DiscTitleStream> stream(new DiscTitleStream);
    stream->dvd = OpenDvdReader(path);
    if (!stream->dvd) return fail({"cannot open the disc at " + disc});
    stream->titles = playList;
    for (const TitleRun& title : playList)
        for (const SectorRun& run : title.sectors) stream->totalSectors += run.last - run.first + 1;
    if (!stream->OpenTitleSets(found)) return fail(found);
    return stream;
}

bool DiscTitleStream::OpenTitleSets(DiscProblem& problem)
{
    for (const TitleRun& title : titles) {
        dvd_file_s*& file = files[title.titleSet];
        if (!file) file = DVDOpenFile(dvd, title.titleSet, DVD_READ_TITLE_VOBS);
        if (!file) {
            problem.reason = TitleSetName(title.titleSet) + ": its VOB files cannot be opened";
            return false;
        }
        const ssize_t size = DVDFileSize(file);
        fileSectors[title.titleSet] = size < 0 ? 0 : uint64_t(size);
        for (const SectorRun& cell : title.sectors)
            if (size < 0 || cell.last >= uint64_t(size)) {
                problem.reason = TitleSetName(title.titleSet) + ": its cells reach sector " + std::to_string(cell.last) +
                                 ", but its VOB files hold " + std::to_string(std::max<ssize_t>(size, 0)) +
                                 " sectors: a VOB file is missing or cut short";
                return false;
            }
        // Scrambled packs are still scrambled after libdvdread: it could not decrypt them.
        const SectorRun& start = title.sectors.front();
        std::vector<uint8_t> probe(kProbeSectors * kSectorBytes);
        const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(kProbeSectors, start.last - start.first + 1));
        if (!ReadSectors(title.titleSet, start.first, count, probe.data())) {
            problem.reason = Error();
            return false;
        }
        for (std::size_t s = 0; s < count; ++s)
            if (IsScrambledPack(probe.data() + s * kSectorBytes)) {
                problem = {EncryptedDiscReason(), true};
                return false;
            }
    }
    return true;
}

DiscTitleStream::~DiscTitleStream()
{
    for (auto& [number, file] : files)
        if (file) DVDCloseFile(file);
    if (dvd) DVDClose(dvd);
}

std::string DiscTitleStream::Error() const
{
    const std::lock_guard<std::mutex> hold(reportLock);
    return error;
}

std::vector<int64_t> DiscTitleStream::ChapterStarts() const
{
    const std::lock_guard<std::mutex> hold(reportLock);
    return chapterStarts;
}

void DiscTitleStream::Fail(const std::string& why)
{
    const std::lock_guard<std::mutex> hold(reportLock);
    if (error.empty()) error = why;
    failed = true;
}

long DiscTitleStream::Read(uint8_t* buffer, std::size_t length)
{
    std::size_t copied = 0;
    while (copied < length && !failed && !cancelled) {
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
    if (failed || cancelled) return -1;
    if (copied == 0) reachedEnd = true;
    delivered += copied;
    return static_cast<long>(copied);
}

bool DiscTitleStream::ReadSectors(int titleSet, uint64_t first, std::size_t count, uint8_t* into, bool quiet)
{
    dvd_file_s* file = files[titleSet];
    for (std::size_t done = 0; done < count;) {
        if (cancelled) return false;
        const std::size_t piece = std::min(kReadPieceSectors, count - done);
        if (DVDReadBlocks(file, static_cast<int>(first + done), piece, into + done * kSectorBytes) != ssize_t(piece)) {
            if (quiet) return false;
            Fail(TitleSetName(titleSet) + ": cannot read sectors " + std::to_string(first + done) + "-" +
                 std::to_string(first + done + piece - 1) + " of its VOB files");
            return false;
        }
        done += piece;
    }
    return true;
}

bool DiscTitleStream::FillPending()
{
    while (at.titleIndex < titles.size()) {
        const TitleRun& title = titles[at.titleIndex];
        if (at.cellIndex >= title.sectors.size()) {
            ++at.titleIndex;
            at.cellIndex = 0;
            at.cellStarted = false;
            continue;
        }
        const SectorRun& cell = title.sectors[at.cellIndex];
        const bool beginsChapter = !at.cellStarted && cell.chapter > 0;
        if (!at.cellStarted) {
            at.nextSector = cell.first;
            at.cellStarted = true;
        }
        if (at.nextSector > cell.last) {
            if (EndsBeforeACut()) {
                if (!at.tail.started) at.tail = {true, at.lastVobuEnd < 0, cell.last + 1, at.lastVobuEnd, at.lastVobuEnd, {}};
                if (FillTail(title.titleSet)) return true;
                if (failed || cancelled) return false;
            }
            ++at.cellIndex;
            at.cellStarted = false;
            at.tail = {};
            continue;
        }

        // The VOBU at nextSector: its navigation pack says how long it is and
        // where the next begins. Without one, a bounded piece of the cell.
        uint8_t nav[kSectorBytes];
        if (!ReadSectors(title.titleSet, at.nextSector, 1, nav)) return false;
        uint64_t last = std::min(cell.last, at.nextSector + kMaxVobuSectors - 1);
        uint64_t following = last + 1;
        int64_t start = -1;
        at.lastVobuEnd = -1;  // known only from a navigation pack
        if (IsNavPack(nav)) {
            pci_t pci;
            dsi_t dsi;
            navRead_PCI(&pci, nav + kPciStart);
            navRead_DSI(&dsi, nav + DSI_START_BYTE);
            if (dsi.dsi_gi.vobu_ea > 0 && dsi.dsi_gi.vobu_ea < kMaxVobuSectors)
                last = std::min(cell.last, at.nextSector + dsi.dsi_gi.vobu_ea);
            following = last + 1;
            // The next VOBU of this angle, when the disc says where it is and it lies ahead in the cell.
            const uint32_t jump = dsi.vobu_sri.next_vobu;
            if (jump != SRI_END_OF_CELL && !(jump & 0x80000000)) {
                const uint64_t target = at.nextSector + (jump & 0x3FFFFFFF);
                if (target > last && target <= cell.last) following = target;
            }
            start = RetimeVobu(pci.pci_gi.vobu_s_ptm, pci.pci_gi.vobu_e_ptm);
            at.lastVobuEnd = pci.pci_gi.vobu_e_ptm;
        }
        if (beginsChapter) {
            const std::lock_guard<std::mutex> hold(reportLock);
            chapterStarts.push_back(start < 0 ? -1 : start - origin);
        }

        const std::size_t sectors = static_cast<std::size_t>(last - at.nextSector + 1);
        pending.resize(sectors * kSectorBytes);
        std::memcpy(pending.data(), nav, kSectorBytes);
        if (sectors > 1 && !ReadSectors(title.titleSet, at.nextSector + 1, sectors - 1, pending.data() + kSectorBytes)) {
            pending.clear();
            return false;
        }
        for (std::size_t s = 0; s < sectors; ++s) {
            if (audioStream > 0) KeepOneAudioStream(pending.data() + s * kSectorBytes, audioStream);
            const int64_t scr = ShiftPackTimes(pending.data() + s * kSectorBytes, at.offset, at.lastScr);
            if (scr >= 0) at.lastScr = scr;
        }
        at.nextSector = following;
        return true;
    }
    return false;
}

bool DiscTitleStream::EndsBeforeACut() const
{
    const TitleRun& title = titles[at.titleIndex];
    const SectorRun& cell = title.sectors[at.cellIndex];
    if (at.cellIndex + 1 < title.sectors.size()) return title.sectors[at.cellIndex + 1].first != cell.last + 1;
    if (at.titleIndex + 1 == titles.size()) return true;
    const TitleRun& next = titles[at.titleIndex + 1];
    return next.titleSet != title.titleSet || next.sectors.front().first != cell.last + 1;
}

bool DiscTitleStream::FillTail(int titleSet)
{
    Place::Tail& tail = at.tail;
    if (tail.done || tail.sector >= fileSectors[titleSet]) return false;
    // Only the disc's own continuation of the cut's timeline, while its sound may still be of before the cut.
    uint8_t nav[kSectorBytes];
    tail.done = true;
    if (!ReadSectors(titleSet, tail.sector, 1, nav, true) || !IsNavPack(nav)) return false;
    pci_t pci;
    dsi_t dsi;
    navRead_PCI(&pci, nav + kPciStart);
    navRead_DSI(&dsi, nav + DSI_START_BYTE);
    const int64_t start = pci.pci_gi.vobu_s_ptm, end = pci.pci_gi.vobu_e_ptm;
    if (end <= start || start < tail.expected || start > tail.expected + kJoinTolerance || start >= tail.end + kMaxSoundLag)
        return false;
    const uint64_t last = std::min(fileSectors[titleSet] - 1, tail.sector + std::min<uint64_t>(dsi.dsi_gi.vobu_ea, kMaxVobuSectors));
    const std::size_t sectors = static_cast<std::size_t>(last - tail.sector + 1);
    pending.resize(sectors * kSectorBytes);
    std::memcpy(pending.data(), nav, kSectorBytes);
    if (sectors > 1 && !ReadSectors(titleSet, tail.sector + 1, sectors - 1, pending.data() + kSectorBytes, true)) {
        pending.clear();
        return false;
    }
    SoundKept kept;
    for (std::size_t s = 0; s < sectors; ++s) {
        uint8_t* pack = pending.data() + s * kSectorBytes;
        const SoundKept inPack = KeepSoundBefore(pack, tail.end, tail.keeping);
        kept.seen |= inPack.seen;
        kept.any |= inPack.any;
        if (audioStream > 0) KeepOneAudioStream(pack, audioStream);
        const int64_t scr = ShiftPackTimes(pack, at.offset, at.lastScr);
        if (scr >= 0) at.lastScr = scr;
    }
    // Once a VOBU's sound is all of after the cut, no later one has any of before it.
    tail.done = kept.seen && !kept.any;
    tail.sector = last + 1;
    tail.expected = end;
    return true;
}

int64_t DiscTitleStream::RetimeVobu(int64_t start, int64_t end)
{
    if (end <= start) return -1;
    if (at.expectedStart < 0) {
        // The first VOBU read keeps its times.
        origin = start + at.offset;
        at.expectedStart = end + at.offset;
        return origin;
    }
    const int64_t shifted = start + at.offset;
    if (shifted < at.expectedStart || shifted > at.expectedStart + kJoinTolerance)
        at.offset = at.expectedStart - start;
    at.expectedStart = end + at.offset;
    return start + at.offset;
}
