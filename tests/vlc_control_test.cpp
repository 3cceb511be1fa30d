#include "settings/setting_table.h"
#include "dvd/dvd_source.h"
#include "convert/vlc_control.h"
#include "read/play_list.h"
#include "settings/codecs_ini.h"
#include "settings/rip_settings.h"
#include "tests/media_probe.h"
#include "tests/test_discs.h"
#include "tests/stand_ins.h"
#include "rip/transcode_chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The default conversion's option text, as the chain builder writes it.
std::string Chain(const std::string& output, const std::string& mux = "ts", const std::string& video = "mp1v",
                  const std::string& audio = "mpga")
{
    RipSettings settings;
    settings.mux = mux;
    settings.videoCodec = video;
    settings.audioCodec = audio;
    return BuildTranscodeChain(settings, output, false);
}

struct Poll {
    bool sawAdvance = false;
    bool sawNegativeAdvance = false;  // one value negative while the other advanced
    int ticks = 0;
};

// Polls as the rip runner does, time then position, but often (a conversion
// may take less than a second), until both are negative.
Poll PollUntilDone(CVLCControl& control, int maxSeconds = 120)
{
    Poll poll;
    for (; poll.ticks < maxSeconds * 50; ++poll.ticks) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const int time = control.GetTime();
        const float position = control.GetPosition();
        if (time < 0 && position < 0) break;
        if (time > 0 && position > 0) poll.sawAdvance = true;
        if ((time > 0) != (position > 0) && (time < 0 || position < 0)) poll.sawNegativeAdvance = true;
    }
    return poll;
}

// Starts converting the whole disc at `disc` as a rip does: its play list
// read once, the file (`chain`'s) written through a descriptor opened here.
void ConvertAsARip(CVLCControl& control, const std::string& disc, const std::string& chain, const std::string& output)
{
    std::string problem;
    const DiscPart part{disc, WholeDiscPlayList(disc, &problem), problem, true};
    const int file = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    control.Convert(part, chain, file);
    if (file >= 0) close(file);
}

// Converts `chain` of a disc to its end into `output`, and ends the item as the runner does; the failure, if any.
std::string ConvertFully(const std::string& disc, const std::string& chain, const std::string& output)
{
    CVLCControl control;
    ConvertAsARip(control, disc, chain, output);
    while (!(control.GetTime() < 0 && control.GetPosition() < 0)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    control.stop();
    control.playlistClear();
    return control.Failure();
}

double TitleSeconds(const std::string& disc)
{
    FixedVolumeTable volumes;
    DvdSource source(volumes);
    source.Load(disc + "/VIDEO_TS");
    return source.TitleSets().at(0)->pgcEntries.at(0)->angles.at(0)->seconds;
}

}  // namespace

TEST(VlcControlTest, ControlWithoutAnItemDoesNothing)
{
    CVLCControl control;
    EXPECT_LT(control.GetPosition(), 0);
    EXPECT_LT(control.GetTime(), 0);
    control.stop();
    control.playlistClear();
    EXPECT_LT(control.GetPosition(), 0);
    EXPECT_EQ(control.Failure(), "");
}

TEST(VlcControlTest, ConvertsADiscAndReportsTheEnd)
{
    const std::string disc = TestDisc("pal-30s");
    const std::string output = ScratchFolder() + "/MY MOVIE, \"cut\".mpg";  // spaces, a comma and quotes survive
    CVLCControl control;
    const auto start = std::chrono::steady_clock::now();
    ConvertAsARip(control, disc, Chain(output), output);
    const Poll poll = PollUntilDone(control);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("conversion of a 30 s PAL title: %.1f s wall, %d polls\n", wall, poll.ticks);

    EXPECT_TRUE(poll.sawAdvance);
    EXPECT_LT(control.GetTime(), 0);
    EXPECT_LT(control.GetPosition(), 0);
    EXPECT_EQ(control.Failure(), "");
    control.stop();
    control.playlistClear();

    ASSERT_TRUE(fs::exists(output));
    const MediaFacts facts = ProbeMedia(output);
    EXPECT_EQ(facts.videoStreams, 1);
    EXPECT_EQ(facts.audioStreams, 1);
    EXPECT_EQ(facts.videoCodec, "mpeg1video");
    EXPECT_EQ(facts.audioCodec, "mp2");
    const double title = TitleSeconds(disc);
    EXPECT_NEAR(facts.duration, title, title * 0.05);
}

TEST(VlcControlTest, FailedItemEndsWithoutAdvancing)
{
    CVLCControl control;
    control.addTarget("dvdsimple://" + ScratchFolder() + "/no-such-disc", {Chain(ScratchFolder() + "/out.mpg")}, 10, -666);
    const Poll poll = PollUntilDone(control, 30);
    EXPECT_FALSE(poll.sawAdvance);
    EXPECT_LT(poll.ticks, 30 * 50);
    EXPECT_NE(control.Failure(), "");
    EXPECT_LT(control.GetTime(), 0);

    // What the converter cannot carry out is refused at once with its reason, naming the encoder, not the disc.
    const std::pair<std::string, std::string> refused[] = {
        {"dvdsimple://" + TestDisc("pal-1s"), Chain(ScratchFolder() + "/out.mpg", "ts", "xyz9")},
        {"file://" + TestDisc("pal-1s"), Chain(ScratchFolder() + "/out.mpg")},
    };
    for (const auto& [locator, chain] : refused) {
        try {
            control.addTarget(locator, {chain}, 10, -666);
            ADD_FAILURE() << "accepted " << locator << " " << chain;
        } catch (const ConverterError& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(locator.starts_with("file") ? "reads discs" : "no encoder for the video codec xyz9"),
                      std::string::npos) << refusal.what();
        }
        EXPECT_LT(control.GetPosition(), 0);
        EXPECT_FALSE(fs::exists(ScratchFolder() + "/out.mpg"));
    }
}

// What the converter cannot do ends the item with its cause.
TEST(VlcControlTest, FailuresNameTheirCause)
{
    const std::string missing = ScratchFolder() + "/no-such-folder/out.mpg", ogg = ScratchFolder() + "/out.ogg";
    const std::pair<std::string, std::string> failures[] = {
        {missing, "cannot create " + missing + ": No such file or directory"},
        {ogg, "cannot begin " + ogg + " as ogg with mpeg1video, mp2: Invalid argument"},
    };
    for (const auto& [output, cause] : failures) {
        const std::string chain = Chain(output, output == ogg ? "ogg" : "ts");
        EXPECT_NE(ConvertFully(TestDisc("pal-1s"), chain, output).find(cause), std::string::npos) << cause;
    }
}

// With the display, the converted pictures come at playing speed, made small.
TEST(VlcControlTest, PreviewPicturesComeAtPlayingSpeed)
{
    RipSettings settings;
    settings.mux = "ts";
    CVLCControl control;
    std::atomic<int> pictures{0};
    control.ShowPicturesIn(60, 40, [&] { ++pictures; });
    const auto start = std::chrono::steady_clock::now();
    ConvertAsARip(control, TestDisc("pal-1s"), BuildTranscodeChain(settings, ScratchFolder() + "/shown.mpg", true, "25"),
                  ScratchFolder() + "/shown.mpg");
    while (!(control.GetTime() < 0 && control.GetPosition() < 0)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The last of the disc's 25 pictures shows 0.96 s after the first.
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.95);
    control.playlistClear();
    EXPECT_EQ(control.Failure(), "");
    EXPECT_EQ(pictures, 25);
    const std::vector<uint8_t> picture = control.LatestPicture();
    ASSERT_EQ(picture.size(), 60u * 40 * 4);
    EXPECT_GT(std::count_if(picture.begin(), picture.end(), [](uint8_t byte) { return byte > 32; }), 60 * 40);  // not black
    EXPECT_EQ(ProbeMedia(ScratchFolder() + "/shown.mpg", true).videoFrames, 25);
}

TEST(VlcControlTest, StopLeavesThePartialFile)
{
    const std::string output = ScratchFolder() + "/partial.mpg";
    CVLCControl control;
    // With the display it converts at playing speed: stopped long before its end.
    control.ShowPicturesIn(16, 16, nullptr);
    RipSettings settings;
    settings.mux = "ts";
    ConvertAsARip(control, TestDisc("pal-30s"), BuildTranscodeChain(settings, output, true, "25"), output);
    while (!(control.GetTime() > 0 && control.GetPosition() > 0)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GT(control.GetPosition(), 0);
    control.stop();
    EXPECT_LT(control.GetPosition(), 0);
    EXPECT_LT(control.GetTime(), 0);
    control.playlistClear();
    ASSERT_TRUE(fs::exists(output));
    EXPECT_GT(fs::file_size(output), 0u);
    EXPECT_LT(ProbeMedia(output).duration, 29.0);
}

// Every codec that codecs.ini offers, each paired with the first codec of the
// other kind, written through its container's mux.
TEST(VlcControlTest, EveryListedCodecConvertsIntoItsContainer)
{
    const char* muxes[] = {"ts", "ps", "mpeg1", "asf", "mp4", "mov", "avi", "ogg", "mkv"};
    const char* extensions[] = {".mpg", ".mpg", ".mpg", ".asf", ".mp4", ".mov", ".avi", ".ogg", ".mkv"};
    const std::string disc = TestDisc("pal-3ch");
    for (int container = 0; container < TableSize(kContainerTable); ++container) {
        const CodecLists lists = ReadCodecLists(container, std::string(TARVOK_RUNTIME_DIR) + "/codecs.ini");
        ASSERT_FALSE(lists.videoCodecs.empty());
        ASSERT_FALSE(lists.audioCodecs.empty());
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const std::string& video : lists.videoCodecs) pairs.emplace_back(video, lists.audioCodecs[0]);
        for (std::size_t a = 1; a < lists.audioCodecs.size(); ++a) pairs.emplace_back(lists.videoCodecs[0], lists.audioCodecs[a]);
        for (const auto& [video, audio] : pairs) {
            SCOPED_TRACE(std::string(kContainerTable[container]) + " " + video + "/" + audio);
            const std::string output = ScratchFolder() + "/" + muxes[container] + "-" + video + "-" + audio + extensions[container];
            EXPECT_EQ(ConvertFully(disc, Chain(output, muxes[container], video, audio), output), "");
            const MediaFacts facts = ProbeMedia(output, true);
            EXPECT_EQ(facts.videoStreams, 1);
            EXPECT_EQ(facts.audioStreams, 1);
            EXPECT_EQ(facts.videoFrames, 150);
            EXPECT_EQ(DecodeErrors(output), "");
        }
    }
}

// Every audio codec the settings window offers, at every rate and channel
// count it offers and at the extremes of its bitrates, writes its audio.
TEST(VlcControlTest, EveryOfferedAudioSettingWritesItsAudio)
{
    const char* muxes[] = {"ts", "ps", "mpeg1", "asf", "mp4", "mov", "avi", "ogg", "mkv"};
    std::map<std::string, int> containerOf;  // each audio codec in the first container that offers it
    for (int container = TableSize(kContainerTable) - 1; container >= 0; --container)
        for (const std::string& codec : ReadCodecLists(container, std::string(TARVOK_RUNTIME_DIR) + "/codecs.ini").audioCodecs)
            if (codec != kCopyCodec) containerOf[codec] = container;  // a copy keeps the disc's own rate and channels
    struct Setting {
        int rate, channels, bitrate;
    };
    std::vector<Setting> settings;
    for (int r = 0; r < TableSize(kSampleRateTable); ++r)
        for (int c = 0; c < TableSize(kChannelTable); ++c) settings.push_back({std::atoi(kSampleRateTable[r]), std::atoi(kChannelTable[c]), 128});
    for (int bitrate : {std::atoi(kAudioBitrateTable[0]), std::atoi(kAudioBitrateTable[TableSize(kAudioBitrateTable) - 1])})
        for (const Setting& ends : {Setting{48000, 2, 0}, Setting{11250, 1, 0}}) settings.push_back({ends.rate, ends.channels, bitrate});

    const std::string disc = TestDisc("pal-1s");
    std::map<std::pair<std::string, int>, int> rates;  // the rate written, by codec and rate asked for
    for (const auto& [codec, container] : containerOf) {
        const std::string video = ReadCodecLists(container, std::string(TARVOK_RUNTIME_DIR) + "/codecs.ini").videoCodecs.at(0);
        for (const Setting& setting : settings) {
            SCOPED_TRACE(codec + " " + std::to_string(setting.rate) + " Hz " + std::to_string(setting.channels) + " ch " +
                         std::to_string(setting.bitrate) + " kbit/s");
            RipSettings rip;
            rip.mux = muxes[container];
            rip.videoCodec = video;
            rip.audioCodec = codec;
            rip.audioRate = setting.rate;
            rip.audioChannels = setting.channels;
            rip.audioBitrate = setting.bitrate;
            const std::string output = ScratchFolder() + "/audio." + rip.mux;
            EXPECT_EQ(ConvertFully(disc, BuildTranscodeChain(rip, output, false, "25"), output), "");
            const MediaFacts facts = ProbeMedia(output);
            EXPECT_EQ(facts.audioStreams, 1);
            EXPECT_EQ(facts.channels, setting.channels);
            rates[{codec, setting.rate}] = facts.sampleRate;
            fs::remove(output);
        }
    }
    // A rate the encoder does not take moves to the nearest one it does.
    const std::pair<std::pair<std::string, int>, int> moved[] = {
        {{"spx", 48000}, 32000}, {{"spx", 11250}, 8000},  {{"mpga", 22500}, 22050},
        {{"a52", 11250}, 32000}, {{"mp4a", 11250}, 11025}, {{"vorb", 22500}, 22500},
    };
    for (const auto& [setting, rate] : moved) EXPECT_EQ(rates[setting], rate) << setting.first << " " << setting.second;
}

TEST(VlcControlTest, ScaleAndBitrateAreApplied)
{
    const struct {
        std::string scale;
        int videoBitrate, width, height;
        bool kept;  // the picture is large enough for the encoder to reach the bitrate
    } sizes[] = {{"0.25", 1024, 180, 144, false}, {"0.75", 1024, 540, 432, false}, {"1", 1024, 720, 576, true},
                 {"1", 3072, 720, 576, true},     {"1.25", 1024, 900, 720, false}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.scale + " " + std::to_string(size.videoBitrate));
        RipSettings rip;
        rip.mux = "ts";
        rip.videoScale = size.scale;
        rip.videoBitrate = size.videoBitrate;
        const std::string output = ScratchFolder() + "/scaled.mpg";
        EXPECT_EQ(ConvertFully(TestDisc("pal-3ch"), BuildTranscodeChain(rip, output, false, "25"), output), "");
        const MediaFacts facts = ProbeMedia(output);
        EXPECT_EQ(facts.width, size.width);
        EXPECT_EQ(facts.height, size.height);
        if (size.kept) {
            std::istringstream sizes(RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=size -of default=nw=1:nk=1 " +
                                                ShellQuote(output)));
            long bytes = 0;
            for (long packet = 0; sizes >> packet;) bytes += packet;
            EXPECT_NEAR(bytes * 8 / 1000.0 / 6, size.videoBitrate, size.videoBitrate * 0.25);  // the disc's 6 seconds
        }
    }
}
