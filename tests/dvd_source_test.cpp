#include "dvd/dvd_source.h"
#include "read/play_list.h"
#include "tests/ifo_builder.h"
#include "tests/reference_readers.h"
#include "tests/test_discs.h"
#include "tests/stand_ins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A volume root holding a copy of a test disc's VIDEO_TS, file names as `rename` says.
std::string DiscRoot(const std::string& disc, const std::string& folderName = "VIDEO_TS",
                     std::string (*rename)(const std::string&) = nullptr)
{
    const std::string root = ScratchFolder() + "/" + disc;
    fs::create_directories(root + "/" + folderName);
    for (const auto& entry : fs::directory_iterator(TestDisc(disc) + "/VIDEO_TS")) {
        std::string name = entry.path().filename().string();
        fs::copy_file(entry.path(), root + "/" + folderName + "/" + (rename ? rename(name) : name));
    }
    return root;
}

std::string Lower(const std::string& name)
{
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace

TEST(DvdSourceTest, FindDiscTakesTheFirstUdfVolumeWithVideoTs)
{
    const std::string disc = TestDisc("pal-3ch");
    const std::string other = DiscRoot("ntsc-2vts");
    FixedVolumeTable volumes({
        {"/", "/dev/vda1", "ext4", ""},
        {other, "/dev/sdb1", "UDF", "STICK"},
        {disc, "/dev/sr1", "UDF", "SECOND"},
        {ScratchFolder(), "/dev/sr0", "UDF", "EMPTY"},  // UDF, but no VIDEO_TS
        {TestDisc("pal-16x9-menu"), "", "iso9660", "ISO"},
    });
    DvdSource source(volumes);
    ASSERT_TRUE(source.FindDisc(""));
    EXPECT_EQ(source.GetVideoTsPath(), disc + "/VIDEO_TS");  // optical drives come first

    // A volume named explicitly is the only one probed.
    ASSERT_TRUE(source.FindDisc("/dev/sdb1"));
    EXPECT_EQ(source.GetVideoTsPath(), other + "/VIDEO_TS");
    EXPECT_FALSE(source.FindDisc("/dev/sr0"));
    EXPECT_EQ(source.GetVideoTsPath(), other + "/VIDEO_TS");  // unchanged on failure
    EXPECT_FALSE(source.FindDisc("/dev/nothing"));
    EXPECT_FALSE(source.FindDisc(TestDisc("pal-16x9-menu")));  // not UDF

    // The volume at / is never scanned; a volume without a device is named by its root.
    FixedVolumeTable rootOnly({{TestDisc("pal-3ch"), "", "UDF", ""}, {"/", "", "UDF", ""}});
    DvdSource fromRoot(rootOnly);
    EXPECT_TRUE(fromRoot.FindDisc(TestDisc("pal-3ch")));
    FixedVolumeTable slashOnly({{"/", "/dev/vda1", "UDF", ""}});
    EXPECT_FALSE(DvdSource(slashOnly).FindDisc(""));
}

TEST(DvdSourceTest, DiscFilesAreFoundInAnyCase)
{
    const std::string root = DiscRoot("ntsc-2vts", "video_ts", Lower);
    FixedVolumeTable volumes({{root, "/dev/sr0", "UDF", ""}});
    DvdSource source(volumes);
    ASSERT_TRUE(source.FindDisc(""));
    EXPECT_EQ(source.GetVideoTsPath(), root + "/video_ts");
    source.Load(source.GetVideoTsPath());
    EXPECT_TRUE(source.Messages().empty());
    ASSERT_TRUE(source.GetDiscInfo());
    ASSERT_EQ(source.TitleSets().size(), 2u);
    EXPECT_GT(source.TitleSets()[1]->totalBytes, 0u);
    EXPECT_EQ(source.TitleSets()[1]->pgcEntries.size(), 1u);
}

TEST(DvdSourceTest, SourceFolderOfAVolumeRootGetsVideoTs)
{
    const std::string root = DiscRoot("pal-3ch", "Video_TS");
    FixedVolumeTable volumes({{root, "/dev/sr0", "UDF", ""}, {"/media/empty", "/dev/sr1", "UDF", ""}});
    DvdSource source(volumes);
    source.SetSourceFolder(root);
    EXPECT_EQ(source.GetVideoTsPath(), root + "/Video_TS");  // the folder's real name
    source.SetSourceFolder(root + "/");
    EXPECT_EQ(source.GetVideoTsPath(), root + "/Video_TS");
    source.SetSourceFolder("/media/empty/");
    EXPECT_EQ(source.GetVideoTsPath(), "/media/empty/VIDEO_TS");
    source.SetSourceFolder(root + "/Video_TS/");
    EXPECT_EQ(source.GetVideoTsPath(), root + "/Video_TS");
    source.SetSourceFolder("/home/user/Rips/Film");
    EXPECT_EQ(source.GetVideoTsPath(), "/home/user/Rips/Film");
}

TEST(DvdSourceTest, TitleSetsWithGapsAndWithoutVobs)
{
    const std::string folder = ScratchFolder();
    IfoBuilder ifo;
    for (int number : {1, 2, 3}) {
        char name[32];
        std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", number);
        WriteBytes(folder + "/" + name, ifo.TitleSetFile());
    }
    std::ofstream(folder + "/VTS_01_1.VOB") << "x";
    std::ofstream(folder + "/VTS_03_0.VOB") << "menu only";  // any VOB lists the set
    FixedVolumeTable volumes;
    DvdSource source(volumes);
    source.Load(folder);
    ASSERT_EQ(source.TitleSets().size(), 2u);
    EXPECT_EQ(source.TitleSets()[0]->number, 1);
    EXPECT_EQ(source.TitleSets()[1]->number, 3);
    EXPECT_FALSE(source.GetDiscInfo());
    EXPECT_EQ(source.Messages().front(), "video_ts.ifo : file open error");

    source.currentTitleSet = source.TitleSets()[0].get();
    source.ClearSource();
    EXPECT_TRUE(source.TitleSets().empty());
    EXPECT_TRUE(source.Messages().empty());
    EXPECT_EQ(source.currentTitleSet, nullptr);
}

TEST(DvdSourceTest, RealDiscsAgreeWithLibdvdreadAndLsdvd)
{
    for (const std::string name : {"pal-3ch", "ntsc-2vts", "pal-16x9-menu", "pal-30s"}) {
        SCOPED_TRACE(name);
        const std::string disc = TestDisc(name);
        FixedVolumeTable volumes({{disc, "/dev/sr0", "UDF", "TEST"}});
        DvdSource source(volumes);
        source.Load(disc);
        EXPECT_TRUE(source.Messages().empty()) << source.Messages().front();
        ASSERT_TRUE(source.GetDiscInfo());
        EXPECT_EQ(source.GetDiscInfo()->volumeNumber, 1);
        EXPECT_EQ(source.GetDiscInfo()->volumeCount, 1);

        const auto reference = DvdreadTitles(disc);
        const auto tracks = LsdvdTracks(disc);
        ASSERT_FALSE(reference.empty());
        ASSERT_EQ(tracks.size(), reference.size());
        for (std::size_t t = 0; t < reference.size(); ++t) {
            SCOPED_TRACE("title " + std::to_string(t + 1));
            const ReferenceTitle& ref = reference[t];
            const TitleSet* titleSet = nullptr;
            for (const auto& set : source.TitleSets())
                if (set->number == ref.vts) titleSet = set.get();
            ASSERT_NE(titleSet, nullptr);
            ASSERT_LE(ref.pgc, static_cast<int>(titleSet->pgcEntries.size()));
            const AngleInfo& angle = *titleSet->pgcEntries[ref.pgc - 1]->angles[0];

            EXPECT_NEAR(angle.seconds, tracks[t].length, 0.05);
            EXPECT_EQ(tracks[t].vts, ref.vts);
            EXPECT_EQ(static_cast<int>(angle.chapters.size()), tracks[t].chapters);
            EXPECT_EQ(static_cast<int>(angle.chapters.size()), ref.chapters);

            std::vector<std::pair<uint32_t, uint32_t>> sectors;
            std::vector<double> seconds;
            for (const auto& chapter : angle.chapters)
                for (const auto& cell : chapter->cells) {
                    sectors.emplace_back(cell->firstSector, cell->lastSector);
                    seconds.push_back(cell->seconds);
                }
            EXPECT_EQ(sectors, ref.cellSectors);
            EXPECT_EQ(static_cast<int>(sectors.size()), tracks[t].cells);
            for (std::size_t c = 0; c < seconds.size() && c < ref.cellSeconds.size(); ++c)
                EXPECT_NEAR(seconds[c], ref.cellSeconds[c], 0.001);
        }
        // The title sets' texts describe their own video.
        for (const auto& set : source.TitleSets()) {
            EXPECT_EQ(set->videoCoding, "MPEG 2");
            EXPECT_EQ(set->tvSystem, name.starts_with("ntsc") ? "NTSC" : "PAL");
            EXPECT_EQ(set->resolution, name.starts_with("ntsc") ? "720x480" : "720x576");
            EXPECT_EQ(set->aspectRatio, name == "pal-16x9-menu" ? "16:9" : "4:3");
        }
    }
}

// "each": every chain's longest angle that plays long enough, a chain that
// plays the same cells in the same order as one taken before left out.
TEST(DvdSourceTest, EveryTitleTakesEachLongChainOnce)
{
    const std::string folder = ScratchFolder();
    auto cell = [](uint32_t first, uint32_t last, uint8_t id, uint8_t seconds) {
        TestCell made{0, first, last, {0, 0, uint8_t(seconds / 10 << 4 | seconds % 10), 0x40}, 1, id};
        return made;
    };
    IfoBuilder ifo;
    TestPgc episode, again, other, trailer;
    episode.cells = {cell(0, 99, 1, 50), cell(100, 199, 2, 40)};
    episode.programMap = {1, 2};
    again = episode;                   // the same cells in the same order
    other.cells = {cell(100, 199, 2, 40), cell(0, 99, 1, 50)};
    other.programMap = {1, 2};         // the same cells, another order: a title of its own
    trailer.cells = {cell(200, 209, 3, 9)};
    ifo.pgcs = {episode, again, other, trailer};
    ifo.addresses = {{1, 1, 0, 99}, {1, 2, 100, 199}, {1, 3, 200, 209}};
    WriteBytes(folder + "/VTS_01_0.IFO", ifo.TitleSetFile());
    std::ofstream(folder + "/VTS_01_1.VOB") << std::string(210 * 2048, '\0');
    FixedVolumeTable volumes;
    DvdSource source(volumes);
    source.Load(folder);
    ASSERT_EQ(source.TitleSets().size(), 1u);

    double longest = 0;
    const std::vector<DiscSelection> titles = EveryTitle(source, 60, &longest);
    EXPECT_EQ(titles, (std::vector<DiscSelection>{{1, 1, 1, {}, 0}, {1, 3, 1, {}, 0}}));
    EXPECT_DOUBLE_EQ(longest, 90);
    EXPECT_EQ(EveryTitle(source, 5).size(), 3u);  // the trailer too
    EXPECT_TRUE(EveryTitle(source, 91).empty());
}
