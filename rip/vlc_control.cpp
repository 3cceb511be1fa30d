#include "rip/vlc_control.h"

#include "rip/disc_play_list.h"
#include "rip/disc_title_stream.h"
#include "rip/media_locator.h"
#include "rip/stream_output.h"
#include "rip/transcoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
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

void CVLCControl::Launch(const DiscPart& part, const StreamOutput& output, int outputFile)
{
    playlistClear();
    kept = Report();
    openProblem.clear();
    subtitlesLeftOut.clear();
    finalFailure = false;
    stopped = false;
    DiscProblem problem{part.problem};
    if (problem.reason.empty()) disc = DiscTitleStream::Open(part.disc, part.playList, &problem);
    if (!disc) {
        // As a disc that cannot be played: the item ends at once, failed.
        openProblem = problem.reason.empty() ? "the disc cannot be read" : problem.reason;
        finalFailure = problem.encrypted;
        return;
    }
    TranscodePlan plan{output, disc->Route(output.streams), ChapterMarks(disc->Titles(), part.wholeDisc), outputFile};
    subtitlesLeftOut = plan.streams.subtitlesLeftOut;
    PreviewTarget preview;
    if (pictureWidth > 0 && pictureHeight > 0)
        preview = {pictureWidth, pictureHeight, [this](std::vector<uint8_t>& picture) {
                       {
                           const std::lock_guard<std::mutex> hold(pictureLock);
                           shown.swap(picture);
                       }
                       if (pictureReady) pictureReady();
                   }};
    transcoder = std::make_unique<Transcoder>(*disc, std::move(plan), std::move(preview));
}

void CVLCControl::stop()
{
    if (!transcoder) return;
    if (!transcoder->Finished()) stopped = true;
    transcoder->Stop();
}

void CVLCControl::KeepReport()
{
    if (disc) {
        kept.damage = disc->Damage();
        kept.readError = disc->Error();
        kept.readToTheEnd = disc->ReachedEnd();
        kept.delivered = disc->Delivered();
    }
    if (transcoder) {
        kept.convertError = transcoder->Error();
        kept.endedByItself = transcoder->Finished() && !stopped;
        kept.subpicturesLeftOut = transcoder->SubpicturesLeftOut();
        kept.subpicturesCut = transcoder->SubpicturesEndedAtTheEnd();
    }
}

void CVLCControl::playlistClear()
{
    if (transcoder) {
        if (!transcoder->Finished()) stopped = true;
        transcoder->Stop();
    }
    KeepReport();
    transcoder.reset();
    disc.reset();  // only once the converter that reads it is gone
    malloc_trim(0);
}

bool CVLCControl::Converting() const
{
    return transcoder && !transcoder->Finished() && !stopped;
}

float CVLCControl::GetPosition() const
{
    if (!Converting()) return -1.0f;
    // The sound read after a cut comes on top of the cells' bytes.
    return disc->Size() ? static_cast<float>(std::min(1.0, double(disc->Delivered()) / double(disc->Size()))) : 0.0f;
}

int CVLCControl::GetTime() const
{
    return Converting() ? static_cast<int>(transcoder->ConvertedMs() / 1000) : -1;
}

std::vector<DamagedSpan> CVLCControl::Damage() const
{
    return disc ? disc->Damage() : kept.damage;
}

std::vector<std::string> CVLCControl::Notes() const
{
    std::vector<std::string> notes;
    if (!subtitlesLeftOut.empty()) {
        std::string streams;
        for (const std::string& stream : subtitlesLeftOut) streams += (streams.empty() ? "" : ", ") + stream;
        notes.push_back("subtitle streams left out, as a file carries 32 at most: " + streams);
    }
    auto counted = [](int count, const char* what) { return std::to_string(count) + (count == 1 ? " subpicture " : " subpictures ") + what; };
    const int leftOut = transcoder ? transcoder->SubpicturesLeftOut() : kept.subpicturesLeftOut;
    const int cut = transcoder ? transcoder->SubpicturesEndedAtTheEnd() : kept.subpicturesCut;
    if (leftOut > 0) notes.push_back(counted(leftOut, "left out, their times going back or outside the title's"));
    if (cut > 0) notes.push_back(counted(cut, "without an end before the title's made to end with it"));
    return notes;
}

bool CVLCControl::Advanced() const
{
    return (disc ? disc->Delivered() : kept.delivered) > 0;
}

std::string CVLCControl::Failure() const
{
    if (!openProblem.empty()) return openProblem;
    const std::string readError = disc ? disc->Error() : kept.readError;
    if (!readError.empty()) return readError;
    if (!Advanced()) {
        uint64_t damaged = 0;
        for (const DamagedSpan& span : Damage()) damaged += span.sectors;
        if (damaged > 0) return "the disc cannot be read: " + std::to_string(damaged) + " of its sectors are damaged";
    }
    const std::string convertError = transcoder ? transcoder->Error() : kept.convertError;
    if (!convertError.empty()) return convertError;
    const bool endedByItself = transcoder ? transcoder->Finished() && !stopped : kept.endedByItself;
    const bool readToTheEnd = disc ? disc->ReachedEnd() : kept.readToTheEnd;
    if (endedByItself && !readToTheEnd) return "the conversion ended before the end of the disc";
    return {};
}
