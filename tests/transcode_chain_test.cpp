#include "convert/media_locator.h"

#include "tests/test_discs.h"
#include "rip/containers.h"
#include "rip/output_naming.h"
#include "rip/save_as.h"
#include "rip/transcode_chain.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>

namespace {

const std::vector<Volume> kVolumes = {
    {"/", "/dev/vda1", "ext4", ""},
    {"/media/user/MOVIE", "/dev/tarvok-no-such-sr0", "UDF", "MOVIE"},
    {"/media/user/unnamed", "/dev/tarvok-no-such-sr1", "UDF", ""},
    {"/srv/My Films #1 100%?", "", "UDF", "../../etc/cron.d/x"},
};

RipSettings Defaults()
{
    RipSettings s;
    s.videoCodec = "mp1v";
    s.audioCodec = "mpga";
    return s;
}

}  // namespace

TEST(TranscodeChainTest, LocatorNamesTheDiscsDeviceOrItsFolder)
{
    // The device named in the table is not on this machine: the folder is read.
    EXPECT_EQ(BuildMediaLocator("/media/user/MOVIE/VIDEO_TS", kVolumes), "dvdsimple:///media/user/MOVIE");
    EXPECT_EQ(BuildMediaLocator("/srv/My Films #1 100%?/VIDEO_TS", kVolumes), "dvdsimple:///srv/My%20Films%20%231%20100%25%3F");
    EXPECT_EQ(EncodeLocatorPath("/a b/ü"), "/a%20b/%C3%BC");
    EXPECT_EQ(DiscOfLocator("dvdsimple:///srv/My%20Films%20%231%20100%25%3F"), "/srv/My Films #1 100%?");
    EXPECT_EQ(DiscOfLocator("dvdsimple:///dev/sr0"), "/dev/sr0");
    EXPECT_EQ(DiscOfLocator("file:///a.vob"), std::nullopt);

    // A real block device is read directly.
    for (const char* device : {"/dev/loop0", "/dev/vda", "/dev/sda", "/dev/nvme0n1"}) {
        if (!std::filesystem::is_block_file(device)) continue;
        const std::vector<Volume> withDevice = {{"/media/disc", device, "UDF", "X"}};
        EXPECT_EQ(BuildMediaLocator("/media/disc/VIDEO_TS", withDevice), std::string("dvdsimple://") + device);
        // Disc files in a folder of that volume are not the volume's disc.
        EXPECT_EQ(BuildMediaLocator("/media/disc/rips/film/VIDEO_TS", withDevice), "dvdsimple:///media/disc/rips/film");
        RipSettings s = Defaults();
        EXPECT_EQ(BuildOutputPath("/media/disc/rips/film/VIDEO_TS", "/out", 1, s, withDevice), "/out/dvdRip_Movie1.mpg");
        return;
    }
    GTEST_SKIP() << "no block device on this machine";
}

TEST(TranscodeChainTest, APartOfTheDiscTravelsInItsLocatorAndName)
{
    // A '#' in the folder's name is escaped, so only the part follows the locator's '#'.
    const DiscSelection parts[] = {{2, 1, 3, {2, 3, 4, 5, 8}, 2}, {1, 2, 1, {}, 0}, {10, 12, 9, {7}, 0}};
    const char* names[] = {"/out/MOVIE_T2.1.3_C2-5,8_A2.mpg", "/out/MOVIE_T1.2.1.mpg", "/out/MOVIE_T10.12.9_C7.mpg"};
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        const std::string locator = BuildMediaLocator("/srv/#1/VIDEO_TS", kVolumes, parts[i]);
        EXPECT_EQ(DiscOfLocator(locator), "/srv/#1");
        EXPECT_EQ(DecodeSelection(PartOfLocator(locator)), parts[i]) << locator;
        RipSettings s = Defaults();
        EXPECT_EQ(BuildOutputPath("/media/user/MOVIE/VIDEO_TS", "/out", 1, s, kVolumes, parts[i]), names[i]);
    }
    // Chapter lists: a number, a range, both; anything else is no list.
    EXPECT_EQ(ParseChapterList("3,1-2,7-7"), (std::vector<int>{3, 1, 2, 7}));
    for (const char* malformed : {"", "0", "2-", "-3", "3-1", "1,,2", "a", "1 2", "1-2-3", "1-5000"})
        EXPECT_EQ(ParseChapterList(malformed), std::nullopt) << malformed;
    for (const char* malformed : {"", "1", "1.2", "1.2.3x", "1.2.3:", "1.2.3:0"}) EXPECT_EQ(DecodeSelection(malformed), std::nullopt) << malformed;
}

TEST(TranscodeChainTest, ADriveTheUserCannotOpenIsLeftForItsFolder)
{
    // A block device node of a driver this machine does not have: it exists but cannot be opened.
    const std::string node = ScratchFolder() + "/sr-unreadable";
    if (mknod(node.c_str(), S_IFBLK | 0600, makedev(231, 77)) != 0) GTEST_SKIP() << "cannot make a device node here";
    const std::vector<Volume> volumes = {{"/media/disc", node, "UDF", "X"}};
    EXPECT_EQ(BuildMediaLocator("/media/disc/VIDEO_TS", volumes), "dvdsimple:///media/disc");
}

TEST(TranscodeChainTest, OutputPathFromFolderLabelAndContainer)
{
    RipSettings s = Defaults();
    s.videoMethod = 6;
    EXPECT_EQ(BuildOutputPath("/media/user/MOVIE/VIDEO_TS", "/home/u/Converted Videos", 1, s, kVolumes),
              "/home/u/Converted Videos/MOVIE.avi");
    EXPECT_EQ(s.mux, "avi");
    EXPECT_EQ(BuildOutputPath("/media/user/unnamed/VIDEO_TS", "/home/u/Converted Videos", 1, s, kVolumes),
              "/home/u/Converted Videos/dvdRip_Movie1.avi");
    EXPECT_EQ(BuildOutputPath("/elsewhere/VIDEO_TS", "/out", 2, s, {}), "/out/dvdRip_Movie2.avi");

    s.videoMethod = 1;
    EXPECT_EQ(BuildOutputPath("/media/user/MOVIE/VIDEO_TS", "/out", 1, s, kVolumes), "/out/MOVIE.mpg");
    EXPECT_EQ(s.mux, "ps");
    s.videoMethod = 2;
    EXPECT_EQ(BuildOutputPath("/media/user/MOVIE/VIDEO_TS", "/out", 1, s, kVolumes), "/out/MOVIE.mpg");
    EXPECT_EQ(s.mux, "mpeg1");
    // An unknown container: no extension, and the mux of the last rip stays.
    s.videoMethod = 9;
    EXPECT_EQ(BuildOutputPath("/media/user/MOVIE/VIDEO_TS", "/out", 1, s, kVolumes), "/out/MOVIE");
    EXPECT_EQ(s.mux, "mpeg1");
    s.videoMethod = -1;
    EXPECT_EQ(GetContainerExtension(s), "");
    // A folder given with its separator keeps it.
    s.videoMethod = 0;
    EXPECT_EQ(BuildOutputPath("/media/user/MOVIE/VIDEO_TS", "/out/", 1, s, kVolumes), "/out//MOVIE.mpg");
}

TEST(TranscodeChainTest, LabelsCannotLeaveTheFolderOrHideTheFile)
{
    RipSettings s = Defaults();
    const std::string path = BuildOutputPath("/srv/My Films #1 100%?/VIDEO_TS", "/out", 1, s, kVolumes);
    EXPECT_EQ(path, "/out/_._.._etc_cron.d_x.mpg");
    EXPECT_EQ(std::filesystem::path(path).parent_path(), "/out");
    EXPECT_EQ(SafeFileName(".hidden"), "_hidden");
    EXPECT_EQ(SafeFileName("TAB\tNL\nDEL\x7F"), "TAB_NL_DEL_");
    EXPECT_EQ(SafeFileName("Ça va? \"yes\""), "Ça va? \"yes\"");
    EXPECT_EQ(SafeFileName(""), "");

    // A label longer than a file name may be is cut, whole characters kept.
    const std::vector<Volume> longLabel = {{"/media/disc", "", "UDF", std::string(200, 'x') + std::string(30, '\xC3') + "\xA9"}};
    for (const char* container : {"0", "3"}) {
        s.videoMethod = std::atoi(container);
        const std::string name = std::filesystem::path(BuildOutputPath("/media/disc/VIDEO_TS", ScratchFolder(), 1, s, longLabel)).filename();
        EXPECT_LE(name.size(), 255u);
        EXPECT_TRUE(name.ends_with(s.videoMethod == 0 ? ".mpg" : ".asf"));
    }
    const std::string utf8 = std::filesystem::path(BuildOutputPath("/media/disc/VIDEO_TS", ScratchFolder(), 1, s,
        {{"/media/disc", "", "UDF", std::string(248, 'x') + "\xC3\xA9\xC3\xA9"}})).stem();
    EXPECT_EQ(utf8, std::string(248, 'x') + "\xC3\xA9");  // 251 bytes of room: not cut inside the second character
}

TEST(TranscodeChainTest, OptionTextInBothForms)
{
    RipSettings s = Defaults();
    GetContainerExtension(s);
    EXPECT_EQ(BuildTranscodeChain(s, "/home/u/Converted Videos/MY_MOVIE.mpg", false),
              ":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000,deinterlace}"
              ":standard{access=file,mux=ts,dst=\"/home/u/Converted Videos/MY_MOVIE.mpg\"}");
    const std::string preview = BuildTranscodeChain(s, "/out/M.mpg", true, "30000/1001");
    EXPECT_EQ(preview,
              ":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000,deinterlace,"
              "fps=30000/1001}:duplicate{dst=display,dst=std{access=file,mux=ts,dst=\"/out/M.mpg\"}");
    EXPECT_TRUE(preview.ends_with("M.mpg\"}") && !preview.ends_with("}}"));

    s.videoScale = "0.25";
    EXPECT_NE(BuildTranscodeChain(s, "/o.mpg", false).find(",scale=0.25,"), std::string::npos);
    s.videoScale = "2";
    EXPECT_NE(BuildTranscodeChain(s, "/o.mpg", false).find(",scale=2,"), std::string::npos);

    // A quote or a backslash in the name cannot end the name or rewrite the chain.
    EXPECT_TRUE(BuildTranscodeChain(s, "/out/a\"}:x{\\b.mpg", false).ends_with("dst=\"/out/a\\\"}:x{\\\\b.mpg\"}"));
}

TEST(TranscodeChainTest, SaveAsExtensionChoosesMuxAndCodecs)
{
    RipSettings s = Defaults();
    ApplySaveAsExtension(s, "MOV");
    EXPECT_EQ(s.mux, "mov");
    EXPECT_EQ(s.videoCodec, "mp4v");
    EXPECT_EQ(s.audioCodec, "mp4a");
    // The next rip takes the mux from the container again, but keeps those codecs.
    GetContainerExtension(s);
    EXPECT_EQ(s.mux, "ts");
    EXPECT_EQ(s.videoCodec, "mp4v");

    for (auto [extension, mux, video] : {std::tuple{"mpe", "ts", "mp1v"}, {"mpeg", "ts", "mp1v"}, {"Avi", "avi", "mp1v"},
                                         {"wmv", "asf", "div3"}, {"asf", "asf", "div3"}, {"mp4", "mp4", "mp4v"},
                                         {"OGG", "ogg", "theo"}, {"MKV", "mkv", "h264"}, {"mpg", "ts", "mp1v"}}) {
        ApplySaveAsExtension(s, extension);
        EXPECT_EQ(s.mux, mux) << extension;
        EXPECT_EQ(s.videoCodec, video) << extension;
    }
    // A copy stays a copy where the container holds one, and takes only its mux; elsewhere the row's codecs.
    for (auto [extension, mux, video] : {std::tuple{"mkv", "mkv", "copy"}, {"mp4", "mp4", "copy"}, {"mpg", "ts", "copy"},
                                         {"avi", "avi", "mp1v"}}) {
        s.videoCodec = s.audioCodec = "copy";
        ApplySaveAsExtension(s, extension);
        EXPECT_EQ(s.mux, mux) << extension;
        EXPECT_EQ(s.videoCodec, video) << extension;
        EXPECT_EQ(s.audioCodec, video == std::string("copy") ? "copy" : "mpga") << extension;
    }
    const RipSettings before = s;
    ApplySaveAsExtension(s, "flv");
    ApplySaveAsExtension(s, "");
    EXPECT_EQ(s.mux, before.mux);
    EXPECT_EQ(s.videoCodec, before.videoCodec);
    EXPECT_EQ(s.audioCodec, before.audioCodec);
    EXPECT_EQ(s.videoBitrate, before.videoBitrate);
}
