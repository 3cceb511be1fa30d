#pragma once
// The main window: the main movie with the Titles tree and Chapters list on
// it; disc loading at start, on request and when volumes come and go.
#include "dvd/dvd_source.h"
#include "dvd/disc_selection.h"
#include "rip/disc_lock.h"
#include "rip/rip_job.h"
#include "ui/title_views.h"
#include "settings/rip_settings.h"

#include <QBrush>
#include <QDialog>
#include <QIcon>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CPreviewDlg;
class CRipperApp;
class CSettingsDlg;
class CShockwaveFlash;
class MountWatcher;
class MovieWindowFilter;
class QLabel;
class QMenu;

class CRipperDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRipperDlg(CRipperApp& app);
    ~CRipperDlg() override;

    int DoModal();
    // Builds the window's face; DoModal runs it first. Tests call it before show().
    void OnInitDialog();

    // Probes `drive` (a volume's device or root; empty: every volume) for a
    // video DVD and loads it; asks Retry/Cancel unless quiet.
    void LoadSourceFromDrive(const std::string& drive, bool quiet);
    void LoadSourceFromPath(const std::string& path);
    // Loads a disc the user named (on the command line, or by dropping it):
    // a folder, an image or a drive; says why when it holds no video DVD.
    void LoadGivenSource(const std::string& path);
    // A disc a later launch handed over: the window comes to the front and
    // loads it, unless a rip runs.
    void OnSourceHandedOver(const std::string& path);
    void UpdateDvdInfoPanel();
    void ClearDvdInfoPanel();
    void OnDeviceArrival();
    void OnDeviceRemoval();
    void OnTitleTreeSelChanged();
    void OnChapterListClick(int x, int row);
    void ShowAboutBox();
    // After a window of its own closes: the keyboard comes back to this one.
    void ReturnFocus();
    // Opens a folder or document with the desktop's program, or the help
    // page; says so when nothing can.
    void OpenWithDesktop(const std::string& path);
    void ShowHelp();
    void SayCannotOpen(const std::string& path);

    // The rip job: the whole disc, or each ticked angle, an item converted
    // by the preview window's control and polled once a second.
    void OnStartRip();
    void OnStopRip();
    void PollRipProgress();
    // Launches the job's next item, or completes the job when none is left.
    void RipNextItem();
    void ResetRip();
    void ShutdownRip();

    // The main movie's commands.
    void OnFSCommand(const QString& command, const QString& args);
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& startFolder = {});
    void BrowseOutputFolder();
    // Ends the program, asking first while a rip runs.
    void ConfirmExit();
    // Ends the program without asking: a rip is stopped and its file finished
    // (SIGTERM, SIGHUP and Ctrl-C come here).
    void EndProgram();
    // The window manager's close (Alt+F4, a taskbar, a logout) ends the program as EndProgram does.
    void reject() override;

    // The drive of the loaded disc and the computer.
    int SetDriveDoor(const std::string& drive, bool open);
    bool LockDrive(bool prevent);
    void ShutdownComputer();
    void RunCompletionActions();
    MountWatcher* DeviceWatcher() const { return deviceWatcher.get(); }

    // What the window shows, and the state it shows, for those who look at
    // it (tests among them); it is changed only through its commands.
    CShockwaveFlash& Movie() const { return *movie; }
    TitleTreeView& TitleTree() const { return *titleTree; }
    ChapterListView& ChapterList() const { return *chapterList; }
    QLabel& TitlesLabel() const { return *titlesLabel; }
    QLabel& ChaptersLabel() const { return *chaptersLabel; }
    CPreviewDlg* PreviewWindow() const { return previewDlg.get(); }
    CSettingsDlg& SettingsWindow() const { return *settingsDlg; }
    const DvdSource& Source() const { return source; }
    const RipSettings& Settings() const { return settings; }
    const std::string& OutputFolder() const { return outputFolder; }
    const std::string& SelectedDrive() const { return selectedDrive; }
    // The runner's state: `ripping` 1 from Start until
    // the job is reset; the job's item (0 when idle, -1 once shut down) and
    // its silent retries, as the job has them.
    int Ripping() const { return ripping; }
    int PreviewEnabled() const { return previewEnabled; }
    int itemNumber() const;
    int16_t retryCount() const;
    bool Polling() const { return progressTimerId != 0; }
    bool StartupProbeDone() const { return startupTimerId == 0; }

protected:
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The window's state, in the order it is built.
    RipSettings settings;
    DvdSource source;
    int progressSeen = 0;
    std::unique_ptr<CPreviewDlg> previewDlg;  // made anew for every attempt
    int progressTimerId = 0;
    std::string outputFolder;
    std::unique_ptr<RipJob> job;  // while a rip runs
    DiscLock discLock;            // held while a rip runs, so that tarvok-rip watch leaves the disc alone
    int ripping = 0;
    int previewEnabled = 0;
    QBrush panelBrush;
    std::string selectedDrive;  // the chosen volume's device (or root); empty: none
    // The optical drive of the loaded disc, found as it loads: the only one
    // locked or ejected. Empty for an image or a disc folder elsewhere.
    std::string discDrive;
    int loadsBegun = 0;  // a load ends superseded when another began while it read
    std::string givenSource;    // a disc the user named; empty: discs are found on the volumes
    std::unique_ptr<CSettingsDlg> settingsDlg;
    QLabel* titlesLabel;
    QLabel* chaptersLabel;
    ChapterListView* chapterList;
    TitleTreeView* titleTree;
    CShockwaveFlash* movie;
    MovieWindowFilter* movieFilter;
    QIcon appIcon;
    int startupTimerId = 0;
    ImageList titleImages;
    ImageList chapterImages;


    void ShowWindowMenu();
    // The Chapters list, the Titles tree and their labels, in that order.
    std::array<QWidget*, 4> BrowserControls() const;
    // "Select DVD Drive.": the volume of the chosen folder, its tray closed, its disc loaded.
    void LoadChosenDrive();
    // Runs the settings window and takes its record on OK.
    void RunSettingsDialog();
    // Tells the movie whether Start rips the whole disc or the selection.
    void ShowRipScope();
    // The parts Start rips: the whole disc, or with the selection option
    // each ticked angle (else the browsed one) with its ticked chapters;
    // nothing, said in a box, when none is chosen.
    std::optional<std::vector<RipPart>> ChosenItems();
    // What the job tells, as this window shows it.
    JobEvents JobEventsOfWindow();
    // What the job stops to ask, as this window's boxes and dialogs; the answer goes back to it.
    void AnswerJob();
    // Something is at `path`: where to write instead, or nothing to skip the item.
    std::optional<WriteTo> AskOverwrite(const std::string& path);
    // After the job took a step: its progress shown and polled, or its end.
    void ShowJobStep();
    // The running attempt's progress on the bar; cleared once an attempt has ended.
    void ShowAttemptProgress();
    // Ends the job: the movie is told, the completion actions run while ripping.
    void CompleteJob();
    // Stops the job, whose converter finishes its file (an MP4 keeps its
    // index) on a thread of its own; what it converted then takes the file's
    // name. The window's events go on meanwhile. False when it had nothing.
    bool StopAndKeepFile();
    void SetProgress(const std::string& percent, const std::string& text);
    // Tells the movie the file the job wrote (none unless `written`), before its outcome.
    void ShowWrittenFile(bool written);
    // The optical drive that holds `disc` (a loaded disc's VIDEO_TS path, an
    // image or a drive); empty for an image, or a folder on any other volume.
    std::string DiscDriveOf(const std::string& disc) const;
    // The disc Start rips: the one the user named, else the one on the
    // chosen volume (any volume when none was chosen).
    std::optional<std::string> FindStartDisc();
    // A disc named by the user found where it lies (LocateDisc), or why not;
    // nothing when the window ended meanwhile.
    struct Located {
        std::optional<std::string> disc;
        std::string why;
    };
    std::optional<Located> LocateApart(const std::string& path);

    CRipperApp& app;
    bool shutDown = false;  // the rip machinery is shut down: the window goes
    QMenu* windowMenu;
    std::unique_ptr<MountWatcher> deviceWatcher;
};

namespace main_text {
inline constexpr char kAboutMenuEntry[] = "&About DVDRipper...";
inline constexpr char kDvdNotFound[] =
    "DVD not found !. or There is no Video DVD present.\n Try select Correct DVD drive from load button.";
inline constexpr char kInvalidDirectory[] = "Invalid directory !";
inline constexpr char kTitlesLabel[] = "Titles";
inline constexpr char kChaptersLabel[] = "Chapters";
inline constexpr char kOutputFolderName[] = "Converted Videos";
inline constexpr char kCannotOpen[] = "Nothing on this computer could open %s.";
inline constexpr char kBusyRipping[] = "A rip is running. Another disc can be loaded when it has ended or been stopped.";
}  // namespace main_text

namespace command_text {
inline constexpr char kChooseDrive[] = "Select DVD Drive.";
inline constexpr char kChooseOutputFolder[] = "Select a Destintion Folder.";
inline constexpr char kConfirmExit[] =
    "A DVD Ripping Process running. Are you sure you want to terminate current process and exit? ";
inline constexpr char kConfirmExitCaption[] = "Exit DVD Ripper";
}  // namespace command_text

namespace rip_text {
inline constexpr char kDvdNotFound[] = "DVD not found !. or There is no Video DVD present.";
// The file types of the Save As dialog, label and pattern pairs.
inline constexpr char kSaveAsFilter[] =
    "Movie File (*.mpg;*.mpeg;*.mpe)|*.mpg|Windows Media File (*.asf;*.wmv)|*.asf; *.wmv|Windows Video File "
    "(*.avi)|*.avi|Quick Time File (*.mov)|*.mov|Ogg File (*.ogg)|*.ogg|Ipod Supprted File (*.mp4)|*.mp4|Matroska File "
    "(*.mkv)|*.mkv|All Files (*.*)|*.*||";
inline constexpr char kOverwrite[] = "File Name:%s \nAlready Exist, overwrite [Yes/No]?";
inline constexpr char kOverwriteCaption[] = "File Already Exist";
inline constexpr char kRippingError[] = "Error in Ripping. \n\tYes:Try Again No:Finish.?";
inline constexpr char kRippingErrorCaption[] = "Error Ripping";
inline constexpr char kLaunchError[] = "Error Occur %d";
inline constexpr char kPrepareError[] = "Error Occur in Ripping File:%s %d";
inline constexpr char kRipping[] = "Ripping...";
inline constexpr char kCompleted[] = "Ripping Completed";
inline constexpr char kStopped[] = "Ripping Completed.";
inline constexpr char kFailed[] = "Ripping Failed";
inline constexpr char kSelectAngle[] =
    "Select an angle in Titles first: the settings say to rip only the selected angle and its ticked chapters.";
inline constexpr char kTickChapters[] =
    "Tick at least one chapter in Chapters first: the settings say to rip only the ticked chapters of the selected angle.";
inline constexpr char kDiscChanged[] =
    "The disc is not the one whose titles were shown: its titles are shown now. Select an angle and tick its chapters, then "
    "Start again.";
}  // namespace rip_text
