#include "read/sector_reader.h"

#include "dvd/udf_disc_files.h"

#include <dvdread/dvd_reader.h>

#include <charconv>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kSectorBytes = DVD_VIDEO_LB_LEN;
constexpr int kDefaultTimeLimitSeconds = 30;

}  // namespace

// One thread and the libdvdread reader it alone uses, shared with the
// thread so that both outlive a SectorReader that left them.
struct SectorReader::Worker {
    std::mutex lock;
    std::condition_variable changed;
    std::string path;
    dvd_reader_s* dvd = nullptr;  // opened by the thread when it has none
    std::map<int, dvd_file_s*> files;
    // The request and its answer.
    bool asked = false, answered = false, quit = false, ok = false;
    int titleSet = 0;
    uint64_t first = 0;
    std::size_t count = 0;
    std::vector<uint8_t> buffer;
    std::thread thread;
    // The thread's own buffer for the next read, kept: a read ahead is too
    // large for the heap to give again cheaply each time. Sized by the
    // caller, so that the thread itself never allocates (where no one could
    // hear that memory ran out).
    std::vector<uint8_t> spare;

    // The thread's loop: one read at a time, until told to quit.
    static void Run(const std::shared_ptr<Worker>& self)
    {
        Worker& w = *self;
        std::unique_lock<std::mutex> hold(w.lock);
        for (;;) {
            w.changed.wait(hold, [&] { return w.asked || w.quit; });
            if (!w.asked) break;
            const int titleSet = w.titleSet;
            const uint64_t first = w.first;
            const std::size_t count = w.count;
            std::vector<uint8_t>& bytes = w.spare;
            bytes.resize(count * kSectorBytes);
            hold.unlock();
            if (!w.dvd) w.dvd = OpenDvdReader(w.path);
            dvd_file_s*& file = w.files[titleSet];
            if (w.dvd && !file) file = DVDOpenFile(w.dvd, titleSet, DVD_READ_TITLE_VOBS);
            const bool ok = file && first <= INT32_MAX && DVDReadBlocks(file, static_cast<int>(first), count, bytes.data()) == ssize_t(count);
            hold.lock();
            w.buffer.swap(bytes);
            w.ok = ok;
            w.asked = false;
            w.answered = true;
            w.changed.notify_all();
            if (w.quit) break;
        }
        hold.unlock();
        for (auto& [number, file] : w.files)
            if (file) DVDCloseFile(file);
        if (w.dvd) DVDClose(w.dvd);
    }

    static std::shared_ptr<Worker> Start(const std::string& path, dvd_reader_s* dvd, std::map<int, dvd_file_s*> files)
    {
        auto worker = std::make_shared<Worker>();
        worker->path = path;
        worker->dvd = dvd;
        worker->files = std::move(files);
        worker->thread = std::thread(Run, worker);
        return worker;
    }
};

SectorReader::SectorReader(std::string path, dvd_reader_s* dvd, std::map<int, dvd_file_s*> files)
    : path(std::move(path)), timeLimit(TimeLimit()), worker(Worker::Start(this->path, dvd, std::move(files)))
{
}

SectorReader::~SectorReader()
{
    std::unique_lock<std::mutex> hold(worker->lock);
    worker->quit = true;
    worker->changed.notify_all();
    // A read under way may never return: its thread is left to end on its own.
    const bool reading = worker->asked;
    hold.unlock();
    if (reading) worker->thread.detach();
    else worker->thread.join();
}

std::chrono::milliseconds SectorReader::TimeLimit()
{
    const char* text = std::getenv("TARVOK_READ_TIMEOUT");
    double seconds = kDefaultTimeLimitSeconds;
    // "1.5" whatever the user's locale.
    if (text && *text) std::from_chars(text, text + std::strlen(text), seconds);
    return std::chrono::milliseconds(static_cast<long>((seconds > 0 ? seconds : kDefaultTimeLimitSeconds) * 1000));
}

void SectorReader::Cancel()
{
    cancelled = true;
    const std::lock_guard<std::mutex> hold(worker->lock);
    worker->changed.notify_all();
}

void SectorReader::LeaveWorker()
{
    {
        const std::lock_guard<std::mutex> hold(worker->lock);
        worker->quit = true;
    }
    worker->thread.detach();
    // The next reads open the disc anew on a thread of their own.
    worker = Worker::Start(path, nullptr, {});
}

SectorReader::Result SectorReader::Ask(int titleSet, uint64_t first, std::size_t count, uint8_t* into, std::vector<uint8_t>* bytes)
{
    std::unique_lock<std::mutex> hold(worker->lock);
    Worker& w = *worker;
    if (w.spare.size() < count * kSectorBytes) w.spare.resize(count * kSectorBytes);
    w.titleSet = titleSet;
    w.first = first;
    w.count = count;
    w.asked = true;
    w.answered = false;
    w.changed.notify_all();
    const bool answered = w.changed.wait_for(hold, timeLimit, [&] { return w.answered || cancelled; }) && w.answered;
    if (!answered) {
        hold.unlock();
        if (cancelled) return Result::kCancelled;
        LeaveWorker();
        return Result::kTimedOut;
    }
    if (!w.ok) return Result::kFailed;
    if (into) std::memcpy(into, w.buffer.data(), count * kSectorBytes);
    else bytes->swap(w.buffer);
    return Result::kRead;
}

SectorReader::Result SectorReader::ReadInto(int titleSet, uint64_t first, std::size_t count, std::vector<uint8_t>& bytes)
{
    return cancelled ? Result::kCancelled : Ask(titleSet, first, count, nullptr, &bytes);
}

SectorReader::Result SectorReader::Read(int titleSet, uint64_t first, std::size_t count, uint8_t* into, int tries)
{
    Result result = Result::kFailed;
    for (int attempt = 0; attempt < tries && result == Result::kFailed; ++attempt) {
        if (cancelled) return Result::kCancelled;
        result = Ask(titleSet, first, count, into);
    }
    return result;
}
