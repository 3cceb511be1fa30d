// What each command of the main movie does.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"
#include "ui/title_tree.h"
#include "app/settings_dlg.h"
#include "dvd/disc_files.h"
#include "dvd/text_format.h"
#include "settings/setting_table.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"
#include "ui/window_placement.h"
#include "rip/stream_policy.h"

#include <QLabel>

#include <filesystem>

void CRipperDlg::OnFSCommand(const QString& command, const QString&)
{
    if (IsCommand(command, main_cmd::kHelp)) {
        ShowHelp();
    } else if (IsCommand(command, main_cmd::kAbout)) {
        // The movie's about panel shows where the lists are.
        for (QWidget* control : BrowserControls()) control->hide();
    } else if (IsCommand(command, main_cmd::kCloseAbout)) {
        for (QWidget* control : BrowserControls()) control->show();
    } else if (IsCommand(command, main_cmd::kMinimize)) {
        showMinimized();
    } else if (IsCommand(command, main_cmd::kQuit)) {
        ConfirmExit();
    } else if (IsCommand(command, main_cmd::kLoadDvd)) {
        LoadChosenDrive();
    } else if (IsCommand(command, main_cmd::kDrag)) {
        if (ripping == 0) app.Services().windowMover->StartMove(this);
    } else if (IsCommand(command, main_cmd::kSetting)) {
        RunSettingsDialog();
    } else if (IsCommand(command, main_cmd::kBrowse)) {
        BrowseOutputFolder();
        movie->SetVariable(main_var::kOutputDir, outputFolder);
    } else if (IsCommand(command, main_cmd::kStart)) {
        OnStartRip();
    } else if (IsCommand(command, main_cmd::kStop)) {
        OnStopRip();
    } else if (IsCommand(command, main_cmd::kOpenOutput)) {
        const std::string file = movie->GetVariable(main_var::kOutputFile);
        if (!file.empty()) OpenWithDesktop(std::filesystem::path(file).parent_path().string());
    } else if (IsCommand(command, main_cmd::kShowFailure)) {
        const std::string why = movie->GetVariable(main_var::kFailure);
        if (!why.empty()) app.Services().messageBoxes->Show(this, why, rip_text::kFailed, MbButtons::Ok, MbIcon::Error);
        ReturnFocus();
    }
}

void CRipperDlg::OpenWithDesktop(const std::string& path)
{
    if (!app.Services().shell->Open(path)) SayCannotOpen(path);
}

void CRipperDlg::ShowHelp()
{
    if (!app.OnHelp()) SayCannotOpen(app.HelpPage());
}

void CRipperDlg::SayCannotOpen(const std::string& path)
{
    app.Services().messageBoxes->Show(this, Format(main_text::kCannotOpen, path.c_str()), app.productName, MbButtons::Ok,
                                      MbIcon::Error);
    ReturnFocus();
}

std::array<QWidget*, 4> CRipperDlg::BrowserControls() const
{
    return {chapterList, titleTree, chaptersLabel, titlesLabel};
}

std::optional<std::string> CRipperDlg::BrowseForFolder(const std::string& title, const std::string& startFolder)
{
    return app.Services().fileDialogs->BrowseForFolder(this, title, startFolder);
}

void CRipperDlg::BrowseOutputFolder()
{
    if (auto folder = BrowseForFolder(command_text::kChooseOutputFolder, outputFolder)) outputFolder = *folder;
}

void CRipperDlg::LoadChosenDrive()
{
    auto folder = BrowseForFolder(command_text::kChooseDrive);
    if (!folder) return;
    // Any folder on a volume chooses that volume first; where that holds no
    // disc but the folder is one (or holds VIDEO_TS), the folder is loaded.
    auto volume = VolumeHolding(source.Volumes().List(), *folder);
    selectedDrive = volume ? VolumeId(*volume) : *folder;
    SetDriveDoor(selectedDrive, false);
    if (!source.FindDisc(selectedDrive) && !IsDiscImageOrDrive(*folder) && LocateDisc(*folder)) {
        LoadGivenSource(*folder);
        return;
    }
    LoadSourceFromDrive(selectedDrive, false);
}

void CRipperDlg::RunSettingsDialog()
{
    CentreOver(*settingsDlg, *this);
    if (settingsDlg->DoModal() == QDialog::Accepted) {
        // Every stored setting; `mux` is set by each rip.
        CopySettings(settings, settingsDlg->settings);
        ShowRipScope();
    }
    movie->SetVariable(main_var::kDisableArea, "1");
    ReturnFocus();
}

void CRipperDlg::ShowRipScope()
{
    movie->SetVariable(main_var::kEntire, settings.ripSelection == 1 ? "1" : "0");
    SetAnglesTickable(*titleTree, settings.ripSelection == 1);
    // What the rip does with the disc's streams, in a sentence or two.
    const std::string copy = CopyNote(settings), subtitles = SubtitleNote(settings);
    movie->SetVariable(main_var::kStreamsNote, copy + (copy.empty() || subtitles.empty() ? "" : " ") + subtitles);
}

void CRipperDlg::ConfirmExit()
{
    if (ripping == 1 && app.Services().messageBoxes->Show(this, command_text::kConfirmExit, command_text::kConfirmExitCaption,
                                                          MbButtons::OkCancel, MbIcon::None) != MbResult::Ok)
        return;
    EndProgram();
}

void CRipperDlg::reject()
{
    EndProgram();
}

void CRipperDlg::EndProgram()
{
    // The program ends once the rip's file is in place.
    StopAndKeepFile();
    ShutdownRip();
    accept();
}
