// The rip job of the main window: Start, the one-second poll, retries, Stop.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"
#include "app/preview_dlg.h"
#include "dvd/text_format.h"
#include "rip/output_file.h"
#include "rip/safe_output.h"
#include "rip/transcode_chain.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QThread>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
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

// A problem of the output folder or file, found while the item is prepared.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string ExtensionOf(const std::string& path)
{
    const std::string extension = fs::path(path).extension().string();
    return extension.empty() ? extension : extension.substr(1);
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

void CRipperDlg::OnStartRip()
{
    if (ripping == 1) return;
    // Only the browsed angle and its ticked chapters, when the settings say so: taken before anything reloads.
    itemSelection.reset();
    if (settings.ripSelection == 1) {
        itemSelection = BrowsedSelection(source);
        if (!itemSelection) {
            app.Services().messageBoxes->Show(this, source.currentAngle ? rip_text::kTickChapters : rip_text::kSelectAngle,
                                              app.productName, MbButtons::Ok, MbIcon::Information);
            return;
        }
    }
    ripping = 1;
    const std::string browsed = source.GetVideoTsPath();
    std::optional<std::string> disc;
    while (!(disc = FindStartDisc())) {
        if (app.Services().messageBoxes->Show(this, rip_text::kDvdNotFound, app.productName, MbButtons::RetryCancel,
                                              MbIcon::Error) != MbResult::Retry) {
            ripping = 0;
            return;
        }
    }
    if (itemSelection && *disc != browsed) {
        // The selection was made on another disc than the one now found.
        LoadSourceFromPath(*disc);
        ripping = 0;
        app.Services().messageBoxes->Show(this, rip_text::kDiscChanged, app.productName, MbButtons::Ok, MbIcon::Information);
        return;
    }
    if (!itemSelection) LoadSourceFromPath(*disc);
    movie->SetVariable(main_var::kOutputFile, "");
    movie->SetVariable(main_var::kDamage, "");
    movie->SetVariable(main_var::kFailure, "");
    itemOutputPath.clear();  // only a file this job writes is shown at its end
    const QString preview = QString::fromStdString(movie->GetVariable(main_var::kPreview));
    previewEnabled = preview.compare("true", Qt::CaseInsensitive) == 0 || preview == "1" ? 1 : 0;
    movie->SetVariable(main_var::kStopButton, "0");
    if (settings.lockDvdWhileRipping == 1) LockDrive(true);
    jobFailed = false;
    RipNextItem();
}

void CRipperDlg::RipNextItem()
{
    if (itemNumber <= 0) {
        itemNumber = 0;
    } else if (itemNumber > 1) {
        CompleteJob();
        return;
    }

    std::string locator, outputPath, optionText;
    try {
        const std::vector<Volume> volumes = source.Volumes().List();
        locator = BuildMediaLocator(source.GetVideoTsPath(), volumes, itemSelection);
        if (itemNumber == 0) itemNumber = 1;
        outputPath = BuildOutputPath(source.GetVideoTsPath(), outputFolder, itemNumber, settings, volumes, itemSelection,
                                     source.Files() ? source.Files()->VolumeLabel() : std::string());
        const std::string extension = GetContainerExtension(settings);
        if (retryCount == 0 && settings.dontAskOverwrite == 0 && SomethingAt(outputPath)) {
            const MbResult answer = app.Services().messageBoxes->Show(this, Format(rip_text::kOverwrite, outputPath.c_str()),
                                                                      rip_text::kOverwriteCaption, MbButtons::YesNo, MbIcon::None);
            if (answer != MbResult::Yes) {
                auto chosen = app.Services().fileDialogs->SaveAs(this, ProposedSaveAsName(outputPath), extension, kSaveAsFilter);
                if (!chosen) {
                    // A cancelled Save As skips the item; the job ends without its actions.
                    retryCount = 0;
                    ripping = 0;
                    ++itemNumber;
                    RipNextItem();
                    return;
                }
                outputPath = *chosen;
                ApplySaveAsExtension(settings, ExtensionOf(outputPath));
            }
        }
        // A problem of the output is told as one before anything is converted, and nothing goes into the disc.
        if (std::string problem = OutputProblem(outputPath, source.GetVideoTsPath()); !problem.empty()) throw OutputError(problem);
        if (std::string problem = PrepareOutputFolder(fs::path(outputPath).parent_path().string()); !problem.empty())
            throw OutputError(problem);
        // The file there, if any, stays as it is until the item has ended.
        itemFile = std::make_unique<SafeOutput>(outputPath);
        if (std::string problem = itemFile->Claim(); !problem.empty()) throw OutputError(problem);
        const PlayList part = itemSelection ? SelectionPlayList(source, *itemSelection, nullptr) : WholeDiscPlayList(source);
        optionText = BuildTranscodeChain(settings, itemFile->WritingPath(), previewEnabled == 1, DiscFrameRate(source),
                                         SubtitleChoices(settings, part));
        itemOutputPath = outputPath;
    } catch (const std::exception& failure) {
        // The item cannot even be prepared: report it and end the job, not leave it waiting.
        const int code = errno;
        app.Services().messageBoxes->Show(this, Format(rip_text::kPrepareError, outputPath.c_str(), code), app.productName,
                                          MbButtons::Ok, MbIcon::Error, failure.what());
        if (itemNumber == 0) itemNumber = 1;  // the item counts as begun, so that giving it up ends the job
        AbandonItem(failure.what());
        return;
    }
    LaunchItem(locator, optionText);
}

void CRipperDlg::LaunchItem(const std::string& locator, const std::string& optionText)
{
    // Every item gets a fresh window and converter.
    previewDlg.reset();
    const std::vector<std::string> options = {optionText};
    try {
        previewDlg = std::make_unique<CPreviewDlg>(this, app.moduleFolder);
        if (previewEnabled == 1) previewDlg->show();
        previewDlg->vlcControl.addTarget(locator, options, 10, -666);
        if (progressTimerId == 0) progressTimerId = startTimer(kPollMs);
    } catch (const std::exception& refused) {  // refused by the converter, or no memory for it
        const int code = errno;
        retryCount = 0;
        app.Services().messageBoxes->Show(this, Format(rip_text::kLaunchError, code), app.productName, MbButtons::Ok,
                                          MbIcon::Error, refused.what());
        AbandonItem(refused.what());
    }
}

void CRipperDlg::AbandonItem(const std::string& reason)
{
    failureReason = reason;
    itemFile.reset();
    itemOutputPath.clear();
    retryCount = 0;
    ++itemNumber;
    SetProgress("0", "");
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    jobFailed = true;
    RipNextItem();
}

void CRipperDlg::PollRipProgress()
{
    CVLCControl* converter = Converter();
    if (!converter) {
        // The converter went away under a running poll.
        if (progressTimerId != 0) killTimer(progressTimerId);
        progressTimerId = 0;
        app.Services().messageBoxes->Show(this, Format(rip_text::kPollError, errno), app.productName, MbButtons::Ok,
                                          MbIcon::Error);
        AbandonItem(Format(rip_text::kPollError, errno));
        return;
    }
    const int time = converter->GetTime();
    const float position = converter->GetPosition();

    if (position < 0 && time < 0) {
        // The item has ended: done if it converted the whole disc into a file, else failed.
        killTimer(progressTimerId);
        progressTimerId = 0;
        converter->stop();
        converter->playlistClear();
        std::string failure = itemFile ? itemFile->Named(converter->Failure()) : converter->Failure();
        const bool converted = failure.empty() && itemFile && itemFile->WrittenBytes() > 0 && (progressSeen == 1 || converter->Advanced());
        if (converted) failure = itemFile->Commit();  // the file takes its name now
        if (converted && failure.empty()) {
            // A scratched disc gives what can be read, and says what it could not.
            movie->SetVariable(main_var::kDamage, DescribeDamage(converter->Damage()));
            CompleteItem();
            progressSeen = 0;
        } else if (converter->FailureIsFinal()) {
            // No attempt can mend it (an encrypted disc): said at once, and the job ends.
            app.Services().messageBoxes->Show(this, failure, rip_text::kRippingErrorCaption, MbButtons::Ok, MbIcon::Error);
            GiveUpItem(failure);
        } else {
            QThread::msleep(200);
            if (retryCount < kSilentRetries) {
                ++retryCount;
            } else if (app.Services().messageBoxes->Show(this, rip_text::kRippingError, rip_text::kRippingErrorCaption,
                                                         MbButtons::YesNo, MbIcon::Question,
                                                         failure.empty() ? rip_text::kNothingConverted : failure) == MbResult::Yes) {
                retryCount = -1;
            } else {
                GiveUpItem(failure.empty() ? rip_text::kNothingConverted : failure);
            }
        }
        SetProgress("0", "");
        RipNextItem();
    } else if (position > 0 && time > 0) {
        const int percent = static_cast<int>(position * 100);
        SetProgress(std::to_string(percent), rip_text::kRipping + std::to_string(percent) + "%");
        progressSeen = 1;
    }
}

void CRipperDlg::ShowWrittenFile(bool written)
{
    std::error_code error;
    const bool there = written && !itemOutputPath.empty() && fs::is_regular_file(itemOutputPath, error);
    movie->SetVariable(main_var::kOutputFile, there ? itemOutputPath : "");
}

void CRipperDlg::GiveUpItem(const std::string& reason)
{
    failureReason = reason;
    // What was converted is kept apart, never over the file at the name; the outcome names it.
    itemOutputPath = itemFile ? itemFile->KeepPartial() : std::string();
    itemFile.reset();
    retryCount = 0;
    ++itemNumber;
    jobFailed = true;
}

void CRipperDlg::CompleteItem()
{
    ++itemNumber;
    retryCount = 0;
}

void CRipperDlg::CompleteJob()
{
    movie->SetVariable(main_var::kStopButton, "1");
    if (previewEnabled == 1 && previewDlg) previewDlg->hide();
    ShowWrittenFile(true);
    movie->SetVariable(main_var::kFailure, jobFailed ? failureReason : "");
    SetProgress("100", jobFailed ? rip_text::kFailed : rip_text::kCompleted);
    if (ripping == 1) RunCompletionActions();
    ResetRip();
}

bool CRipperDlg::StopAndKeepFile()
{
    if (CVLCControl* converter = Converter()) converter->stop();
    const bool kept = itemFile && itemFile->WrittenBytes() > 0 && itemFile->Commit().empty();
    itemFile.reset();
    return kept;
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
    itemFile.reset();
    itemNumber = 0;
    retryCount = 0;
    ripping = 0;
    progressSeen = 0;
    jobFailed = false;
    LockDrive(false);
}

void CRipperDlg::ShutdownRip()
{
    if (progressTimerId != 0) killTimer(progressTimerId);
    progressTimerId = 0;
    itemNumber = -1;
    LockDrive(false);
}
