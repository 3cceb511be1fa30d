#include "settings/setting_table.h"
#include "app/preview_dlg.h"
#include "app/settings_dlg.h"
#include "platform/signal_watcher.h"
#include "rip/disc_identity.h"
#include "rip/disc_lock.h"
#include "tests/main_window_harness.h"
#include "tests/media_probe.h"
#include "tests/movie_harness.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QTest>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

// A window with a real disc (a test disc's name, or a folder) on an optical drive that the machine lacks (so
// nothing real is locked or ejected), writing into a folder of the test's own;
// `givenSource` is a disc named on the command line; `stored`, settings the profile holds.
struct RipHarness {
    explicit RipHarness(const std::string& disc = "pal-2min", const std::string& label = "MY_MOVIE",
                        const std::string& givenSource = {}, const std::map<std::string, std::string>& stored = {})
        : harness({{"/", "/dev/vda1", "ext4", ""}, DiscVolume(disc.starts_with("/") ? disc : TestDisc(disc), label, "/dev/tarvok-test-sr0")},
                  ProfileWith(stored), givenSource),
          window(harness.Window())
    {
        fs::create_directories(ScratchFolder() + "/out");
        harness.ChooseOutputFolder(ScratchFolder() + "/out");
        QObject::connect(&window.Movie().Store(), &MovieStore::changed, [this](const QString& name) {
            if (name == main_var::kProgressText) progressTexts.push_back(window.Movie().GetVariable(main_var::kProgressText));
        });
    }

    // Lets the window run until the job is over (or the time is up).
    bool RunUntilIdle(int seconds = 90)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            QTest::qWait(50);
            if (window.Ripping() == 0 && window.itemNumber() == 0) return true;
        }
        return false;
    }

    // Lets the window run until `condition` holds.
    bool RunUntil(const std::function<bool()>& condition, int seconds = 30)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!condition() && std::chrono::steady_clock::now() < end) QTest::qWait(50);
        return condition();
    }

    bool Saw(const std::string& text) const { return std::find(progressTexts.begin(), progressTexts.end(), text) != progressTexts.end(); }
    bool SawProgress() const
    {
        return std::any_of(progressTexts.begin(), progressTexts.end(), [](const std::string& t) { return t.starts_with("Ripping..."); });
    }
    const ActionLog& Actions() const { return *harness.standIns.actions; }
    std::string OutputFile(const std::string& name) const { return window.OutputFolder() + "/" + name; }

    MainWindowHarness harness;
    CRipperDlg& window;
    std::vector<std::string> progressTexts;
};

// How many of this process's descriptors are open on `path`.
int DescriptorsOn(const std::string& path)
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) count += fs::read_symlink(entry.path(), error) == path;
    return count;
}

}  // namespace

TEST(RipRunnerTest, RipRunsToCompletionAndLeavesAPlayableFile)
{
    RipHarness rip;
    rip.window.OnStartRip();
    EXPECT_EQ(rip.harness.Variable(main_var::kStopButton), "0");
    ASSERT_NE(rip.window.PreviewWindow(), nullptr);
    EXPECT_FALSE(rip.window.PreviewWindow()->isVisible());  // the preview is off

    // A second Start while the job runs does nothing: no question, no second job.
    rip.window.OnStartRip();
    EXPECT_TRUE(rip.harness.standIns.boxes->asked.empty());
    EXPECT_EQ(rip.window.itemNumber(), 1);

    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.SawProgress());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_EQ(rip.progressTexts.back(), "");
    EXPECT_EQ(rip.harness.Variable(main_var::kProgress), "0");
    EXPECT_EQ(rip.harness.Variable(main_var::kStopButton), "1");
    EXPECT_TRUE(rip.harness.standIns.boxes->asked.empty());
    EXPECT_FALSE(rip.window.PreviewWindow()->isVisible());
    // The drive was locked for the rip and released after.
    EXPECT_EQ(rip.Actions().front(), "lock /dev/tarvok-test-sr0 1");
    EXPECT_EQ(rip.Actions().back(), "lock /dev/tarvok-test-sr0 0");

    const MediaFacts facts = ProbeMedia(rip.OutputFile("MY_MOVIE.mpg"));
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_EQ(facts.audioStreams, 1);
    EXPECT_EQ(facts.formatName, "mpegts");
    EXPECT_GT(facts.duration, 25.0);
}

TEST(RipRunnerTest, ExistingFileAsksAndSaveAsRipsIntoTheChosenFile)
{
    RipHarness rip;
    std::ofstream(rip.OutputFile("MY_MOVIE.mpg")) << "the user's own file";
    rip.harness.standIns.boxes->answers = {MbResult::No};
    const std::string chosen = rip.OutputFile("clip.avi");
    rip.harness.standIns.dialogs->saveAsAnswers = {chosen};
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());

    const auto& asked = rip.harness.standIns.boxes->asked;
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "File Name:" + rip.OutputFile("MY_MOVIE.mpg") + " \nAlready Exist, overwrite [Yes/No]?");
    EXPECT_EQ(asked[0].caption, "File Already Exist");
    EXPECT_EQ(asked[0].buttons, MbButtons::YesNo);
    EXPECT_EQ(asked[0].icon, MbIcon::None);
    const auto& saveAs = rip.harness.standIns.dialogs->saveAsCalls;
    ASSERT_EQ(saveAs.size(), 1u);
    EXPECT_EQ(saveAs[0].proposedPath, rip.OutputFile("MY_MOVIE_new_"));
    EXPECT_EQ(saveAs[0].defaultExtension, ".mpg");
    EXPECT_EQ(saveAs[0].filter, rip_text::kSaveAsFilter);

    EXPECT_EQ(rip.window.Settings().mux, "avi");
    EXPECT_EQ(rip.window.Settings().videoCodec, "mp1v");
    EXPECT_EQ(rip.window.Settings().audioCodec, "mpga");
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    std::ifstream kept(rip.OutputFile("MY_MOVIE.mpg"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the user's own file");
    const MediaFacts facts = ProbeMedia(chosen);
    EXPECT_EQ(facts.formatName, "avi");
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_EQ(facts.audioStreams, 1);
}

TEST(RipRunnerTest, CancelledSaveAsEndsTheJobWithoutItsActions)
{
    RipHarness rip("pal-2min", "MY_MOVIE", {}, {{profile_key::kOpenFolder, "1"}, {profile_key::kEjectDvd, "1"}});
    std::ofstream(rip.OutputFile("MY_MOVIE.mpg")) << "keep me";
    rip.harness.standIns.boxes->answers = {MbResult::No};  // and the Save As is cancelled
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle(5));
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_EQ(rip.harness.Variable(main_var::kProgressText), "");
    EXPECT_EQ(rip.Actions(), (ActionLog{"lock /dev/tarvok-test-sr0 1", "lock /dev/tarvok-test-sr0 0"}));
    EXPECT_EQ(fs::file_size(rip.OutputFile("MY_MOVIE.mpg")), 7u);
}

TEST(RipRunnerTest, UnreadableSourceIsRetriedSilentlyThenAsked)
{
    // A disc whose title sets cannot be read: only its manager file is there.
    const std::string root = ScratchFolder() + "/broken";
    fs::create_directories(root + "/VIDEO_TS");
    fs::copy_file(TestDisc("pal-3ch") + "/VIDEO_TS/VIDEO_TS.IFO", root + "/VIDEO_TS/VIDEO_TS.IFO");
    MainWindowHarness harness({DiscVolume(root, "")}, ProfileWith({{profile_key::kOpenFolder, "1"}}));
    CRipperDlg& window = harness.Window();
    fs::create_directories(ScratchFolder() + "/out");
    harness.ChooseOutputFolder(ScratchFolder() + "/out");
    std::vector<std::string> texts;
    QObject::connect(&window.Movie().Store(), &MovieStore::changed, [&](const QString& name) {
        if (name == main_var::kProgressText) texts.push_back(window.Movie().GetVariable(main_var::kProgressText));
    });
    auto* boxes = harness.standIns.boxes;
    int retriesWhenAsked = -1;
    boxes->onShow = [&](const AskedBox& box) {
        if (box.caption == "Error Ripping") retriesWhenAsked = window.retryCount();
    };
    // "Invalid directory !" at start and again at Start, then finish.
    boxes->answers = {MbResult::Ok, MbResult::Ok, MbResult::No};

    window.OnStartRip();
    for (int i = 0; i < 400 && window.Ripping(); ++i) QTest::qWait(50);
    ASSERT_EQ(window.Ripping(), 0);
    ASSERT_EQ(boxes->asked.size(), 3u);
    EXPECT_EQ(boxes->asked[0].text, "Invalid directory !");
    EXPECT_EQ(boxes->asked[1].text, "Invalid directory !");
    EXPECT_EQ(boxes->asked[2].text, "Error in Ripping. \n\tYes:Try Again No:Finish.?");
    EXPECT_EQ(boxes->asked[2].caption, "Error Ripping");
    EXPECT_EQ(boxes->asked[2].buttons, MbButtons::YesNo);
    EXPECT_EQ(boxes->asked[2].icon, MbIcon::Question);
    EXPECT_EQ(retriesWhenAsked, 3);
    // The empty file of the failed conversion is gone, and the job says it failed.
    EXPECT_FALSE(fs::exists(window.OutputFolder() + "/dvdRip_Movie1.mpg"));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Ripping Failed"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "Ripping Completed"), texts.end());
    // An unattended user asked for the folder: it opens even so.
    EXPECT_EQ(harness.standIns.shell->opened, std::vector<std::string>{window.OutputFolder()});
}

// Faults of the disc and of the output, each real: the job takes its failure
// path with the reason in the box, never says "Ripping Completed" for a rip
// that lost data, and writes through no link and into no disc.
TEST(RipRunnerTest, FaultsTakeTheFailurePathWithTheirReason)
{
    struct Fault {
        std::string what;
        std::function<void(const std::string& disc, MainWindowHarness& harness)> prepare;
        std::string caption, text, details;  // of the last box shown; no box when the caption is empty
        int retriesWhenAsked;                // retries before that box (-1: none counted)
        std::string finalText;
        bool fileStays;
    };
    const std::string vob = "/VIDEO_TS/VTS_01_1.VOB";
    const std::vector<Fault> faults = {
        {"a VOB cut short", [&](const std::string& d, MainWindowHarness&) { fs::resize_file(d + vob, fs::file_size(d + vob) / 2); },
         "Error Ripping", "Error in Ripping. \n\tYes:Try Again No:Finish.?", "a VOB file is missing or cut short", 3,
         "Ripping Failed", false},
        {"an encrypted disc", [&](const std::string& d, MainWindowHarness&) { MarkPacksScrambled(d + vob); },
         "Error Ripping", "the disc is encrypted (CSS)", "", 0, "Ripping Failed", false},
        {"an output folder inside the disc", [](const std::string& d, MainWindowHarness& h) { h.ChooseOutputFolder(d + "/VIDEO_TS"); },
         "Tarvok DVD Ripper", "Error Occur in Ripping File:", "lies inside the disc being ripped", -1, "Ripping Failed", false},
        {"an output folder that is a file", [&](const std::string&, MainWindowHarness& h) {
             std::ofstream(ScratchFolder() + "/a-file") << "not a folder";
             h.ChooseOutputFolder(ScratchFolder() + "/a-file");
         },
         "Tarvok DVD Ripper", "Error Occur in Ripping File:", "cannot make the folder", -1, "Ripping Failed", false},
        {"a link to the disc's own VOB at the name", [&](const std::string& d, MainWindowHarness& h) {
             h.ChangeSettings({{settings_var::kOverwriting, "true"}});
             fs::create_symlink(d + vob, h.Window().OutputFolder() + "/MY_MOVIE.mpg");
         },
         "", "", "", -1, "Ripping Completed", true},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        fs::remove_all(ScratchFolder() + "/disc");
        const std::string disc = CopyOfDisc("pal-3ch", "disc");
        MainWindowHarness harness({DiscVolume(disc, "MY_MOVIE", "/dev/tarvok-test-sr0")});
        CRipperDlg& window = harness.Window();
        fs::remove_all(ScratchFolder() + "/out");
        fs::create_directories(ScratchFolder() + "/out");
        harness.ChooseOutputFolder(ScratchFolder() + "/out");
        fault.prepare(disc, harness);
        const auto vobBytes = fs::file_size(disc + vob);
        const std::string file = ScratchFolder() + "/out/MY_MOVIE.mpg";
        std::vector<std::string> texts;
        QObject::connect(&window.Movie().Store(), &MovieStore::changed, [&](const QString& name) {
            if (name == main_var::kProgressText) texts.push_back(window.Movie().GetVariable(main_var::kProgressText));
        });
        auto* boxes = harness.standIns.boxes;
        int retries = -1;
        boxes->onShow = [&](const AskedBox&) { retries = window.retryCount(); };
        boxes->answers = {MbResult::No};

        window.OnStartRip();
        for (int i = 0; i < 600 && window.Ripping(); ++i) QTest::qWait(50);
        ASSERT_EQ(window.Ripping(), 0);
        if (fault.caption.empty()) {
            EXPECT_TRUE(boxes->asked.empty());
        } else {
            ASSERT_EQ(boxes->asked.size(), 1u);
            EXPECT_EQ(boxes->asked[0].caption, fault.caption);
            EXPECT_NE(boxes->asked[0].text.find(fault.text), std::string::npos) << boxes->asked[0].text;
            EXPECT_NE(boxes->asked[0].details.find(fault.details), std::string::npos) << boxes->asked[0].details;
            if (fault.retriesWhenAsked >= 0) {
                EXPECT_EQ(retries, fault.retriesWhenAsked);
            }
        }
        EXPECT_NE(std::find(texts.begin(), texts.end(), fault.finalText), texts.end());
        if (fault.finalText != "Ripping Completed") {
            EXPECT_EQ(std::find(texts.begin(), texts.end(), "Ripping Completed"), texts.end());
        }
        EXPECT_EQ(fs::is_regular_file(fs::symlink_status(file)), fault.fileStays);
        EXPECT_EQ(fs::file_size(disc + vob), vobBytes);  // the disc is never written
    }
}

TEST(RipRunnerTest, StopDuringAConversionKeepsThePartialFileAndRunsTheActions)
{
    RipHarness rip("pal-2min", "MY_MOVIE", {}, {{profile_key::kOpenFolder, "1"}, {profile_key::kEjectDvd, "1"}});
    // With the preview it converts at playing speed: two minutes, stopped long before their end.
    rip.window.Movie().SetVariable(main_var::kPreview, "1");
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntil([&] { return rip.SawProgress(); }));
    rip.window.OnStopRip();
    EXPECT_TRUE(rip.Saw("Ripping Completed."));
    EXPECT_EQ(rip.harness.Variable(main_var::kProgressText), "");
    EXPECT_EQ(rip.harness.Variable(main_var::kStopButton), "1");
    EXPECT_EQ(rip.window.Ripping(), 0);
    EXPECT_EQ(rip.window.Polling(), false);
    const std::string partial = rip.OutputFile("MY_MOVIE.mpg");
    ASSERT_TRUE(fs::exists(partial));
    EXPECT_GT(fs::file_size(partial), 0u);
    // Unlock, the folder, then the tray; the reset unlocks once more.
    EXPECT_EQ(rip.Actions(), (ActionLog{"lock /dev/tarvok-test-sr0 1", "lock /dev/tarvok-test-sr0 0", "open " + rip.window.OutputFolder(),
                                        "door /dev/tarvok-test-sr0 open", "lock /dev/tarvok-test-sr0 0"}));
}

// 400 sectors of the disc's VOB zeroed, as a rescue copy leaves what it
// could not read: the rip ends as it would, its file in place, with a note
// of what it passed over under the bar.
TEST(RipRunnerTest, ADamagedDiscEndsCompletedWithANoteOfTheDamage)
{
    const std::string disc = CopyOfDisc("pal-2min", "rescued"), vob = disc + "/VIDEO_TS/VTS_01_1.VOB";
    {
        std::fstream bytes(vob, std::ios::in | std::ios::out | std::ios::binary);
        bytes.seekp(std::streamoff(fs::file_size(vob) / 2 / 2048 * 2048));
        bytes << std::string(400 * 2048, '\0');
    }
    RipHarness rip(disc);
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_TRUE(rip.harness.standIns.boxes->asked.empty());
    EXPECT_EQ(rip.harness.Variable(main_var::kDamage), "400 damaged sectors passed over: the file lacks 1:00.0-1:02.4");
    EXPECT_EQ(rip.harness.Variable(main_var::kOutputFile), rip.OutputFile("MY_MOVIE.mpg"));
    EXPECT_EQ(ProbeMedia(rip.OutputFile("MY_MOVIE.mpg"), true).videoFrames, 2940);
}

TEST(RipRunnerTest, TerminationStopsTheRipAndFinishesItsFile)
{
    // MP4: its index is written only when the file is finished.
    RipHarness rip("pal-2min", "MY_MOVIE", {}, {{profile_key::kVideoMethod, "4"}});
    SignalWatcher stopSignals;
    QObject::connect(&stopSignals, &SignalWatcher::received, &rip.window, &CRipperDlg::EndProgram);
    rip.window.Movie().SetVariable(main_var::kPreview, "1");  // at playing speed: stopped long before its end
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntil([&] { return rip.SawProgress(); }));
    std::raise(SIGTERM);
    ASSERT_TRUE(rip.RunUntil([&] { return !rip.window.isVisible(); }));
    EXPECT_EQ(rip.window.result(), QDialog::Accepted);
    const MediaFacts facts = ProbeMedia(rip.OutputFile("MY_MOVIE.mp4"), true);
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_GT(facts.videoFrames, 0);
}

// SIGTERM while the overwrite question is open: the program ends, nothing
// is converted afterwards and no action of the job's end runs.
TEST(RipRunnerTest, EndingTheProgramDuringAQuestionEndsTheJobQuietly)
{
    RipHarness rip("pal-2min", "MY_MOVIE", {}, {{profile_key::kShutdown, "1"}});
    std::ofstream(rip.OutputFile("MY_MOVIE.mpg")) << "the user's own file";
    rip.harness.standIns.boxes->onShow = [&](const AskedBox&) { rip.window.EndProgram(); };
    rip.harness.standIns.boxes->answers = {MbResult::Yes};
    rip.window.OnStartRip();
    EXPECT_FALSE(rip.window.isVisible());
    EXPECT_EQ(rip.window.PreviewWindow(), nullptr);
    EXPECT_EQ(fs::file_size(rip.OutputFile("MY_MOVIE.mpg")), 19u);
    EXPECT_EQ(std::count(rip.Actions().begin(), rip.Actions().end(), "power off"), 0);
}

TEST(RipRunnerTest, StopWithoutAJobRunsNoAction)
{
    RipHarness rip("pal-2min", "MY_MOVIE", {}, {{profile_key::kShutdown, "1"}, {profile_key::kEjectDvd, "1"}});
    rip.window.OnStopRip();
    EXPECT_TRUE(rip.Saw("Ripping Completed."));
    EXPECT_EQ(rip.harness.Variable(main_var::kProgressText), "");
    EXPECT_EQ(rip.Actions(), (ActionLog{"lock /dev/tarvok-test-sr0 0"}));
}

TEST(RipRunnerTest, StartWithoutADiscAsksAndCancelLeavesAllAsItWas)
{
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}});
    harness.standIns.boxes->answers = {MbResult::Retry, MbResult::Cancel};
    harness.Window().OnStartRip();
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 2u);
    EXPECT_EQ(harness.standIns.boxes->asked[1].text, "DVD not found !. or There is no Video DVD present.");
    EXPECT_EQ(harness.standIns.boxes->asked[1].buttons, MbButtons::RetryCancel);
    EXPECT_EQ(harness.Window().Ripping(), 0);
    EXPECT_EQ(harness.Variable(main_var::kStopButton), "");
    EXPECT_EQ(harness.Variable(main_var::kProgressText), "");
    EXPECT_EQ(harness.Window().PreviewWindow(), nullptr);
}

TEST(RipRunnerTest, OneDiscIsRippedByOneProgramAtATime)
{
    RipHarness rip("pal-3ch");
    const std::string identity = DiscIdentity(FolderDiscFiles(TestDisc("pal-3ch") + "/VIDEO_TS"));
    // tarvok-rip watch rips the disc: Start says so and does nothing.
    auto watch = std::make_unique<DiscLock>();
    ASSERT_EQ(watch->Take(identity), "");
    rip.window.OnStartRip();
    ASSERT_EQ(rip.harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(rip.harness.standIns.boxes->asked[0].text, rip_text::kDiscBeingRipped);
    EXPECT_EQ(rip.window.Ripping(), 0);
    EXPECT_TRUE(rip.Actions().empty());  // not even the drive's lock
    EXPECT_FALSE(fs::exists(rip.OutputFile("MY_MOVIE.mpg")));

    // The watch is done; while the window rips, the watch is refused the disc in its turn.
    watch.reset();
    rip.window.OnStartRip();
    ASSERT_EQ(rip.window.Ripping(), 1);
    EXPECT_EQ(DiscLock().Take(identity), rip_text::kDiscBeingRipped);
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_EQ(DiscLock().Take(identity), "");
}

TEST(RipRunnerTest, ItemThatCannotBePreparedEndsTheJobAsFailed)
{
    RipHarness rip;
    // The volume table fails once, just as the job prepares its item (Start has told the movie a job runs).
    auto& volumes = *rip.harness.standIns.volumes;
    volumes.onList = [&] {
        if (rip.harness.Variable(main_var::kStopButton) != "0") return;
        volumes.onList = nullptr;
        throw std::runtime_error("mount table unreadable");
    };
    rip.window.OnStartRip();
    ASSERT_EQ(rip.harness.standIns.boxes->asked.size(), 1u);
    EXPECT_TRUE(rip.harness.standIns.boxes->asked[0].text.starts_with("Error Occur in Ripping File: ")) << rip.harness.standIns.boxes->asked[0].text;
    EXPECT_EQ(rip.harness.standIns.boxes->asked[0].details, "mount table unreadable");
    EXPECT_TRUE(rip.Saw("Ripping Failed"));
    EXPECT_EQ(rip.harness.Variable(main_var::kFailure), "mount table unreadable");
    EXPECT_EQ(rip.window.Ripping(), 0);
    EXPECT_EQ(rip.window.itemNumber(), 0);
}

TEST(RipRunnerTest, CompletionActionsInTheirOrder)
{
    RipHarness rip("pal-3ch", "MY_MOVIE", {}, {{profile_key::kShutdown, "1"}, {profile_key::kOpenFolder, "1"}, {profile_key::kEjectDvd, "1"}});
    rip.window.RunCompletionActions();
    // Powering off is all: no folder, no tray.
    EXPECT_EQ(rip.Actions(), (ActionLog{"lock /dev/tarvok-test-sr0 0", "power off"}));
    EXPECT_TRUE(rip.harness.standIns.boxes->asked.empty());

    rip.harness.standIns.actions->clear();
    rip.harness.standIns.power->failure = "Interactive authentication required.";
    rip.window.RunCompletionActions();
    ASSERT_EQ(rip.harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(rip.harness.standIns.boxes->asked[0].text, "Interactive authentication required.");

    // Without a disc there is no drive: nothing is locked or ejected.
    rip.harness.ChangeSettings({{settings_var::kShutdown, "false"}});
    rip.harness.standIns.actions->clear();
    rip.harness.standIns.volumes->volumes.clear();
    rip.window.OnDeviceRemoval();
    EXPECT_FALSE(rip.window.LockDrive(true));
    rip.window.RunCompletionActions();
    EXPECT_EQ(rip.Actions(), (ActionLog{"open " + rip.window.OutputFolder()}));
}

// Lock and eject reach only the optical drive the disc was loaded from, even
// once its volume has gone; a disc folder on any other volume, and an image,
// get no drive action at all.
TEST(RipRunnerTest, DriveActionsReachOnlyTheOpticalDriveOfTheDisc)
{
    const std::string disc = TestDisc("pal-1s"), image = ImageOfDisc("pal-1s", "IMAGE");
    const Volume system{"/", "/dev/vda1", "ext4", ""};
    const ActionLog onTheDrive = {"lock /dev/tarvok-test-sr0 1", "lock /dev/tarvok-test-sr0 0", "door /dev/tarvok-test-sr0 open",
                                  "lock /dev/tarvok-test-sr0 0"};
    const struct {
        std::string what;
        std::vector<Volume> volumes;
        std::string given;  // named on the command line
        bool unmountedMidway;
        ActionLog actions;
    } cases[] = {
        {"a disc on its drive", {system, DiscVolume(disc, "ONE", "/dev/tarvok-test-sr0")}, "", false, onTheDrive},
        {"a disc whose volume goes during the rip", {system, DiscVolume(disc, "ONE", "/dev/tarvok-test-sr0")}, "", true, onTheDrive},
        {"a disc folder on a data disk", {system, {fs::path(disc).parent_path().string(), "/dev/vdb1", "ext4", "DATA"}}, disc, false, {}},
        {"a disc folder on the system's disk", {system}, disc, true, {}},
        {"an image", {system}, image, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowHarness harness(c.volumes, ProfileWith({{profile_key::kDontAskOverwrite, "1"}, {profile_key::kEjectDvd, "1"}}), c.given);
        CRipperDlg& window = harness.Window();
        harness.ChooseOutputFolder(ScratchFolder() + "/out");
        window.OnStartRip();
        if (c.unmountedMidway) {
            harness.standIns.volumes->volumes = {system};
            window.OnDeviceRemoval();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.Ripping() == 0; }, 60000));
        EXPECT_EQ(*harness.standIns.actions, c.actions);
        EXPECT_TRUE(fs::exists(window.OutputFolder() + "/" + (c.given == image ? "IMAGE" : c.given.empty() ? "ONE" : "dvdRip_Movie1") + ".mpg"));
    }
}

// A retry writes where its item's first attempt chose to, as it chose: the
// file the user refused stays, the Save As name gets the rip in its own
// container, and the overwrite question asked again names it. Every attempt
// fails at a file size limit until the retry question lifts it.
TEST(RipRunnerTest, RetriesKeepTheItemsChosenFile)
{
    RipHarness rip("pal-30s");
    const std::string refused = rip.OutputFile("MY_MOVIE.mpg"), chosen = rip.OutputFile("new.avi");
    std::ofstream(refused) << "the user's own file";
    std::ofstream(chosen) << "replaced, as the Save As dialog confirmed";
    const std::string before = RunCommand("sha1sum " + ShellQuote(refused));
    struct rlimit unlimited {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    struct rlimit small = unlimited;
    small.rlim_cur = 400 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto* boxes = rip.harness.standIns.boxes;
    // No to overwriting, Save As new.avi; the first retry question tries again, the overwrite question
    // asked again says Yes, and the second retry question tries again with the limit lifted.
    boxes->answers = {MbResult::No, MbResult::Yes, MbResult::Yes, MbResult::Yes};
    rip.harness.standIns.dialogs->saveAsAnswers = {chosen};
    std::vector<std::string> barWhenAsked;
    int retryQuestions = 0;
    boxes->onShow = [&](const AskedBox& box) {
        if (box.caption != rip_text::kRippingErrorCaption) return;
        barWhenAsked.push_back(rip.harness.Variable(main_var::kProgressText));
        if (++retryQuestions == 2) setrlimit(RLIMIT_FSIZE, &unlimited);
    };
    rip.window.OnStartRip();
    const bool idle = rip.RunUntilIdle(300);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    ASSERT_TRUE(idle);

    std::vector<std::string> asked;
    for (const AskedBox& box : boxes->asked) asked.push_back(box.caption + ": " + box.text);
    EXPECT_EQ(asked, (std::vector<std::string>{"File Already Exist: File Name:" + refused + " \nAlready Exist, overwrite [Yes/No]?",
                                               "Error Ripping: Error in Ripping. \n\tYes:Try Again No:Finish.?",
                                               "File Already Exist: File Name:" + chosen + " \nAlready Exist, overwrite [Yes/No]?",
                                               "Error Ripping: Error in Ripping. \n\tYes:Try Again No:Finish.?"}));
    EXPECT_EQ(barWhenAsked, (std::vector<std::string>{"", ""}));
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_EQ(RunCommand("sha1sum " + ShellQuote(refused)), before);
    const MediaFacts facts = ProbeMedia(chosen, true);
    EXPECT_EQ(facts.formatName, "avi");
    EXPECT_EQ(facts.videoFrames, 750);
    EXPECT_FALSE(fs::exists(rip.OutputFile("MY_MOVIE.partial.mpg")));
}

// Save As choosing the item's own name still says the container and codecs by its extension.
TEST(RipRunnerTest, SaveAsOfTheSameNameAppliesItsExtension)
{
    RipHarness rip("pal-3ch", "MY_MOVIE", {}, {{profile_key::kVideoMethod, "6"}, {profile_key::kVideoCodec, "1"}});  // AVI, MS MPEG-4 video
    const std::string file = rip.OutputFile("MY_MOVIE.avi");
    std::ofstream(file) << "an older rip";
    rip.harness.standIns.boxes->answers = {MbResult::No};
    rip.harness.standIns.dialogs->saveAsAnswers = {file};
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_EQ(ProbeMedia(file).videoCodec, "mpeg1video");
    EXPECT_EQ(rip.window.Settings().videoCodec, "mp1v");
}

// A German desktop, where Qt takes the program's locale from the
// environment and "0,5" is a half: the rip converts as under "C".
TEST(RipRunnerTest, ACommaDecimalLocaleRipsAsAnyOther)
{
    const std::string locales = ScratchFolder() + "/locales";
    fs::create_directories(locales);
    int status = -1;
    const std::string made = RunCommand("localedef -i de_DE -f UTF-8 " + ShellQuote(locales + "/de_DE.UTF-8") + " 2>&1", &status);
    ASSERT_EQ(status, 0) << made;
    struct UserLocale {
        explicit UserLocale(const std::string& folder)
        {
            setenv("LOCPATH", folder.c_str(), 1);
            // What QApplication does as it starts, with LANG=de_DE.UTF-8.
            setlocale(LC_ALL, "de_DE.UTF-8");
        }
        ~UserLocale()
        {
            setlocale(LC_ALL, "C");
            unsetenv("LOCPATH");
        }
    } german(locales);
    ASSERT_STREQ(localeconv()->decimal_point, ",");

    RipHarness rip("pal-3ch", "MY_MOVIE", {}, {{profile_key::kVideoScale, "1"}});  // half the picture
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.Saw("Ripping Completed")) << rip.harness.Variable(main_var::kFailure);
    const MediaFacts facts = ProbeMedia(rip.OutputFile("MY_MOVIE.mpg"), true);
    EXPECT_EQ(facts.width, 360);
    EXPECT_EQ(facts.videoFrames, 150);
}

TEST(RipRunnerTest, WindowsRipKeepsEveryTitleFrameForFrame)
{
    // Two NTSC titles, converted as they play: both, in order, at their own rate.
    RipHarness rip("ntsc-2vts", "TWO_TITLES");
    rip.window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.harness.standIns.boxes->asked.empty());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    const MediaFacts facts = ProbeMedia(rip.OutputFile("TWO_TITLES.mpg"), true);
    EXPECT_EQ(facts.videoFrames, 420);  // 270 + 150
    EXPECT_EQ(facts.rate, "30000/1001");
    EXPECT_NEAR(facts.duration, 14.014, 0.05);
}

TEST(RipRunnerTest, ConversionDoneBetweenTwoPollsCountsAsDone)
{
    // The conversion ends before any poll: no event runs (so no timer fires) until it has.
    RipHarness rip("pal-3ch", "SHORT");
    rip.window.OnStartRip();
    ASSERT_NE(rip.window.PreviewWindow(), nullptr);
    // The converter's writer holds a descriptor of the hidden file until it has finished it; the job holds one more.
    const std::string hidden = rip.OutputFile(".SHORT.mpg.tarvok");
    while (DescriptorsOn(hidden) > 1) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(rip.SawProgress());
    ASSERT_TRUE(rip.RunUntilIdle(20));
    EXPECT_TRUE(rip.harness.standIns.boxes->asked.empty());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_EQ(ProbeMedia(rip.OutputFile("SHORT.mpg"), true).videoFrames, 150);
}

TEST(RipRunnerTest, SelectionOptionRipsTheBrowsedAngleAndItsTickedChapters)
{
    RipHarness rip("pal-two-languages", "TWO_LANGS");
    CRipperDlg& window = rip.window;
    auto note = [&] { return MovieItem(window.Movie(), "scopeNote")->property("text").toString().toStdString(); };
    EXPECT_TRUE(note().starts_with("The whole disc is ripped")) << note();

    // The user ticks the option (and MPEG PS, whose files keep exact cuts) in the settings window.
    WhenSettingsOpen(window, [](CShockwaveFlash& settings) {
        settings.Store().set(settings_var::kVideoMethod, "1");
        settings.Store().fscommand(settings_cmd::kContainerChanged, "");
        ClickMovieItem(settings, "selectionFlag");
        ClickMovieItem(settings, "okButton");
    });
    window.Movie().Store().fscommand(main_cmd::kSetting, "");
    EXPECT_EQ(window.Settings().ripSelection, 1);
    EXPECT_EQ(rip.harness.app->Profile().GetProfileString("rip_selection", ""), "1");
    EXPECT_EQ(note(), "Each angle ticked in Titles (else the selected one) is ripped with its chapters ticked in Chapters.");

    // Nothing to rip: Start says what to select and converts nothing.
    QTreeWidgetItem* titleSet = window.TitleTree().topLevelItem(0);
    window.TitleTree().setCurrentItem(titleSet);
    QTreeWidgetItem* shortChain = titleSet->child(0)->child(0);
    const std::pair<QTreeWidgetItem*, const char*> nothing[] = {{titleSet, rip_text::kSelectAngle},
                                                                {shortChain, rip_text::kTickChapters}};
    for (const auto& [row, told] : nothing) {
        window.TitleTree().setCurrentItem(row);
        if (row == shortChain)
            for (int chapter : {0, 1}) ClickChapter(window, 5, chapter);
        rip.harness.standIns.boxes->asked.clear();
        window.Movie().Store().fscommand(main_cmd::kStart, "");
        ASSERT_EQ(rip.harness.standIns.boxes->asked.size(), 1u);
        EXPECT_EQ(rip.harness.standIns.boxes->asked[0].text, told);
        EXPECT_EQ(window.Ripping(), 0);
        EXPECT_EQ(window.PreviewWindow(), nullptr);
    }

    // Chapter 2 of the first chain, ticked again: that chapter alone, named apart from the whole disc.
    ClickChapter(window, 5, 1);
    rip.harness.standIns.boxes->asked.clear();
    window.Movie().Store().fscommand(main_cmd::kStart, "");
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.harness.standIns.boxes->asked.empty());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    const MediaFacts facts = ProbeMedia(rip.OutputFile("TWO_LANGS_T1.1.1_C2.mpg"), true);
    EXPECT_EQ(facts.videoFrames, 55);  // lsdvd: 2.2 s at 25 a second
    EXPECT_EQ(facts.formatName, "mpeg");
    EXPECT_EQ(window.TitleTree().currentItem(), shortChain);  // the browsing stays as it was

    // Two angles ticked, each with its own ticked chapters: one Start, a file each, the actions once.
    // With the preview the pictures convert at playing speed, so that every item is seen running.
    QTreeWidgetItem* longChain = titleSet->child(1)->child(0);
    for (QTreeWidgetItem* angle : {shortChain, longChain}) angle->setCheckState(0, Qt::Checked);
    window.Movie().SetVariable(main_var::kPreview, "1");
    rip.harness.ChangeSettings({{settings_var::kOpenFolder, "true"}});
    rip.harness.standIns.boxes->answers = {MbResult::Yes};  // the first item's file is there from before
    window.Movie().Store().fscommand(main_cmd::kStart, "");
    ASSERT_TRUE(rip.RunUntilIdle());
    ASSERT_EQ(rip.harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(rip.harness.standIns.boxes->asked[0].caption, rip_text::kOverwriteCaption);
    for (const char* item : {"1/2", "2/2"})
        EXPECT_TRUE(std::any_of(rip.progressTexts.begin(), rip.progressTexts.end(), [&](const std::string& text) {
            return text.starts_with("Ripping...") && text.ends_with(item);
        })) << item;
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_EQ(ProbeMedia(rip.OutputFile("TWO_LANGS_T1.1.1_C2.mpg"), true).videoFrames, 55);
    EXPECT_EQ(ProbeMedia(rip.OutputFile("TWO_LANGS_T1.2.1.mpg"), true).videoFrames, 150);
    EXPECT_EQ(rip.harness.Variable(main_var::kOutputFile), rip.OutputFile("TWO_LANGS_T1.2.1.mpg"));
    EXPECT_EQ(rip.harness.standIns.shell->opened, std::vector<std::string>{window.OutputFolder()});
}

// Dragging `path` onto the movie, which covers the window; true when the window takes it.
bool DropOnMovie(CRipperDlg& window, const std::string& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window.Movie(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window.Movie(), &drop);
    return true;
}

TEST(RipRunnerTest, AnImageOnTheCommandLineIsShownAndRippedWithoutADrive)
{
    // A mounted disc is there too: the image named on the command line comes first.
    const std::string image = ImageOfDisc("pal-two-languages", "TWO_LANGS");
    RipHarness rip("pal-3ch", "MOUNTED", image, {{profile_key::kEjectDvd, "1"}});
    CRipperDlg& window = rip.window;
    EXPECT_EQ(window.Source().GetVideoTsPath(), image);
    ASSERT_NE(window.TitleTree().currentItem(), nullptr);
    EXPECT_EQ(window.TitleTree().currentItem()->text(0), "Angle 1 [00:00:06]");
    EXPECT_EQ(rip.harness.Variable(main_var::kTvSystem), "PAL");

    // Locking and ejecting have no drive to act on; a volume that goes leaves the image.
    window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    EXPECT_TRUE(rip.Actions().empty()) << rip.Actions().front();
    EXPECT_EQ(ProbeMedia(rip.OutputFile("TWO_LANGS.mpg"), true).videoFrames, 250);  // 10 s
    window.OnDeviceRemoval();
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 1);

    // A folder dropped on the window is loaded; a file that is no disc is refused with its reason.
    ASSERT_TRUE(DropOnMovie(window, TestDisc("pal-3ch")));
    EXPECT_EQ(window.Source().GetVideoTsPath(), TestDisc("pal-3ch") + "/VIDEO_TS");
    const std::string notes = ScratchFolder() + "/notes.txt";
    std::ofstream(notes) << "no disc";
    ASSERT_TRUE(DropOnMovie(window, notes));
    ASSERT_EQ(rip.harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(rip.harness.standIns.boxes->asked[0].text, notes + " is not a DVD-Video image: it holds no VIDEO_TS folder");
    EXPECT_EQ(window.Source().GetVideoTsPath(), TestDisc("pal-3ch") + "/VIDEO_TS");
}

TEST(RipRunnerTest, SubtitleSettingIsShownAndKeptInTheRip)
{
    RipHarness rip("pal-subtitles", "SUBS");
    CRipperDlg& window = rip.window;
    auto note = [&] { return MovieItem(window.Movie(), "scopeNote")->property("text").toString().toStdString(); };
    EXPECT_EQ(rip.harness.Variable(main_var::kSubtitles), "en, fr");
    EXPECT_TRUE(note().starts_with("The whole disc is ripped as it plays")) << note();  // none, as before

    // The user keeps French subtitles as a track of an MKV file.
    WhenSettingsOpen(window, [](CShockwaveFlash& settings) {
        settings.Store().set(settings_var::kVideoMethod, "8");
        settings.Store().fscommand(settings_cmd::kContainerChanged, "");
        settings.Store().set(settings_var::kSubtitleMode, "1");
        settings.Store().set(settings_var::kSubtitleLanguage, "1");
        ClickMovieItem(settings, "okButton");
    });
    window.Movie().Store().fscommand(main_cmd::kSetting, "");
    EXPECT_EQ(rip.harness.app->Profile().GetProfileString("subtitle_mode", ""), "1");
    EXPECT_EQ(note(), "The whole disc is ripped. Subtitles: fr, kept as a track.");

    window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    // Each title set's French stream: the second of the first, the first of the second.
    const std::vector<SubtitleTrackFacts> tracks = SubtitleTracksOf(rip.OutputFile("SUBS.mkv"));
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].language, "fre");
    EXPECT_EQ(tracks[0].starts.size(), 3u);

    // A container without subtitle tracks: the note says none will be kept.
    WhenSettingsOpen(window, [](CShockwaveFlash& settings) {
        settings.Store().set(settings_var::kVideoMethod, "0");
        settings.Store().fscommand(settings_cmd::kContainerChanged, "");
        ClickMovieItem(settings, "okButton");
    });
    window.Movie().Store().fscommand(main_cmd::kSetting, "");
    EXPECT_EQ(note(), "The whole disc is ripped. Subtitles: none, MPEG TS holds no track.");
}

// The user chooses Copy for picture and sound of an MKV file: the note says
// which settings no longer apply, burned-in subtitles become a track, and
// the file holds the disc's own streams.
TEST(RipRunnerTest, CopyChosenInTheSettingsKeepsTheDiscsOwnStreams)
{
    RipHarness rip("pal-copy", "COPY");
    CRipperDlg& window = rip.window;
    // MKV's lists end in copy: h264|mp2v|mp4v|mp1v|copy and mp4a|mp3|a52|vorb|mpga|copy; subtitles burned, in English.
    rip.harness.ChangeSettings({{settings_var::kVideoMethod, "8"}, {settings_var::kVideoCodec, "4"}, {settings_var::kAudioCodec, "5"},
                                {settings_var::kSubtitleMode, "2"}, {settings_var::kSubtitleLanguage, "0"}});
    EXPECT_EQ(MovieItem(window.Movie(), "scopeNote")->property("text").toString().toStdString(),
              "The whole disc is ripped. Picture and sound copied as on the disc: bitrates, scale, channels and rate do not apply. "
              "Subtitles: en, kept as a track: a copied picture takes none burned in.");

    window.OnStartRip();
    ASSERT_TRUE(rip.RunUntilIdle());
    EXPECT_TRUE(rip.Saw("Ripping Completed"));
    const std::string file = rip.OutputFile("COPY.mkv");
    const MediaFacts facts = ProbeMedia(file, true);
    EXPECT_EQ(facts.videoCodec, "mpeg2video");
    EXPECT_EQ(facts.videoFrames, SourceOf(TestDisc("pal-copy")).frames);
    EXPECT_EQ(facts.audioCodec, "ac3");
    EXPECT_EQ(facts.audioLanguages, (std::vector<std::string>{"eng", "fre"}));
    const std::vector<SubtitleTrackFacts> tracks = SubtitleTracksOf(file);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].language, "eng");
    EXPECT_EQ(DecodeErrors(file), "");
}
