// The preview window in a real X server (run under xvfb-run with xcb),
// where the converter's pictures are drawn.
#include "app/preview_dlg.h"
#include "convert/vlc_control.h"
#include "tests/end_to_end.h"
#include "ui/file_dialogs.h"
#include "tests/main_window_harness.h"
#include "tests/media_probe.h"
#include "tests/screen_check.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"
#include "rip/transcode_chain.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QQuickItem>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Runs a rip of the short disc with the preview on or off, noting whether
// the preview window was ever seen on the screen.
struct PreviewRun {
    // With the preview the conversion runs at playing speed, so a short disc
    // will do; without it, it runs many times faster, and a disc converted
    // before the first poll would count as a failed attempt.
    explicit PreviewRun(bool preview)
        : harness({DiscVolume(TestDisc(preview ? "pal-3ch" : "pal-30s"), "SHORT", "/dev/tarvok-test-sr0")}),
          window(harness.Window())
    {
        fs::create_directories(ScratchFolder() + (preview ? "/with" : "/without"));
        harness.ChooseOutputFolder(ScratchFolder() + (preview ? "/with" : "/without"));
        window.Movie().SetVariable(main_var::kPreview, preview ? "TRUE" : "false");
        window.OnStartRip();
        for (int i = 0; i < 600 && window.Ripping(); ++i) {
            if (window.PreviewWindow() && window.PreviewWindow()->isVisible()) {
                seenVisible = true;
                placedAt = window.PreviewWindow()->geometry();
                pictureShownEarly |= window.PreviewWindow()->VideoWindow()->isVisible();
            }
            QTest::qWait(50);
        }
    }
    MainWindowHarness harness;
    CRipperDlg& window;
    bool seenVisible = false;
    bool pictureShownEarly = false;
    QRect placedAt;
};

}  // namespace

TEST(PreviewWindowTest, RunsOnX11)
{
    EXPECT_EQ(QGuiApplication::platformName(), "xcb");
}

TEST(PreviewWindowTest, PreviewOnShowsTheWindowAndHidesItAtTheEnd)
{
    PreviewRun run(true);
    ASSERT_EQ(run.window.Ripping(), 0);
    EXPECT_EQ(run.window.PreviewEnabled(), 1);
    EXPECT_TRUE(run.seenVisible);
    EXPECT_FALSE(run.pictureShownEarly);  // the picture waits ten seconds
    const QRect main = run.window.frameGeometry();
    EXPECT_EQ(run.placedAt.size(), QSize(150, 150));
    EXPECT_EQ(run.placedAt.left(), main.left());
    EXPECT_EQ(run.placedAt.top(), main.bottom() + 1);
    ASSERT_NE(run.window.PreviewWindow(), nullptr);
    EXPECT_FALSE(run.window.PreviewWindow()->isVisible());
    EXPECT_TRUE(run.harness.standIns.boxes->asked.empty());
    const MediaFacts facts = ProbeMedia(run.window.OutputFolder() + "/SHORT.mpg");
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_EQ(facts.audioStreams, 1);
    EXPECT_GT(facts.duration, 4.0);
}

TEST(PreviewWindowTest, PreviewOffNeverShowsTheWindow)
{
    PreviewRun run(false);
    ASSERT_EQ(run.window.Ripping(), 0);
    EXPECT_EQ(run.window.PreviewEnabled(), 0);
    EXPECT_FALSE(run.seenVisible);
    EXPECT_TRUE(run.harness.standIns.boxes->asked.empty());
    EXPECT_GT(ProbeMedia(run.window.OutputFolder() + "/SHORT.mpg").duration, 25.0);
}

TEST(PreviewWindowTest, PictureIsRevealedAfterTenSecondsAndKeysDoNothing)
{
    MainWindowHarness harness;
    const auto madeAt = std::chrono::steady_clock::now();  // the reveal timer starts as the window is made
    CVLCControl converter;
    CPreviewDlg preview(&harness.Window(), harness.app->moduleFolder, [&] { return converter.LatestPicture(); });
    converter.ShowPicturesIn(CPreviewDlg::kPictureWidth, CPreviewDlg::kPictureHeight, [&] {
        QMetaObject::invokeMethod(&preview, [&] { preview.PictureReady(); }, Qt::QueuedConnection);
    });
    preview.show();
    RipSettings settings;
    settings.mux = "ts";
    converter.addTarget("dvdsimple://" + TestDisc("pal-30s"), {BuildTranscodeChain(settings, ScratchFolder() + "/out.mpg", true, "25")}, 10, -666);
    EXPECT_FALSE(preview.VideoWindow()->isVisible());
    EXPECT_NE(preview.revealTimerId, 0);
    EXPECT_NE(preview.repaintTimerId, 0);
    QTest::keyClick(&preview, Qt::Key_Escape);
    QTest::keyClick(preview.flashControl, Qt::Key_Return);
    EXPECT_TRUE(preview.isVisible());
    // The reveal timer shows the picture, ten seconds on; never anything before it fires.
    bool pictureEarly = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            pictureEarly |= preview.revealTimerId != 0 && preview.VideoWindow()->isVisible();
            return preview.revealTimerId == 0;
        },
        30000));
    EXPECT_FALSE(pictureEarly);
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - madeAt).count(), 9.99);
    EXPECT_TRUE(preview.VideoWindow()->isVisible());
    EXPECT_EQ(preview.revealTimerId, 0);
    EXPECT_NE(preview.repaintTimerId, 0);

    // What the screen shows there is the disc's picture, steady: no black square, no blank frame.
    for (int sample = 0; sample < 6; ++sample) {
        QTest::qWait(250);
        // The picture is laid out wider than the window, which cuts it.
        const QRect picture = QRect(preview.VideoWindow()->mapToGlobal(QPoint(0, 0)), preview.VideoWindow()->size())
                                  .intersected(preview.frameGeometry());
        const QImage shown = QGuiApplication::primaryScreen()->grabWindow(0, picture.x(), picture.y(), picture.width(), picture.height()).toImage();
        const PixelCensus census = CensusOf(shown);
        EXPECT_LT(census.black, 0.05) << "sample " << sample;
        QSet<QRgb> colours;
        for (int y = 0; y < shown.height(); y += 4)
            for (int x = 0; x < shown.width(); x += 4) colours.insert(shown.pixel(x, y));
        EXPECT_GT(colours.size(), 20) << "sample " << sample;  // a moving test picture, not a plain area
    }
    converter.stop();
}

TEST(PreviewWindowTest, WholeProgramWithThePreviewOn)
{
    RunEndToEnd("pal-3ch", true);
}

// On the backend users get (OpenGL through Mesa), the main window keeps
// drawing its movie through a rip, with the preview and without.
TEST(DesktopTest, MainWindowKeepsDrawingThroughARip)
{
    for (bool preview : {false, true}) {
        SCOPED_TRACE(preview ? "preview on" : "preview off");
        MainWindowHarness harness({DiscVolume(TestDisc(preview ? "pal-3ch" : "pal-30s"), "SHORT", "/dev/tarvok-test-sr0")});
        CRipperDlg& window = harness.Window();
        fs::create_directories(ScratchFolder() + (preview ? "/with" : "/without"));
        harness.ChooseOutputFolder(ScratchFolder() + (preview ? "/with" : "/without"));
        window.Movie().SetVariable(main_var::kPreview, preview ? "true" : "false");
        auto looksRight = [&](const char* when) {
            QTest::qWait(300);
            const QImage shown = GrabFromScreen(window);
            shown.save(QString::fromStdString(ScratchFolder()) + "/" + (preview ? "preview-" : "") + when + ".png");
            const PixelCensus census = CensusOf(shown);
            EXPECT_LT(census.black, 0.01) << when;
            EXPECT_GT(census.blue, 0.3) << when;
            EXPECT_GT(census.gold, 0.005) << when;
        };
        looksRight("before");
        window.OnStartRip();
        for (int i = 0; i < 200 && window.Movie().GetVariable(main_var::kProgressText).rfind("Ripping...", 0) != 0; ++i) QTest::qWait(50);
        looksRight("during");
        for (int i = 0; i < 600 && window.Ripping(); ++i) QTest::qWait(50);
        ASSERT_EQ(window.Ripping(), 0);
        looksRight("after");
        // The outcome stays, with the file written; a click on it opens the file's folder.
        auto* text = window.Movie().rootObject()->findChild<QQuickItem*>("progressText");
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->property("text").toString(), "Ripping Completed  \u2014  SHORT.mpg");
        window.Movie().Store().fscommand(main_cmd::kOpenOutput, "");
        EXPECT_EQ(harness.standIns.shell->opened, std::vector<std::string>{window.OutputFolder()});
    }
}

// The settings window, the folder browsers and Save As open centred over the
// main window; Save As starts on the file type of the container.
TEST(DesktopTest, WindowsOpenOverTheMainWindow)
{
    MainWindowHarness harness;
    CRipperDlg& window = harness.Window();
    const QPoint centre = window.frameGeometry().center();
    QString filterShown;
    // Looks at the window that opens, then closes it.
    auto lookAt = [&](const char* what) {
        QTimer::singleShot(0, [&, what] {
            ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() && QApplication::activeModalWidget()->isVisible(); }, 10000)) << what;
            QWidget* opened = QApplication::activeModalWidget();
            const QPoint offset = opened->frameGeometry().center() - centre;
            EXPECT_LE(offset.manhattanLength(), 4) << what << ": at " << opened->frameGeometry().x() << ","
                                                   << opened->frameGeometry().y();
            if (auto* dialog = qobject_cast<QFileDialog*>(opened)) filterShown = dialog->selectedNameFilter();
            qobject_cast<QDialog*>(opened)->reject();
        });
    };
    lookAt("settings");
    window.Movie().Store().fscommand(main_cmd::kSetting, "");
    QtFileDialogs dialogs;
    lookAt("Select DVD Drive.");
    dialogs.BrowseForFolder(&window, command_text::kChooseDrive);
    for (const auto& [extension, filter] : {std::pair{".avi", "*.avi"}, {".asf", "*.asf *.wmv"}, {".mp4", "*.mp4"}}) {
        lookAt("Save As");
        dialogs.SaveAs(&window, ScratchFolder() + "/MY_MOVIE_new_", extension, rip_text::kSaveAsFilter);
        EXPECT_TRUE(filterShown.endsWith(QString("(") + filter + ")")) << filterShown.toStdString();
    }
}
