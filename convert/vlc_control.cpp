#include "convert/vlc_control.h"

#include "read/play_list.h"
#include "read/disc_title_stream.h"
#include "convert/media_locator.h"
#include "convert/stream_output.h"
#include "convert/transcoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <unistd.h>
#include <malloc.h>
#include <cstdlib>

CVLCControl::CVLCControl()
{
    // FFmpeg's libraries talk on stderr only when asked.
    const char* verbose = std::getenv("TARVOK_VERBOSE");
    av_log_set_level(verbose && *verbose ? AV_LOG_INFO : AV_LOG_QUIET);
}

CVLCControl::~CVLCControl()
{
    playlistClear();
}

void CVLCControl::ShowPicturesIn(int width, int height, std::function<void()> ready)
{
    pictureWidth = width;
    pictureHeight = height;
    pictureReady = std::move(ready);
}

void CVLCControl::TellWhenEnded(std::function<void()> ended)
{
    itemEnded = std::move(ended);
}

std::vector<uint8_t> CVLCControl::LatestPicture() const
{
    const std::lock_guard<std::mutex> hold(pictureLock);
    return shown;
}

void CVLCControl::addTarget(const std::string& locator, const std::vector<std::string>& options, int, int)
{
    if (options.size() != 1) throw ConverterError("the converter takes one option, not " + std::to_string(options.size()));
    const auto discPath = DiscOfLocator(locator);
    if (!discPath) throw ConverterError("the converter reads discs (" + std::string(kDiscScheme) + "…), not " + locator);
    const std::string chosen = PartOfLocator(locator);
    const auto selection = chosen.empty() ? std::nullopt : DecodeSelection(chosen);
    DiscPart part{*discPath, {}, {}, chosen.empty()};
    if (chosen.empty())
        part.playList = WholeDiscPlayList(part.disc, &part.problem);
    else if (!selection)
        part.problem = "no such part of a disc: " + chosen;
    else
        part.playList = SelectionPlayList(part.disc, *selection, &part.problem);
    std::string wrong;
    auto output = ParseStreamOutput(options.front(), wrong);
    if (!output) throw ConverterError(wrong);
    // The part's own audio stream, when it names one and the option does not.
    if (selection && selection->audioStream > 0 && output->streams.audio.empty())
        output->streams.audio = std::to_string(selection->audioStream);
    Launch(part, *output);
}

void CVLCControl::Convert(const DiscPart& part, const std::string& option, int outputFile)
{
    std::string wrong;
    const auto output = ParseStreamOutput(option, wrong);
    if (!output) throw ConverterError(wrong);
    Launch(part, *output, outputFile);
}

// A disc opened for an item on a thread of its own, and the converter made
// for it there; the control takes them over once done, or abandons them to
// the thread, which then throws them away itself.
struct CVLCControl::Opening {
    std::mutex lock;
    bool done = false, abandoned = false;
    Item made;
};

void CVLCControl::Launch(const DiscPart& part, const StreamOutput& output, int outputFile)
{
    playlistClear();
    kept = Report();
    item = Item();
    stopped = false;
    PreviewTarget preview;
    if (pictureWidth > 0 && pictureHeight > 0)
        preview = {pictureWidth, pictureHeight, [this](std::vector<uint8_t>& picture) {
                       {
                           const std::lock_guard<std::mutex> hold(pictureLock);
                           shown.swap(picture);
                       }
                       if (pictureReady) pictureReady();
                   }};
    // The thread's own copy of the file's descriptor: the caller may close its own meanwhile.
    const int file = outputFile >= 0 ? fcntl(outputFile, F_DUPFD_CLOEXEC, 0) : -1;
    if (outputFile >= 0 && file < 0) throw ConverterError(std::string("cannot write ") + output.destination + ": " + std::strerror(errno));
    auto started = std::make_shared<Opening>();
    try {
        std::thread([started, part, output, file, preview = std::move(preview), ended = itemEnded]() mutable {
            Item made;
            DiscProblem problem{part.problem};
            try {
                if (problem.reason.empty()) made.disc = DiscTitleStream::Open(part.disc, part.playList, &problem);
            } catch (const std::exception& failure) {  // no memory, no thread for its reads
                problem.reason = std::string("cannot open the disc: ") + failure.what();
            }
            // As a disc that cannot be played: the item ends, failed.
            if (!made.disc) made.openProblem = problem.reason.empty() ? "the disc cannot be read" : problem.reason;
            made.finalFailure = problem.encrypted;
            const std::lock_guard<std::mutex> hold(started->lock);
            // Made under the lock: a control that abandons the item waits for it, then stops it.
            if (made.disc && !started->abandoned) {
                try {
                    TranscodePlan plan{output, made.disc->Route(output.streams), ChapterMarks(made.disc->Titles(), part.wholeDisc), file};
                    made.subtitlesLeftOut = plan.streams.subtitlesLeftOut;
                    made.transcoder = std::make_unique<Transcoder>(*made.disc, std::move(plan), std::move(preview), ended);
                } catch (const std::exception& failure) {
                    made.openProblem = std::string("cannot start the conversion: ") + failure.what();
                }
            }
            if (file >= 0) close(file);
            // An abandoned item (never given a converter) goes with this thread.
            const bool converting = made.transcoder != nullptr;
            if (!started->abandoned) started->made = std::move(made);
            started->done = true;
            if (!converting && ended) ended();
        }).detach();
    } catch (const std::system_error& failure) {
        if (file >= 0) close(file);
        throw ConverterError(std::string("cannot start the conversion: ") + failure.what());
    }
    opening = std::move(started);
}

void CVLCControl::Settle() const
{
    if (!opening) return;
    const std::lock_guard<std::mutex> hold(opening->lock);
    if (!opening->done) return;
    item = std::move(opening->made);
    opening.reset();
}

bool CVLCControl::StillOpening() const
{
    Settle();
    return opening != nullptr;
}

void CVLCControl::stop()
{
    if (StillOpening()) {
        // Nothing was written yet: the opening is left to end by itself, however long a drive takes.
        const std::lock_guard<std::mutex> hold(opening->lock);
        opening->abandoned = true;
        stopped = true;
    }
    Settle();
    if (!item.transcoder) return;
    if (!item.transcoder->Finished()) stopped = true;
    item.transcoder->Stop();
}

void CVLCControl::KeepReport()
{
    if (item.disc) {
        kept.damage = item.disc->Damage();
        kept.readError = item.disc->Error();
        kept.readToTheEnd = item.disc->ReachedEnd();
        kept.delivered = item.disc->Delivered();
    }
    if (item.transcoder) {
        kept.convertError = item.transcoder->Error();
        kept.endedByItself = item.transcoder->Finished() && !stopped;
        kept.subpicturesLeftOut = item.transcoder->SubpicturesLeftOut();
        kept.subpicturesCut = item.transcoder->SubpicturesEndedAtTheEnd();
    }
}

void CVLCControl::playlistClear()
{
    stop();
    if (opening) opening.reset();
    KeepReport();
    item.transcoder.reset();
    item.disc.reset();  // only once the converter that reads it is gone
    malloc_trim(0);
}

bool CVLCControl::Converting() const
{
    if (StillOpening()) return !stopped;
    return item.transcoder && !item.transcoder->Finished() && !stopped;
}

float CVLCControl::GetPosition() const
{
    if (!Converting()) return -1.0f;
    if (!item.disc) return 0.0f;  // still opening
    // The sound read after a cut comes on top of the cells' bytes.
    return item.disc->Size() ? static_cast<float>(std::min(1.0, double(item.disc->Delivered()) / double(item.disc->Size()))) : 0.0f;
}

int CVLCControl::GetTime() const
{
    if (!Converting()) return -1;
    return item.transcoder ? static_cast<int>(item.transcoder->ConvertedMs() / 1000) : 0;
}

std::vector<DamagedSpan> CVLCControl::Damage() const
{
    Settle();
    return item.disc ? item.disc->Damage() : kept.damage;
}

bool CVLCControl::FailureIsFinal() const
{
    Settle();
    return item.finalFailure;
}

std::vector<std::string> CVLCControl::Notes() const
{
    Settle();
    std::vector<std::string> notes;
    if (!item.subtitlesLeftOut.empty()) {
        std::string streams;
        for (const std::string& stream : item.subtitlesLeftOut) streams += (streams.empty() ? "" : ", ") + stream;
        notes.push_back("subtitle streams left out, as a file carries 32 at most: " + streams);
    }
    auto counted = [](int count, const char* what) { return std::to_string(count) + (count == 1 ? " subpicture " : " subpictures ") + what; };
    const int leftOut = item.transcoder ? item.transcoder->SubpicturesLeftOut() : kept.subpicturesLeftOut;
    const int cut = item.transcoder ? item.transcoder->SubpicturesEndedAtTheEnd() : kept.subpicturesCut;
    if (leftOut > 0) notes.push_back(counted(leftOut, "left out, their times going back or outside the title's"));
    if (cut > 0) notes.push_back(counted(cut, "without an end before the title's made to end with it"));
    return notes;
}

bool CVLCControl::Advanced() const
{
    Settle();
    return (item.disc ? item.disc->Delivered() : kept.delivered) > 0;
}

std::string CVLCControl::Failure() const
{
    Settle();
    if (!item.openProblem.empty()) return item.openProblem;
    const std::string readError = item.disc ? item.disc->Error() : kept.readError;
    if (!readError.empty()) return readError;
    if (!Advanced()) {
        uint64_t damaged = 0;
        for (const DamagedSpan& span : Damage()) damaged += span.sectors;
        if (damaged > 0) return "the disc cannot be read: " + std::to_string(damaged) + " of its sectors are damaged";
    }
    const std::string convertError = item.transcoder ? item.transcoder->Error() : kept.convertError;
    if (!convertError.empty()) return convertError;
    const bool endedByItself = item.transcoder ? item.transcoder->Finished() && !stopped : kept.endedByItself;
    const bool readToTheEnd = item.disc ? item.disc->ReachedEnd() : kept.readToTheEnd;
    if (endedByItself && !readToTheEnd) return "the conversion ended before the end of the disc";
    return {};
}
