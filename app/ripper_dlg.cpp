#include "app/ripper_dlg.h"
#include "rip/rip_job.h"

#include "app/about_dlg.h"
#include "app/instance_channel.h"
#include "app/ripper_app.h"
#include "ui/title_tree.h"
#include "platform/mount_watcher.h"
#include "app/preview_dlg.h"
#include "app/settings_dlg.h"
#include "ui/movie_vocabulary.h"
#include "ui/focus_chain.h"
#include "settings/setting_table.h"
#include "ui/movie_window_filter.h"
#include "ui/run_apart.h"
#include "ui/shockwave_flash.h"
#include "rip/disc_location.h"

#include <QLabel>
#include <QEventLoop>
#include <QMenu>
#include <QShortcut>
#include <QTimerEvent>

#include <filesystem>
#include <system_error>

namespace {

const QColor kPanelColour(0, 102, 153);
const QColor kItemTextColour(255, 204, 0);
const QColor kLabelTextColour(255, 255, 255);

// Places given in dialog units of the window's 8-point font.
QRect DialogUnits(double x, double y, double width, double height)
{
    return QRect(qRound(x * 1.5), qRound(y * 1.625), qRound(width * 1.5), qRound(height * 1.625));
}

std::string AboutText()
{
    return std::string(app_text::kProductName) +
           "\n Version  1.0.0.0"
           "\n Copyright (C) 2026 Tarvok"
           "\n All rights reserved."
           "\n Web site: <a href=\"https://tarvok.example/\">https://tarvok.example/</a>"
           "\n Contact mail: support@tarvok.example";
}

// The panels' look, given to the native lists and their labels only: set on
// the window it would reach every message box and file dialog it owns.
QString ListStyle(const QBrush& panel)
{
    return QString("QTreeWidget, QListWidget { background: %1; color: %2; border: 1px solid rgba(255, 204, 0, 90);"
                   " selection-background-color: #00496e; selection-color: #FFFFFF; font-size: 12px;"
                   " outline: 0; }"
                   "QTreeWidget::item:selected, QListWidget::item:selected { border: 1px solid %2; }"
                   // The movies' one mark of keyboard focus.
                   "QTreeWidget:focus, QListWidget:focus { border: 2px solid #FFFFFF; }"
                   // The indentation left of a selected row stays the panel's.
                   "QTreeWidget::branch:selected { background: %1; }"
                   "QScrollBar:vertical, QScrollBar:horizontal { background: #004d73; border: none; margin: 0; }"
                   "QScrollBar:vertical { width: 10px; } QScrollBar:horizontal { height: 10px; }"
                   "QScrollBar::handle { background: rgba(255, 204, 0, 160); border-radius: 4px; min-height: 24px;"
                   " min-width: 24px; margin: 1px; }"
                   "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
                   "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(panel.color().name(), kItemTextColour.name());
}

QString LabelStyle(const QBrush& panel)
{
    return QString("QLabel { color: %1; background: %2; font-size: 11px; font-weight: bold; padding-left: 2px; }")
        .arg(kLabelTextColour.name(), panel.color().name());
}

}  // namespace

CRipperDlg::CRipperDlg(CRipperApp& app)
    : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint), source(*app.Services().volumes), app(app)
{
    // The movie first: the native controls created after it lie above it.
    movie = new CShockwaveFlash(this);
    titlesLabel = new QLabel(main_text::kTitlesLabel, this);
    chaptersLabel = new QLabel(main_text::kChaptersLabel, this);
    titleTree = new TitleTreeView(this);
    chapterList = new ChapterListView(this);
    appIcon = QIcon();
    for (int size : {16, 32, 48, 64, 128, 256})
        appIcon.addFile(QString::fromStdString(app.moduleFolder) + QString("tarvok-dvd-ripper-%1.png").arg(size));
    titleImages = ImageList(QString::fromStdString(app.moduleFolder) + "title_images.png");
    chapterImages = ImageList(QString::fromStdString(app.moduleFolder) + "chapter_images.png");
    startupTimerId = 0;
    selectedDrive.clear();
    settings.SetDefaults();

    movie->setGeometry(0, 0, 550, 440);
    titlesLabel->setGeometry(DialogUnits(97, 78, 32, 7).adjusted(0, 0, 0, 2));
    chaptersLabel->setGeometry(DialogUnits(267, 77, 37, 8));
    titleTree->setGeometry(DialogUnits(96, 86, 162, 132));
    chapterList->setGeometry(DialogUnits(266, 86, 98, 132));

    settingsDlg = std::make_unique<CSettingsDlg>(app);
    connect(movie, &CShockwaveFlash::FSCommand, this, &CRipperDlg::OnFSCommand);
    connect(titleTree, &QTreeWidget::currentItemChanged, this, &CRipperDlg::OnTitleTreeSelChanged);
    connect(titleTree, &QTreeWidget::itemChanged, this, [](QTreeWidgetItem* row) { OnTitleTreeRowChanged(row); });
    connect(chapterList, &ChapterListView::rowClicked, this, &CRipperDlg::OnChapterListClick);

    windowMenu = new QMenu(this);
    connect(windowMenu->addAction(main_text::kAboutMenuEntry), &QAction::triggered, this, &CRipperDlg::ShowAboutBox);
    // A frameless window has no system menu: Alt+Space opens ours.
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this), &QShortcut::activated, this, &CRipperDlg::ShowWindowMenu);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, &CRipperDlg::ShowHelp);

    movieFilter = new MovieWindowFilter(this, movie);
    // Tab goes from the Preview switch to the lists, and from them to the output folder.
    new FocusChain(movie, {titleTree, chapterList}, "previewSwitch", "outputFolder");
    setAcceptDrops(true);
    movie->installEventFilter(this);
}

CRipperDlg::~CRipperDlg()
{
    // The window goes, however it was closed: a running rip keeps its file, the machinery stops, the drive is released.
    StopAndKeepFile();
    ShutdownRip();
    deviceWatcher.reset();
}

int CRipperDlg::DoModal()
{
    OnInitDialog();
    // Run as a normal window, not a modal dialog: nothing else is there to
    // block, and window managers would mark it modal.
    show();
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::exit);
    return loop.exec();
}

void CRipperDlg::OnInitDialog()
{
    setWindowIcon(appIcon);
    setGeometry(50, 50, 550, 440);
    // One size, as the movie is drawn: a window manager offers no maximize then.
    setFixedSize(550, 440);
    setWindowTitle(QString::fromStdString(app.productName));
    // The panels' brush: the lists' and labels' background.
    panelBrush = QBrush(kPanelColour);
    for (QWidget* list : std::initializer_list<QWidget*>{titleTree, chapterList}) list->setStyleSheet(ListStyle(panelBrush));
    for (QLabel* label : {titlesLabel, chaptersLabel}) {
        label->setStyleSheet(LabelStyle(panelBrush));
        // As large as its text needs: a legible label is larger than the place laid out for it.
        label->resize(label->size().expandedTo(label->sizeHint()));
    }
    titleTree->SetImageList(titleImages);
    chapterList->SetStateImageList(chapterImages);
    startupTimerId = startTimer(5);

    movie->SetMovie(app.moduleFolder + movie_file::kMain);
    const char* home = std::getenv("HOME");
    outputFolder = (std::filesystem::path(home ? home : "") / main_text::kOutputFolderName).string();
    std::error_code ignored;
    std::filesystem::create_directories(outputFolder, ignored);
    movie->SetVariable(main_var::kOutputDir, outputFolder);
    movie->SetVariable(main_var::kMovieClip, "1");
    movie->SetVariable(main_var::kEntire, "0");
    movie->SetVariable(main_var::kAboutText, AboutText());
    LoadSettings(settings, app.Profile(), app.codecsIniPath);
    ShowRipScope();
    movie->SetVariable(main_var::kPreview, "false");
    ClearDvdInfoPanel();

    if (app.instanceChannel)
        connect(app.instanceChannel.get(), &InstanceChannel::sourceGiven, this, &CRipperDlg::OnSourceHandedOver, Qt::UniqueConnection);

    deviceWatcher = std::make_unique<MountWatcher>(*app.Services().volumes, app.Services().mountTablePath);
    connect(deviceWatcher.get(), &MountWatcher::volumeArrived, this, &CRipperDlg::OnDeviceArrival);
    connect(deviceWatcher.get(), &MountWatcher::volumeRemoved, this, &CRipperDlg::OnDeviceRemoval);
}

void CRipperDlg::timerEvent(QTimerEvent* event)
{
    if (progressTimerId != 0 && event->timerId() == progressTimerId) PollRipProgress();
    if (startupTimerId != 0) {
        killTimer(startupTimerId);
        // Zero first: the load lets other events of the window in while it reads.
        startupTimerId = 0;
        // A disc named on the command line instead of the probe.
        if (app.givenSource.empty())
            LoadSourceFromDrive("", true);
        else
            LoadGivenSource(app.givenSource);
    }
    QDialog::timerEvent(event);
}

void CRipperDlg::LoadSourceFromDrive(const std::string& drive, bool quiet)
{
    while (!source.FindDisc(drive)) {
        if (quiet) return;
        if (app.Services().messageBoxes->Show(this, main_text::kDvdNotFound, app.productName, MbButtons::RetryCancel,
                                              MbIcon::Error) != MbResult::Retry)
            return;
    }
    givenSource.clear();
    LoadSourceFromPath(source.GetVideoTsPath());
}

void CRipperDlg::LoadSourceFromPath(const std::string& path)
{
    // Read apart from the window, which a drive that hangs would freeze; a later load supersedes this one.
    const int load = ++loadsBegun;
    const std::vector<Volume> volumes = source.Volumes().List();
    auto loaded = RunApart<std::unique_ptr<LoadedDisc>>(*this, [path, volumes] { return DvdSource::Read(path, volumes); });
    if (!loaded || load != loadsBegun) return;
    source.Adopt(std::move(*loaded));
    discDrive = DiscDriveOf(source.GetVideoTsPath());
    // Another disc: the outcome of the last one is no longer shown.
    movie->SetVariable(main_var::kOutputFile, "");
    movie->SetVariable(main_var::kDiscLabel, DiscLabel(source.GetVideoTsPath(), source.Volumes().List(),
                                                       source.Files() ? source.Files()->VolumeLabel() : std::string()));
    const bool filled = FillTitleTree(source, *titleTree);
    // With the selection option each angle has a box: every ticked one is ripped.
    SetAnglesTickable(*titleTree, settings.ripSelection == 1);
    if (filled) return;
    OnTitleTreeSelChanged();
    app.Services().messageBoxes->Show(this, main_text::kInvalidDirectory, app.productName, MbButtons::Ok, MbIcon::Error);
}

void CRipperDlg::OnTitleTreeSelChanged()
{
    OnTitleTreeSelection(source, *titleTree);
    FillChapterList(source, *chapterList);
    UpdateDvdInfoPanel();
}

void CRipperDlg::OnChapterListClick(int x, int row)
{
    // Left of 14 pixels lies the check picture.
    if (x < 14) {
        ToggleChapter(source, row, chapterList->ItemState(row));
        RefreshChapterChecks(source, *chapterList);
    }
    ReadChapterSelection(source, *chapterList);
}

void CRipperDlg::OnDeviceArrival()
{
    LoadSourceFromDrive("", false);
}

void CRipperDlg::OnDeviceRemoval()
{
    // A disc the user named stays while it is there: the volume that went was another.
    if (!givenSource.empty() && LocateDisc(givenSource)) return;
    source.ClearSource();
    // A running rip keeps its drive, to unlock or eject it at its end.
    if (ripping == 0) discDrive.clear();
    movie->SetVariable(main_var::kOutputFile, "");
    {
        const QSignalBlocker quietTree(titleTree);
        titleTree->clear();
        const QSignalBlocker quietList(chapterList);
        chapterList->clear();
    }
    ClearDvdInfoPanel();
    OnTitleTreeSelection(source, *titleTree);
    FillChapterList(source, *chapterList);
}

void CRipperDlg::ShowAboutBox()
{
    CAboutDlg(this, appIcon).exec();
    // Without a window manager nothing gives the keyboard back.
    ReturnFocus();
}

void CRipperDlg::ReturnFocus()
{
    activateWindow();
    movie->setFocus(Qt::OtherFocusReason);
}

void CRipperDlg::ShowWindowMenu()
{
    windowMenu->popup(mapToGlobal(QPoint(0, 0)));
}
