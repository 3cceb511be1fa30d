// The preview window in a real X server (run under xvfb-run with xcb),
// where libvlc draws the picture it converts.
#include "app/preview_dlg.h"
#include "tests/end_to_end.h"
#include "tests/main_window_harness.h"
#include "tests/media_probe.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QGuiApplication>
#include <QTest>

#include <gtest/gtest.h>

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
        window.outputFolder = ScratchFolder() + (preview ? "/with" : "/without");
        fs::create_directories(window.outputFolder);
        window.movie->SetVariable(main_var::kPreview, preview ? "TRUE" : "false");
        window.OnStartRip();
        for (int i = 0; i < 600 && window.ripping; ++i) {
            if (window.previewDlg && window.previewDlg->isVisible()) {
                seenVisible = true;
                placedAt = window.previewDlg->geometry();
                pictureShownEarly |= window.previewDlg->VideoWindow()->isVisible();
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
    ASSERT_EQ(run.window.ripping, 0);
    EXPECT_EQ(run.window.previewEnabled, 1);
    EXPECT_TRUE(run.seenVisible);
    EXPECT_FALSE(run.pictureShownEarly);  // the picture waits ten seconds
    const QRect main = run.window.frameGeometry();
    EXPECT_EQ(run.placedAt.size(), QSize(150, 150));
    EXPECT_EQ(run.placedAt.left(), main.left());
    EXPECT_EQ(run.placedAt.top(), main.bottom() + 1);
    ASSERT_NE(run.window.previewDlg, nullptr);
    EXPECT_FALSE(run.window.previewDlg->isVisible());
    EXPECT_TRUE(run.harness.standIns.boxes->asked.empty());
    const MediaFacts facts = ProbeMedia(run.window.outputFolder + "/SHORT.mpg");
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_EQ(facts.audioStreams, 1);
    EXPECT_GT(facts.duration, 4.0);
}

TEST(PreviewWindowTest, PreviewOffNeverShowsTheWindow)
{
    PreviewRun run(false);
    ASSERT_EQ(run.window.ripping, 0);
    EXPECT_EQ(run.window.previewEnabled, 0);
    EXPECT_FALSE(run.seenVisible);
    EXPECT_TRUE(run.harness.standIns.boxes->asked.empty());
    EXPECT_GT(ProbeMedia(run.window.outputFolder + "/SHORT.mpg").duration, 25.0);
}

TEST(PreviewWindowTest, PictureIsRevealedAfterTenSecondsAndKeysDoNothing)
{
    MainWindowHarness harness;
    CPreviewDlg preview(&harness.Window(), harness.app->Vlc(), harness.app->moduleFolder);
    preview.show();
    EXPECT_FALSE(preview.VideoWindow()->isVisible());
    EXPECT_NE(preview.revealTimerId, 0);
    EXPECT_NE(preview.repaintTimerId, 0);
    QTest::keyClick(&preview, Qt::Key_Escape);
    QTest::keyClick(preview.flashControl, Qt::Key_Return);
    EXPECT_TRUE(preview.isVisible());
    QTest::qWait(9700);
    EXPECT_FALSE(preview.VideoWindow()->isVisible());
    QTest::qWait(600);
    EXPECT_TRUE(preview.VideoWindow()->isVisible());
    EXPECT_EQ(preview.revealTimerId, 0);
    EXPECT_NE(preview.repaintTimerId, 0);
}

TEST(PreviewWindowTest, WholeProgramWithThePreviewOn)
{
    RunEndToEnd("pal-3ch", true);
}
