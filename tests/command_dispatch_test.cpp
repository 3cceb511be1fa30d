#include "app/preview_dlg.h"
#include "app/settings_dlg.h"
#include "tests/main_window_harness.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void Send(CRipperDlg& window, const char* command)
{
    window.Movie().Store().fscommand(command, "");
}

// Notes the order in which widgets are hidden or shown.
class VisibilityLog : public QObject {
public:
    explicit VisibilityLog(std::initializer_list<QWidget*> widgets)
    {
        for (QWidget* widget : widgets) widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Show) order.push_back(watched);
        return false;
    }
    std::vector<QObject*> order;
};

bool AllShown(CRipperDlg& window)
{
    return window.ChapterList().isVisible() && window.TitleTree().isVisible() && window.ChaptersLabel().isVisible() &&
           window.TitlesLabel().isVisible();
}

}  // namespace

TEST(CommandDispatchTest, HelpAboutMinimizeAndUnknownCommands)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch"))});
    CRipperDlg& window = harness.Window();
    Send(window, "id_fs_help");
    EXPECT_EQ(harness.standIns.shell->opened, std::vector<std::string>{harness.app->moduleFolder + "ripperhelp.html"});

    ChapterInfo* chapter = window.Source().currentChapter;
    VisibilityLog log({&window.ChapterList(), &window.TitleTree(), &window.ChaptersLabel(), &window.TitlesLabel()});
    const std::vector<QObject*> order = {&window.ChapterList(), &window.TitleTree(), &window.ChaptersLabel(), &window.TitlesLabel()};
    Send(window, "ID_FS_About");
    EXPECT_FALSE(window.ChapterList().isVisible() || window.TitleTree().isVisible() || window.ChaptersLabel().isVisible() ||
                 window.TitlesLabel().isVisible());
    EXPECT_EQ(log.order, order);
    log.order.clear();
    Send(window, "ID_FS_closeAbout");
    EXPECT_TRUE(AllShown(window));
    EXPECT_EQ(log.order, order);
    EXPECT_EQ(window.Source().currentChapter, chapter);  // the disc and selection untouched
    EXPECT_EQ(window.ChapterList().count(), 3);

    Send(window, "ID_FS_Unknown");
    Send(window, "");
    Send(window, "ID_FS_Help2");
    EXPECT_EQ(harness.standIns.shell->opened.size(), 1u);
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());

    Send(window, "ID_FS_MINIMIZE");
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
}

// A window whose rip runs for minutes: the preview converts at playing speed.
struct RippingWindow {
    RippingWindow() : harness({DiscVolume(TestDisc("pal-2min"), "RUNNING", "/dev/tarvok-test-sr0")})
    {
        harness.ChooseOutputFolder(ScratchFolder());
        harness.Window().Movie().SetVariable(main_var::kPreview, "true");
        harness.Window().OnStartRip();
    }
    MainWindowHarness harness;
};

TEST(CommandDispatchTest, DragMovesTheWindowOnlyWhenIdle)
{
    RippingWindow running;
    Send(running.harness.Window(), "Drag");
    EXPECT_TRUE(running.harness.standIns.mover->moved.empty());
    running.harness.Window().OnStopRip();
    Send(running.harness.Window(), "drag");
    EXPECT_EQ(running.harness.standIns.mover->moved, std::vector<QWidget*>{&running.harness.Window()});
}

TEST(CommandDispatchTest, QuitAsksOnlyWhileRipping)
{
    RippingWindow running;
    MainWindowHarness& harness = running.harness;
    CRipperDlg& window = harness.Window();
    harness.standIns.boxes->answers = {MbResult::Cancel};
    Send(window, "ID_FS_Quit");
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(harness.standIns.boxes->asked[0].text,
              "A DVD Ripping Process running. Are you sure you want to terminate current process and exit? ");
    EXPECT_EQ(harness.standIns.boxes->asked[0].caption, "Exit DVD Ripper");
    EXPECT_EQ(harness.standIns.boxes->asked[0].buttons, MbButtons::OkCancel);
    EXPECT_EQ(harness.standIns.boxes->asked[0].icon, MbIcon::None);
    EXPECT_TRUE(window.isVisible());

    window.OnStopRip();
    Send(window, "ID_FS_Quit");
    EXPECT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.itemNumber(), -1);  // the rip machinery is shut down
}

TEST(CommandDispatchTest, LoadDvdTakesTheVolumeOfTheChosenFolder)
{
    const std::string disc = TestDisc("ntsc-2vts");
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}});
    CRipperDlg& window = harness.Window();
    harness.standIns.volumes->volumes.push_back(DiscVolume(disc, "FILM", "/dev/tarvok-test-sr3"));

    harness.standIns.dialogs->folderAnswers = {std::nullopt};  // cancelled: nothing happens
    Send(window, "ID_FS_loadDVD");
    EXPECT_TRUE(harness.standIns.actions->empty());
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 0);

    // A folder inside the disc chooses its volume; the folder itself is not what is loaded.
    harness.standIns.dialogs->folderAnswers = {disc + "/VIDEO_TS"};
    Send(window, "ID_FS_loadDVD");
    EXPECT_EQ(harness.standIns.dialogs->folderTitles.back(), "Select DVD Drive.");
    EXPECT_EQ(window.SelectedDrive(), "/dev/tarvok-test-sr3");
    EXPECT_EQ(*harness.standIns.actions, (ActionLog{"door /dev/tarvok-test-sr3 close"}));
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 2);
    EXPECT_EQ(window.Source().GetVideoTsPath(), disc + "/VIDEO_TS");

    // A folder on a volume without a video DVD: only that volume is probed, and it has none.
    harness.standIns.dialogs->folderAnswers = {"/home"};
    harness.standIns.boxes->answers = {MbResult::Cancel};
    Send(window, "ID_FS_loadDVD");
    EXPECT_EQ(window.SelectedDrive(), "/dev/vda1");
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(harness.standIns.boxes->asked[0].buttons, MbButtons::RetryCancel);
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 2);  // left as it was
}

TEST(CommandDispatchTest, BrowseSetsTheOutputFolderEvenWhenCancelled)
{
    MainWindowHarness harness;
    CRipperDlg& window = harness.Window();
    const std::string before = window.OutputFolder();
    int told = 0;
    QObject::connect(&window.Movie().Store(), &MovieStore::changed, [&](const QString& name) { told += name == main_var::kOutputDir; });
    Send(window, "ID_FS_Browse");
    EXPECT_EQ(harness.standIns.dialogs->folderTitles.back(), "Select a Destintion Folder.");
    EXPECT_EQ(told, 1);
    EXPECT_EQ(harness.Variable(main_var::kOutputDir), before);

    harness.standIns.dialogs->folderAnswers = {"/srv/videos"};
    Send(window, "id_fs_browse");
    EXPECT_EQ(window.OutputFolder(), "/srv/videos");
    EXPECT_EQ(harness.Variable(main_var::kOutputDir), "/srv/videos");
}

TEST(CommandDispatchTest, SettingsAreTakenOnOkOnly)
{
    MainWindowHarness harness;
    CRipperDlg& window = harness.Window();
    window.SettingsWindow().settings.mux = "mov";  // the dialog's record: a rip sets the window's own
    // While the settings window runs, the user picks AVI with scale 0.5 and confirms.
    WhenSettingsOpen(window, [](CShockwaveFlash& flash) {
        flash.Store().set(settings_var::kVideoMethod, "6");
        flash.Store().fscommand(settings_cmd::kContainerChanged, "");
        flash.Store().set(settings_var::kVideoScale, "1");
        flash.Store().set(settings_var::kShutdown, "true");
        flash.Store().fscommand(settings_cmd::kOk, "");
    });
    Send(window, "ID_FS_setting");
    EXPECT_EQ(window.Settings().videoMethod, 6);
    EXPECT_EQ(window.Settings().videoScale, "0.5");
    EXPECT_EQ(window.Settings().videoCodec, "mp1v");
    EXPECT_EQ(window.Settings().shutdownWhenComplete, 1);
    EXPECT_EQ(window.Settings().mux, "");  // never copied
    EXPECT_EQ(harness.Variable(main_var::kDisableArea), "1");

    // Cancelled, or closed: the window keeps what it has.
    window.Movie().SetVariable(main_var::kDisableArea, "");
    for (const char* ending : {settings_cmd::kCancel, settings_cmd::kQuit}) {
        WhenSettingsOpen(window, [ending](CShockwaveFlash& flash) {
            flash.Store().set(settings_var::kVideoScale, "7");
            flash.Store().fscommand(ending, "");
        });
        Send(window, "ID_FS_setting");
        EXPECT_EQ(window.Settings().videoScale, "0.5") << ending;
        EXPECT_EQ(harness.Variable(main_var::kDisableArea), "1") << ending;
    }
}

TEST(CommandDispatchTest, StartAndStopReachTheRunner)
{
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}});
    CRipperDlg& window = harness.Window();
    harness.standIns.boxes->answers = {MbResult::Cancel};
    Send(window, "id_fs_start");
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(harness.standIns.boxes->asked[0].text, "DVD not found !. or There is no Video DVD present.");
    std::vector<std::string> texts;
    QObject::connect(&window.Movie().Store(), &MovieStore::changed, [&](const QString& name) {
        if (name == main_var::kProgressText) texts.push_back(window.Movie().GetVariable(main_var::kProgressText));
    });
    Send(window, "ID_FS_STOP");
    EXPECT_EQ(texts, (std::vector<std::string>{"Ripping Completed.", ""}));
}

TEST(CommandDispatchTest, SmallWindowCommandsAreIgnored)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch"))});
    CPreviewDlg preview(&harness.Window(), harness.app->moduleFolder, [] { return std::vector<uint8_t>(); });
    for (const char* command : {"ID_FS_Quit", "ID_FS_Start", "Drag", "ID_FS_Help"}) preview.flashControl->Store().fscommand(command, "");
    EXPECT_TRUE(harness.Window().isVisible());
    EXPECT_EQ(harness.Window().Ripping(), 0);
    EXPECT_TRUE(harness.standIns.mover->moved.empty());
    EXPECT_TRUE(harness.standIns.shell->opened.empty());
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());
}
