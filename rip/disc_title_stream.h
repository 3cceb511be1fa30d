#pragma once
// The titles of a disc in the order libvlc's simple DVD access plays them
// (every title of the disc, from its first program to the end of its
// program chain, angle 1), read as one MPEG program stream on one
// continuous timeline. libvlc's own access stops before the last VOBU of a
// title, drops what its decoders still hold at each title change, and lets
// the timestamps start again with every title; this reader does none of that.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct dvd_reader_s;
struct dvd_file_s;

class DiscTitleStream {
public:
    // `disc` as libdvdread opens it: a block device, a disc image, or the
    // folder that holds VIDEO_TS (or VIDEO_TS itself). Null, with `error`
    // saying why, when it holds no title that can be read.
    static std::unique_ptr<DiscTitleStream> Open(const std::string& disc, std::string* error = nullptr);
    ~DiscTitleStream();
    DiscTitleStream(const DiscTitleStream&) = delete;
    DiscTitleStream& operator=(const DiscTitleStream&) = delete;

    // Bytes the whole stream holds.
    uint64_t Size() const { return totalSectors * kSectorBytes; }
    // Up to `length` bytes of the stream; 0 at its end, -1 when the disc cannot be read.
    long Read(uint8_t* buffer, std::size_t length);
    // Goes to a byte of the stream. Back to the start, the timeline starts
    // afresh; elsewhere it goes on from the times of the place last read, which
    // is right for the only other seek a player makes (to look at the end).
    bool Seek(uint64_t position);
    int TitleCount() const { return static_cast<int>(titles.size()); }

    static constexpr std::size_t kSectorBytes = 2048;

private:
    struct CellRun {
        uint32_t first = 0, last = 0;
    };
    struct Title {
        int titleSet = 0;
        std::vector<CellRun> cells;
    };

    DiscTitleStream() = default;
    // Reads the next VOBU (or what is left of a cell without navigation) into `pending`.
    bool FillPending();
    void RetimeSector(uint8_t* sector);
    void RetimeVobu(int64_t start, int64_t end);

    dvd_reader_s* dvd = nullptr;
    dvd_file_s* file = nullptr;
    int openTitleSet = 0;
    std::vector<Title> titles;
    uint64_t totalSectors = 0;

    // Where reading stands.
    std::size_t titleIndex = 0, cellIndex = 0;
    uint32_t nextSector = 0;
    bool cellStarted = false;
    std::vector<uint8_t> pending;
    std::size_t pendingOffset = 0;
    bool failed = false;

    // The timeline: an offset added to every timestamp, kept so that each
    // VOBU starts where the one before ended.
    int64_t offset = 0;
    int64_t expectedStart = -1;
    int64_t lastScr = -1;
};
