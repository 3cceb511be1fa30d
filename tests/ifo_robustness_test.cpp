// Damaged and hostile IFO files: every one loads with messages, never a
// crash, a hang or a huge allocation. Also built with AddressSanitizer and
// UBSan (core_sanitized_tests).
#include "tests/fuzz/ifo_fuzz_entry.h"
#include "tests/fuzz/title_reader_fuzz_entry.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> FileBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

TEST(IfoRobustnessTest, EveryTruncationOfRealFilesLoadsWithMessages)
{
    const std::string folder = TestDisc("pal-16x9-menu") + "/VIDEO_TS/";
    const std::vector<uint8_t> titleSet = FileBytes(folder + "VTS_01_0.IFO");
    ASSERT_GT(titleSet.size(), 6144u);
    for (std::size_t length = 0; length < 6144; ++length)
        EXPECT_GT(LoadIfoBytes(titleSet.data(), length), 0u) << "cut at " << length;

    // A manager file needs only its header, so a cut one may load without a word.
    const std::vector<uint8_t> manager = FileBytes(folder + "VIDEO_TS.IFO");
    for (std::size_t length = 0; length <= manager.size(); ++length) LoadIfoBytes(manager.data(), length);
    EXPECT_GT(LoadIfoBytes(manager.data(), 11), 0u);
}

TEST(IfoRobustnessTest, ZeroedAndRandomFiles)
{
    const std::vector<uint8_t> zeros(8192, 0);
    for (std::size_t length = 0; length <= zeros.size(); length += 13)
        EXPECT_GT(LoadIfoBytes(zeros.data(), length), 0u) << length;

    // Random bytes, with and without a title set identifier, so that both the
    // header check and the table decoding see garbage.
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 12288);
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes(length(random));
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(byte(random));
        if (round % 2 && bytes.size() >= 12) std::copy_n("DVDVIDEO-VTS", 12, bytes.begin());
        // Small sector numbers point the tables inside the file.
        if (round % 4 == 1 && bytes.size() >= 0xE4) bytes[0xCC] = bytes[0xCD] = bytes[0xCE] = bytes[0xE0] = bytes[0xE1] = bytes[0xE2] = 0;
        EXPECT_GT(LoadIfoBytes(bytes.data(), bytes.size()), 0u) << "round " << round;
    }
}

TEST(IfoRobustnessTest, FuzzerFindingsStayFixed)
{
    // The inputs the fuzzers found faults with, and their seeds, for the IFO reader and the title reader.
    for (const auto& [folder, replay] : {std::pair{TARVOK_FUZZ_CORPUS_DIR, &LoadIfoBytes}, {TARVOK_FUZZ_CORPUS_DIR, &LoadIfoImageBytes},
                                         {TARVOK_TITLE_CORPUS_DIR, &ReadTitleBytes}, {TARVOK_NAVIGATION_CORPUS_DIR, &WalkNavigationBytes}}) {
        std::size_t replayed = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
            const std::vector<uint8_t> bytes = FileBytes(entry.path());
            const std::size_t messages = replay(bytes.data(), bytes.size());
            // Read from an image, the same bytes tell the same story as from a folder.
            if (replay == &LoadIfoImageBytes && bytes.size() <= 16384) {
                EXPECT_EQ(messages, LoadIfoBytes(bytes.data(), bytes.size())) << entry.path();
            }
            ++replayed;
        }
        EXPECT_GT(replayed, 0u) << folder;
    }
    // The navigation seeds walk to their film.
    for (const char* seed : {"seed-menu-film", "seed-register-film"}) {
        const std::vector<uint8_t> bytes = FileBytes(fs::path(TARVOK_NAVIGATION_CORPUS_DIR) / seed);
        EXPECT_EQ(WalkNavigationBytes(bytes.data(), bytes.size()), 1u) << seed;
    }
    // The seed reads through: the title reader's pieces are whole.
    const std::vector<uint8_t> seed = FileBytes(fs::path(TARVOK_TITLE_CORPUS_DIR) / "seed-pal-one-title");
    EXPECT_EQ(ReadTitleBytes(seed.data(), seed.size()), 40u * 2048);
}
