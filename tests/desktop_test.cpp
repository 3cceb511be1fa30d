// The main window as a new user meets it on an X11 desktop (run under
// xvfb-run with xcb and Qt's default Quick backend): discs handed over or
// chosen as folders, the outcome of a job, the keyboard, window manners.
#include "app/ripper_app.h"
#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"
#include "tests/main_window_harness.h"
#include "tests/media_probe.h"
#include "tests/movie_harness.h"
#include "tests/screen_check.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QApplication>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

// A runtime folder of the test's own, so that its instance lock and socket
// are its own; short, as a socket's path must be (the scratch folder's is too long).
struct OwnRuntimeFolder {
    OwnRuntimeFolder()
    {
        char name[] = "/tmp/tarvok-run.XXXXXX";
        path = mkdtemp(name);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(path));
    }
    ~OwnRuntimeFolder() { fs::remove_all(path); }
    std::string path;
};

// What has the keyboard: a native control's name, or the movie's item's.
std::string Focused(CRipperDlg& window)
{
    QWidget* widget = QApplication::focusWidget();
    if (widget == &window.TitleTree()) return "titleTree";
    if (widget == &window.ChapterList()) return "chapterList";
    if (widget != &window.Movie()) return "elsewhere";
    const QQuickItem* item = window.Movie().quickWindow()->activeFocusItem();
    return item ? item->objectName().toStdString() : "";
}

int VisibleFocusRings(const CShockwaveFlash& movie)
{
    int shown = 0;
    for (const QQuickItem* ring : movie.rootObject()->findChildren<QQuickItem*>("focusRing")) shown += ring->isVisible();
    return shown;
}

}  // namespace

// A second launch given a disc hands it to the running window and ends at
// once; while a rip runs the window keeps its disc and says why.
TEST(DesktopTest, ALaterLaunchHandsItsDiscToTheRunningWindow)
{
    const OwnRuntimeFolder runtime;
    MainWindowHarness harness({}, nullptr, {}, true);
    CRipperDlg& window = harness.Window();
    ASSERT_EQ(window.TitleTree().topLevelItemCount(), 0);
    ASSERT_NE(harness.app->instanceChannel, nullptr) << RunCommand("ls -la " + ShellQuote(runtime.path));
    auto launch = [&](const std::string& source) {
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path));
        second.setProcessEnvironment(environment);
        // A relative name counts from the launch's own folder.
        second.setWorkingDirectory(QString::fromStdString(fs::path(source).parent_path().string()));
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(QString(TARVOK_RUNTIME_DIR) + "/tarvok-dvd-ripper", {QString::fromStdString(fs::path(source).filename().string())});
        EXPECT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000)) << second.readAll().toStdString();
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        return second.exitCode();
    };
    const std::string disc = TestDisc("pal-two-languages");
    EXPECT_EQ(launch(disc), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.Source().GetVideoTsPath() == disc + "/VIDEO_TS"; }, 5000));
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, 5000));
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());

    // While a rip runs (here, while it asks about overwriting a file) a later launch's disc is refused.
    fs::create_directories(ScratchFolder() + "/out");
    std::ofstream(ScratchFolder() + "/out/dvdRip_Movie1.mpg") << "a file there";
    harness.ChooseOutputFolder(ScratchFolder() + "/out");
    int launched = -1;
    harness.standIns.boxes->onShow = [&](const AskedBox& box) {
        if (box.caption != rip_text::kOverwriteCaption) return;
        launched = launch(TestDisc("ntsc-2vts"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return harness.standIns.boxes->asked.size() > 1; }, 5000));
    };
    window.OnStartRip();
    EXPECT_EQ(launched, 0);
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 2u);
    EXPECT_EQ(harness.standIns.boxes->asked[1].text, main_text::kBusyRipping);
    EXPECT_EQ(window.Source().GetVideoTsPath(), disc + "/VIDEO_TS");
}

// The window manager's close (what Alt+F4, a taskbar's close or a logout
// send: WM_DELETE_WINDOW) while a rip runs: the program ends at once, and
// the rip's file is finished and kept under its name.
TEST(DesktopTest, AWindowClosedByTheWindowManagerKeepsItsRip)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-2min"), "CLOSED", "/dev/tarvok-test-sr0")});
    CRipperDlg& window = harness.Window();
    harness.ChooseOutputFolder(ScratchFolder() + "/out");
    window.Movie().SetVariable(main_var::kPreview, "1");  // at playing speed: closed long before its end
    window.OnStartRip();
    ASSERT_TRUE(QTest::qWaitFor([&] { return harness.Variable(main_var::kProgressText).starts_with("Ripping..."); }, 30000));
    int status = -1;
    const std::string said = RunCommand(
        "/usr/bin/python3 -c 'import sys\n"
        "from Xlib import X, display, protocol\n"
        "screen = display.Display()\n"
        "window = screen.create_resource_object(\"window\", int(sys.argv[1]))\n"
        "message = protocol.event.ClientMessage(window=window, client_type=screen.intern_atom(\"WM_PROTOCOLS\"),\n"
        "    data=(32, [screen.intern_atom(\"WM_DELETE_WINDOW\"), X.CurrentTime, 0, 0, 0]))\n"
        "window.send_event(message)\n"
        "screen.flush()' " + std::to_string(window.winId()) + " 2>&1",
        &status);
    ASSERT_EQ(status, 0) << said;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 30000));
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());
    EXPECT_GT(ProbeMedia(window.OutputFolder() + "/CLOSED.mpg", true).videoFrames, 0);
    EXPECT_FALSE(fs::exists(window.OutputFolder() + "/.CLOSED.mpg.tarvok"));
}

// A drive that never answers, as the fault shim makes one of a disc's
// files: while the window loads the disc, and while it opens it for a rip,
// it goes on answering, and SIGTERM (as Quit) ends the program at once.
TEST(DesktopTest, ADriveThatHangsFreezesNothing)
{
    const OwnRuntimeFolder runtime;
    const std::string image = ImageOfDisc("pal-3ch", "HANGING"), folder = CopyOfDisc("pal-3ch", "hanging");
    const struct {
        std::string what, source, file;
        bool start;  // the hang comes when Start opens the disc
    } cases[] = {
        {"loading an image", image, fs::path(image).filename().string(), false},
        {"opening a disc for its rip", folder, "VTS_01_1.VOB", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string blocked = ScratchFolder() + "/blocked";
        fs::remove(blocked);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : std::vector<std::pair<QString, std::string>>{
                 {"XDG_RUNTIME_DIR", runtime.path}, {"HOME", ScratchFolder()}, {"XDG_CONFIG_HOME", ScratchFolder() + "/config"},
                 {"LD_PRELOAD", TARVOK_FAULT_SHIM}, {"TARVOK_FAULT_FILE", c.file}, {"TARVOK_FAULT", "block"},
                 {"TARVOK_FAULT_FROM", "0"}, {"TARVOK_FAULT_TO", "100000000000"}, {"TARVOK_FAULT_MARK", blocked},
                 {"TARVOK_READ_TIMEOUT", "100000"}})
            environment.insert(name, QString::fromStdString(value));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QString(TARVOK_RUNTIME_DIR) + "/tarvok-dvd-ripper", {QString::fromStdString(c.source)});
        ASSERT_TRUE(program.waitForStarted(10000));
        if (c.start) {
            // The window loads the folder (its IFO files read well), then Start is clicked as a user would: on
            // the screen, at the button's place in the window (at 50, 50).
            ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(ScratchFolder() + "/Converted Videos"); }, 30000));
            int status = -1;
            bool started = false;
            for (int tries = 0; tries < 100 && !started; ++tries) {
                RunCommand("/usr/bin/python3 -c 'from Xlib import X, display\n"
                           "from Xlib.ext import xtest\n"
                           "screen = display.Display()\n"
                           "xtest.fake_input(screen, X.MotionNotify, x=318, y=124)\n"
                           "xtest.fake_input(screen, X.ButtonPress, 1)\n"
                           "xtest.fake_input(screen, X.ButtonRelease, 1)\n"
                           "screen.sync()' 2>&1",
                           &status);
                ASSERT_EQ(status, 0);
                started = QTest::qWaitFor([&] { return fs::exists(blocked); }, 300);
            }
            ASSERT_TRUE(started) << "Start was never pressed";
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(blocked); }, 30000));
        program.terminate();  // SIGTERM, as Quit without its question
        EXPECT_TRUE(program.waitForFinished(30000)) << "the window did not answer";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        if (program.state() != QProcess::NotRunning) program.kill(), program.waitForFinished();
    }
}

// "Select DVD Drive." on a folder that is a disc, on a volume that is none,
// loads the folder; the folder browsers open where they mean.
TEST(DesktopTest, AFolderDiscLoadsThroughSelectDvdDrive)
{
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}});
    CRipperDlg& window = harness.Window();
    const std::string disc = TestDisc("pal-3ch");
    harness.standIns.dialogs->folderAnswers = {disc};
    window.Movie().Store().fscommand(main_cmd::kLoadDvd, "");
    EXPECT_TRUE(harness.standIns.boxes->asked.empty()) << harness.standIns.boxes->asked[0].text;
    EXPECT_EQ(window.Source().GetVideoTsPath(), disc + "/VIDEO_TS");
    EXPECT_EQ(window.ChapterList().count(), 3);
    // A chapter's length is in its row's tooltip, in whole seconds as the angle's label (lsdvd: 1.8 s).
    EXPECT_EQ(window.ChapterList().item(0)->toolTip().toStdString(), "Length 00:00:01");
    window.Movie().Store().fscommand(main_cmd::kBrowse, "");
    EXPECT_EQ(harness.standIns.dialogs->folderStarts, (std::vector<std::string>{"", window.OutputFolder()}));
}

// A job that wrote nothing names no file; a failed one looks failed, and a
// click on it says why. "?" with nothing to open the help says so.
TEST(DesktopTest, OutcomesSayWhatTheJobDid)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-1s"), "ONE", "/dev/tarvok-test-sr0")});
    CRipperDlg& window = harness.Window();
    fs::create_directories(ScratchFolder() + "/out");
    harness.ChooseOutputFolder(ScratchFolder() + "/out");
    auto text = [&] { return MovieItem(window.Movie(), "progressText")->property("text").toString().toStdString(); };
    // The bar's colour on the screen, once it shows what `looks` asks (it glides to its width).
    auto barColour = [&](const std::function<bool(const QColor&)>& looks) {
        QColor shown;
        EXPECT_TRUE(QTest::qWaitFor([&] { return looks(shown = GrabFromScreen(window).pixelColor(100, 415)); }, 5000));
        return shown;
    };

    window.OnStartRip();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Ripping() == 0; }, 60000));
    EXPECT_EQ(text(), "Ripping Completed  \u2014  ONE.mpg");
    auto gold = [](const QColor& colour) { return colour.red() > 200 && colour.green() > 150 && colour.blue() < 120; };
    auto red = [](const QColor& colour) { return colour.red() > 2 * colour.green() && colour.red() > 120; };
    const QColor done = barColour(gold);
    EXPECT_TRUE(gold(done)) << done.name().toStdString();

    // No to overwriting, and the Save As cancelled: nothing was written.
    harness.standIns.boxes->answers = {MbResult::No};
    window.OnStartRip();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Ripping() == 0; }, 10000));
    EXPECT_EQ(text(), "Ripping Completed");

    // An output folder that cannot be: the job fails, in red, with its reason a click away.
    std::ofstream(ScratchFolder() + "/a-file") << "not a folder";
    harness.ChooseOutputFolder(ScratchFolder() + "/a-file");
    harness.standIns.boxes->asked.clear();
    window.OnStartRip();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Ripping() == 0; }, 10000));
    EXPECT_EQ(text(), "Ripping Failed");
    const QColor failed = barColour(red);
    EXPECT_TRUE(red(failed)) << failed.name().toStdString();
    const std::string reason = harness.Variable(main_var::kFailure);
    EXPECT_FALSE(reason.empty());
    harness.standIns.boxes->asked.clear();
    ClickMovieItem(window.Movie(), "outcomeArea");
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(harness.standIns.boxes->asked[0].text, reason);
    // The keyboard reaches the outcome after Browse..., and Space on it says why too.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, 5000));
    MovieItem(window.Movie(), "browseButton")->forceActiveFocus(Qt::TabFocusReason);
    window.Movie().setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(Focused(window), "outcomeArea");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 2u);
    EXPECT_EQ(harness.standIns.boxes->asked[1].text, reason);
    harness.standIns.boxes->asked.clear();

    harness.standIns.shell->canOpen = false;
    ClickMovieItem(window.Movie(), "helpButton");
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(harness.standIns.boxes->asked[0].text, "Nothing on this computer could open " + harness.app->HelpPage() + ".");
}

// Tab walks the movie, the Titles tree, the Chapters list and the output
// folder, with one focus mark; Space ticks the chapter under the caret.
TEST(DesktopTest, TheKeyboardReachesEveryControl)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch"))});
    CRipperDlg& window = harness.Window();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, 5000));
    MovieItem(window.Movie(), "loadButton")->forceActiveFocus(Qt::TabFocusReason);
    window.Movie().setFocus(Qt::TabFocusReason);
    std::vector<std::string> walk;
    for (int step = 0; step < 8; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk.push_back(Focused(window));
        // One mark: a ring on a movie item, or the list's own border.
        EXPECT_EQ(VisibleFocusRings(window.Movie()), walk.back().starts_with("title") || walk.back().starts_with("chapter") ? 0 : 1)
            << walk.back();
    }
    const std::vector<std::string> expected = {"settingsButton", "startButton", "previewSwitch", "titleTree",
                                               "chapterList",    "outputFolder", "browseButton", "helpButton"};
    // Stop is disabled without a rip, so Tab passes it.
    EXPECT_EQ(walk, expected);
    std::vector<std::string> back;
    for (int step = 0; step < 5; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        back.push_back(Focused(window));
    }
    EXPECT_EQ(back, (std::vector<std::string>{"browseButton", "outputFolder", "chapterList", "titleTree", "previewSwitch"}));

    window.ChapterList().setFocus(Qt::TabFocusReason);
    window.ChapterList().setCurrentRow(1);
    const unsigned before = window.ChapterList().ItemState(1);
    QTest::keyClick(&window.ChapterList(), Qt::Key_Space);
    EXPECT_NE(window.ChapterList().ItemState(1), before);
    QTest::keyClick(&window.ChapterList(), Qt::Key_Space);
    EXPECT_EQ(window.ChapterList().ItemState(1), before);
}

// Without a window manager nothing gives the keyboard back when a dialog
// closes: the program does, after its message boxes and file dialogs.
TEST(DesktopTest, TheKeyboardComesBackAfterEveryDialog)
{
    MainWindowHarness harness;
    CRipperDlg& window = harness.Window();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }, 5000));
    QtMessageBoxes boxes;
    QtFileDialogs dialogs;
    const std::pair<std::string, std::function<void()>> opened[] = {
        {"the overwrite question", [&] { boxes.Show(&window, "File Name:x \nAlready Exist, overwrite [Yes/No]?", "File Already Exist", MbButtons::YesNo, MbIcon::None, {}); }},
        {"Save As", [&] { dialogs.SaveAs(&window, ScratchFolder() + "/MY_MOVIE_new_", ".mpg", rip_text::kSaveAsFilter); }},
        {"the folder chooser", [&] { dialogs.BrowseForFolder(&window, command_text::kChooseDrive, ScratchFolder()); }},
    };
    for (const auto& [what, open] : opened) {
        SCOPED_TRACE(what);
        // Closed with Escape from inside its own loop, once it has the keyboard.
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() && QApplication::activeModalWidget()->isActiveWindow(); }, 5000));
            if (QWidget* dialog = QApplication::activeModalWidget()) QTest::keyClick(dialog, Qt::Key_Escape);
        });
        open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }, 5000));
    }
}

// A normal top-level window of one size (no maximize), not a modal dialog;
// the keyboard comes back to it after the about box.
TEST(DesktopTest, TheMainWindowIsAFixedNormalWindow)
{
    MainWindowHarness harness;
    CRipperDlg& window = harness.Window();
    EXPECT_EQ(window.minimumSize(), QSize(550, 440));
    EXPECT_EQ(window.maximumSize(), QSize(550, 440));
    Qt::WindowModality modality = Qt::ApplicationModal;
    std::string hints, state;
    bool activeAfterAbout = false;
    // Runs inside the window's own loop, once it is shown.
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        modality = window.windowHandle()->modality();
        const QString id = QString::number(window.winId());
        hints = RunCommand("xprop -id " + id.toStdString() + " WM_NORMAL_HINTS");
        state = RunCommand("xprop -id " + id.toStdString() + " _NET_WM_STATE _NET_WM_WINDOW_TYPE");
        // Inside the about box's loop: it is the modal window then.
        QTimer::singleShot(0, [&] {
            if (auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget())) about->accept();
        });
        window.ShowAboutBox();
        activeAfterAbout = QTest::qWaitFor([&] { return window.isActiveWindow(); }, 5000);
        window.accept();
    });
    window.DoModal();
    EXPECT_EQ(modality, Qt::NonModal);
    EXPECT_NE(hints.find("minimum size: 550 by 440"), std::string::npos) << hints;
    EXPECT_NE(hints.find("maximum size: 550 by 440"), std::string::npos) << hints;
    EXPECT_EQ(state.find("MODAL"), std::string::npos) << state;
    EXPECT_EQ(state.find("_NET_WM_WINDOW_TYPE_DIALOG"), std::string::npos) << state;
    EXPECT_TRUE(activeAfterAbout);
}
