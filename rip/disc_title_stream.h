#pragma once
// The titles of a disc (a play list: by default every title, in the order
// libvlc's simple DVD access plays them, from its first program to the end
// of its program chain, angle 1), read as one MPEG program stream on one
// continuous timeline. libvlc's own access stops before the last VOBU of a
// title, drops what its decoders still hold at each title change, and lets
// the timestamps start again with every title; this reader does none of that.
//
// Nothing the disc's files say is trusted: the play list comes from the
// program's own IFO reader (libdvdread only reads VOB sectors: its IFO
// parser frees memory twice on some damaged files), every run must lie
// inside its title set's VOB files, every read is one VOBU at most, and a
// read that fails is an error of the stream, never its end.
#include "rip/disc_play_list.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct dvd_reader_s;
struct dvd_file_s;

// Why a disc cannot be converted. `encrypted`: its titles are scrambled and
// cannot be decrypted here, which no second attempt mends.
struct DiscProblem {
    std::string reason;
    bool encrypted = false;
};

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

    // Bytes the whole stream holds.
    uint64_t Size() const { return totalSectors * kSectorBytes; }
    // Up to `length` bytes of the stream; 0 at its end, -1 once the disc
    // could not be read or reading was cancelled.
    long Read(uint8_t* buffer, std::size_t length);
    // Goes to a byte of the stream. Anywhere already read, and a little
    // beyond, the bytes are those a reading from the start gives (libvlc's
    // read-ahead seeks back into what it has read); farther on, the timeline
    // goes on from the times of the place last read, which is right for the
    // only other seek a player makes (to look at the end).
    bool Seek(uint64_t position);
    int TitleCount() const { return static_cast<int>(titles.size()); }
    // Only audio stream `stream` (1-based) is left in what is read; 0: all.
    void KeepAudioStream(int stream) { audioStream = stream; }

    // From any thread: makes reading give up. A read under way ends after
    // its current piece; every later read fails.
    void Cancel() { cancelled = true; }
    // From any thread: why reading failed ("title set 2: cannot read sectors
    // 1000-1063 of its VOB files"); empty while it has not.
    std::string Error() const;
    // From any thread: the stream was read to its end.
    bool ReachedEnd() const { return reachedEnd; }
    // From any thread: bytes handed out since reading last began at the start.
    uint64_t Delivered() const { return delivered; }

    static constexpr std::size_t kSectorBytes = 2048;

private:
    DiscTitleStream() = default;
    // `missing`: why a title of the list could not be placed, if one could not.
    static std::unique_ptr<DiscTitleStream> Open(const std::string& disc, const PlayList& playList,
                                                 const std::string& missing, DiscProblem* problem);
    // Opens each title set's VOB files once, and refuses cells beyond them.
    bool OpenTitleSets(DiscProblem& problem);
    // Reads the next VOBU into `pending`.
    bool FillPending();
    bool ReadSectors(int titleSet, uint64_t first, std::size_t count, uint8_t* into);
    void Fail(const std::string& why);
    void RetimeVobu(int64_t start, int64_t end);
    // Goes to `position` by the sector counts of the runs, without the times
    // of what lies before it.
    bool SeekBySectors(uint64_t position);

    dvd_reader_s* dvd = nullptr;
    std::map<int, dvd_file_s*> files;  // by title set
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
    } at;
    std::vector<uint8_t> pending;
    std::size_t pendingOffset = 0;
    uint64_t pendingPosition = 0;  // the stream byte of pending[0]
    uint64_t readPosition = 0;     // the stream byte the next VOBU starts at
    int audioStream = 0;

    // The place before each VOBU read in order from the start, by its first
    // stream byte, up to `readFrontier`: a seek back reads the same bytes again.
    struct Checkpoint {
        uint64_t position;
        Place place;
    };
    std::vector<Checkpoint> checkpoints;
    uint64_t readFrontier = 0;

    std::atomic<bool> cancelled{false}, failed{false}, reachedEnd{false};
    std::atomic<uint64_t> delivered{0};
    mutable std::mutex errorLock;
    std::string error;
};
