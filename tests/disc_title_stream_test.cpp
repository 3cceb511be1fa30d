#include "read/disc_title_stream.h"
#include "tests/media_probe.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(DiscTitleStream& stream, std::size_t chunk = 100000)
{
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> buffer(chunk);
    long got;
    while ((got = stream.Read(buffer.data(), buffer.size())) > 0) bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    EXPECT_EQ(got, 0);
    return bytes;
}

std::string Save(const std::vector<uint8_t>& bytes)
{
    const std::string path = ScratchFolder() + "/stream.mpg";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

}  // namespace

TEST(DiscTitleStreamTest, TitlesBecomeOneStreamOnOneTimeline)
{
    const std::string disc = TestDisc("ntsc-2vts");
    auto stream = DiscTitleStream::Open(disc);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->TitleCount(), 2);
    const auto bytes = ReadAll(*stream, 3000);  // reads that cut sectors in two
    EXPECT_EQ(bytes.size(), stream->Size());
    EXPECT_EQ(bytes.size(), fs::file_size(disc + "/VIDEO_TS/VTS_01_1.VOB") + fs::file_size(disc + "/VIDEO_TS/VTS_02_1.VOB"));

    // Every picture of both titles, and the second title after the first.
    const MediaFacts facts = ProbeMedia(Save(bytes), true);
    EXPECT_EQ(facts.videoFrames, 420);
    EXPECT_NEAR(facts.duration, 14.0, 0.1);
}

TEST(DiscTitleStreamTest, AnImageReadsAsTheFolderItWasMadeFrom)
{
    auto fromFolder = DiscTitleStream::Open(TestDisc("pal-two-languages"));
    auto fromImage = DiscTitleStream::Open(ImageOfDisc("pal-two-languages", "TWO_LANGS"));
    ASSERT_TRUE(fromFolder && fromImage);
    EXPECT_EQ(fromImage->TitleCount(), 2);
    EXPECT_TRUE(ReadAll(*fromImage) == ReadAll(*fromFolder));
}

TEST(DiscTitleStreamTest, ChaptersStartWhereTheIfoFilesSay)
{
    auto stream = DiscTitleStream::Open(TestDisc("pal-16x9-menu") + "/VIDEO_TS");
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->TitleCount(), 2);  // the menu is not a title
    ReadAll(*stream);
    // Where the reader finds each chapter on its timeline, and the cell times of the IFO files.
    const std::vector<ChapterMark> marks = ChapterMarks(stream->Titles(), true);
    const std::vector<int64_t> starts = stream->ChapterStarts();
    ASSERT_EQ(marks.size(), 3u);
    ASSERT_EQ(starts.size(), marks.size());
    const char* names[] = {"Title 1.1, Chapter 1", "Title 1.1, Chapter 2", "Title 1.2, Chapter 1"};
    for (std::size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(marks[i].name, names[i]);
        EXPECT_NEAR(starts[i] / 90000.0, marks[i].start, 0.02) << names[i];  // within half a picture
    }
    EXPECT_EQ(starts[0], 0);
    EXPECT_NEAR(marks[2].start, 5.0, 0.04);
}

// Damaged, odd and encrypted copies of real discs: each is refused before
// anything is converted, with the reason, and nothing waits for ever.
TEST(DiscTitleStreamTest, WhatCannotBeReadIsRefusedWithItsReason)
{
    const struct {
        const char* disc;
        std::function<void(const std::string& videoTs)> damage;
        std::string reason;  // empty: the copy is read to its end
        bool encrypted = false;
    } cases[] = {
        {"ntsc-2vts", [](const std::string& v) { fs::remove(v + "/VTS_02_1.VOB"); }, "title set 2: its VOB files are missing"},
        {"ntsc-2vts", [](const std::string& v) { fs::resize_file(v + "/VTS_01_1.VOB", 300 * 2048); },
         "title set 1: its cells reach sector"},
        {"pal-3ch", [](const std::string& v) { fs::remove(v + "/VTS_01_1.VOB"), mkfifo((v + "/VTS_01_1.VOB").c_str(), 0644); },
         "VTS_01_1.VOB is not a regular file"},
        {"pal-3ch", [](const std::string& v) { fs::remove(v + "/VIDEO_TS.IFO"), mkfifo((v + "/VIDEO_TS.IFO").c_str(), 0644); },
         "VIDEO_TS.IFO is not a regular file"},
        {"pal-3ch", [](const std::string& v) { MarkPacksScrambled(v + "/VTS_01_1.VOB"); }, "encrypted (CSS)", true},
        // A folder named in mixed case is read like VIDEO_TS.
        {"pal-3ch", [](const std::string& v) { fs::rename(v, fs::path(v).parent_path() / "Video_Ts"); }, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string copy = CopyOfDisc(c.disc, "copy" + std::to_string(++n));
        c.damage(copy + "/VIDEO_TS");
        SCOPED_TRACE(copy);
        DiscProblem problem;
        auto stream = DiscTitleStream::Open(copy, &problem);
        if (c.reason.empty()) {
            ASSERT_TRUE(stream) << problem.reason;
            EXPECT_EQ(ReadAll(*stream).size(), stream->Size());
            continue;
        }
        EXPECT_FALSE(stream);
        EXPECT_NE(problem.reason.find(c.reason), std::string::npos) << problem.reason;
        EXPECT_EQ(problem.encrypted, c.encrypted);
    }
    EXPECT_FALSE(DiscTitleStream::Open(ScratchFolder() + "/nothing"));
}

TEST(DiscTitleStreamTest, WhatCannotBeReadIsPassedOverAndCancellingFailsTheStream)
{
    // A VOB cut short after the disc was opened: every sector past the cut is damage, passed over to the end
    // from the VOBU the cut falls in, and only a few of them tried.
    const std::string copy = CopyOfDisc("pal-3ch", "cut");
    auto stream = DiscTitleStream::Open(copy);
    ASSERT_TRUE(stream);
    const uint64_t sectors = fs::file_size(copy + "/VIDEO_TS/VTS_01_1.VOB") / 2048;
    fs::resize_file(copy + "/VIDEO_TS/VTS_01_1.VOB", 500 * 2048);
    std::vector<uint8_t> buffer(1 << 20);
    long got = 0, total = 0;
    while ((got = stream->Read(buffer.data(), buffer.size())) > 0) total += got;
    EXPECT_EQ(got, 0);
    EXPECT_TRUE(stream->ReachedEnd());
    EXPECT_EQ(stream->Error(), "");
    EXPECT_LE(total, 500 * 2048);
    const std::vector<DamagedSpan> damage = stream->Damage();
    ASSERT_EQ(damage.size(), 1u);
    EXPECT_GE(damage[0].sectors, sectors - 500);
    EXPECT_LT(damage[0].sectors, sectors - 500 + 64);  // and the start of that VOBU
    EXPECT_LT(damage[0].tried, damage[0].sectors / 2);
    EXPECT_GT(damage[0].from, 0);
    EXPECT_EQ(damage[0].to, -1);  // to the end

    // Cancelled: the next read gives up at once, and so does every later one.
    auto whole = DiscTitleStream::Open(TestDisc("pal-3ch"));
    ASSERT_TRUE(whole);
    EXPECT_GT(whole->Read(buffer.data(), 4096), 0);
    whole->Cancel();
    EXPECT_EQ(whole->Read(buffer.data(), buffer.size()), -1);
    EXPECT_EQ(whole->Read(buffer.data(), buffer.size()), -1);
    EXPECT_FALSE(whole->ReachedEnd());
}
