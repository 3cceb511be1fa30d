// The rip job of the main window: Start, the one-second poll, the job's
// questions as boxes, Stop. The job itself is the one the command line runs.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"
#include "app/preview_dlg.h"
#include "dvd/text_format.h"
#include "rip/disc_identity.h"
#include "rip/rip_job.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"
#include "rip/containers.h"
#include "rip/save_as.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int kPollMs = 1000;
constexpr int kSilentRetries = 3;
// How often a stopped job is looked at while its file is put in place.
constexpr int kFinishingLookMs = 20;

// The Save As dialog's proposal: the name less its extension, then "_new_".
std::string ProposedSaveAsName(const std::string& path)
{
    const fs::path file(path);
    return (file.parent_path() / file.stem()).string() + "_new_";
}

}  // namespace

void CRipperDlg::SetProgress(const std::string& percent, const std::string& text)
{
    movie->SetVariable(main_var::kProgress, percent);
    movie->SetVariable(main_var::kProgressText, text);
}

int CRipperDlg::itemNumber() const
{
    return shutDown ? -1 : job ? job->State().item : 0;
}

int16_t CRipperDlg::retryCount() const
{
    return static_cast<int16_t>(job ? job->State().retry : 0);
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
    // tarvok-rip watch may rip this disc now: one rip of a disc at a time.
    if (const std::string held = discLock.Take(source.Files() ? DiscIdentity(*source.Files()) : std::string()); !held.empty()) {
        ripping = 0;
        app.Services().messageBoxes->Show(this, held, app.productName, MbButtons::Ok, MbIcon::Information);
        return;
    }
    movie->SetVariable(main_var::kOutputFile, "");
    movie->SetVariable(main_var::kDamage, "");
    movie->SetVariable(main_var::kFailure, "");
    const QString preview = QString::fromStdString(movie->GetVariable(main_var::kPreview));
    previewEnabled = preview.compare("true", Qt::CaseInsensitive) == 0 || preview == "1" ? 1 : 0;
    movie->SetVariable(main_var::kStopButton, "0");
    if (settings.lockDvdWhileRipping == 1) LockDrive(true);
    JobPlan plan;
    plan.videoTsPath = source.GetVideoTsPath();
    plan.folder = outputFolder;
    plan.settings = settings;
    plan.preview = previewEnabled == 1;
    plan.silentRetries = kSilentRetries;
    plan.pictureWidth = CPreviewDlg::kPictureWidth;
    plan.pictureHeight = CPreviewDlg::kPictureHeight;
    // From a converter's thread: the window's own thread shows it.
    plan.pictureReady = [this] {
        QMetaObject::invokeMethod(this, [this] { if (previewDlg) previewDlg->PictureReady(); }, Qt::QueuedConnection);
    };
    job = std::make_unique<RipJob>(source, std::move(plan), *items, JobEventsOfWindow());
    RipNextItem();
}

JobEvents CRipperDlg::JobEventsOfWindow()
{
    JobEvents events;
    events.attemptStarted = [this] {
        // Every attempt gets a fresh preview window.
        previewDlg.reset();
        previewDlg = std::make_unique<CPreviewDlg>(this, app.moduleFolder, [this] { return job ? job->LatestPicture() : std::vector<uint8_t>(); });
        if (previewEnabled == 1) previewDlg->show();
    };
    events.itemEnded = [this](int, const ItemResult&) { SetProgress("0", ""); };
    return events;
}

std::optional<WriteTo> CRipperDlg::AskOverwrite(const std::string& path)
{
    if (settings.dontAskOverwrite == 1) return WriteTo{path};
    if (app.Services().messageBoxes->Show(this, Format(rip_text::kOverwrite, path.c_str()), rip_text::kOverwriteCaption,
                                          MbButtons::YesNo, MbIcon::None) == MbResult::Yes)
        return WriteTo{path};
    auto chosen = app.Services().fileDialogs->SaveAs(this, ProposedSaveAsName(path), GetContainerExtension(settings), rip_text::kSaveAsFilter);
    if (!chosen) return std::nullopt;
    // The chosen type stays the window's container, as the user picked it.
    ApplySaveAsFile(settings, *chosen);
    return WriteTo{*chosen, true};
}

void CRipperDlg::AnswerJob()
{
    const JobRequest asked = job->Request();  // answering replaces it
    const int code = errno;
    switch (asked.kind) {
    case JobRequest::Kind::Overwrite:
        job->Answer(AskOverwrite(asked.path));
        return;
    case JobRequest::Kind::Retry:
        // The failed attempt's progress is not shown under the question.
        ShowAttemptProgress();
        job->Answer(app.Services().messageBoxes->Show(this, rip_text::kRippingError, rip_text::kRippingErrorCaption, MbButtons::YesNo,
                                                      MbIcon::Question, asked.reason) == MbResult::Yes);
        return;
    case JobRequest::Kind::Notice:
        break;
    }
    if (asked.notice == JobRequest::Notice::PrepareFailed)
        app.Services().messageBoxes->Show(this, Format(rip_text::kPrepareError, asked.path.c_str(), code), app.productName, MbButtons::Ok,
                                          MbIcon::Error, asked.reason);
    else if (asked.notice == JobRequest::Notice::LaunchFailed)
        app.Services().messageBoxes->Show(this, Format(rip_text::kLaunchError, code), app.productName, MbButtons::Ok, MbIcon::Error,
                                          asked.reason);
    else
        app.Services().messageBoxes->Show(this, asked.reason, rip_text::kRippingErrorCaption, MbButtons::Ok, MbIcon::Error);
    job->Acknowledge();
}

void CRipperDlg::RipNextItem()
{
    if (!job) return;
    job->Start();
    ShowJobStep();
}

void CRipperDlg::PollRipProgress()
{
    if (!job) return;
    job->Poll();
    ShowJobStep();
}

void CRipperDlg::ShowJobStep()
{
    if (!job || shutDown) return;
    // No poll while the job asks: each question is asked when the job stops for it.
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    while (job->State().phase == JobPhase::Asking) {
        AnswerJob();
        if (!job || shutDown) return;  // the program ended during the question
    }
    if (job->Ended()) {
        CompleteJob();
        return;
    }
    ShowAttemptProgress();
    progressTimerId = startTimer(kPollMs);
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
    // The last file this job wrote, a failed item's partial one included.
    std::string file;
    for (const ItemResult& result : job ? job->Results() : std::vector<ItemResult>())
        if (!result.file.empty()) file = result.file;
    std::error_code error;
    const bool there = written && !file.empty() && fs::is_regular_file(file, error);
    movie->SetVariable(main_var::kOutputFile, there ? file : "");
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
    if (!job || job->Ended()) return false;
    job->Stop();
    // The window goes on drawing while the stopped item's file is finished and put in place.
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    QEventLoop wait;
    QTimer look;
    connect(&look, &QTimer::timeout, &wait, [this, &wait] {
        if (job) job->Poll();
        if (!job || job->Ended()) wait.quit();
    });
    job->Poll();
    if (!job->Ended()) {
        look.start(kFinishingLookMs);
        wait.exec();
    }
    if (!job) return false;
    const auto& results = job->Results();
    return std::any_of(results.begin(), results.end(),
                       [](const ItemResult& result) { return result.outcome == ItemOutcome::Stopped && !result.file.empty(); });
}

void CRipperDlg::OnStopRip()
{
    const bool kept = StopAndKeepFile();
    if (shutDown) return;  // the program ended while the file was put in place
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
    job.reset();
    discLock.Release();
    ripping = 0;
    progressSeen = 0;
    LockDrive(false);
}

void CRipperDlg::ShutdownRip()
{
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    shutDown = true;
    LockDrive(false);
}
