// tarvok-rip rip --copy: the disc's own streams, unchanged, in every
// container that can hold them.
#include "tests/media_probe.h"
#include "tests/reference_readers.h"
#include "tests/rip_command.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The pictures of each chapter of a disc as lsdvd reads them, title by title.
std::vector<std::vector<long>> ChapterPictures(const std::string& disc, double rate)
{
    std::vector<std::vector<long>> titles;
    for (const LsdvdTrack& track : LsdvdTracks(disc)) {
        titles.emplace_back();
        for (double seconds : track.chapterSeconds) titles.back().push_back(std::lround(seconds * rate));
    }
    return titles;
}

// Every packet of audio stream `k` of `file` is one of the disc's, as it is;
// the disc's that are not there, counted.
long SoundPacketsLeftOut(const std::string& file, const std::string& disc, int k)
{
    std::multiset<std::string> ondisc;
    for (const char* vob : {"VTS_01_1.VOB", "VTS_02_1.VOB"})
        if (fs::exists(disc + "/VIDEO_TS/" + vob))
            for (const std::string& sum : AudioPacketChecksums(disc + "/VIDEO_TS/" + vob, k)) ondisc.insert(sum);
    const std::vector<std::string> copied = AudioPacketChecksums(file, k);
    EXPECT_FALSE(copied.empty());
    long foreign = 0;
    for (const std::string& sum : copied) foreign += ondisc.count(sum) == 0;
    EXPECT_EQ(foreign, 0) << file << " audio " << k;
    return long(ondisc.size()) - long(copied.size());
}

}  // namespace

// A whole disc of two title sets alike, copied into each container that can
// hold its streams: every picture as it is, at the declared shape and (in
// MKV) field order; each sound packet the disc's own, missing none but where
// the title sets join and at the ends; the subtitles and the chapter marks
// where the container keeps them.
TEST(CopyTest, EveryContainerThatHoldsTheDiscsStreamsKeepsThemAsTheyAre)
{
    const std::string disc = TestDisc("pal-copy");
    const std::vector<std::vector<long>> chapters = ChapterPictures(disc, 25);
    ASSERT_EQ(chapters.size(), 2u);
    const struct {
        std::string options;
        std::vector<std::string> languages;
        std::size_t subtitleTracks;
        bool chapters;
    } containers[] = {
        {"", {"eng", "fre"}, 2, true},  // MKV unless told
        {"--container mp4", {"eng", "fre"}, 2, true},
        {"--container ps", {"", ""}, 2, false},
        {"--container ts", {"eng", "fre"}, 0, false},
    };
    for (const auto& c : containers) {
        SCOPED_TRACE(c.options);
        const std::string file = RippedFile(disc, ScratchFolder() + "/out" + std::to_string(&c - containers), "--copy " + c.options);
        ASSERT_FALSE(file.empty());
        if (c.options.empty()) {
            EXPECT_TRUE(file.ends_with(".mkv")) << file;
        }
        const MediaFacts facts = ProbeMedia(file, true);
        EXPECT_EQ(facts.videoCodec, "mpeg2video");
        EXPECT_EQ(facts.videoFrames, SourceOf(disc).frames);
        EXPECT_EQ(facts.displayAspect, "16:9");
        EXPECT_EQ(facts.fieldOrder, "tt");
        EXPECT_EQ(facts.audioCodec, "ac3");
        EXPECT_EQ(facts.audioLanguages, c.languages);
        for (int k = 0; k < 2; ++k) EXPECT_LE(SoundPacketsLeftOut(file, disc, k), 3) << "audio " << k;
        EXPECT_EQ(SubtitleTracksOf(file).size(), c.subtitleTracks);
        if (c.chapters) {
            const std::vector<std::pair<std::string, double>> marks = {
                {"Title 1.1, Chapter 1", 0}, {"Title 1.1, Chapter 2", chapters[0][0] / 25.0},
                {"Title 2.1, Chapter 1", (chapters[0][0] + chapters[0][1]) / 25.0}};
            ASSERT_EQ(facts.chapters.size(), marks.size());
            for (std::size_t i = 0; i < marks.size(); ++i) {
                EXPECT_EQ(facts.chapters[i].first, marks[i].first);
                EXPECT_NEAR(facts.chapters[i].second, marks[i].second, 0.001);
            }
        }
        EXPECT_TRUE(TimelineRunsForward(file));
        EXPECT_EQ(DecodeErrors(file), "");
    }
}

// A copy takes the choices a conversion takes: titles, chapters, streams,
// progress for scripts.
TEST(CopyTest, ChoicesNarrowWhatIsCopied)
{
    const std::string disc = TestDisc("pal-copy");
    const std::vector<std::vector<long>> chapters = ChapterPictures(disc, 25);
    const struct {
        std::string options;
        std::vector<std::string> files;
        std::vector<long> frames;
        std::vector<std::string> languages;
        std::vector<std::string> subtitles;
    } cases[] = {
        {"--title 1 --chapters 2 --audio fr --subtitles en", {"dvdRip_Movie1_T1.1.1_C2_A2.mkv"}, {chapters[0][1]}, {"fre"}, {"eng"}},
        {"--title each --min-length 1 --audio en --subtitles fr --container mp4",
         {"dvdRip_Movie1_T1.1.1.mp4", "dvdRip_Movie2_T2.1.1.mp4"}, {chapters[0][0] + chapters[0][1], chapters[1][0]}, {"eng"}, {"fre"}},
        {"--title 2 --forced --progress json", {"dvdRip_Movie1_T2.1.1.mkv"}, {chapters[1][0]}, {"eng", "fre"}, {"eng", "fre"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string out = ScratchFolder() + "/out" + std::to_string(&c - cases);
        int status = -1;
        const std::string printed = Rip(ShellQuote(disc) + " --copy --yes --output " + ShellQuote(out) + " " + c.options, &status);
        ASSERT_EQ(status, 0) << LastErrors();
        if (c.options.find("json") != std::string::npos) {
            std::istringstream lines(printed);
            std::string line, last;
            while (std::getline(lines, line)) last = line;
            const auto summary = nlohmann::json::parse(last);
            EXPECT_EQ(summary["state"], "finished");
            EXPECT_EQ(summary["status"], 0);
        }
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            const std::string file = out + "/" + c.files[i];
            const MediaFacts facts = ProbeMedia(file, true);
            EXPECT_EQ(facts.videoCodec, "mpeg2video") << file;
            EXPECT_EQ(facts.videoFrames, c.frames[i]) << file;
            EXPECT_EQ(facts.audioLanguages, c.languages) << file;
            std::vector<std::string> subtitles;
            for (const SubtitleTrackFacts& track : SubtitleTracksOf(file)) subtitles.push_back(track.language);
            EXPECT_EQ(subtitles, c.subtitles) << file;
            EXPECT_EQ(DecodeErrors(file), "") << file;
        }
    }
}

// What a copy cannot make exits 64 with the reason before anything is written.
TEST(CopyTest, WhatCannotBeCopiedIsRefusedWithItsReason)
{
    // Title set 2 declares its sound MPEG-1: a whole-disc copy would need two kinds in one track.
    const std::string mixed = CopyOfDisc("ntsc-2vts", "mixed");
    {
        std::fstream ifo(mixed + "/VIDEO_TS/VTS_02_0.IFO", std::ios::in | std::ios::out | std::ios::binary);
        ifo.seekg(0x204);
        const int attributes = ifo.get();
        ifo.seekp(0x204);
        ifo.put(char((attributes & 0x1F) | 2 << 5));
    }
    const struct {
        std::string disc, options, reason;
    } cases[] = {
        {TestDisc("pal-copy"), "--burn en", "--burn draws into a converted picture"},
        {TestDisc("pal-copy"), "--container avi", "avi cannot hold the disc's MPEG-2 pictures as they are: copy into mkv, ps, ts or mp4"},
        {TestDisc("pal-lpcm"), "--container mp4", "mp4 cannot hold the disc's LPCM sound (stream 1, en) as it is: copy into mkv or ps"},
        {TestDisc("pal-lpcm"), "--container ts", "ts cannot hold the disc's LPCM sound"},
        {mixed, "", "differ in the sound of one language (AC-3, MPEG-1), which no one track of a file can hold: copy each title "
                    "into a file of its own (--title each)"},
    };
    const std::string out = ScratchFolder() + "/out";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        int status = -1;
        Rip(ShellQuote(c.disc) + " --copy --yes --output " + ShellQuote(out) + " " + c.options, &status);
        EXPECT_EQ(status, 64);
        EXPECT_NE(LastErrors().find(c.reason), std::string::npos) << LastErrors();
        EXPECT_FALSE(fs::exists(out));
    }
    // Each title set alone is one kind of sound, but it is not what its IFO says: no file says otherwise.
    int status = -1;
    Rip(ShellQuote(mixed) + " --copy --title each --min-length 1 --yes --output " + ShellQuote(out), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(LastErrors().find("audio track 1 holds ac3, not the MPEG-1 the disc declares"), std::string::npos) << LastErrors();
    EXPECT_FALSE(fs::exists(out + "/dvdRip_Movie2_T2.1.1.mkv"));
}

// LPCM has no frames to copy: the samples themselves are kept, as they are
// in MPEG PS and as little-endian PCM in MKV.
TEST(CopyTest, LpcmKeepsEverySample)
{
    const std::string disc = TestDisc("pal-lpcm");
    for (const auto& [container, codec] : {std::pair{"mkv", "pcm_s16le"}, {"ps", "pcm_dvd"}}) {
        SCOPED_TRACE(container);
        const std::string file = RippedFile(disc, ScratchFolder() + "/" + container, std::string("--copy --container ") + container);
        const MediaFacts facts = ProbeMedia(file);
        EXPECT_EQ(facts.audioCodec, codec);
        EXPECT_EQ(facts.audioStreams, 2);
        for (int k = 0; k < 2; ++k) {
            const std::string copied = DecodedSound(file, k), ondisc = DecodedSound(disc + "/VIDEO_TS/VTS_01_1.VOB", k);
            EXPECT_GT(copied.size(), ondisc.size() - 48000 * 4 / 25) << "less than a picture's sound missing";
            EXPECT_NE(ondisc.find(copied), std::string::npos) << "audio " << k << " is the disc's own samples";
        }
    }
}

// Cuts of a title whose groups of pictures are open: a chapter loses only
// the B pictures before its first I picture, which need the chapter before;
// chapters copied together are what each copies alone, and everything
// decodes without an error.
TEST(CopyTest, CutsLoseOnlyPicturesThatCannotBeDecoded)
{
    const std::string disc = TestDisc("pal-open-gops");
    const std::vector<long> pictures = ChapterPictures(disc, 25).at(0);
    ASSERT_EQ(pictures.size(), 3u);
    std::map<std::string, long> copied;
    for (const std::string chapters : {"1", "2", "3", "1,3", "2-3", "1-3"}) {
        SCOPED_TRACE(chapters);
        const std::string file = RippedFile(disc, ScratchFolder() + "/c" + chapters, "--copy --title 1 --chapters " + chapters);
        copied[chapters] = ProbeMedia(file, true).videoFrames;
        EXPECT_EQ(DecodeErrors(file), "");
        EXPECT_TRUE(TimelineRunsForward(file));
    }
    EXPECT_EQ(copied["1"], pictures[0]);  // the title's first group is closed
    for (int c : {2, 3}) {
        EXPECT_LT(copied[std::to_string(c)], pictures[c - 1]) << "chapter " << c << " starts with an open group";
        EXPECT_GE(copied[std::to_string(c)], pictures[c - 1] - 2) << "two B pictures at most";
    }
    EXPECT_EQ(copied["1,3"], copied["1"] + copied["3"]);
    EXPECT_EQ(copied["2-3"], copied["2"] + pictures[2]);
    EXPECT_EQ(copied["1-3"], pictures[0] + pictures[1] + pictures[2]);
}

// Film pulled down by its flags plays as long as on the disc, every picture
// kept once and marked progressive.
TEST(CopyTest, SoftTelecinePlaysAsLongAsTheDisc)
{
    const std::string disc = TestDisc("ntsc-soft-telecine");
    const double seconds = LsdvdTracks(disc).at(0).length;
    const long pictures = ProbeMedia(disc + "/VIDEO_TS/VTS_01_1.VOB", true).videoFrames;
    EXPECT_NEAR(pictures * 1001.0 / 24000, seconds, 0.1) << "coded at 24000/1001";
    for (const std::string container : {"mkv", "mp4"}) {
        SCOPED_TRACE(container);
        const std::string file = RippedFile(disc, ScratchFolder() + "/" + container, "--copy --container " + container);
        const MediaFacts facts = ProbeMedia(file, true);
        EXPECT_EQ(facts.videoFrames, pictures);
        EXPECT_NEAR(facts.duration, seconds, 0.1);
        EXPECT_EQ(facts.fieldOrder, "progressive");
        EXPECT_EQ(DecodeErrors(file), "");
    }
}

// Damage is passed over and told as for a conversion; a stopped copy is a
// finished file.
TEST(CopyTest, DamageAndAStopLeaveAPlayableCopy)
{
    const std::string disc = TestDisc("pal-2min"), out = ScratchFolder() + "/out";
    const uint64_t middle = fs::file_size(disc + "/VIDEO_TS/VTS_01_1.VOB") / 2 / 2048 * 2048;
    int status = -1;
    const std::string printed =
        Rip(ShellQuote(disc) + " --copy --yes --output " + ShellQuote(out), &status, "/dev/null",
            "env LD_PRELOAD=" + ShellQuote(TARVOK_FAULT_SHIM) + " TARVOK_FAULT_FILE=VTS_01_1.VOB TARVOK_FAULT=eio TARVOK_FAULT_FROM=" +
                std::to_string(middle) + " TARVOK_FAULT_TO=" + std::to_string(middle + 2048));
    EXPECT_EQ(status, 3);
    EXPECT_NE(LastErrors().find("1 damaged sector passed over: the file lacks 1:00.0-1:00.6"), std::string::npos) << LastErrors();
    const std::string file = printed.substr(0, printed.find('\n'));
    EXPECT_GE(ProbeMedia(file, true).videoFrames, 2985);
    EXPECT_TRUE(TimelineRunsForward(file));

    fs::remove_all(out);
    EXPECT_EQ(RipStoppedMidway(disc, "--copy --output " + ShellQuote(out), "INT"), "1\n");
    const std::string stopped = out + "/dvdRip_Movie1.mkv";
    EXPECT_NE(LastErrors().find("stopped; the partial file " + stopped + " stays"), std::string::npos) << LastErrors();
    const MediaFacts facts = ProbeMedia(stopped, true);
    EXPECT_GT(facts.videoFrames, 0);
    EXPECT_LT(facts.videoFrames, 3000);
    EXPECT_EQ(DecodeErrors(stopped), "");
}
