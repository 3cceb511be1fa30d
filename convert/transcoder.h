#pragma once
// The conversion of what the title reader reads into the output file, on
// three threads joined by small bounded queues: reading and decoding,
// filtering and encoding, writing. Every decoded picture becomes one frame
// of the output at the disc's rate; the sound follows the pictures'
// timeline; the file gets the play list's chapter marks.
#include "read/play_list.h"
#include "convert/stream_output.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DiscTitleStream;

struct TranscodePlan {
    StreamOutput output;
    StreamPlan streams;  // the file's audio and subtitle tracks, as the title reader numbers them
    std::vector<ChapterMark> chapters;
    int outputFile = -1;  // the output's descriptor, opened by the caller; -1: made by its name
};

// Where the preview's pictures go, with the duplicate chain's display:
// RGB32 rows of `width` x `height`, handed over (swapped in) as they are
// converted, at playing speed.
struct PreviewTarget {
    int width = 0, height = 0;
    std::function<void(std::vector<uint8_t>& picture)> show;
};

class Transcoder {
public:
    // Starts at once. `preview` may be empty (no display, or nobody to show
    // it); `ended`, if any, is called from a thread of the converter's once
    // the file is finished.
    Transcoder(DiscTitleStream& disc, TranscodePlan plan, PreviewTarget preview, std::function<void()> ended = {});
    // Stops, as Stop does.
    ~Transcoder();
    Transcoder(const Transcoder&) = delete;
    Transcoder& operator=(const Transcoder&) = delete;

    // Ends reading; what was read is converted and the file finished, so
    // that it plays. Returns once the file is closed.
    void Stop();
    // The file is closed: the disc was converted to its end, the
    // conversion failed, or it was stopped.
    bool Finished() const { return finished; }
    // Milliseconds of the output converted so far.
    int64_t ConvertedMs() const { return convertedMs; }
    // Why the conversion failed, or empty.
    std::string Error() const;
    // Subpictures left out of the file's tracks (their time went back, or
    // lay outside the play list's), and those given an end at the play
    // list's (they had none, or one past it): a disc's own mistakes, which
    // would otherwise fail the muxer or make a file that lasts for hours.
    int SubpicturesLeftOut() const { return subpicturesLeftOut; }
    int SubpicturesEndedAtTheEnd() const { return subpicturesCut; }

private:
    struct Work;
    struct Shared;

    void ReadAndDecode();
    void Encode();
    void Write();
    // The encoder will not touch the file again; no more packets come.
    void EndEncoding();
    // Records the first failure and makes every thread end soon.
    void Fail(const std::string& why);
    // Runs `body` as a thread's whole work: what it throws is a failure.
    void Guard(const std::function<void()>& body);

    DiscTitleStream& disc;
    const TranscodePlan plan;
    const PreviewTarget preview;
    const std::function<void()> ended;
    std::unique_ptr<Shared> shared;
    std::atomic<bool> stopping{false}, finished{false};
    std::atomic<int64_t> convertedMs{0};
    std::atomic<int> subpicturesLeftOut{0}, subpicturesCut{0};
    mutable std::mutex lock;
    // A pacing preview waits on it for a stop, the writer for the encoder's end.
    std::condition_variable wake;
    bool encoded = false;  // the encoder is done with the file
    std::string error;
    std::thread reader, encoder, writer;
};
