#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(TestDiscsTest, DiscsHoldTheirTitleSetsAndMenus)
{
    const fs::path menu = fs::path(TestDisc("pal-16x9-menu")) / "VIDEO_TS";
    EXPECT_TRUE(fs::exists(menu / "VIDEO_TS.IFO"));
    EXPECT_TRUE(fs::exists(menu / "VTS_01_0.VOB"));
    EXPECT_TRUE(fs::exists(menu / "VTS_01_1.VOB"));

    const fs::path twoSets = fs::path(TestDisc("ntsc-2vts")) / "VIDEO_TS";
    EXPECT_TRUE(fs::exists(twoSets / "VTS_02_0.IFO"));
    EXPECT_FALSE(fs::exists(twoSets / "VTS_01_0.VOB"));

    // A second call finds the disc already made.
    EXPECT_EQ(TestDisc("ntsc-2vts"), twoSets.parent_path().string());
    EXPECT_THROW(TestDisc("no-such-disc"), std::invalid_argument);
}
