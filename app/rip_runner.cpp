// The rip job of the main window: Start, the one-second poll, the job's
// questions as boxes, Stop. The job itself is the one the command line runs.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"
#include "app/preview_dlg.h"
#include "dvd/text_format.h"
#include "rip/rip_job.h"
#include "rip/transcode_chain.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int kPollMs = 1000;
constexpr int kSilentRetries = 3;

// The Save As dialog's proposal: the name less its extension, then "_new_".
std::string ProposedSaveAsName(const std::string& path)
{
    const fs::path file(path);
    return (file.parent_path() / file.stem()).string() + "_new_";
}

}  // namespace

CVLCControl* CRipperDlg::Converter() const
{
    return previewDlg ? &previewDlg->vlcControl : nullptr;
}

void CRipperDlg::SetProgress(const std::string& percent, const std::string& text)
{
    movie->SetVariable(main_var::kProgress, percent);
    movie->SetVariable(main_var::kProgressText, text);
}

std::optional<std::vector<RipPart>> CRipperDlg::ChosenItems()
{
    if (settings.ripSelection != 1) return std::vector<RipPart>{std::nullopt};
    // Ticked angles, each with its ticked chapters; else the browsed one.
    std::vector<std::string> withoutChapters;
    const std::vector<DiscSelection> ticked = TickedAngles(source, &withoutChapters);
    const RipPart browsed = ticked.empty() && withoutChapters.empty() ? BrowsedSelection(source) : std::nullopt;
    if (!withoutChapters.empty() || (ticked.empty() && !browsed)) {
        const char* told = source.currentAngle || !withoutChapters.empty() ? rip_text::kTickChapters : rip_text::kSelectAngle;
        app.Services().messageBoxes->Show(this, told, app.productName, MbButtons::Ok, MbIcon::Information);
        return std::nullopt;
    }
    if (browsed) return std::vector<RipPart>{browsed};
    return std::vector<RipPart>(ticked.begin(), ticked.end());
}

void CRipperDlg::OnStartRip()
{
    if (ripping == 1) return;
    // The parts to rip are taken before anything reloads.
    const auto items = ChosenItems();
    if (!items) return;
    const bool selected = settings.ripSelection == 1;
    ripping = 1;
    const std::string browsed = source.GetVideoTsPath();
    std::optional<std::string> disc;
    while (!(disc = FindStartDisc())) {
        if (!isVisible()) {  // the program ended while the disc was looked for
            ripping = 0;
            return;
        }
        if (app.Services().messageBoxes->Show(this, rip_text::kDvdNotFound, app.productName, MbButtons::RetryCancel,
                                              MbIcon::Error) != MbResult::Retry) {
            ripping = 0;
            return;
        }
    }
    if (selected && *disc != browsed) {
        // The selection was made on another disc than the one now found.
        LoadSourceFromPath(*disc);
        ripping = 0;
        app.Services().messageBoxes->Show(this, rip_text::kDiscChanged, app.productName, MbButtons::Ok, MbIcon::Information);
        return;
    }
    if (!selected) LoadSourceFromPath(*disc);
    movie->SetVariable(main_var::kOutputFile, "");
    movie->SetVariable(main_var::kDamage, "");
    movie->SetVariable(main_var::kFailure, "");
    itemOutputPath.clear();  // only a file this job writes is shown at its end
    const QString preview = QString::fromStdString(movie->GetVariable(main_var::kPreview));
    previewEnabled = preview.compare("true", Qt::CaseInsensitive) == 0 || preview == "1" ? 1 : 0;
    movie->SetVariable(main_var::kStopButton, "0");
    if (settings.lockDvdWhileRipping == 1) LockDrive(true);
    const JobPlan plan{source.GetVideoTsPath(), outputFolder, settings, previewEnabled == 1, {}, kSilentRetries};
    job = std::make_unique<RipJob>(source, plan, *items, JobQuestionsOfWindow());
    RipNextItem();
}

JobQuestions CRipperDlg::JobQuestionsOfWindow()
{
    JobQuestions questions;
    questions.overwrite = [this](const std::string& path) -> std::optional<WriteTo> {
        if (settings.dontAskOverwrite == 1) return WriteTo{path};
        if (app.Services().messageBoxes->Show(this, Format(rip_text::kOverwrite, path.c_str()), rip_text::kOverwriteCaption,
                                              MbButtons::YesNo, MbIcon::None) == MbResult::Yes)
            return WriteTo{path};
        auto chosen = app.Services().fileDialogs->SaveAs(this, ProposedSaveAsName(path), GetContainerExtension(settings), kSaveAsFilter);
        if (!chosen) return std::nullopt;
        // The chosen type stays the window's container, as the user picked it.
        ApplySaveAsFile(settings, *chosen);
        return WriteTo{*chosen, true};
    };
    questions.newConverter = [this] {
        // Every attempt gets a fresh window and converter.
        previewDlg.reset();
        previewDlg = std::make_unique<CPreviewDlg>(this, app.moduleFolder);
        if (previewEnabled == 1) previewDlg->show();
        return &previewDlg->vlcControl;
    };
    questions.converter = [this] { return Converter(); };
    questions.retry = [this](const std::string& failure) {
        SyncRipState();
        // The failed attempt's progress is not shown under the question.
        ShowAttemptProgress();
        return app.Services().messageBoxes->Show(this, rip_text::kRippingError, rip_text::kRippingErrorCaption, MbButtons::YesNo,
                                                 MbIcon::Question, failure) == MbResult::Yes;
    };
    questions.told = [this](JobQuestions::Event event, const std::string& path, const std::string& reason) {
        const int code = errno;
        using Event = JobQuestions::Event;
        if (event == Event::PrepareFailed) {
            app.Services().messageBoxes->Show(this, Format(rip_text::kPrepareError, path.c_str(), code), app.productName,
                                              MbButtons::Ok, MbIcon::Error, reason);
        } else if (event == Event::LaunchFailed) {
            app.Services().messageBoxes->Show(this, Format(rip_text::kLaunchError, code), app.productName, MbButtons::Ok,
                                              MbIcon::Error, reason);
        } else if (event == Event::ConverterLost) {
            app.Services().messageBoxes->Show(this, Format(rip_text::kPollError, code), app.productName, MbButtons::Ok,
                                              MbIcon::Error);
        } else {
            app.Services().messageBoxes->Show(this, reason, rip_text::kRippingErrorCaption, MbButtons::Ok, MbIcon::Error);
        }
    };
    questions.itemEnded = [this](int, const ItemResult& result) {
        if (!result.file.empty()) itemOutputPath = result.file;
        SetProgress("0", "");
    };
    return questions;
}

void CRipperDlg::SyncRipState()
{
    if (!job) return;
    itemNumber = job->State().item;
    retryCount = static_cast<int16_t>(job->State().retry);
}

void CRipperDlg::RipNextItem()
{
    if (!job) return;
    job->Advance();
    ShowJobStep();
}

void CRipperDlg::PollRipProgress()
{
    // No poll enters while the job asks a question of its own.
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    if (!job) return;
    job->Poll();
    ShowJobStep();
}

void CRipperDlg::ShowJobStep()
{
    if (itemNumber < 0) return;  // the window was shut down while the job asked a question
    SyncRipState();
    if (job->Ended()) {
        CompleteJob();
        return;
    }
    ShowAttemptProgress();
    if (progressTimerId == 0) progressTimerId = startTimer(kPollMs);
}

void CRipperDlg::ShowAttemptProgress()
{
    const JobState& state = job->State();
    if (state.itemPercent > 0) {
        const std::string percent = std::to_string(static_cast<int>(state.itemPercent));
        const std::string item = state.items > 1 ? "  " + std::to_string(state.item) + "/" + std::to_string(state.items) : "";
        SetProgress(percent, rip_text::kRipping + percent + "%" + item);
        progressSeen = 1;
    } else if (progressSeen == 1) {
        // Between attempts the bar starts again from nothing.
        SetProgress("0", "");
        progressSeen = 0;
    }
}

void CRipperDlg::ShowWrittenFile(bool written)
{
    std::error_code error;
    const bool there = written && !itemOutputPath.empty() && fs::is_regular_file(itemOutputPath, error);
    movie->SetVariable(main_var::kOutputFile, there ? itemOutputPath : "");
}

void CRipperDlg::CompleteJob()
{
    std::string failure, damage;
    bool converted = false;
    for (const ItemResult& result : job->Results()) {
        if (result.outcome == ItemOutcome::Failed) failure = result.reason;
        if (result.outcome == ItemOutcome::Damaged) damage += (damage.empty() ? "" : "; ") + result.reason;
        if (!result.notes.empty()) damage += (damage.empty() ? "" : "; ") + result.notes;
        converted = converted || result.outcome != ItemOutcome::Skipped;
    }
    movie->SetVariable(main_var::kDamage, damage);
    movie->SetVariable(main_var::kStopButton, "1");
    if (previewEnabled == 1 && previewDlg) previewDlg->hide();
    ShowWrittenFile(true);
    movie->SetVariable(main_var::kFailure, failure);
    SetProgress("100", failure.empty() ? rip_text::kCompleted : rip_text::kFailed);
    // A job whose every item was skipped (a cancelled Save As) ran nothing to complete.
    if (ripping == 1 && converted) RunCompletionActions();
    ResetRip();
}

bool CRipperDlg::StopAndKeepFile()
{
    return job && job->Stop();
}

void CRipperDlg::OnStopRip()
{
    const bool kept = StopAndKeepFile();
    if (previewEnabled == 1 && previewDlg) previewDlg->hide();
    movie->SetVariable(main_var::kStopButton, "1");
    ShowWrittenFile(ripping == 1 && kept);
    SetProgress("100", rip_text::kStopped);
    // Only a job that runs has actions to complete: powering off or ejecting
    // for a job that never ran would throw away the user's work for nothing.
    if (ripping == 1) RunCompletionActions();
    ResetRip();
}

void CRipperDlg::ResetRip()
{
    SetProgress("0", "");
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    if (CVLCControl* converter = Converter()) converter->playlistClear();
    job.reset();
    itemNumber = 0;
    retryCount = 0;
    ripping = 0;
    progressSeen = 0;
    LockDrive(false);
}

void CRipperDlg::ShutdownRip()
{
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    itemNumber = -1;
    LockDrive(false);
}
