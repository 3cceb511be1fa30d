#pragma once
// The titles of a disc (a play list: by default every title, in the order a
// player plays them, from its first program to the end of its program chain,
// angle 1), read in order as one MPEG program stream on one continuous
// timeline: every VOBU of every cell, its timestamps moved so that each
// title and each cut goes on where the one before ended. Where the play
// list leaves the disc's order (a cut), the VOBUs that follow on the disc
// are read too, for their sound alone: a disc carries the sound of a
// moment up to a second after its pictures.
//
// Nothing the disc's files say is trusted: the play list comes from the
// program's own IFO reader (libdvdread only reads VOB sectors: its IFO
// parser frees memory twice on some damaged files), every run must lie
// inside its title set's VOB files, every read is one VOBU at most, and a
// read that fails is an error of the stream, never its end.
#include "read/play_list.h"
#include "read/stream_routes.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class SectorReader;
struct dvd_reader_s;

// Why a disc cannot be converted. `encrypted`: its titles are scrambled and
// cannot be decrypted here, which no second attempt mends.
struct DiscProblem {
    std::string reason;
    bool encrypted = false;
};

// Sectors that could not be read, or held no MPEG pack (zeros, garbage),
// and were passed over with the VOBUs that hold them: where the stream's
// timeline went on (90 kHz from its start; `to` -1: to its end).
struct DamagedSpan {
    uint64_t sectors = 0;
    uint64_t tried = 0;  // of those, the sectors whose reading was tried
    int64_t from = 0, to = -1;
    double discSeconds = 0;  // what the lost sectors play, as the IFO files time their cells
};

// "3 damaged sectors passed over: the file lacks 0:12.4-0:12.9, 1:01.0 to
// its end", with "(312 tried)" after "over" when some were passed over
// untried; where the file's timeline goes on without a gap (a lost title
// before another), the time lost on the disc: "0:00.0 (9.0 s of the
// disc)". Empty for no damage.
std::string DescribeDamage(const std::vector<DamagedSpan>& damage);

class DiscTitleStream {
public:
    // `disc` as libdvdread opens it: a block device, a disc image, or the
    // folder that holds VIDEO_TS (or VIDEO_TS itself). Null, with `problem`
    // saying why, when a title cannot be read.
    static std::unique_ptr<DiscTitleStream> Open(const std::string& disc, const PlayList& playList,
                                                 DiscProblem* problem = nullptr);
    // The whole disc, as it plays.
    static std::unique_ptr<DiscTitleStream> Open(const std::string& disc, DiscProblem* problem = nullptr);
    ~DiscTitleStream();
    DiscTitleStream(const DiscTitleStream&) = delete;
    DiscTitleStream& operator=(const DiscTitleStream&) = delete;

    // Bytes the cells of the play list hold: the stream, less the sound read after its cuts.
    uint64_t Size() const { return totalSectors * kSectorBytes; }
    // The next `length` bytes of the stream at most; 0 at its end, -1 once
    // the disc could not be read or reading was cancelled.
    long Read(uint8_t* buffer, std::size_t length);
    int TitleCount() const { return static_cast<int>(titles.size()); }
    const PlayList& Titles() const { return titles; }
    // Which audio and subpicture streams reach the stream read, and as
    // which; before the first read. The file's tracks.
    StreamPlan Route(const StreamChoices& choices, std::vector<std::string>* missing = nullptr)
    {
        return RouteStreams(titles, choices, missing);
    }

    // From any thread: makes reading give up. A read under way ends at
    // once, even one of a drive that does not answer; every later read fails.
    void Cancel();
    // From any thread: why reading failed ("title set 2: cannot read sectors
    // 1000-1063 of its VOB files"); empty while it has not.
    std::string Error() const;
    // From any thread: the stream was read to its end.
    bool ReachedEnd() const { return reachedEnd; }
    // From any thread: bytes handed out so far.
    uint64_t Delivered() const { return delivered; }
    // From any thread: where each chapter mark of the play list (each cell
    // that begins a chapter) read so far starts, in 90 kHz ticks from the
    // start of the stream; -1 for a cell without navigation packs.
    std::vector<int64_t> ChapterStarts() const;
    // From any thread: the damage passed over so far.
    std::vector<DamagedSpan> Damage() const;
    // From any thread: where the stream leaves the disc's own order (a cut,
    // another title, damage passed over), in 90 kHz ticks of the stream as
    // read: the pictures there follow others than on the disc.
    std::vector<int64_t> Joins() const;

    static constexpr std::size_t kSectorBytes = 2048;

private:
    DiscTitleStream() = default;
    // `missing`: why a title of the list could not be placed, if one could not.
    static std::unique_ptr<DiscTitleStream> Open(const std::string& disc, const PlayList& playList,
                                                 const std::string& missing, DiscProblem* problem);
    // Opens each title set's VOB files once, and refuses cells beyond them.
    bool OpenTitleSets(dvd_reader_s* dvd, const std::string& path, DiscProblem& problem);
    // Reads the next VOBU into `pending`.
    bool FillPending();
    // The VOBU being read is damaged up to sector `last` (its read failed
    // when `readFailed`), `bad` of its sectors known to hold no pack (none
    // known: 0): the reading goes on past the far edge of the damage.
    void PassOverDamage(const SectorRun& cell, uint64_t last, uint64_t bad, bool readFailed);
    // What probing a damaged stretch met.
    struct DamageProbes {
        uint64_t tried = 0;         // sectors probed in vain
        bool readsFailed = false;   // a probe's read failed (and may have cost a drive seconds)
    };
    // Where reading goes on after damage that lasts at least until `from`
    // in `cell`: the first VOBU of the address map after it that can be
    // read (without a map, the next navigation pack after the first
    // readable sector), or past the cell. Probes step ahead one VOBU (or
    // sector), then 2, 4, 8, ..., then halve the last step to the edge.
    uint64_t FarEdge(int titleSet, uint64_t from, const SectorRun& cell, DamageProbes& probes);
    // One sector: readable and a navigation pack (or, unless `navigation`, any pack).
    enum class Probe { kGood, kGarbage, kFailed };
    Probe ProbeSector(int titleSet, uint64_t sector, bool navigation);
    // How many of `count` sectors from `first` cannot be read, each on its own.
    uint64_t CountUnreadable(int titleSet, uint64_t first, std::size_t count);
    // The cell being read ends before a cut: the next one read does not follow it on the disc.
    bool EndsBeforeACut() const;
    // Reads the next VOBU after a cut into `pending`, with only the sound of before the cut; false when there is none.
    bool FillTail(int titleSet);
    // kDamaged: the sectors could not be read; kStopped: reading ends (cancelled, or the drive stopped answering).
    enum class Got { kRead, kDamaged, kStopped };
    Got ReadSectors(int titleSet, uint64_t first, std::size_t count, uint8_t* into, int tries = 3);
    Got ReadExactly(int titleSet, uint64_t first, std::size_t count, uint8_t* into, int tries);
    // True when the sectors were read ahead, or could be now.
    bool ReadAhead(int titleSet, uint64_t first, std::size_t count, uint8_t* into);
    void Fail(const std::string& why);
    // Moves the VOBU's times onto the timeline; its start there, or -1.
    int64_t RetimeVobu(int64_t start, int64_t end);

    std::unique_ptr<SectorReader> reader;
    std::map<int, uint64_t> fileSectors;             // by title set
    std::map<int, std::vector<uint32_t>> vobuStarts;  // by title set; empty: found by the navigation packs
    int timeOuts = 0;                                 // reads in a row that never returned
    bool lastReadFailed = false;                      // no reading ahead into damage
    struct ReadAheadBlock {
        bool enabled = true;
        int titleSet = 0;
        uint64_t first = 0;
        std::size_t count = 0;
        std::vector<uint8_t> bytes;
        // A block that failed: not read ahead into again.
        int failedTitleSet = 0;
        uint64_t failedUntil = 0;
    } ahead;
    PlayList titles;
    uint64_t totalSectors = 0;

    // Where reading stands: the next VOBU to read, and the timeline.
    struct Place {
        std::size_t titleIndex = 0, cellIndex = 0;  // the run of the title being read
        uint64_t nextSector = 0;
        bool cellStarted = false;
        // An offset added to every timestamp, kept so that each VOBU starts
        // where the one before ended.
        int64_t offset = 0;
        int64_t expectedStart = -1;
        int64_t lastScr = -1;
        int64_t lastVobuEnd = -1;  // the disc's own time
        // Chapters whose first VOBUs were damaged: they start at the next VOBU read.
        int pendingChapters = 0;
        // After damage within the disc's order the timeline keeps its gap: sound and pictures stay in step.
        bool keepGap = false, damageOpen = false;
        // The VOBUs after a cut: where the next is, the time it should
        // start at, and the time the cut's pictures end (the disc's own).
        struct Tail {
            bool started = false, done = false;
            uint64_t sector = 0;
            int64_t expected = -1, end = -1;
            std::array<bool, 8> keeping{};
        } tail;
    } at;
    std::vector<uint8_t> pending;
    std::size_t pendingOffset = 0;
    int64_t origin = -1;  // the timeline's start: that of the first VOBU

    std::atomic<bool> cancelled{false}, failed{false}, reachedEnd{false};
    std::atomic<uint64_t> delivered{0};
    mutable std::mutex reportLock;
    std::string error;
    std::vector<int64_t> chapterStarts;
    std::vector<int64_t> joins;
    std::vector<DamagedSpan> damage;
};
