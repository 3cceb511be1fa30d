#include "rip/disc_title_stream.h"
#include "tests/media_probe.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST(DiscTitleStreamTest, ReadingAgainFromTheStartGivesTheSameBytes)
{
    auto stream = DiscTitleStream::Open(TestDisc("pal-16x9-menu") + "/VIDEO_TS");
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->TitleCount(), 2);  // the menu is not a title
    const auto first = ReadAll(*stream);
    ASSERT_TRUE(stream->Seek(0));
    EXPECT_EQ(ReadAll(*stream), first);

    // Into the middle of a sector, and to the very end.
    ASSERT_TRUE(stream->Seek(5 * DiscTitleStream::kSectorBytes + 100));
    std::vector<uint8_t> piece(50);
    ASSERT_EQ(stream->Read(piece.data(), piece.size()), 50);
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), first.begin() + 5 * DiscTitleStream::kSectorBytes + 100));
    ASSERT_TRUE(stream->Seek(stream->Size()));
    EXPECT_EQ(stream->Read(piece.data(), piece.size()), 0);
    EXPECT_FALSE(stream->Seek(stream->Size() + 1));
}

TEST(DiscTitleStreamTest, WhatIsNoDiscIsSaidSo)
{
    std::string error;
    EXPECT_FALSE(DiscTitleStream::Open(ScratchFolder(), &error));
    EXPECT_FALSE(error.empty());

    // A disc whose title VOBs are gone cannot be read past its navigation.
    const std::string broken = ScratchFolder() + "/broken";
    fs::copy(TestDisc("pal-3ch"), broken, fs::copy_options::recursive);
    fs::remove(broken + "/VIDEO_TS/VTS_01_1.VOB");
    auto stream = DiscTitleStream::Open(broken);
    ASSERT_TRUE(stream);
    std::vector<uint8_t> buffer(4096);
    EXPECT_EQ(stream->Read(buffer.data(), buffer.size()), -1);
}
