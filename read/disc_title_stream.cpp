#include "read/disc_title_stream.h"

#include "dvd/disc_files.h"
#include "dvd/udf_disc_files.h"
#include "read/disc_encryption.h"
#include "read/mpeg_packs.h"
#include "read/sector_reader.h"
#include "read/vobu_map.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/nav_read.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
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
// Sectors read at once ahead of what is asked (512 KB): one trip to the
// reading thread serves many VOBUs, where asking for each VOBU's navigation
// pack and then the rest costs two trips each.
constexpr std::size_t kReadAheadSectors = 256;
// Sectors of each title's start looked at for the scrambling marks of CSS.
constexpr std::size_t kProbeSectors = 16;
// After a cut, VOBUs are read for their sound until they start this long
// after the cut's last picture (90 kHz): a DVD's decoder buffer holds about
// a second of pictures ahead of their sound.
constexpr int64_t kMaxSoundLag = 90000 * 3 / 2;
// Reads in a row that never return: the drive has stopped answering.
constexpr int kMostTimeOuts = 3;
// Without a VOBU address map, this many sectors after damage are looked at for the next navigation pack.
constexpr uint64_t kMostSectorsSearched = 4096;

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

std::string DescribeDamage(const std::vector<DamagedSpan>& damage)
{
    if (damage.empty()) return {};
    auto clock = [](int64_t ticks) {
        char text[32];
        const double seconds = double(ticks) / 90000;
        std::snprintf(text, sizeof text, "%ld:%04.1f", long(seconds / 60), seconds - 60 * long(seconds / 60));
        return std::string(text);
    };
    uint64_t sectors = 0, tried = 0;
    std::string spans;
    for (const DamagedSpan& span : damage) {
        sectors += span.sectors;
        tried += span.tried;
        char lost[48] = "";
        if (span.to >= 0 && span.to <= span.from && span.discSeconds >= 0.05)
            std::snprintf(lost, sizeof lost, " (%.1f s of the disc)", span.discSeconds);
        spans += (spans.empty() ? "" : ", ") + clock(span.from) +
                 (span.to < 0 ? " to its end" : span.to > span.from ? "-" + clock(span.to) : lost);
    }
    return std::to_string(sectors) + (sectors == 1 ? " damaged sector" : " damaged sectors") + " passed over" +
           (tried < sectors ? " (" + std::to_string(tried) + " tried)" : "") + ": the file lacks " + spans;
}

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
    dvd_reader_s* dvd = OpenDvdReader(path);
    if (!dvd) return fail({"cannot open the disc at " + disc});
    stream->titles = playList;
    for (const TitleRun& title : playList)
        for (const SectorRun& run : title.sectors) stream->totalSectors += run.last - run.first + 1;
    if (!stream->OpenTitleSets(dvd, path, found)) return fail(found);
    return stream;
}

bool DiscTitleStream::OpenTitleSets(dvd_reader_s* dvd, const std::string& path, DiscProblem& problem)
{
    std::map<int, dvd_file_s*> files;
    auto fail = [&](const std::string& why) {
        for (auto& [number, file] : files) DVDCloseFile(file);
        DVDClose(dvd);
        problem.reason = why;
        return false;
    };
    for (const TitleRun& title : titles) {
        if (files.count(title.titleSet)) continue;
        dvd_file_s* file = DVDOpenFile(dvd, title.titleSet, DVD_READ_TITLE_VOBS);
        if (!file) return fail(TitleSetName(title.titleSet) + ": its VOB files cannot be opened");
        files[title.titleSet] = file;
        const ssize_t size = DVDFileSize(file);
        fileSectors[title.titleSet] = size < 0 ? 0 : uint64_t(size);
        vobuStarts[title.titleSet] = ReadVobuStarts(dvd, title.titleSet);
    }
    for (const TitleRun& title : titles)
        for (const SectorRun& cell : title.sectors)
            if (cell.last >= fileSectors[title.titleSet])
                return fail(TitleSetName(title.titleSet) + ": its cells reach sector " + std::to_string(cell.last) +
                            ", but its VOB files hold " + std::to_string(fileSectors[title.titleSet]) +
                            " sectors: a VOB file is missing or cut short");
    reader = std::make_unique<SectorReader>(path, dvd, std::move(files));

    // Scrambled packs are still scrambled after libdvdread: it could not decrypt them.
    for (const TitleRun& title : titles) {
        const SectorRun& start = title.sectors.front();
        std::vector<uint8_t> probe(kProbeSectors * kSectorBytes);
        const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(kProbeSectors, start.last - start.first + 1));
        const Got got = ReadSectors(title.titleSet, start.first, count, probe.data());
        if (got == Got::kStopped) {
            problem.reason = Error().empty() ? "the disc cannot be read" : Error();
            return false;
        }
        // A damaged start is passed over when it is read.
        for (std::size_t s = 0; got == Got::kRead && s < count; ++s)
            if (IsScrambledPack(probe.data() + s * kSectorBytes)) {
                problem = {EncryptedDiscReason(), true};
                return false;
            }
    }
    return true;
}

DiscTitleStream::~DiscTitleStream() = default;

void DiscTitleStream::Cancel()
{
    cancelled = true;
    if (reader) reader->Cancel();
}

std::vector<DamagedSpan> DiscTitleStream::Damage() const
{
    const std::lock_guard<std::mutex> hold(reportLock);
    return damage;
}

std::string DiscTitleStream::Error() const
{
    const std::lock_guard<std::mutex> hold(reportLock);
    return error;
}

std::vector<int64_t> DiscTitleStream::Joins() const
{
    const std::lock_guard<std::mutex> hold(reportLock);
    return joins;
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
    // Called from the demuxer's C code: no exception may leave.
    try {
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
    } catch (const std::bad_alloc&) {
        Fail("out of memory for reading the disc");
    }
    if (failed || cancelled) return -1;
    if (copied == 0) reachedEnd = true;
    delivered += copied;
    return static_cast<long>(copied);
}

DiscTitleStream::Got DiscTitleStream::ReadSectors(int titleSet, uint64_t first, std::size_t count, uint8_t* into, int tries)
{
    if (ReadAhead(titleSet, first, count, into)) return Got::kRead;
    const Got got = ReadExactly(titleSet, first, count, into, tries);
    lastReadFailed = got == Got::kDamaged;
    return got;
}

DiscTitleStream::Got DiscTitleStream::ReadExactly(int titleSet, uint64_t first, std::size_t count, uint8_t* into, int tries)
{
    for (std::size_t done = 0; done < count;) {
        if (cancelled) return Got::kStopped;
        const std::size_t piece = std::min(kReadPieceSectors, count - done);
        switch (reader->Read(titleSet, first + done, piece, into + done * kSectorBytes, tries)) {
        case SectorReader::Result::kRead:
            timeOuts = 0;
            break;
        case SectorReader::Result::kCancelled:
            return Got::kStopped;
        case SectorReader::Result::kTimedOut:
            if (++timeOuts < kMostTimeOuts) return Got::kDamaged;
            Fail(TitleSetName(titleSet) + ": the disc stopped answering (" + std::to_string(kMostTimeOuts) +
                 " reads in a row gave nothing for " + std::to_string(SectorReader::TimeLimit().count() / 1000) + " s)");
            return Got::kStopped;
        case SectorReader::Result::kFailed:
            timeOuts = 0;
            return Got::kDamaged;
        }
        done += piece;
    }
    return Got::kRead;
}

bool DiscTitleStream::ReadAhead(int titleSet, uint64_t first, std::size_t count, uint8_t* into)
{
    const auto held = [&] { return ahead.titleSet == titleSet && first >= ahead.first && first + count <= ahead.first + ahead.count; };
    const uint64_t end = fileSectors.count(titleSet) ? fileSectors.at(titleSet) : 0;
    // Not into damage met before: each read there costs a drive seconds.
    const bool afterFailure = lastReadFailed || (ahead.failedTitleSet == titleSet && first < ahead.failedUntil);
    if (!held() && ahead.enabled && !afterFailure && count < kReadAheadSectors && first < end) {
        // Whatever fails here is read again as asked, so that damage is told where it is.
        ahead.count = 0;
        const std::size_t sectors = static_cast<std::size_t>(std::min<uint64_t>(kReadAheadSectors, end - first));
        const SectorReader::Result result =
            sectors >= count ? reader->ReadInto(titleSet, first, sectors, ahead.bytes) : SectorReader::Result::kFailed;
        // A drive that hung once is asked for no more than is needed.
        if (result == SectorReader::Result::kTimedOut) ahead.enabled = false;
        if (result == SectorReader::Result::kFailed) {
            ahead.failedTitleSet = titleSet;
            ahead.failedUntil = first + sectors;
        }
        if (result == SectorReader::Result::kRead) {
            ahead.titleSet = titleSet;
            ahead.first = first;
            ahead.count = sectors;
        }
    }
    if (!held()) return false;
    std::memcpy(into, ahead.bytes.data() + (first - ahead.first) * kSectorBytes, count * kSectorBytes);
    return true;
}

uint64_t DiscTitleStream::CountUnreadable(int titleSet, uint64_t first, std::size_t count)
{
    uint64_t unreadable = 0;
    uint8_t sector[kSectorBytes];
    for (std::size_t s = 0; s < count && !cancelled && !failed; ++s)
        if (ReadSectors(titleSet, first + s, 1, sector, 1) != Got::kRead || !IsPack(sector)) ++unreadable;
    return std::max<uint64_t>(unreadable, 1);
}

DiscTitleStream::Probe DiscTitleStream::ProbeSector(int titleSet, uint64_t sector, bool navigation)
{
    uint8_t pack[kSectorBytes];
    if (ReadSectors(titleSet, sector, 1, pack, 1) != Got::kRead) return Probe::kFailed;
    return (navigation ? IsNavPack(pack) : IsPack(pack)) ? Probe::kGood : Probe::kGarbage;
}

uint64_t DiscTitleStream::FarEdge(int titleSet, uint64_t from, const SectorRun& cell, DamageProbes& probes)
{
    // The places a probe looks at: the map's VOBUs in the cell (a run of one angle's own), or its sectors.
    const std::vector<uint32_t>& starts = vobuStarts[titleSet];
    const bool mapped = !starts.empty();
    const uint64_t begin = mapped ? uint64_t(std::lower_bound(starts.begin(), starts.end(), from) - starts.begin()) : from;
    const uint64_t end = mapped ? uint64_t(std::upper_bound(starts.begin(), starts.end(), cell.last) - starts.begin()) : cell.last + 1;
    const auto place = [&](uint64_t k) -> uint64_t { return mapped ? starts[k] : k; };
    const auto good = [&](uint64_t k) {
        const Probe probe = ProbeSector(titleSet, place(k), mapped);
        probes.tried += probe != Probe::kGood;
        probes.readsFailed |= probe == Probe::kFailed;
        return probe == Probe::kGood;
    };
    if (begin >= end) return cell.last + 1;
    uint64_t edge = begin;
    if (!good(begin)) {
        // Ahead in growing steps to a good place; then the last step halved down to the edge.
        uint64_t bad = begin;
        for (uint64_t step = 1;; step *= 2) {
            if (cancelled || failed) return cell.last + 1;
            const uint64_t k = std::min(bad + step, end - 1);
            if (good(k)) {
                edge = k;
                break;
            }
            if (k == end - 1) return cell.last + 1;
            bad = k;
        }
        while (edge - bad > 1 && !cancelled && !failed) {
            const uint64_t middle = bad + (edge - bad) / 2;
            if (good(middle)) edge = middle;
            else bad = middle;
        }
    }
    if (mapped) return place(edge);
    // Without a map: from the first readable sector, the next navigation pack (a failing read starts damage again).
    for (uint64_t at = edge; at <= cell.last && at < edge + kMostSectorsSearched && !cancelled && !failed; ++at)
        if (ProbeSector(titleSet, at, true) != Probe::kGarbage) return at;
    return cell.last + 1;
}

void DiscTitleStream::PassOverDamage(const SectorRun& cell, uint64_t last, uint64_t bad, bool readFailed)
{
    const int titleSet = titles[at.titleIndex].titleSet;
    const uint64_t first = at.nextSector;
    last = std::max(last, first);
    DamageProbes probes;
    at.nextSector = FarEdge(titleSet, last + 1, cell, probes);
    const bool isolated = probes.tried == 0;  // the VOBU after it reads
    uint64_t passed = 0, tried = 0;
    if (isolated && bad > 0) {
        passed = tried = bad;
    } else if (isolated || !(readFailed || probes.readsFailed)) {
        // One VOBU, or sectors that read but hold no pack: counted one by one, each read costing little.
        const uint64_t span = isolated ? std::min(at.nextSector - first, kMaxVobuSectors) : at.nextSector - first;
        passed = tried = CountUnreadable(titleSet, first, static_cast<std::size_t>(span));
    } else {
        // Across sectors that fail to read, only the probes were tried: every other read there costs a drive seconds.
        passed = std::max<uint64_t>(at.nextSector - first, 1);
        tried = std::min(passed, probes.tried + (readFailed ? last - first + 1 : 0));
    }
    const uint64_t cellSectors = cell.last - cell.first + 1;
    const double seconds = cell.seconds * double(std::min(at.nextSector - first, cellSectors)) / double(cellSectors);
    {
        const std::lock_guard<std::mutex> hold(reportLock);
        if (at.damageOpen && !damage.empty()) {
            damage.back().sectors += passed;  // one span, until a VOBU is read again
            damage.back().tried += tried;
            damage.back().discSeconds += seconds;
        } else {
            damage.push_back({passed, tried, at.expectedStart < 0 || origin < 0 ? 0 : at.expectedStart - origin, -1, seconds});
        }
    }
    at.damageOpen = true;
    // Within the disc's order the lost time stays a gap; across a cut the timeline joins as ever.
    at.keepGap = at.nextSector <= cell.last || !EndsBeforeACut();
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
        if (!at.cellStarted) {
            at.nextSector = cell.first;
            at.cellStarted = true;
            if (cell.chapter > 0) ++at.pendingChapters;
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
        Got got = ReadSectors(title.titleSet, at.nextSector, 1, nav);
        if (got == Got::kStopped) return false;
        if (got == Got::kDamaged || !IsPack(nav)) {
            PassOverDamage(cell, at.nextSector, 0, got == Got::kDamaged);  // without its navigation pack the VOBU's length is not known
            continue;
        }
        uint64_t last = std::min(cell.last, at.nextSector + kMaxVobuSectors - 1);
        uint64_t following = last + 1;
        const bool navigated = IsNavPack(nav);
        pci_t pci;
        if (navigated) {
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
        }

        const std::size_t sectors = static_cast<std::size_t>(last - at.nextSector + 1);
        pending.resize(sectors * kSectorBytes);
        std::memcpy(pending.data(), nav, kSectorBytes);
        got = sectors > 1 ? ReadSectors(title.titleSet, at.nextSector + 1, sectors - 1, pending.data() + kSectorBytes) : Got::kRead;
        if (got == Got::kStopped) {
            pending.clear();
            return false;
        }
        // The VOBU whole, or passed over with its damage: what failed, or holds no pack.
        uint64_t bad = 0;
        for (std::size_t s = 1; got == Got::kRead && s < sectors; ++s) bad += !IsPack(pending.data() + s * kSectorBytes);
        if (got == Got::kDamaged || bad > 0) {
            pending.clear();
            PassOverDamage(cell, last, bad, got == Got::kDamaged);
            continue;
        }

        // A VOBU read whole: its times join the timeline.
        int64_t start = -1;
        at.lastVobuEnd = -1;  // known only from a navigation pack
        if (navigated) {
            start = RetimeVobu(pci.pci_gi.vobu_s_ptm, pci.pci_gi.vobu_e_ptm);
            at.lastVobuEnd = pci.pci_gi.vobu_e_ptm;
        }
        if (at.pendingChapters > 0 || at.damageOpen) {
            const std::lock_guard<std::mutex> hold(reportLock);
            for (; at.pendingChapters > 0; --at.pendingChapters) chapterStarts.push_back(start < 0 ? -1 : start - origin);
            if (at.damageOpen && !damage.empty()) damage.back().to = start < 0 ? damage.back().from : start - origin;
            at.damageOpen = false;
        }
        for (std::size_t s = 0; s < sectors; ++s) {
            RouteStreams(pending.data() + s * kSectorBytes, title.audioRoute, title.subpictureRoute);
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
    if (ReadSectors(titleSet, tail.sector, 1, nav, 1) != Got::kRead || !IsNavPack(nav)) return false;
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
    if (sectors > 1 && ReadSectors(titleSet, tail.sector + 1, sectors - 1, pending.data() + kSectorBytes, 1) != Got::kRead) {
        pending.clear();
        return false;
    }
    SoundKept kept;
    for (std::size_t s = 0; s < sectors; ++s) {
        uint8_t* pack = pending.data() + s * kSectorBytes;
        const SoundKept inPack = KeepSoundBefore(pack, tail.end, tail.keeping);
        kept.seen |= inPack.seen;
        kept.any |= inPack.any;
        RouteStreams(pack, titles[at.titleIndex].audioRoute, titles[at.titleIndex].subpictureRoute);
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
    const bool keep = at.keepGap && shifted >= at.expectedStart;
    at.keepGap = false;
    const bool moved = !keep && (shifted < at.expectedStart || shifted > at.expectedStart + kJoinTolerance);
    if (moved) at.offset = at.expectedStart - start;
    // Moved onto the timeline, or after damage: the VOBU before it on the disc was not read.
    if (moved || keep) {
        const std::lock_guard<std::mutex> hold(reportLock);
        joins.push_back(start + at.offset);
    }
    at.expectedStart = end + at.offset;
    return start + at.offset;
}
