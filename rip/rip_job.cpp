#include "rip/rip_job.h"

#include "dvd/disc_files.h"
#include "rip/output_file.h"
#include "rip/safe_output.h"
#include "convert/vlc_control.h"
#include "rip/disc_location.h"
#include "rip/output_naming.h"
#include "rip/save_as.h"
#include "rip/stream_policy.h"
#include "rip/transcode_chain.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A problem of the output folder or file, found while the item is prepared.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace

const char* OutcomeName(ItemOutcome outcome)
{
    switch (outcome) {
    case ItemOutcome::Done: return "done";
    case ItemOutcome::Damaged: return "damaged";
    case ItemOutcome::Failed: return "failed";
    case ItemOutcome::Stopped: return "stopped";
    case ItemOutcome::Skipped: return "skipped";
    case ItemOutcome::NotRipped: break;
    }
    return "not ripped";
}

int JobExitStatus(const std::vector<ItemResult>& results)
{
    bool damaged = false;
    for (const ItemResult& result : results) {
        if (result.outcome == ItemOutcome::Damaged) damaged = true;
        else if (result.outcome != ItemOutcome::Done) return 1;
    }
    return results.empty() ? 1 : damaged ? 3 : 0;
}

// A stopped item's converter and file, handed to a thread of their own: the
// converter finishes its file (so that an MP4 keeps its index), which then
// takes its name, or its partial one.
struct RipJob::Finishing {
    std::unique_ptr<CVLCControl> converter;
    std::unique_ptr<SafeOutput> file;
    std::string kept;  // where what was converted is now; empty for nothing
    std::atomic<bool> done{false};
    std::thread thread;

    void Finish()
    {
        converter->stop();
        if (file && file->WrittenBytes() > 0) kept = file->Commit().empty() ? file->FinalPath() : file->KeepPartial();
        file.reset();
        done = true;
    }
};

RipJob::RipJob(const DvdSource& source, JobPlan plan, std::vector<RipPart> selections, JobEvents events)
    : volumes(source.Volumes()),
      discLabel(source.Files() ? source.Files()->VolumeLabel() : std::string()),
      frameRate(DiscFrameRate(source)),
      plan(std::move(plan)),
      events(std::move(events)),
      results(selections.size())
{
    // The disc is read once, here: every attempt of every item plays these lists.
    for (auto& selection : selections) {
        Item item{selection, {}, {}};
        item.playList = selection ? SelectionPlayList(source, *selection, &item.problem) : WholeDiscPlayList(source, &item.problem);
        items.push_back(std::move(item));
    }
    state.items = static_cast<int>(items.size());
}

RipJob::~RipJob()
{
    if (finishing && finishing->thread.joinable()) finishing->thread.join();
}

void RipJob::Start()
{
    if (state.item != 0) return;
    state.item = 1;
    PrepareNext();
}

void RipJob::PrepareNext()
{
    if (state.item <= state.items) {
        Prepare();
        return;
    }
    state.phase = JobPhase::Ended;
    state.percent = 100;
    state.eta = 0;
}

void RipJob::Prepare()
{
    state.phase = JobPhase::Preparing;
    const Item& item = items[state.item - 1];
    try {
        if (!itemChosen) {
            itemSettings = plan.settings;
            itemPath = BuildOutputPath(plan.videoTsPath, plan.folder, state.item, itemSettings, volumes.List(), item.selection, discLabel);
        }
        // A problem of the output is told as one before anything is asked or converted, and nothing goes into the disc.
        if (std::string problem = OutputProblem(itemPath, plan.videoTsPath); !problem.empty()) throw OutputError(problem);
    } catch (const std::exception& failure) {
        Fail(JobRequest::Notice::PrepareFailed, itemPath, failure.what());
        return;
    }
    if (state.retry == 0 && !plan.neverOverwrite && SomethingAt(itemPath)) {
        Ask({JobRequest::Kind::Overwrite, {}, itemPath, {}});
        return;
    }
    Launch();
}

void RipJob::Answer(std::optional<WriteTo> writeTo)
{
    if (state.phase != JobPhase::Asking || request.kind != JobRequest::Kind::Overwrite) return;
    if (!writeTo) {
        EndItem(ItemOutcome::Skipped, {}, rip_text::kExistingFileStays);
        PrepareNext();
        return;
    }
    if (writeTo->chosenAs) ApplySaveAsFile(itemSettings, writeTo->path);
    itemPath = writeTo->path;
    Launch();
}

void RipJob::Answer(bool tryAgain)
{
    if (state.phase != JobPhase::Asking || request.kind != JobRequest::Kind::Retry) return;
    if (tryAgain) {
        state.retry = -1;
        Prepare();
        return;
    }
    GiveUp(request.reason);
    PrepareNext();
}

void RipJob::Acknowledge()
{
    if (state.phase == JobPhase::Asking && request.kind == JobRequest::Kind::Notice) PrepareNext();
}

void RipJob::Ask(JobRequest asked)
{
    request = std::move(asked);
    state.phase = JobPhase::Asking;
}

void RipJob::Fail(JobRequest::Notice notice, std::string file, const std::string& reason)
{
    EndItem(ItemOutcome::Failed, {}, reason);
    Ask({JobRequest::Kind::Notice, notice, std::move(file), reason});
}

void RipJob::Launch()
{
    state.phase = JobPhase::Preparing;
    // Every later attempt writes where this one does, as this one does: never to a name the user refused.
    itemChosen = true;
    const Item& item = items[state.item - 1];
    std::string option;
    DiscPart part;
    try {
        if (std::string problem = OutputProblem(itemPath, plan.videoTsPath); !problem.empty()) throw OutputError(problem);
        if (std::string problem = PrepareOutputFolder(fs::path(itemPath).parent_path().string()); !problem.empty())
            throw OutputError(problem);
        // The file there, if any, stays as it is until the item has ended.
        itemFile.reset();
        itemFile = std::make_unique<SafeOutput>(itemPath, plan.neverOverwrite ? AtName::NextFree : AtName::Replace);
        if (std::string problem = itemFile->Claim(); !problem.empty()) throw OutputError(problem);
        itemPath = itemFile->FinalPath();
        StreamChoices streams = plan.streams ? *plan.streams : SubtitleChoices(itemSettings, item.playList);
        if (item.selection && item.selection->audioStream > 0 && streams.audio.empty())
            streams.audio = std::to_string(item.selection->audioStream);
        option = BuildTranscodeChain(itemSettings, itemFile->WritingPath(), plan.preview, frameRate, streams);
        part = {DiscReadPath(plan.videoTsPath, volumes.List()), item.playList, item.problem, !item.selection};
    } catch (const std::exception& failure) {
        Fail(JobRequest::Notice::PrepareFailed, itemPath, failure.what());
        return;
    }
    try {
        // A fresh converter for every attempt; the last one's threads ended with its attempt.
        converter.reset();
        converter = std::make_unique<CVLCControl>();
        converter->TellWhenEnded([signal = stepSignal] { signal->Raise(); });
        if (plan.pictureWidth > 0 && plan.pictureHeight > 0)
            converter->ShowPicturesIn(plan.pictureWidth, plan.pictureHeight, plan.pictureReady);
        // Written through the hidden file's own descriptor, never opened again by its name.
        converter->Convert(part, option, itemFile->Descriptor());
    } catch (const std::exception& refused) {  // refused by the converter, or no memory for it
        Fail(JobRequest::Notice::LaunchFailed, itemPath, refused.what());
        return;
    }
    state.phase = JobPhase::Converting;
    if (events.attemptStarted) events.attemptStarted();
    if (events.itemStarted) events.itemStarted(state.item, itemPath);
}

void RipJob::Poll()
{
    state.elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (state.phase == JobPhase::Stopping) {
        if (!finishing->done) return;
        if (finishing->thread.joinable()) finishing->thread.join();
        ItemResult& result = results[state.item - 1];
        result = {ItemOutcome::Stopped, finishing->kept, rip_text::kStoppedReason, {}};
        finishing.reset();
        state.phase = JobPhase::Ended;
        if (events.itemEnded) events.itemEnded(state.item, result);
        return;
    }
    if (state.phase != JobPhase::Converting) return;
    const int time = converter->GetTime();
    const float position = converter->GetPosition();
    if (position > 0 && time > 0) {
        UpdateProgress(position);
        state.damage = DescribeDamage(converter->Damage());
        progressSeen = true;
        return;
    }
    if (!(position < 0 && time < 0)) return;

    // The attempt has ended (its converter's threads with it): done if it converted its part into a file, else failed.
    converter->stop();
    converter->playlistClear();
    std::string failure = itemFile->Named(converter->Failure());
    const bool converted = failure.empty() && itemFile->WrittenBytes() > 0 && (progressSeen || converter->Advanced());
    if (converted) failure = itemFile->Commit();  // the file takes its name now
    itemPath = itemFile->FinalPath();
    if (!converted || !failure.empty()) {
        AttemptFailed(failure);
        return;
    }
    // A scratched disc gives what can be read, and says what it could not.
    const std::string damage = DescribeDamage(converter->Damage());
    std::string notes;
    for (const std::string& note : converter->Notes()) notes += (notes.empty() ? "" : "; ") + note;
    EndItem(damage.empty() ? ItemOutcome::Done : ItemOutcome::Damaged, itemPath, damage, notes);
    PrepareNext();
}

void RipJob::AttemptFailed(const std::string& failure)
{
    const std::string reason = failure.empty()           ? std::string(rip_text::kNothingConverted)
                               : converter->Advanced() ? failure
                                                         : rip_text::kNothingConvertedBecause + failure;
    state.error = reason;
    UpdateProgress(0);  // the attempt's progress is over, whatever comes next
    progressSeen = false;
    if (converter->FailureIsFinal()) {
        // No attempt can mend it (an encrypted disc): said at once.
        const std::string file = itemPath;
        GiveUp(reason);
        Ask({JobRequest::Kind::Notice, JobRequest::Notice::FinalFailure, file, reason});
    } else if (state.retry < plan.silentRetries) {
        ++state.retry;
        Prepare();
    } else {
        Ask({JobRequest::Kind::Retry, {}, itemPath, reason});
    }
}

void RipJob::GiveUp(const std::string& reason)
{
    // What was converted is kept apart, never over the file at the name.
    const std::string partial = itemFile ? itemFile->KeepPartial() : std::string();
    EndItem(ItemOutcome::Failed, partial, reason);
}

void RipJob::EndItem(ItemOutcome outcome, std::string file, std::string reason, std::string notes)
{
    itemFile.reset();
    itemChosen = false;
    ItemResult& result = results[state.item - 1];
    result = {outcome, std::move(file), std::move(reason), std::move(notes)};
    if (events.itemEnded) events.itemEnded(state.item, result);
    state.retry = 0;
    state.damage.clear();
    state.error.clear();
    progressSeen = false;
    ++state.item;
    UpdateProgress(0);
}

void RipJob::UpdateProgress(float position)
{
    state.itemPercent = position * 100.0;
    const double done = state.items ? (std::min(state.item, state.items + 1) - 1 + double(position)) / state.items : 1.0;
    state.percent = std::max(state.percent, std::min(100.0, done * 100.0));
    state.elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.eta = state.percent > 0 ? state.elapsed * (100 - state.percent) / state.percent : -1;
}

void RipJob::Stop()
{
    if (state.phase == JobPhase::Ended || state.phase == JobPhase::Stopping) return;
    if (state.phase == JobPhase::Converting) {
        finishing = std::make_shared<Finishing>();
        finishing->converter = std::move(converter);
        finishing->file = std::move(itemFile);
        state.phase = JobPhase::Stopping;
        try {
            finishing->thread = std::thread([finishing = finishing.get(), signal = stepSignal] {
                finishing->Finish();
                signal->Raise();
            });
        } catch (const std::system_error&) {
            finishing->Finish();  // no thread to be had: done here
        }
        return;
    }
    // A failed attempt asked about keeps what it converted, as a No would.
    if (state.phase == JobPhase::Asking && request.kind == JobRequest::Kind::Retry) GiveUp(request.reason);
    itemFile.reset();
    state.phase = JobPhase::Ended;
}

void RipJob::StepSignal::Raise()
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        up = true;
    }
    raised.notify_all();
}

void RipJob::WaitForStep(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> hold(stepSignal->lock);
    stepSignal->raised.wait_for(hold, limit, [&] { return stepSignal->up; });
    stepSignal->up = false;
}

std::vector<uint8_t> RipJob::LatestPicture() const
{
    const CVLCControl* shown = converter ? converter.get() : finishing ? finishing->converter.get() : nullptr;
    return shown ? shown->LatestPicture() : std::vector<uint8_t>();
}
