#pragma once
// The main window: the main movie with the Titles tree and Chapters list on
// it; disc loading at start, on request and when volumes come and go.
#include "dvd/dvd_source.h"
#include "dvd/title_views.h"
#include "settings/rip_settings.h"

#include <QBrush>
#include <QDialog>
#include <QIcon>

#include <cstdint>
#include <memory>
#include <string>

class CRipperApp;
class CShockwaveFlash;
class MountWatcher;
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
    void UpdateDvdInfoPanel();
    void ClearDvdInfoPanel();
    void OnDeviceArrival();
    void OnDeviceRemoval();
    void OnTitleTreeSelChanged();
    void OnChapterListClick(int x, int row);
    void ShowAboutBox();
    MountWatcher* DeviceWatcher() const { return deviceWatcher.get(); }
    // Escape and Enter anywhere, a right click or the menu key on the movie: swallowed.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The window's state, in the order it is built.
    RipSettings settings;
    DvdSource source;
    int progressSeen = 0;
    int itemNumber = 0;
    int progressTimerId = 0;
    std::string outputFolder;
    int16_t retryCount = 0;
    std::string itemOutputPath;
    int ripping = 0;
    int previewEnabled = 0;
    QBrush panelBrush;
    std::string selectedDrive;  // the chosen volume's device (or root); empty: none
    QLabel* titlesLabel;
    QLabel* chaptersLabel;
    ChapterListView* chapterList;
    TitleTreeView* titleTree;
    CShockwaveFlash* movie;
    QIcon appIcon;
    int startupTimerId = 0;
    ImageList titleImages;
    ImageList chapterImages;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void ShowWindowMenu();

    CRipperApp& app;
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
}  // namespace main_text
