#include "settings/setting_table.h"
#include "tests/movie_harness.h"
#include "ui/movie_vocabulary.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Commands = std::vector<std::pair<QString, QString>>;

const char kAbout[] =
    "Tarvok DVD Ripper\n Version  1.0.0.0\n Copyright (C) 2026 Tarvok\n All rights reserved.\n"
    " Web site: <a href=\"https://tarvok.example\">tarvok.example</a>\n Contact mail: help@tarvok.example";

void ShowSampleDisc(CShockwaveFlash& flash)
{
    flash.SetVariable(main_var::kOutputDir, "/home/user/Converted Videos");
    flash.SetVariable(main_var::kMovieClip, "1");
    flash.SetVariable(main_var::kEntire, "0");
    flash.SetVariable(main_var::kAboutText, kAbout);
    flash.SetVariable(main_var::kPreview, "false");
    flash.SetVariable(main_var::kCoding, "MPEG 2");
    flash.SetVariable(main_var::kTvSystem, "PAL");
    flash.SetVariable(main_var::kAspect, "16:9");
    flash.SetVariable(main_var::kPanScan, "yes");
    flash.SetVariable(main_var::kResolution, "720x576");
    flash.SetVariable(main_var::kLetterbox, "not auto");
    flash.SetVariable(main_var::kFilmMode, "film");
    flash.SetVariable(main_var::kVolume, "1/1");
    flash.SetVariable(main_var::kRegion, "2");
    flash.SetVariable(main_var::kSubtitles, "en, fr");
}

// The bar glides to its width: true once it is there.
bool GlidesTo(QQuickItem* bar, double width)
{
    return QTest::qWaitFor([&] { return std::abs(bar->width() - width) < 1.0; }, 5000);
}

}  // namespace

TEST(MovieTest, EachMovieLoadsWithoutErrors)
{
    for (auto [file, size] : {std::pair{movie_file::kMain, QSize(550, 440)}, std::pair{movie_file::kSettings, QSize(359, 466)},
                              std::pair{movie_file::kSmallWindow, QSize(150, 150)}}) {
        MovieHarness movie(file, size);
        EXPECT_EQ(movie.Flash().status(), QQuickWidget::Ready) << file;
        EXPECT_TRUE(movie.Flash().errors().isEmpty()) << file;
        EXPECT_TRUE(movie.warnings.isEmpty()) << file << ": " << movie.warnings.join("\n").toStdString();
        ASSERT_NE(movie.Flash().rootObject(), nullptr);
        EXPECT_EQ(movie.Flash().rootObject()->width(), size.width());
    }
}

TEST(MovieTest, MissingMovieIsOnlyLogged)
{
    CShockwaveFlash flash;
    flash.SetMovie("/nonexistent/dvdRipper.qml");
    EXPECT_EQ(flash.status(), QQuickWidget::Error);
    flash.SetVariable(main_var::kOutputDir, "/tmp");  // the store works without a movie
    EXPECT_EQ(flash.GetVariable(main_var::kOutputDir), "/tmp");
    EXPECT_EQ(flash.GetVariable("_root.never"), "");
}

TEST(MovieTest, MainMovieShowsTheProgramsVariables)
{
    MovieHarness movie(movie_file::kMain, QSize(550, 440));
    ShowSampleDisc(movie.Flash());
    movie.Flash().SetVariable(main_var::kProgress, "42");
    movie.Flash().SetVariable(main_var::kProgressText, "Ripping...42%");
    movie.Settle();

    EXPECT_EQ(movie.Text("outputDirText"), "/home/user/Converted Videos");
    const std::pair<const char*, const char*> facts[] = {
        {main_var::kRegion, "2"},        {main_var::kVolume, "1/1"},       {main_var::kTvSystem, "PAL"},
        {main_var::kAspect, "16:9"},     {main_var::kResolution, "720x576"}, {main_var::kPanScan, "yes"},
        {main_var::kLetterbox, "not auto"}, {main_var::kFilmMode, "film"}, {main_var::kCoding, "MPEG 2"},
        {main_var::kSubtitles, "en, fr"},
    };
    for (auto [variable, shown] : facts) EXPECT_EQ(movie.Text(QString("fact:") + variable), shown) << variable;
    EXPECT_EQ(movie.Text("progressText"), "Ripping...42%");
    QQuickItem* fill = movie.Item("progressFill");
    EXPECT_TRUE(GlidesTo(fill, (526 - 4) * 0.42)) << fill->width();
    EXPECT_TRUE(movie.Item("scopeNote")->isVisible());
    EXPECT_FALSE(movie.Item("previewSwitch")->property("checked").toBool());
    movie.Screenshot("main-movie.png");

    // A folder in the home folder reads "~/..."; a name that looks like markup is shown as it is.
    movie.Flash().SetVariable(main_var::kOutputDir, QDir::homePath().toStdString() + "/Converted <b>Videos</b>");
    movie.Settle();
    EXPECT_EQ(movie.Text("outputDirText"), "~/Converted <b>Videos</b>");
    EXPECT_EQ(movie.Item("outputDirText")->property("textFormat").toInt(), Qt::PlainText);

    // Cleared texts show nothing.
    movie.Flash().SetVariable(main_var::kRegion, "");
    movie.Flash().SetVariable(main_var::kProgressText, "");
    movie.Settle();
    EXPECT_EQ(movie.Text("fact:_root.region"), "");
    EXPECT_EQ(movie.Text("progressText"), "");

    // The about panel shows the about text with its link.
    movie.Click("aboutButton");
    EXPECT_TRUE(movie.Item("aboutPanel")->isVisible());
    EXPECT_TRUE(movie.Text("aboutText").contains("<a href=\"https://tarvok.example\">"));
    EXPECT_TRUE(movie.Text("aboutText").startsWith("Tarvok DVD Ripper<br> Version  1.0.0.0"));
    movie.Screenshot("main-movie-about.png");
}

// The program's sequence at the end of a job: Stop enabled again, the file,
// "100" and the outcome, then the cleared bar. The movie keeps showing the
// outcome and the file, full, until the next Start or another disc.
TEST(MovieTest, MainMovieHoldsTheOutcomeUntilTheNextStartOrDisc)
{
    MovieHarness movie(movie_file::kMain, QSize(550, 440));
    CShockwaveFlash& flash = movie.Flash();
    auto endJob = [&](const char* file, const char* outcome) {
        flash.SetVariable(main_var::kStopButton, "0");
        flash.SetVariable(main_var::kProgress, "63");
        flash.SetVariable(main_var::kProgressText, "Ripping...63%");
        flash.SetVariable(main_var::kStopButton, "1");
        flash.SetVariable(main_var::kOutputFile, file);
        flash.SetVariable(main_var::kProgress, "100");
        flash.SetVariable(main_var::kProgressText, outcome);
        flash.SetVariable(main_var::kProgress, "0");
        flash.SetVariable(main_var::kProgressText, "");
        movie.Settle();
    };
    const struct {
        const char* file;
        const char* outcome;
        QString shown;
        bool opens;
    } endings[] = {
        {"/home/user/Converted Videos/MY_MOVIE.mpg", "Ripping Completed", "Ripping Completed  \u2014  MY_MOVIE.mpg", true},
        {"/home/user/Converted Videos/MY_MOVIE.mp4", "Ripping Completed.", "Ripping Completed.  \u2014  MY_MOVIE.mp4", true},
        {"", "Ripping Failed", "Ripping Failed", false},
    };
    for (const auto& ending : endings) {
        endJob(ending.file, ending.outcome);
        EXPECT_EQ(movie.Text("progressText"), ending.shown);
        EXPECT_TRUE(GlidesTo(movie.Item("progressFill"), 526 - 4)) << movie.Item("progressFill")->width();
        movie.commands.clear();
        movie.Click("outcomeArea");
        EXPECT_EQ(movie.commands.size(), ending.opens ? 1u : 0u);
        if (ending.opens) {
            EXPECT_EQ(movie.commands.front().first, "ID_FS_openOutput");
        }
    }
    // Another disc lets the outcome go, and so does the next Start.
    flash.SetVariable(main_var::kOutputFile, "");
    movie.Settle();
    EXPECT_EQ(movie.Text("progressText"), "");
    endJob("/out/A.avi", "Ripping Completed");
    flash.SetVariable(main_var::kStopButton, "0");
    movie.Settle();
    EXPECT_EQ(movie.Text("progressText"), "");
}

TEST(MovieTest, MainMovieButtonsSendTheirCommands)
{
    MovieHarness movie(movie_file::kMain, QSize(550, 440));
    ShowSampleDisc(movie.Flash());
    movie.Flash().SetVariable(main_var::kStopButton, "1");
    movie.Settle();
    const std::pair<const char*, const char*> buttons[] = {
        {"helpButton", main_cmd::kHelp},       {"minimizeButton", main_cmd::kMinimize}, {"quitButton", main_cmd::kQuit},
        {"loadButton", main_cmd::kLoadDvd},    {"startButton", main_cmd::kStart},       {"browseButton", main_cmd::kBrowse},
        {"outputDirText", main_cmd::kBrowse},  {"dragArea", main_cmd::kDrag},           {"aboutButton", main_cmd::kAbout},
        {"closeAboutButton", main_cmd::kCloseAbout}, {"settingsButton", main_cmd::kSetting},
    };
    for (auto [button, command] : buttons) {
        movie.commands.clear();
        movie.Click(button);
        EXPECT_EQ(movie.commands, (Commands{{command, ""}})) << button;
    }
    // Idle: Stop is off. While the settings window is open, the controls wait for it.
    EXPECT_FALSE(movie.Enabled("stopButton"));
    EXPECT_FALSE(movie.Enabled("startButton"));
    movie.commands.clear();
    movie.Click("startButton");
    EXPECT_TRUE(movie.commands.empty());
    movie.Flash().SetVariable(main_var::kDisableArea, "1");
    movie.Settle();
    EXPECT_TRUE(movie.Enabled("startButton"));

    // A rip runs: Stop works, Start and Load wait.
    movie.Flash().SetVariable(main_var::kStopButton, "0");
    movie.Settle();
    EXPECT_FALSE(movie.Enabled("startButton"));
    EXPECT_FALSE(movie.Enabled("loadButton"));
    movie.commands.clear();
    movie.Click("stopButton");
    movie.Click("startButton");
    EXPECT_EQ(movie.commands, (Commands{{main_cmd::kStop, ""}}));
    movie.Flash().SetVariable(main_var::kStopButton, "1");
    movie.Settle();
    EXPECT_FALSE(movie.Enabled("stopButton"));
    EXPECT_TRUE(movie.Enabled("loadButton"));

    // The preview switch writes its state for the program to read.
    movie.Click("previewSwitch");
    EXPECT_EQ(movie.Flash().GetVariable(main_var::kPreview), "true");
    movie.Click("previewSwitch");
    EXPECT_EQ(movie.Flash().GetVariable(main_var::kPreview), "false");
}

TEST(MovieTest, SettingsMovieListsChoicesAndSendsCommands)
{
    MovieHarness movie(movie_file::kSettings, QSize(359, 466));
    CShockwaveFlash& flash = movie.Flash();
    flash.SetVariable(settings_var::kOverwriting, "0");
    flash.SetVariable(settings_var::kShutdown, "0");
    flash.SetVariable(settings_var::kOpenFolder, "1");
    flash.SetVariable(settings_var::kLockDvd, "1");
    flash.SetVariable(settings_var::kEjectDvd, "0");
    flash.SetVariable(settings_var::kVideoMethodList, "MPEG TS|MPEG PS|MPEG1|ASF|MP4|MOV|AVI|OGG|MKV");
    flash.SetVariable(settings_var::kVideoBitrateList, "3072|2048|1024|768");
    flash.SetVariable(settings_var::kVideoScaleList, "0.25|0.5|0.75|1|1.25");
    flash.SetVariable(settings_var::kAudioBitrateList, "512|256|192|128");
    flash.SetVariable(settings_var::kAudioChannelList, "1|2");
    flash.SetVariable(settings_var::kAudioRateList, "48000|44100|22500|11250");
    flash.SetVariable(settings_var::kVideoMethod, "0");
    flash.SetVariable(settings_var::kVideoCodecList, "mp1v|mp2v|h264");
    flash.SetVariable(settings_var::kAudioCodecList, "mpga|mp3|");
    flash.SetVariable(settings_var::kAudioCodec, "0");
    flash.SetVariable(settings_var::kAudioBitrate, "3");
    flash.SetVariable(settings_var::kAudioChannel, "1");
    flash.SetVariable(settings_var::kAudioRate, "0");
    flash.SetVariable(settings_var::kVideoCodec, "0");
    flash.SetVariable(settings_var::kVideoBitrate, "2");
    flash.SetVariable(settings_var::kVideoScale, "3");
    movie.Settle();
    // Nothing is listed before the program says its lists are ready.
    EXPECT_EQ(movie.Item("containerChoice")->property("count").toInt(), 0);
    flash.SetVariable(settings_var::kAudioReady, "1");
    flash.SetVariable(settings_var::kVideoReady, "1");
    movie.Settle();

    EXPECT_EQ(movie.Item("containerChoice")->property("count").toInt(), 9);
    EXPECT_EQ(movie.Item("audioCodecChoice")->property("count").toInt(), 2);  // a trailing "|" adds nothing
    EXPECT_EQ(movie.Item("videoBitrateChoice")->property("currentText").toString(), "1024");
    EXPECT_EQ(movie.Item("videoScaleChoice")->property("currentText").toString(), "1");
    EXPECT_EQ(movie.Item("audioChannelChoice")->property("currentText").toString(), "2");
    EXPECT_EQ(movie.Item("audioRateChoice")->property("currentText").toString(), "48000");
    EXPECT_TRUE(movie.Item("lockFlag")->property("checked").toBool());
    EXPECT_TRUE(movie.Item("outputFlag")->property("checked").toBool());
    EXPECT_FALSE(movie.Item("shutdownFlag")->property("checked").toBool());
    movie.Screenshot("settings-movie.png");

    // Choices come back as index texts; a new container asks for its codecs.
    movie.Item("containerChoice")->forceActiveFocus();
    QTest::keyClick(&flash, Qt::Key_Down);
    movie.Settle();
    EXPECT_EQ(flash.GetVariable(settings_var::kVideoMethod), "1");
    EXPECT_EQ(movie.commands, (Commands{{settings_cmd::kContainerChanged, ""}}));
    movie.Item("audioRateChoice")->forceActiveFocus();
    QTest::keyClick(&flash, Qt::Key_Down);
    QTest::keyClick(&flash, Qt::Key_Down);
    movie.Settle();
    EXPECT_EQ(flash.GetVariable(settings_var::kAudioRate), "2");
    // The program may change a choice (a new container resets the codecs).
    flash.SetVariable(settings_var::kVideoCodec, "2");
    movie.Settle();
    EXPECT_EQ(movie.Item("videoCodecChoice")->property("currentText").toString(), "h264");

    movie.Click("shutdownFlag");
    movie.Click("lockFlag");
    EXPECT_EQ(flash.GetVariable(settings_var::kShutdown), "true");
    EXPECT_EQ(flash.GetVariable(settings_var::kLockDvd), "false");

    const std::pair<const char*, const char*> buttons[] = {
        {"okButton", settings_cmd::kOk}, {"cancelButton", settings_cmd::kCancel},
        {"quitButton", settings_cmd::kQuit}, {"dragArea", settings_cmd::kDrag}};
    for (auto [button, command] : buttons) {
        movie.commands.clear();
        movie.Click(button);
        EXPECT_EQ(movie.commands, (Commands{{command, ""}})) << button;
    }
}

TEST(MovieTest, CommandsCompareWithoutCase)
{
    EXPECT_TRUE(IsCommand("id_fs_help", main_cmd::kHelp));
    EXPECT_TRUE(IsCommand("ID_FS_START", main_cmd::kStart));
    EXPECT_FALSE(IsCommand("ID_FS_Help ", main_cmd::kHelp));
    EXPECT_FALSE(IsCommand("ID_FS_Stop", main_cmd::kStart));
}
