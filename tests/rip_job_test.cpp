#include "dvd/dvd_source.h"
#include "platform/volume_table.h"
#include "rip/output_file.h"
#include "rip/rip_job.h"
#include "convert/vlc_control.h"
#include "tests/media_probe.h"
#include "tests/test_discs.h"
#include "rip/containers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A front end's part, scripted: the answers it gives and what it was told.
struct ScriptedFrontEnd {
    std::vector<std::string> overwriteAsked, retryAsked, told, started;
    int retriesSeenWhenAsked = -1;
    std::string errorSeenWhenAsked;

    JobEvents Events()
    {
        JobEvents events;
        events.itemStarted = [this](int item, const std::string& path) { started.push_back(std::to_string(item) + " " + path); };
        return events;
    }

    // What the job asks is answered as it stops to ask: the file is kept, the retry refused.
    void Answer(RipJob& job)
    {
        const JobRequest asked = job.Request();
        if (asked.kind == JobRequest::Kind::Overwrite) {
            overwriteAsked.push_back(asked.path);
            job.Answer(std::optional<WriteTo>());
        } else if (asked.kind == JobRequest::Kind::Retry) {
            retryAsked.push_back(asked.reason);
            retriesSeenWhenAsked = job.State().retry;
            errorSeenWhenAsked = job.State().error;
            job.Answer(false);
        } else {
            told.push_back(asked.reason);
            job.Acknowledge();
        }
    }

    // Polls the job to its end as a front end's timer would; false if the job's percent ever went down.
    bool RunToTheEnd(RipJob& ripJob)
    {
        bool forward = true;
        double percent = 0;
        ripJob.Start();
        while (!ripJob.Ended()) {
            if (ripJob.State().phase == JobPhase::Asking) {
                Answer(ripJob);
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ripJob.Poll();
            forward = forward && ripJob.State().percent >= percent;
            percent = ripJob.State().percent;
        }
        return forward && ripJob.State().percent == 100;
    }
};

JobPlan PlanFor(const std::string& disc, const std::string& folder)
{
    RipSettings settings;  // MPEG TS, MPEG-1 video, MPEG audio
    GetContainerExtension(settings);
    JobPlan plan;
    plan.videoTsPath = disc + "/VIDEO_TS";
    plan.folder = folder;
    plan.settings = settings;
    plan.silentRetries = 2;
    return plan;
}

}  // namespace

// Three items of one disc, each ending its own way: the first's file is
// there and the user keeps it, the second's title set cannot be read (tried
// again silently, then asked, then given up), the third is converted.
TEST(RipJobTest, EachItemEndsItsOwnWayAndTheOthersGoOn)
{
    const std::string disc = CopyOfDisc("ntsc-2vts", "job-disc"), out = ScratchFolder() + "/out";
    fs::remove(disc + "/VIDEO_TS/VTS_02_1.VOB");
    NoVolumeTable noVolumes;
    DvdSource source(noVolumes);
    source.Load(disc + "/VIDEO_TS");
    fs::create_directories(out);
    std::ofstream(out + "/dvdRip_Movie1_T1.1.1.mpg") << "the user's own file";

    ScriptedFrontEnd front;
    RipJob job(source, PlanFor(disc, out),
               {DiscSelection{1, 1, 1, {}, 0}, DiscSelection{2, 1, 1, {}, 0}, DiscSelection{1, 1, 1, {2}, 0}}, front.Events());
    EXPECT_TRUE(front.RunToTheEnd(job));

    ASSERT_EQ(job.Results().size(), 3u);
    EXPECT_EQ(job.Results()[0].outcome, ItemOutcome::Skipped);
    EXPECT_EQ(front.overwriteAsked, std::vector<std::string>{out + "/dvdRip_Movie1_T1.1.1.mpg"});
    EXPECT_EQ(fs::file_size(out + "/dvdRip_Movie1_T1.1.1.mpg"), 19u);

    EXPECT_EQ(job.Results()[1].outcome, ItemOutcome::Failed);
    EXPECT_EQ(job.Results()[1].reason, "nothing was converted: the disc has no title set 2");
    EXPECT_EQ(front.retryAsked.size(), 1u);
    EXPECT_EQ(front.retriesSeenWhenAsked, 2);
    EXPECT_EQ(front.errorSeenWhenAsked, job.Results()[1].reason);
    EXPECT_FALSE(SomethingAt(out + "/dvdRip_Movie2_T2.1.1.mpg"));

    // Item 3 is named by its own number on a disc without a label.
    const std::string third = out + "/dvdRip_Movie3_T1.1.1_C2.mpg";
    EXPECT_EQ(job.Results()[2].outcome, ItemOutcome::Done);
    EXPECT_EQ(job.Results()[2].file, third);
    EXPECT_EQ(ProbeMedia(third, true).videoFrames, 90);
    EXPECT_TRUE(front.told.empty());
    EXPECT_EQ(front.started.back(), "3 " + third);
    EXPECT_EQ(JobExitStatus(job.Results()), 1);
}

// Stopped while its first item converts (at playing speed, with the
// preview): that item keeps what it converted, the rest are not ripped.
TEST(RipJobTest, StopKeepsTheRunningItemsFileAndRipsNoMore)
{
    const std::string out = ScratchFolder() + "/out";
    NoVolumeTable noVolumes;
    DvdSource source(noVolumes);
    source.Load(TestDisc("pal-30s") + "/VIDEO_TS");
    JobPlan plan = PlanFor(TestDisc("pal-30s"), out);
    plan.preview = true;
    plan.pictureWidth = plan.pictureHeight = 16;
    RipJob job(source, plan, {std::nullopt, DiscSelection{1, 1, 1, {1}, 0}});
    job.Start();
    while (job.State().itemPercent <= 0 && !job.Ended()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        job.Poll();
    }
    ASSERT_EQ(job.State().item, 1);
    // Stop returns at once; the file is finished and put in place on the job's thread, seen by a poll.
    job.Stop();
    EXPECT_EQ(job.State().phase, JobPhase::Stopping);
    while (!job.Ended()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        job.Poll();
    }
    EXPECT_EQ(job.Results()[0].outcome, ItemOutcome::Stopped);
    EXPECT_EQ(job.Results()[0].file, out + "/dvdRip_Movie1.mpg");
    EXPECT_GT(ProbeMedia(out + "/dvdRip_Movie1.mpg", true).videoFrames, 0);
    EXPECT_EQ(job.Results()[1].outcome, ItemOutcome::NotRipped);
    EXPECT_FALSE(SomethingAt(out + "/dvdRip_Movie2_T1.1.1_C1.mpg"));
    EXPECT_EQ(JobExitStatus(job.Results()), 1);
}

TEST(RipJobTest, ExitStatusOfTheOutcomes)
{
    using O = ItemOutcome;
    const std::pair<std::vector<O>, int> cases[] = {
        {{O::Done, O::Done}, 0}, {{O::Done, O::Damaged}, 3}, {{O::Damaged, O::Failed}, 1},
        {{O::Done, O::Skipped}, 1}, {{O::Done, O::NotRipped}, 1}, {{O::Stopped}, 1}, {{}, 1},
    };
    for (const auto& [outcomes, status] : cases) {
        std::vector<ItemResult> results;
        for (O outcome : outcomes) results.push_back({outcome, "", "", ""});
        EXPECT_EQ(JobExitStatus(results), status) << outcomes.size();
    }
}
