#include "tests/end_to_end.h"

#include "settings/qsettings_profile.h"
#include "app/settings_dlg.h"
#include "tests/main_window_harness.h"
#include "tests/media_probe.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

void RunEndToEnd(const std::string& disc, bool preview)
{
    const std::string home = ScratchFolder();
    qputenv("XDG_CONFIG_HOME", (home + "/config").c_str());
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}, DiscVolume(TestDisc(disc), "E2E_DISC", "/dev/tarvok-test-sr0")},
                              std::make_unique<QSettingsProfile>("Tarvok DVD Ripper", "DVD Ripper"));
    CRipperDlg& window = harness.Window();
    MovieStore& movie = window.Movie().Store();
    std::vector<std::string> progress;
    QObject::connect(&movie, &MovieStore::changed, [&](const QString& name) {
        if (name == main_var::kProgressText) progress.push_back(window.Movie().GetVariable(main_var::kProgressText));
    });
    auto runUntilIdle = [&] {
        for (int i = 0; i < 1800 && (window.Ripping() || window.itemNumber()); ++i) QTest::qWait(50);
        return window.Ripping() == 0;
    };

    // The output folder, through the Browse button.
    const std::string out = home + "/out";
    fs::create_directories(out);
    harness.standIns.dialogs->folderAnswers = {out};
    movie.fscommand(main_cmd::kBrowse, "");
    ASSERT_EQ(harness.Variable(main_var::kOutputDir), out);

    // Settings: the AVI container, confirmed.
    WhenSettingsOpen(window, [](CShockwaveFlash& flash) {
        MovieStore& settings = flash.Store();
        settings.set(settings_var::kVideoMethod, "6");
        settings.fscommand(settings_cmd::kContainerChanged, "");
        settings.fscommand(settings_cmd::kOk, "");
    });
    movie.fscommand(main_cmd::kSetting, "");
    std::ifstream ini(home + "/config/Tarvok DVD Ripper/DVD Ripper.ini");
    const std::string stored((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_NE(stored.find("video_method=6"), std::string::npos) << stored;
    EXPECT_NE(stored.find("video_codec=0"), std::string::npos) << stored;

    // The preview switch, as the movie writes it; then Start.
    movie.set(main_var::kPreview, preview ? "true" : "false");
    movie.fscommand(main_cmd::kStart, "");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());
    int last = -1, seen = 0;
    for (const std::string& text : progress) {
        if (!text.starts_with("Ripping...")) continue;
        const int percent = std::stoi(text.substr(10));
        EXPECT_GE(percent, last) << text;
        last = percent;
        ++seen;
    }
    EXPECT_GT(seen, 0);
    EXPECT_NE(std::find(progress.begin(), progress.end(), "Ripping Completed"), progress.end());
    const std::string file = out + "/E2E_DISC.avi";
    const MediaFacts facts = ProbeMedia(file);
    EXPECT_EQ(facts.formatName, "avi");
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_EQ(facts.audioStreams, 1);
    EXPECT_GT(facts.duration, 4.0);

    // A second Start finds the file and asks; No, then no other name: nothing is converted.
    const auto size = fs::file_size(file);
    harness.standIns.boxes->answers = {MbResult::No};
    movie.fscommand(main_cmd::kStart, "");
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(harness.standIns.boxes->asked[0].text, "File Name:" + file + " \nAlready Exist, overwrite [Yes/No]?");
    EXPECT_EQ(fs::file_size(file), size);
}
