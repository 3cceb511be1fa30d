#include "rip/rip_job.h"

#include "dvd/disc_files.h"
#include "rip/output_file.h"
#include "rip/transcode_chain.h"
#include "rip/vlc_control.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

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

RipJob::RipJob(const DvdSource& source, JobPlan plan, std::vector<RipPart> selections, JobQuestions questions)
    : volumes(source.Volumes()),
      discLabel(source.Files() ? source.Files()->VolumeLabel() : std::string()),
      frameRate(DiscFrameRate(source)),
      plan(std::move(plan)),
      questions(std::move(questions)),
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

RipJob::~RipJob() = default;

void RipJob::Advance()
{
    if (state.phase == JobPhase::Ended) return;
    state.item = std::max(state.item, 1);
    // A front end may stop the job while it asks a question.
    while (state.item <= state.items && state.phase != JobPhase::Ended)
        if (Launch()) {
            state.phase = JobPhase::Converting;
            return;
        }
    state.phase = JobPhase::Ended;
    state.percent = 100;
    state.eta = 0;
}

bool RipJob::Launch()
{
    state.phase = JobPhase::Preparing;
    const Item& item = items[state.item - 1];
    std::string option;
    DiscPart part;
    try {
        const std::vector<Volume> mounted = volumes.List();
        if (!itemChosen) {
            itemSettings = plan.settings;
            itemPath = BuildOutputPath(plan.videoTsPath, plan.folder, state.item, itemSettings, mounted, item.selection, discLabel);
        }
        // A problem of the output is told as one before anything is asked or converted, and nothing goes into the disc.
        if (std::string problem = OutputProblem(itemPath, plan.videoTsPath); !problem.empty()) throw OutputError(problem);
        if (state.retry == 0 && SomethingAt(itemPath)) {
            const auto chosen = questions.overwrite ? questions.overwrite(itemPath) : std::nullopt;
            if (state.phase == JobPhase::Ended) return false;
            if (!chosen) {
                EndItem(ItemOutcome::Skipped, {}, rip_text::kExistingFileStays);
                return false;
            }
            if (chosen->chosenAs) ApplySaveAsFile(itemSettings, chosen->path);
            itemPath = chosen->path;
        }
        // Every later attempt writes where this one does, as this one does: never to a name the user refused.
        itemChosen = true;
        if (std::string problem = OutputProblem(itemPath, plan.videoTsPath); !problem.empty()) throw OutputError(problem);
        if (std::string problem = PrepareOutputFolder(fs::path(itemPath).parent_path().string()); !problem.empty())
            throw OutputError(problem);
        // The file there, if any, stays as it is until the item has ended.
        itemFile = std::make_unique<SafeOutput>(itemPath);
        if (std::string problem = itemFile->Claim(); !problem.empty()) throw OutputError(problem);
        StreamChoices streams = plan.streams ? *plan.streams : SubtitleChoices(itemSettings, item.playList);
        if (item.selection && item.selection->audioStream > 0 && streams.audio.empty())
            streams.audio = std::to_string(item.selection->audioStream);
        option = BuildTranscodeChain(itemSettings, itemFile->WritingPath(), plan.preview, frameRate, streams);
        part = {DiscReadPath(plan.videoTsPath, mounted), item.playList, item.problem, !item.selection};
    } catch (const std::exception& failure) {
        if (questions.told) questions.told(JobQuestions::Event::PrepareFailed, itemPath, failure.what());
        EndItem(ItemOutcome::Failed, {}, failure.what());
        return false;
    }
    try {
        CVLCControl* converter = questions.newConverter();
        if (!converter) throw std::runtime_error(rip_text::kConverterGone);
        // Written through the hidden file's own descriptor, never opened again by its name.
        converter->Convert(part, option, itemFile->Descriptor());
        if (questions.itemStarted) questions.itemStarted(state.item, itemPath);
    } catch (const std::exception& refused) {  // refused by the converter, or no memory for it
        if (questions.told) questions.told(JobQuestions::Event::LaunchFailed, itemPath, refused.what());
        EndItem(ItemOutcome::Failed, {}, refused.what());
        return false;
    }
    return true;
}

void RipJob::Poll()
{
    if (state.phase != JobPhase::Converting) return;
    state.elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    CVLCControl* converter = questions.converter();
    if (!converter) {
        if (questions.told) questions.told(JobQuestions::Event::ConverterLost, itemPath, rip_text::kConverterGone);
        EndItem(ItemOutcome::Failed, {}, rip_text::kConverterGone);
        Advance();
        return;
    }
    const int time = converter->GetTime();
    const float position = converter->GetPosition();
    if (position > 0 && time > 0) {
        UpdateProgress(position);
        state.damage = DescribeDamage(converter->Damage());
        progressSeen = true;
        return;
    }
    if (!(position < 0 && time < 0)) return;

    // The attempt has ended: done if it converted its part into a file, else failed.
    converter->stop();
    converter->playlistClear();
    std::string failure = itemFile->Named(converter->Failure());
    const bool converted = failure.empty() && itemFile->WrittenBytes() > 0 && (progressSeen || converter->Advanced());
    if (converted) failure = itemFile->Commit();  // the file takes its name now
    if (converted && failure.empty()) {
        // A scratched disc gives what can be read, and says what it could not.
        const std::string damage = DescribeDamage(converter->Damage());
        std::string notes;
        for (const std::string& note : converter->Notes()) notes += (notes.empty() ? "" : "; ") + note;
        EndItem(damage.empty() ? ItemOutcome::Done : ItemOutcome::Damaged, itemPath, damage, notes);
    } else {
        AttemptFailed(*converter, failure);
    }
    Advance();
}

void RipJob::AttemptFailed(CVLCControl& converter, const std::string& failure)
{
    const std::string reason = failure.empty()        ? std::string(rip_text::kNothingConverted)
                               : converter.Advanced() ? failure
                                                      : rip_text::kNothingConvertedBecause + failure;
    state.error = reason;
    UpdateProgress(0);  // the attempt's progress is over, whatever comes next
    if (converter.FailureIsFinal()) {
        // No attempt can mend it (an encrypted disc): said at once.
        if (questions.told) questions.told(JobQuestions::Event::FinalFailure, itemPath, reason);
    } else if (state.retry < plan.silentRetries) {
        ++state.retry;
        return;
    } else if (questions.retry && questions.retry(reason)) {
        state.retry = -1;
        return;
    }
    if (!itemFile) return;  // stopped while it asked
    // What was converted is kept apart, never over the file at the name.
    const std::string partial = itemFile->KeepPartial();
    EndItem(ItemOutcome::Failed, partial, reason);
}

void RipJob::EndItem(ItemOutcome outcome, std::string file, std::string reason, std::string notes)
{
    itemFile.reset();
    itemChosen = false;
    ItemResult& result = results[state.item - 1];
    result = {outcome, std::move(file), std::move(reason), std::move(notes)};
    if (questions.itemEnded) questions.itemEnded(state.item, result);
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

bool RipJob::Stop()
{
    if (state.phase == JobPhase::Ended) return false;
    bool kept = false;
    if (state.phase == JobPhase::Converting) {
        // The converter finishes its file, so that an MP4 keeps its index; what it converted takes the file's name.
        if (CVLCControl* converter = questions.converter()) converter->stop();
        std::string file;
        if (itemFile && itemFile->WrittenBytes() > 0) {
            const std::string failure = itemFile->Commit();
            file = failure.empty() ? itemPath : itemFile->KeepPartial();
        }
        kept = !file.empty();
        results[state.item - 1] = {ItemOutcome::Stopped, file, rip_text::kStoppedReason, {}};
        if (questions.itemEnded) questions.itemEnded(state.item, results[state.item - 1]);
    }
    itemFile.reset();
    state.phase = JobPhase::Ended;
    return kept;
}
