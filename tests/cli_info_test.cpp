#include "tests/reference_readers.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::string TarvokRip(const std::string& arguments, int* status, const std::string& environment = "")
{
    return RunCommand(environment + " " + ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " " + arguments +
                          " 2>" + ShellQuote(ScratchFolder() + "/stderr.txt"),
                      status);
}

std::string LastStderr()
{
    std::ifstream file(ScratchFolder() + "/stderr.txt");
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A mount table that presents `root` as a mounted UDF volume.
std::string MountTableFor(const std::string& root)
{
    const std::string path = ScratchFolder() + "/mountinfo";
    std::ofstream(path) << "22 1 253:1 / / rw - ext4 /dev/vda1 rw\n"
                        << "40 22 11:7 / " << root << " ro - udf /dev/tarvok-test-sr7 ro\n";
    return path;
}

}  // namespace

TEST(CliInfoTest, JsonAgreesWithLsdvd)
{
    for (const std::string name : {"ntsc-2vts", "pal-16x9-menu", "pal-two-languages", "pal-subtitles"}) {
        SCOPED_TRACE(name);
        const std::string disc = TestDisc(name);
        int status = -1;
        // The three ways of naming the disc give the same report.
        const json fromRoot = json::parse(TarvokRip("info --json " + ShellQuote(disc), &status));
        EXPECT_EQ(status, 0);
        EXPECT_EQ(json::parse(TarvokRip("info " + ShellQuote(disc + "/VIDEO_TS/") + " --json", &status)), fromRoot);
        EXPECT_EQ(fromRoot["videoTsPath"], disc + "/VIDEO_TS");
        EXPECT_EQ(fromRoot["disc"]["regions"], "1-2-3-4-5-6-7-8");
        EXPECT_EQ(fromRoot["disc"]["volumeNumber"], 1);
        EXPECT_EQ(fromRoot["disc"]["volumeCount"], 1);
        EXPECT_TRUE(fromRoot["messages"].empty());

        for (const LsdvdTrack& track : LsdvdTracks(disc)) {
            SCOPED_TRACE("track vts " + std::to_string(track.vts) + " ttn " + std::to_string(track.ttn));
            const json* titleSet = nullptr;
            for (const json& set : fromRoot["titleSets"])
                if (set["number"] == track.vts) titleSet = &set;
            ASSERT_NE(titleSet, nullptr);
            const json& angle = (*titleSet)["programChains"][track.ttn - 1]["angles"][0];
            EXPECT_NEAR(angle["seconds"].get<double>(), track.length, 0.05);
            EXPECT_EQ(angle["chapters"].size(), static_cast<std::size_t>(track.chapters));
            std::size_t cells = 0, sectors = 0;
            for (const json& chapter : angle["chapters"])
                for (const json& cell : chapter["cells"]) {
                    ++cells;
                    sectors += cell["sectorCount"].get<std::size_t>();
                    EXPECT_TRUE(cell["selected"].get<bool>());
                }
            EXPECT_EQ(cells, static_cast<std::size_t>(track.cells));
            EXPECT_EQ(sectors, angle["sectors"].get<std::size_t>());
            std::vector<std::string> languages;
            for (const json& audio : (*titleSet)["audio"]) languages.push_back(audio["language"]);
            EXPECT_EQ(languages, track.audioLanguages);
            std::vector<std::string> subtitles, kinds;
            for (const json& stream : (*titleSet)["subtitles"]) {
                subtitles.push_back(stream["language"]);
                std::string kind = stream["kind"];
                kind[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(kind[0])));
                kinds.push_back(kind);
                EXPECT_EQ(stream["index"], subtitles.size());
            }
            EXPECT_EQ(subtitles, track.subtitleLanguages);
            EXPECT_EQ(kinds, track.subtitleKinds);
        }
        // No title plays a minute: the main feature is the longest (the first of equals).
        const std::vector<LsdvdTrack> tracks = LsdvdTracks(disc);
        const LsdvdTrack& longest =
            *std::max_element(tracks.begin(), tracks.end(), [](auto& a, auto& b) { return a.length < b.length; });
        EXPECT_EQ(fromRoot["mainFeature"],
                  json({{"titleSet", longest.vts}, {"programChain", longest.ttn}, {"angle", 1}, {"foundBy", "longest"}}));
        const json& first = fromRoot["titleSets"][0];
        EXPECT_EQ(first["label"], "Title 1 [" + std::to_string((first["totalBytes"].get<uint64_t>() + 65536) / 1048576) + " MB]");
        EXPECT_EQ(first["video"]["coding"], "MPEG 2");
    }
}

// Discs that hide their film among decoys as long or longer: the main
// feature is what their navigation plays first of at least --min-length
// seconds, said so, and what --title main rips; with a minimum none
// reaches, the longest.
TEST(CliInfoTest, TheMainFeatureIsWhatTheDiscPlays)
{
    const struct {
        std::string disc, minLength;
        int programChain;
        std::string foundBy;
        long pictures;
    } cases[] = {
        {"pal-first-play-film", "5", 2, "navigation", 150},
        {"pal-menu-film", "5", 3, "navigation", 150},
        {"pal-register-film", "1", 2, "navigation", 75},
        {"pal-menu-film", "60", 1, "longest", 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.disc + " " + c.minLength);
        const std::string disc = TestDisc(c.disc);
        int status = -1;
        const json info = json::parse(TarvokRip("info --json --min-length " + c.minLength + " " + ShellQuote(disc), &status));
        EXPECT_EQ(status, 0) << LastStderr();
        EXPECT_EQ(info["mainFeature"], json({{"titleSet", 1}, {"programChain", c.programChain}, {"angle", 1}, {"foundBy", c.foundBy}}));
        const std::string tree = TarvokRip("info --min-length " + c.minLength + " " + ShellQuote(disc), &status);
        const std::size_t chain = tree.find("  Program Chain " + std::to_string(c.programChain) + " ");
        ASSERT_NE(chain, std::string::npos) << tree;
        const std::string angle = tree.substr(tree.find("Angle 1", chain), tree.find('\n', tree.find("Angle 1", chain)) - tree.find("Angle 1", chain));
        EXPECT_TRUE(angle.ends_with(c.foundBy == "navigation" ? "(main feature, as the disc plays it)" : "(main feature: the longest)"))
            << angle;

        const std::string out = ScratchFolder() + "/out";
        const std::string printed = TarvokRip("rip --title main --min-length " + c.minLength + " --yes --output " + ShellQuote(out) + " " +
                                                  ShellQuote(disc),
                                              &status, "HOME=" + ShellQuote(ScratchFolder()));
        ASSERT_EQ(status, 0) << LastStderr();
        EXPECT_EQ(printed, out + "/dvdRip_Movie1_T1." + std::to_string(c.programChain) + ".1.mpg\n");
        const std::string frames = RunCommand("ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 " +
                                              ShellQuote(printed.substr(0, printed.size() - 1)));
        EXPECT_EQ(std::atol(frames.c_str()), c.pictures);
    }
    int status = -1;
    TarvokRip("info --min-length 1m " + ShellQuote(TestDisc("pal-menu-film")), &status);
    EXPECT_EQ(status, 64);
    EXPECT_NE(LastStderr().find("--min-length takes whole seconds, not 1m"), std::string::npos) << LastStderr();
}

TEST(CliInfoTest, AnImageIsDescribedAsTheFolderItWasMadeFrom)
{
    const std::string disc = TestDisc("pal-two-languages"), image = ImageOfDisc("pal-two-languages", "TWO_LANGS");
    int status = -1;
    json fromFolder = json::parse(TarvokRip("info --json " + ShellQuote(disc), &status));
    json fromImage = json::parse(TarvokRip("info --json " + ShellQuote(image), &status));
    EXPECT_EQ(status, 0) << LastStderr();
    EXPECT_EQ(fromImage["videoTsPath"], image);
    fromFolder.erase("videoTsPath");
    fromImage.erase("videoTsPath");
    EXPECT_EQ(fromImage, fromFolder);
}

TEST(CliInfoTest, TextReportAndDiscoveryThroughTheMountTable)
{
    const std::string disc = TestDisc("pal-3ch");
    int status = -1;
    const std::string text = TarvokRip("info", &status, "TARVOK_MOUNTINFO=" + ShellQuote(MountTableFor(disc)));
    EXPECT_EQ(status, 0);
    EXPECT_NE(text.find("VIDEO_TS: " + disc + "/VIDEO_TS"), std::string::npos);
    EXPECT_NE(text.find("Regions: 1-2-3-4-5-6-7-8   Volume: 1/1"), std::string::npos);
    EXPECT_NE(text.find("Title 1 ["), std::string::npos);
    EXPECT_NE(text.find("  Program Chain 1  (audio streams 1; subtitle streams none)\n    Angle 1 [00:00:06]"), std::string::npos);
    EXPECT_NE(text.find("      Chapter 3\n        cell 1/3"), std::string::npos);
}

TEST(CliInfoTest, EachKindOfMissingDiscIsNamedAndExitsWithTwo)
{
    const std::string empty = ScratchFolder() + "/empty", noIfo = ScratchFolder() + "/no-ifo";
    const std::string image = ScratchFolder() + "/disc.iso", file = ScratchFolder() + "/notes.txt";
    fs::create_directories(empty);
    fs::create_directories(noIfo + "/VIDEO_TS");
    std::string sectors(20 * 2048, '\0');
    std::ofstream(file) << sectors;
    std::ofstream(image) << sectors.replace(16 * 2048 + 1, 5, "CD001");
    // UDF's recognition sequence, with nothing at its anchor.
    const std::string anchorless = ScratchFolder() + "/anchorless.iso";
    std::string udf(260 * 2048, '\0');
    udf.replace(16 * 2048 + 1, 5, "CD001").replace(17 * 2048 + 1, 5, "BEA01").replace(18 * 2048 + 1, 5, "NSR02");
    std::ofstream(anchorless) << udf;
    const std::string fifo = ScratchFolder() + "/pipe.iso";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // An image whose every read fails, as on a dying disk: no disc, and nothing made for it.
    const std::string failing = ScratchFolder() + "/failing.iso";
    fs::copy_file(ImageOfDisc("pal-3ch", "FAILING"), failing);
    const std::string failingReads = "LD_PRELOAD=" + ShellQuote(TARVOK_FAULT_SHIM) +
                                     " TARVOK_FAULT_FILE=failing.iso TARVOK_FAULT=eio TARVOK_FAULT_FROM=0 TARVOK_FAULT_TO=" +
                                     std::to_string(fs::file_size(failing));
    const std::string unreadable = " cannot be read: none of its IFO and BUP files gives a DVD's information";
    const struct {
        std::string arguments, environment, error;
    } cases[] = {
        {"info", "TARVOK_MOUNTINFO=" + ShellQuote(MountTableFor(empty)), "no video DVD found on any mounted volume"},
        {"info " + ShellQuote(empty + "/ghost"), "", empty + "/ghost does not exist"},
        {"info " + ShellQuote(empty), "", empty + " is not a DVD-Video folder: it holds no VIDEO_TS folder"},
        {"info --json " + ShellQuote(noIfo), "", noIfo + " is not a DVD-Video folder: " + noIfo + "/VIDEO_TS holds no IFO file"},
        {"info " + ShellQuote(file), "", file + " is not a DVD-Video image: it holds no VIDEO_TS folder"},
        {"info " + ShellQuote(image), "", image + " is an ISO 9660 image without the UDF file system a DVD-Video disc needs"},
        {"info " + ShellQuote(anchorless), "", anchorless + " is a UDF image whose anchor (sector 256) is damaged"},
        {"info " + ShellQuote(fifo), "", fifo + " is neither a folder, a disc image nor a drive"},
        {"info " + ShellQuote(failing), failingReads, failing + unreadable},
        {"rip " + ShellQuote(failing) + " --output " + ShellQuote(empty + "/out"), failingReads, failing + unreadable},
        {"info /proc/self/mem", "", "/proc/self/mem" + unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        int status = -1;
        TarvokRip(c.arguments, &status, c.environment);
        EXPECT_EQ(status, 2);
        EXPECT_NE(LastStderr().find("tarvok-rip: " + c.error), std::string::npos) << LastStderr();
    }
    EXPECT_FALSE(fs::exists(empty + "/out"));
    // An image cut short still opens, and says so.
    const std::string cut = ScratchFolder() + "/cut.iso";
    fs::copy_file(ImageOfDisc("pal-3ch", "CUT"), cut);
    fs::resize_file(cut, fs::file_size(cut) / 2);
    int status = -1;
    EXPECT_NE(TarvokRip("info " + ShellQuote(cut), &status).find(cut + " ends at byte "), std::string::npos);
    EXPECT_EQ(status, 0);
}

TEST(CliInfoTest, HelpVersionAndUsageErrors)
{
    const struct {
        std::string arguments;
        int status;
        std::string shown;  // on stdout for 0, else on stderr
    } cases[] = {
        {"--help", 0, "Usage: tarvok-rip [OPTIONS] COMMAND"},
        {"help", 0, "  64  wrong usage"},
        {"info --help", 0, "Usage: tarvok-rip info [OPTIONS] [SOURCE]"},
        {"rip -h", 0, "  -y, --yes "},
        {"--version", 0, "tarvok-rip " TARVOK_VERSION "\n"},
        {"", 64, "tarvok-rip: no command given"},
        {"--bogus", 64, "Unknown option 'bogus'"},
        {"info --bogus", 64, "Unknown option 'bogus'. (see: tarvok-rip info --help)"},
        {"rip --output", 64, "Missing value after '--output'"},
        {"info a b", 64, "one SOURCE at most"},
        {"frob", 64, "unknown command 'frob'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        int status = -1;
        const std::string out = TarvokRip(c.arguments, &status);
        EXPECT_EQ(status, c.status);
        EXPECT_NE((c.status == 0 ? out : LastStderr()).find(c.shown), std::string::npos) << out << LastStderr();
    }
}

TEST(CliInfoTest, DamagedDiscStillLoadsWithMessages)
{
    const std::string root = ScratchFolder() + "/disc";
    fs::create_directories(root);
    fs::copy(TestDisc("pal-3ch") + "/VIDEO_TS", root + "/VIDEO_TS");
    fs::resize_file(root + "/VIDEO_TS/VTS_01_0.IFO", 2100);  // the tables are cut off
    int status = -1;
    const json report = json::parse(TarvokRip("info --json " + ShellQuote(root), &status));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(report["messages"].empty());
    EXPECT_EQ(report["titleSets"].size(), 1u);
}

TEST(CliInfoTest, OddNamesAndEncryptedDiscsAreDescribed)
{
    // A folder name that is not UTF-8: its bytes are replaced, the JSON stays valid.
    const std::string odd = CopyOfDisc("pal-3ch", "disc-\xff\xfe");
    int status = -1;
    json report = json::parse(TarvokRip("info --json " + ShellQuote(odd), &status));
    EXPECT_EQ(status, 0);
    EXPECT_NE(report["videoTsPath"].get<std::string>().find("disc-\xEF\xBF\xBD\xEF\xBF\xBD/VIDEO_TS"), std::string::npos);
    EXPECT_EQ(report["encrypted"], false);
    EXPECT_EQ(report["decryptable"], false);

    MarkPacksScrambled(odd + "/VIDEO_TS/VTS_01_1.VOB");
    report = json::parse(TarvokRip("info --json " + ShellQuote(odd), &status));
    EXPECT_EQ(report["encrypted"], true);
    EXPECT_EQ(report["decryptable"], false);  // no libdvdcss here, and a folder of files besides
    EXPECT_NE(TarvokRip("info " + ShellQuote(odd), &status).find("Encrypted (CSS): yes, and it cannot be decrypted here"),
              std::string::npos);
}

// An information file that cannot be read, or holds zeros, gives way to its
// backup in info and in rip, with a note; without a backup nothing is guessed.
TEST(CliInfoTest, BackupsStandInForDamagedInformationFiles)
{
    const std::string unreadable = "LD_PRELOAD=" + ShellQuote(TARVOK_FAULT_SHIM) +
                                   " TARVOK_FAULT_FILE=VIDEO_TS.IFO TARVOK_FAULT=eio TARVOK_FAULT_FROM=0 TARVOK_FAULT_TO=999999999";
    auto zero = [](const std::string& file) { std::ofstream(file, std::ios::binary) << std::string(fs::file_size(file), '\0'); };
    const struct {
        std::string what;
        std::function<void(const std::string& videoTs)> damage;
        std::string environment, shown;
        int ripStatus;
    } cases[] = {
        {"a title set's IFO of zeros", [&](const std::string& v) { zero(v + "/VTS_01_0.IFO"); }, "",
         "VTS_01_0.IFO cannot be read whole or fails its checks: its backup VTS_01_0.BUP is read instead", 0},
        {"an unreadable VIDEO_TS.IFO", [](const std::string&) {}, unreadable,
         "VIDEO_TS.IFO cannot be read whole or fails its checks: its backup VIDEO_TS.BUP is read instead", 0},
        {"a title set's IFO and BUP of zeros", [&](const std::string& v) { zero(v + "/VTS_01_0.IFO"), zero(v + "/VTS_01_0.BUP"); }, "",
         "video attributes unreadable", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(ScratchFolder() + "/disc");
        const std::string disc = CopyOfDisc("pal-3ch", "disc");
        c.damage(disc + "/VIDEO_TS");
        int status = -1;
        const std::string shown = TarvokRip("info " + ShellQuote(disc), &status, c.environment);
        EXPECT_EQ(status, 0);
        EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
        if (c.ripStatus == 0) {
            EXPECT_NE(shown.find("MPEG 2, PAL, 4:3, 720x576"), std::string::npos) << shown;
        }
        TarvokRip("rip " + ShellQuote(disc) + " --yes --output " + ShellQuote(ScratchFolder() + "/out"), &status,
                  c.environment + " HOME=" + ShellQuote(ScratchFolder()));
        EXPECT_EQ(status, c.ripStatus) << LastStderr();
    }
}
