#pragma once
// The sectors of a disc's title VOBs, read by libdvdread on a thread of its
// own, so that a drive that stops answering holds up nobody: a read that
// has not returned within the time limit counts as failed and is left
// behind with its thread (never joined); the reads after it go through a
// reader of the disc of their own. A failed read is tried again.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct dvd_reader_s;
struct dvd_file_s;

class SectorReader {
public:
    enum class Result { kRead, kFailed, kTimedOut, kCancelled };

    // Takes over `dvd`, libdvdread's reader of the disc at `path`, with the
    // title sets' VOB files it has opened.
    SectorReader(std::string path, dvd_reader_s* dvd, std::map<int, dvd_file_s*> files);
    ~SectorReader();
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // `count` sectors from `first` of the title set's VOB files into `into`;
    // `tries` attempts for a read that fails (a time-out is not tried again).
    Result Read(int titleSet, uint64_t first, std::size_t count, uint8_t* into, int tries = 3);
    // The same, once, into `bytes`, whose storage is traded for the
    // reader's own: a large read is not copied again.
    Result ReadInto(int titleSet, uint64_t first, std::size_t count, std::vector<uint8_t>& bytes);
    // From any thread: a read under way, and every later one, ends at once.
    void Cancel();

    // The time limit of one read: TARVOK_READ_TIMEOUT seconds, by default 30.
    static std::chrono::milliseconds TimeLimit();

private:
    struct Worker;
    // The answer goes into `into`, or, without it, trades storage with `bytes`.
    Result Ask(int titleSet, uint64_t first, std::size_t count, uint8_t* into, std::vector<uint8_t>* bytes = nullptr);
    // A worker whose read never returned is left to its thread.
    void LeaveWorker();

    const std::string path;
    const std::chrono::milliseconds timeLimit;
    std::shared_ptr<Worker> worker;
    std::atomic<bool> cancelled{false};
};
