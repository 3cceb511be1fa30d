// tarvok-rip rip: the conversion from the command line, and how faithful
// the file is to the disc.
#include "rip/output_file.h"
#include "tests/media_probe.h"
#include "tests/rip_command.h"
#include "tests/reference_readers.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Runs "$@" with `setup` done first in a mount namespace of its own.
std::string InMountNamespace(const std::string& setup)
{
    return "unshare -m sh -c " + ShellQuote(setup + " && exec \"$@\"") + " sh";
}

// The last sector of the first piece of the cell address table, in a title set IFO.
void SetFirstCellLastSector(const std::string& ifo, uint32_t sector)
{
    std::fstream file(ifo, std::ios::in | std::ios::out | std::ios::binary);
    auto read = [&](std::streamoff at, int bytes) {
        unsigned char b[4] = {};
        file.seekg(at);
        file.read(reinterpret_cast<char*>(b), bytes);
        return bytes == 2 ? uint32_t(b[0]) << 8 | b[1] : uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    };
    const std::streamoff addresses = std::streamoff(read(0xE0, 4)) * 2048;
    const unsigned char bytes[] = {uint8_t(sector >> 24), uint8_t(sector >> 16), uint8_t(sector >> 8), uint8_t(sector)};
    file.seekp(addresses + 8 + 8);
    file.write(reinterpret_cast<const char*>(bytes), 4);
}

// Writes entry `k` of program chain `chain`'s (from 1) audio or subpicture control table in a title set IFO.
void SetStreamControl(const std::string& ifo, int chain, bool audio, int k, uint32_t entry)
{
    std::fstream file(ifo, std::ios::in | std::ios::out | std::ios::binary);
    auto read32 = [&](std::streamoff at) {
        unsigned char b[4] = {};
        file.seekg(at);
        file.read(reinterpret_cast<char*>(b), 4);
        return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    };
    const std::streamoff table = std::streamoff(read32(0xCC)) * 2048;
    const std::streamoff pgc = table + read32(table + 8 + 8 * (chain - 1) + 4);
    const std::streamoff at = pgc + (audio ? 0x0C + 2 * k : 0x1C + 4 * k);
    const unsigned char bytes[] = {uint8_t(entry >> 24), uint8_t(entry >> 16), uint8_t(entry >> 8), uint8_t(entry)};
    file.seekp(at);
    if (audio) file.write(reinterpret_cast<const char*>(bytes + 2), 2);
    else file.write(reinterpret_cast<const char*>(bytes), 4);
}

// The subtitles' colours on the test discs, and how far apart two colours are (the largest difference of a component).
constexpr std::array<int, 3> kRed = {255, 48, 48}, kGreen = {48, 255, 48};
int Distance(const std::array<int, 3>& a, const std::array<int, 3>& b)
{
    return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

}  // namespace

// The whole disc and a chapter cut of a PAL disc with two languages and of
// an NTSC disc with two title sets, in every container: the file holds
// exactly the pictures of what was ripped at the disc's own rate, sound as
// long as the pictures, each audio stream's language where the container
// keeps one, and the chapter marks where lsdvd says the chapters start.
TEST(RipFidelityTest, EveryContainerKeepsEveryPictureLanguageAndChapter)
{
    struct Part {
        std::string disc, options;
        int titleSet = 0, chain = 0;  // a title's chapters: 0 for the whole disc
        std::vector<int> chapters;
        std::vector<std::string> languages;  // ISO 639-2 of each audio stream, "" for none
    };
    const Part parts[] = {
        {"pal-two-languages", "", 0, 0, {}, {"eng", "fre"}},
        {"pal-two-languages", "--title 1.2 --chapters 2", 1, 2, {2}, {"eng", "fre"}},
        {"ntsc-2vts", "", 0, 0, {}, {""}},
        {"ntsc-2vts", "--title 1.1 --chapters 2-3", 1, 1, {2, 3}, {""}},
    };
    const std::string containers[] = {"ts", "ps", "mpeg1", "asf", "mp4", "mov", "avi", "ogg", "mkv"};
    const std::set<std::string> keepLanguages = {"ts", "asf", "mp4", "mov", "ogg", "mkv"}, keepChapters = {"asf", "mp4", "mov", "mkv"};
    for (const Part& part : parts) {
        // What lsdvd reads of the disc: each chapter's pictures, and the marks the rip should carry.
        const double rate = SourceOf(TestDisc(part.disc)).frameRate;
        long pictures = 0;
        std::vector<std::pair<std::string, double>> marks;
        for (const LsdvdTrack& track : LsdvdTracks(TestDisc(part.disc)))
            for (std::size_t c = 0; c < track.chapterSeconds.size(); ++c) {
                const int chapter = static_cast<int>(c) + 1;
                const bool wanted = part.titleSet == 0 || (track.vts == part.titleSet && track.ttn == part.chain &&
                                                           std::count(part.chapters.begin(), part.chapters.end(), chapter));
                if (!wanted) continue;
                const std::string name = "Chapter " + std::to_string(chapter);
                marks.emplace_back(part.titleSet ? name : "Title " + std::to_string(track.vts) + "." + std::to_string(track.ttn) + ", " + name,
                                   pictures / rate);
                pictures += std::lround(track.chapterSeconds[c] * rate);
            }
        if (part.titleSet == 0) {
            EXPECT_EQ(pictures, SourceOf(TestDisc(part.disc)).frames) << part.disc;
        }
        for (const std::string& container : containers) {
            SCOPED_TRACE(part.disc + " " + part.options + " " + container);
            const std::string out = ScratchFolder() + "/" + part.disc + "-" + container;
            int status = -1;
            const std::string printed = Rip(ShellQuote(TestDisc(part.disc)) + " --output " + ShellQuote(out) + " --container " +
                                                container + " --yes " + part.options, &status);
            ASSERT_EQ(status, 0) << LastErrors();
            const std::string file = printed.substr(0, printed.find('\n'));
            const MediaFacts facts = ProbeMedia(file, true);
            EXPECT_EQ(facts.videoStreams, 1);
            EXPECT_EQ(facts.videoFrames, pictures);
            EXPECT_EQ(facts.rate, rate == 25 ? "25/1" : "30000/1001");
            EXPECT_NEAR(AudioSeconds(file), pictures / rate, 0.045);  // within one audio frame
            std::vector<std::string> languages = part.languages;
            for (std::string& language : languages)
                if (!keepLanguages.count(container)) language = "";
                else if (container == "mov" && language == "fre") language = "fra";  // QuickTime's own code for French
                else if (container == "mp4" && language.empty()) language = "und";   // MP4 always names one
            EXPECT_EQ(facts.audioLanguages, languages);
            if (keepChapters.count(container)) {
                ASSERT_EQ(facts.chapters.size(), marks.size());
                for (std::size_t i = 0; i < marks.size(); ++i) {
                    EXPECT_EQ(facts.chapters[i].first, marks[i].first);
                    EXPECT_NEAR(facts.chapters[i].second, marks[i].second, 0.001) << marks[i].first;
                }
            }
            EXPECT_TRUE(TimelineRunsForward(file));
            EXPECT_EQ(DecodeErrors(file), "");
        }
    }
}

TEST(CliRipTest, DefaultsNameTheFileAndReportProgress)
{
    const std::string out = ScratchFolder() + "/out";
    int status = -1;
    const std::string printed = Rip(ShellQuote(TestDisc("pal-30s") + "/VIDEO_TS") + " --output " + ShellQuote(out), &status);
    ASSERT_EQ(status, 0) << LastErrors();
    EXPECT_EQ(printed, out + "/dvdRip_Movie1.mpg\n");
    const std::string errors = LastErrors();
    EXPECT_NE(errors.find("Converting " + TestDisc("pal-30s") + "/VIDEO_TS into " + out + "/dvdRip_Movie1.mpg"), std::string::npos);
    EXPECT_NE(errors.find("%  elapsed "), std::string::npos) << errors;
    EXPECT_NE(errors.find("  left "), std::string::npos);
    const MediaFacts facts = ProbeMedia(out + "/dvdRip_Movie1.mpg", true);
    EXPECT_EQ(facts.formatName, "mpegts");
    EXPECT_EQ(facts.videoCodec, "mpeg1video");
    EXPECT_EQ(facts.audioCodec, "mp2");
    EXPECT_EQ(facts.videoFrames, 750);
}

TEST(CliRipTest, AnExistingFileIsOverwrittenOnlyWhenTheUserSaysSo)
{
    const std::string out = ScratchFolder() + "/out";
    fs::create_directories(out);
    const std::string file = out + "/dvdRip_Movie1.mpg";
    std::ofstream(file) << "the user's own file";
    const std::string arguments = ShellQuote(TestDisc("pal-3ch")) + " --output " + ShellQuote(out);
    int status = -1;
    Rip(arguments, &status);  // not a terminal, no --yes
    EXPECT_EQ(status, 1);
    EXPECT_EQ(LastErrors(), "tarvok-rip: " + file + " exists; add --yes to overwrite it\n");
    EXPECT_EQ(fs::file_size(file), 19u);

    // At a terminal the user is asked; "n" keeps the file.
    const std::string pty =
        "/usr/bin/python3 -c 'import os, pty, sys\n"
        "pid, fd = pty.fork()\n"
        "if pid == 0: os.execvp(sys.argv[1], sys.argv[1:])\n"
        "seen = b\"\"\n"
        "while b\"[y/N]\" not in seen: seen += os.read(fd, 1024)\n"
        "os.write(fd, b\"n\\n\")\n"
        "while True:\n"
        "    try: chunk = os.read(fd, 1024)\n"
        "    except OSError: break\n"
        "    if not chunk: break\n"
        "sys.exit(os.waitpid(pid, 0)[1] >> 8)' ";
    RunCommand(pty + ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " rip " + arguments, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(fs::file_size(file), 19u);

    Rip(arguments + " --yes", &status);
    EXPECT_EQ(status, 0) << LastErrors();
    EXPECT_GT(fs::file_size(file), 100000u);
}

TEST(CliRipTest, SignalsStopTheRipAndFinishThePartialFile)
{
    // Containers that keep their index or their chapter marks for the end.
    for (const auto& [signal, container] : {std::pair{"INT", "mp4"}, {"TERM", "asf"}, {"HUP", "mov"}}) {
        SCOPED_TRACE(signal);
        const std::string out = ScratchFolder() + "/out-" + signal;
        const std::string result =
            RipStoppedMidway(TestDisc("pal-30s"), std::string("--container ") + container + " --output " + ShellQuote(out), signal);
        EXPECT_EQ(result, "1\n");
        const std::string file = out + "/dvdRip_Movie1." + container;
        EXPECT_NE(LastErrors().find("tarvok-rip: stopped; the partial file " + file + " stays"), std::string::npos) << LastErrors();
        // Finished, not cut off: the file has its index and plays, its marks within it.
        const MediaFacts facts = ProbeMedia(file, true);
        EXPECT_EQ(facts.videoStreams, 1);
        EXPECT_GT(facts.videoFrames, 0);
        EXPECT_LT(facts.duration, 29.0);
        EXPECT_EQ(DecodeErrors(file), "");
        ASSERT_FALSE(facts.chapters.empty());
        for (const auto& [name, start] : facts.chapters) EXPECT_LE(start, facts.duration) << name;
    }
}

// Real faults, each set up for real: the rip says what went wrong, exits
// with its status, never reports a loss as success, and loses nothing.
TEST(CliRipTest, FaultsEndWithTheirReasonAndLoseNothing)
{
    const std::string out = ScratchFolder() + "/out";
    const std::string file = out + "/dvdRip_Movie1.mpg";
    auto noFile = [&] { EXPECT_FALSE(SomethingAt(file)) << file; };
    auto playable = [&] { EXPECT_EQ(ProbeMedia(file).videoStreams, 1); };
    struct Fault {
        std::string what;
        // Damages a copy of a disc (or the machine) and gives the arguments after "rip".
        std::function<std::string(const std::string& disc)> prepare;
        int status;
        std::string said;
        std::function<void()> check;
        std::string wrapper = "";
        const char* disc = "pal-3ch";
    };
    const std::string vob = "/VIDEO_TS/VTS_01_1.VOB";
    std::vector<Fault> faults = {
        {"a title set without its VOB", [](const std::string& d) { fs::remove(d + "/VIDEO_TS/VTS_02_1.VOB"); return d; },
         1, "title set 2: its VOB files are missing", noFile, "", "ntsc-2vts"},
        {"a cell that ends past any disc", [](const std::string& d) { SetFirstCellLastSector(d + "/VIDEO_TS/VTS_01_0.IFO", 0xFFFFFFFF); return d; },
         1, "its cells reach sector 4294967295", noFile},
        {"a VOB cut short", [&](const std::string& d) { fs::resize_file(d + vob, fs::file_size(d + vob) / 2); return d; },
         1, "a VOB file is missing or cut short", noFile},
        {"an IFO that is a FIFO", [](const std::string& d) { fs::remove(d + "/VIDEO_TS/VIDEO_TS.IFO"), mkfifo((d + "/VIDEO_TS/VIDEO_TS.IFO").c_str(), 0644); return d; },
         1, "VIDEO_TS.IFO is not a regular file", noFile},
        {"an encrypted disc", [&](const std::string& d) { MarkPacksScrambled(d + vob); return d; },
         1, "encrypted (CSS) and libdvdcss, which decrypts it, is not installed", noFile},
        {"a settings file that is a FIFO", [&](const std::string& d) {
             const std::string config = ScratchFolder() + "/home/.config/Tarvok DVD Ripper";
             fs::create_directories(config);
             mkfifo((config + "/DVD Ripper.ini").c_str(), 0644);
             return d; },
         0, "is not a regular file: the default settings apply", playable},
        {"a full disk", [](const std::string& d) { return d; }, 1, "cannot write " + file + ": No space left on device; what was converted is in " + out + "/dvdRip_Movie1.partial.mpg", noFile,
         InMountNamespace("mount -t tmpfs -o size=512k tmpfs " + ShellQuote(out))},
        {"a read-only folder", [](const std::string& d) { return d; }, 1, "cannot write in " + out + ": Read-only file system", noFile,
         InMountNamespace("mount --bind -o ro " + ShellQuote(out) + " " + ShellQuote(out))},
        {"an output folder that is a file", [&](const std::string& d) {
             std::ofstream(ScratchFolder() + "/a-file") << "not a folder";
             return d + " --output " + ShellQuote(ScratchFolder() + "/a-file"); },
         1, "cannot make the folder", noFile},
        {"an output folder inside the disc", [](const std::string& d) { return d + " --output " + ShellQuote(d + "/VIDEO_TS/new"); },
         1, "lies inside the disc being ripped", [&] { EXPECT_FALSE(fs::exists(ScratchFolder() + "/disc/VIDEO_TS/new")); }},
        // Nothing is made before every check has passed.
        {"a part the disc lacks", [&](const std::string& d) { return d + " --title 9 --output " + ShellQuote(out + "/new"); },
         64, "the disc has no title set 9", [&] { EXPECT_FALSE(fs::exists(out + "/new")); }},
        {"a good file at the name, and a rip that fails", [&](const std::string& d) {
             std::ofstream(file) << "a good rip";
             fs::remove(d + vob);
             return d + " --yes"; },
         1, "nothing was converted", [&] {
             std::ifstream kept(file);
             EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "a good rip");
             // Nothing else either: no partial file of nothing, no hidden file.
             EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
         }},
        {"a hard link to the disc's own VOB at the name, with --yes", [&](const std::string& d) {
             fs::create_hard_link(d + vob, file);
             return d + " --yes"; },
         0, "Converted", [&] {
             EXPECT_EQ(fs::hard_link_count(ScratchFolder() + "/disc" + vob), 1u);
             EXPECT_EQ(ProbeMedia(ScratchFolder() + "/disc" + vob, true).videoFrames, 150);  // the source is whole
             playable();
         }},
        // Another file's name planted at the hidden name: taken away, the other file untouched.
        {"a hard link to another file at the hidden name, with --yes", [&](const std::string& d) {
             std::ofstream(ScratchFolder() + "/someone's") << "someone's file";
             fs::create_hard_link(ScratchFolder() + "/someone's", out + "/.dvdRip_Movie1.mpg.tarvok");
             return d + " --yes"; },
         0, "Converted", [&] {
             EXPECT_EQ(RunCommand("cat " + ShellQuote(ScratchFolder() + "/someone's")), "someone's file");
             EXPECT_EQ(fs::hard_link_count(ScratchFolder() + "/someone's"), 1u);
             playable();
         }},
        // A helper swaps the hidden file for a link as soon as the rip has written to it: the writes go on
        // through the rip's own descriptor, its end notices, and the work is kept apart.
        {"the hidden file swapped for a link while the rip writes", [&](const std::string& d) {
             std::ofstream(ScratchFolder() + "/someone's") << "someone's file";
             return d; },
         1, ".dvdRip_Movie1.mpg.tarvok was replaced while the rip wrote it, so " + file + " stays as it was", [&] {
             EXPECT_EQ(RunCommand("cat " + ShellQuote(ScratchFolder() + "/someone's")), "someone's file");
             noFile();
             EXPECT_EQ(ProbeMedia(out + "/dvdRip_Movie1.partial.mpg", true).videoFrames, 750);
         },
         "sh -c " + ShellQuote("hidden=" + ShellQuote(out + "/.dvdRip_Movie1.mpg.tarvok") + "; (while [ ! -s \"$hidden\" ]; do sleep 0.001; done; ln -s " +
                               ShellQuote(ScratchFolder() + "/someone's") + " \"$hidden.swap\" && mv -T \"$hidden.swap\" \"$hidden\") & exec \"$@\"") + " sh",
         "pal-30s"},
        {"an empty output folder", [](const std::string& d) { return d + " --output ''"; }, 64, "--output needs a folder", [] {}},
        // The reason comes last in the message, after 3500 characters of path.
        {"a long path with a file in its way", [&](const std::string& d) {
             std::ofstream(ScratchFolder() + "/in-the-way") << "a file";
             std::string path = ScratchFolder() + "/in-the-way";
             while (path.size() < 3500) path += "/" + std::string(200, 'x');
             return d + " --output " + ShellQuote(path); },
         1, "xxx: Not a directory", [] {}},
        {"a link to the disc's own VOB at the name, with --yes", [&](const std::string& d) {
             fs::create_symlink(d + vob, file);
             return d + " --yes"; },
         0, "Converted", [&] {
             EXPECT_FALSE(fs::is_symlink(file));
             EXPECT_EQ(ProbeMedia(ScratchFolder() + "/disc" + vob, true).videoFrames, 150);  // the source is whole
         }},
        {"a link that leads nowhere", [&](const std::string& d) { fs::create_symlink(ScratchFolder() + "/elsewhere.mpg", file); return d; },
         1, "exists; add --yes to overwrite it", [&] { EXPECT_FALSE(fs::exists(ScratchFolder() + "/elsewhere.mpg")); }},
        {"a link that leads nowhere, with --yes", [&](const std::string& d) { fs::create_symlink(ScratchFolder() + "/elsewhere.mpg", file); return d + " --yes"; },
         0, "Converted", [&] {
             EXPECT_FALSE(fs::exists(ScratchFolder() + "/elsewhere.mpg"));
             playable();
         }},
        {"a folder named Video_Ts", [](const std::string& d) { fs::rename(d + "/VIDEO_TS", d + "/Video_Ts"); return d; }, 0, "Converted", playable},
        // Likely over before the first look: counted by what it wrote, not by the progress seen.
        {"a one-second disc", [](const std::string& d) { return d; }, 0, "Converted", playable, "", "pal-1s"},
    };
    // A file size limit fails the write as a full disk does, in every container that writes its end at its end.
    for (const char* container : {"mp4", "mov", "asf", "mkv"})
        faults.push_back({std::string("a file size limit, ") + container, [=](const std::string& d) { return d + " --container " + container; },
                          1, "File too large; what was converted is in " + out + "/dvdRip_Movie1.partial." + container, [=] {
                              EXPECT_GT(fs::file_size(out + "/dvdRip_Movie1.partial." + container), 0u);
                              EXPECT_FALSE(fs::exists(out + "/dvdRip_Movie1." + std::string(container)));
                          },
                          "sh -c 'ulimit -f 200 && exec \"$@\"' sh"});
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        fs::remove_all(ScratchFolder() + "/disc");
        fs::remove_all(ScratchFolder() + "/home");
        fs::remove_all(out);
        fs::create_directories(out);
        const std::string disc = CopyOfDisc(fault.disc, "disc");
        std::string arguments = fault.prepare(disc);
        if (arguments.find("--output") == std::string::npos) arguments += " --output " + ShellQuote(out);
        int status = -1;
        Rip(arguments, &status, "/dev/null", fault.wrapper);
        EXPECT_EQ(status, fault.status);
        EXPECT_NE(LastErrors().find(fault.said), std::string::npos) << LastErrors();
        fault.check();
        // A failed rip never leaves an empty file behind.
        if (status != 0) {
            EXPECT_FALSE(fs::is_regular_file(file) && fs::file_size(file) == 0);
        }
    }
    // Without HOME there is no default folder: nothing is made, here or in the home the test keeps.
    int status = -1;
    fs::create_directories(ScratchFolder() + "/home");
    const std::string before = TreeListing(ScratchFolder() + "/home");
    Rip(ShellQuote(TestDisc("pal-1s")), &status, "/dev/null", "env -u HOME -u XDG_CONFIG_HOME");
    EXPECT_EQ(status, 64);
    EXPECT_NE(LastErrors().find("HOME is not set"), std::string::npos) << LastErrors();
    EXPECT_EQ(TreeListing(ScratchFolder() + "/home"), before);
    EXPECT_FALSE(fs::exists("Converted Videos"));
}

// The read faults of a scratched disc, injected for real into the reads of
// its VOB (tests/read_fault_shim.c): the rip gives what can be read, says
// what it passed over, keeps the file and never hangs; nothing but the
// output folder changes.
TEST(CliRipTest, ScratchedDiscsGiveWhatCanBeRead)
{
    const std::string disc = TestDisc("pal-2min"), out = ScratchFolder() + "/out", file = out + "/dvdRip_Movie1.mpg";
    const uint64_t vob = fs::file_size(disc + "/VIDEO_TS/VTS_01_1.VOB"), middle = vob / 2 / 2048 * 2048;
    const struct {
        std::string what, fault;
        uint64_t from, to;
        int status;
        std::string said;
        long pictures;  // at least, of 3000: a damaged VOBU loses 15
    } cases[] = {
        {"one unreadable sector", "eio", middle, middle + 2048, 3, "1 damaged sector passed over: the file lacks 1:00.0-1:00.6", 2985},
        {"the last sector unreadable", "eio", vob - 2048, vob, 3, "1 damaged sector passed over: the file lacks 1:59.4 to its end", 2985},
        {"a read that fails once", "once", middle, middle + 2048, 0, "Converted in", 3000},
        {"400 zeroed sectors", "zero", middle, middle + 400 * 2048, 3, "400 damaged sectors passed over: the file lacks 1:00.0-1:02.4", 2940},
        {"a read that never returns", "block", middle, middle + 2048, 3, "1 damaged sector passed over", 2985},
        {"nothing can be read", "eio", 0, vob, 1, "the disc cannot be read: " + std::to_string(vob / 2048) + " of its sectors are damaged", 0},
    };
    const std::string discBefore = TreeListing(disc);
    fs::create_directories(ScratchFolder() + "/home");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out);
        fs::create_directories(out);
        std::ofstream(file) << "the last good rip";
        const std::string homeBefore = TreeListing(ScratchFolder() + "/home");
        int status = -1;
        Rip(ShellQuote(disc) + " --yes --output " + ShellQuote(out), &status, "/dev/null",
            "env LD_PRELOAD=" + ShellQuote(TARVOK_FAULT_SHIM) + " TARVOK_FAULT_FILE=VTS_01_1.VOB TARVOK_FAULT=" + c.fault +
                " TARVOK_FAULT_FROM=" + std::to_string(c.from) + " TARVOK_FAULT_TO=" + std::to_string(c.to) + " TARVOK_READ_TIMEOUT=1");
        EXPECT_EQ(status, c.status);
        EXPECT_NE(LastErrors().find(c.said), std::string::npos) << LastErrors();
        if (c.status == 1) {
            std::ifstream kept(file);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the last good rip");
        } else {
            const long pictures = ProbeMedia(file, true).videoFrames;
            EXPECT_GE(pictures, c.pictures);
            EXPECT_LE(pictures, 3000);
            EXPECT_TRUE(TimelineRunsForward(file));
        }
        EXPECT_EQ(TreeListing(ScratchFolder() + "/home"), homeBefore);
    }
    EXPECT_EQ(TreeListing(disc), discBefore);

    // Ctrl-C while a read never returns: the rip ends at once, its file finished, while the read still blocks.
    fs::remove_all(out);
    const std::string result = RipStoppedMidway(disc, "--output " + ShellQuote(out), "INT");
    EXPECT_EQ(result, "1\n");
    EXPECT_NE(LastErrors().find("stopped; the partial file " + file + " stays"), std::string::npos) << LastErrors();
    EXPECT_GT(ProbeMedia(file, true).videoFrames, 0);
}

// A program chain's control tables say which stream is which: a language
// carried in another sub-stream than its number, and an audio stream the
// chain does not offer, which info leaves out and --audio refuses.
TEST(CliRipTest, ChainsControlTablesSayWhichStreamIsWhich)
{
    const std::string subtitles = CopyOfDisc("pal-subtitles", "swapped");
    // English in sub-stream 1 (the second bar, at 1.5 s and 4.5 s), French in sub-stream 0.
    SetStreamControl(subtitles + "/VIDEO_TS/VTS_01_0.IFO", 1, false, 0, 0x81000000);
    SetStreamControl(subtitles + "/VIDEO_TS/VTS_01_0.IFO", 1, false, 1, 0x80000000);
    const std::string file = RippedFile(subtitles, ScratchFolder() + "/out", "--title 1 --container mkv --subtitles en");
    const std::vector<SubtitleTrackFacts> tracks = SubtitleTracksOf(file);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0], (SubtitleTrackFacts{"eng", {1.5, 4.5}}));

    const std::string languages = CopyOfDisc("pal-two-languages", "english-only");
    for (int chain : {1, 2}) SetStreamControl(languages + "/VIDEO_TS/VTS_01_0.IFO", chain, true, 1, 0x0100);  // French not offered
    const auto info = nlohmann::json::parse(RunCommand(ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " info --json " +
                                                       ShellQuote(languages)));
    for (const auto& chain : info["titleSets"][0]["programChains"]) EXPECT_EQ(chain["audioStreams"], nlohmann::json({1}));
    EXPECT_EQ(info["titleSets"][0]["audio"].size(), 2u);  // what the title set declares stays listed
    int status = -1;
    Rip(ShellQuote(languages) + " --title 1.1 --audio fr --yes --output " + ShellQuote(ScratchFolder() + "/out"), &status);
    EXPECT_EQ(status, 64);
    EXPECT_NE(LastErrors().find("it has 1 (en)"), std::string::npos) << LastErrors();
}

// Damage that covers megabytes costs few failing reads (each of which takes a
// real drive seconds): a 20 MB scratch in the middle of a disc, and a title
// that cannot be read at all before one that can. Counted, never timed.
TEST(CliRipTest, LongDamageIsReadAroundWithFewFailingReads)
{
    const std::string twoMinutes = TestDisc("pal-2min"), twoTitleSets = TestDisc("ntsc-2vts");
    const uint64_t middle = fs::file_size(twoMinutes + "/VIDEO_TS/VTS_01_1.VOB") / 2 / 2048 * 2048;
    const uint64_t stretch = 20 << 20;
    const struct {
        std::string what, disc;
        uint64_t from, to;
        long pictures;  // at least: all those outside the damage (less a VOBU at each edge)
        std::string said;
    } cases[] = {
        {"a 20 MB scratch", twoMinutes, middle - stretch / 2, middle + stretch / 2, 1560, "damaged sectors passed over ("},
        {"an unreadable first title", twoTitleSets, 0, fs::file_size(twoTitleSets + "/VIDEO_TS/VTS_01_1.VOB"), 150,
         "1703 damaged sectors passed over (12 tried): the file lacks 0:00.0 (9.0 s of the disc)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string out = ScratchFolder() + "/out", count = ScratchFolder() + "/failing-reads";
        fs::remove_all(out);
        fs::remove(count);
        int status = -1;
        const std::string printed =
            Rip(ShellQuote(c.disc) + " --yes --output " + ShellQuote(out), &status, "/dev/null",
                "env LD_PRELOAD=" + ShellQuote(TARVOK_FAULT_SHIM) + " TARVOK_FAULT_FILE=VTS_01_1.VOB TARVOK_FAULT=eio TARVOK_FAULT_FROM=" +
                    std::to_string(c.from) + " TARVOK_FAULT_TO=" + std::to_string(c.to) + " TARVOK_FAULT_COUNT=" + ShellQuote(count));
        EXPECT_EQ(status, 3);
        EXPECT_NE(LastErrors().find(c.said), std::string::npos) << LastErrors();
        ASSERT_TRUE(fs::exists(count));
        EXPECT_LE(fs::file_size(count), 400u) << "failing reads";
        const std::string file = printed.substr(0, printed.find('\n'));
        EXPECT_GE(ProbeMedia(file, true).videoFrames, c.pictures);
        EXPECT_TRUE(TimelineRunsForward(file));
    }
}

// A reader that goes away (| head -1) ends the progress lines, never the rip:
// the file is put in place, and the exit status says the lines were lost.
TEST(CliRipTest, AClosedPipeEndsTheLinesNotTheRip)
{
    const std::string out = ScratchFolder() + "/out", statusFile = ScratchFolder() + "/status";
    for (const std::string& errors : {"2>" + ShellQuote(ScratchFolder() + "/stderr.txt"), std::string("2>&1")}) {
        SCOPED_TRACE(errors);
        fs::remove_all(out);
        const std::string first = RunCommand(
            "{ HOME=" + ShellQuote(ScratchFolder() + "/home") + " " + ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") +
            " rip " + ShellQuote(TestDisc("pal-30s")) + " --progress json --output " + ShellQuote(out) + " </dev/null " + errors +
            "; echo $? >" + ShellQuote(statusFile) + "; } | head -1");
        EXPECT_TRUE(nlohmann::json::parse(first).contains("percent")) << first;
        EXPECT_EQ(RunCommand("cat " + ShellQuote(statusFile)), "1\n");
        EXPECT_EQ(ProbeMedia(out + "/dvdRip_Movie1.mpg", true).videoFrames, 750);
    }
    EXPECT_NE(RunCommand("cat " + ShellQuote(ScratchFolder() + "/stderr.txt")).find("tarvok-rip: cannot write to standard output"),
              std::string::npos);
}

// A rip killed outright leaves its hidden file, never one under the final
// name; the next rip of that name clears it and needs no --yes.
TEST(CliRipTest, AKilledRipLeavesNoFileUnderItsName)
{
    const std::string out = ScratchFolder() + "/out";
    RipStoppedMidway(TestDisc("pal-30s"), "--container mp4 --output " + ShellQuote(out), "KILL");
    int status = -1;
    EXPECT_FALSE(fs::exists(out + "/dvdRip_Movie1.mp4"));
    EXPECT_GT(fs::file_size(out + "/.dvdRip_Movie1.mp4.tarvok"), 0u);
    Rip(ShellQuote(TestDisc("pal-30s")) + " --container mp4 --output " + ShellQuote(out), &status);
    EXPECT_EQ(status, 0) << LastErrors();
    EXPECT_EQ(ProbeMedia(out + "/dvdRip_Movie1.mp4", true).videoFrames, 750);
    EXPECT_FALSE(fs::exists(out + "/.dvdRip_Movie1.mp4.tarvok"));
}

// Under address-space limits from too small to start to enough for a rip,
// every run ends with an exit status and its reason: never a crash.
TEST(CliRipTest, TooLittleMemoryEndsWithItsReason)
{
    int failed = 0, converted = 0;
    for (int megabytes = 240; megabytes <= 540; megabytes += 30) {
        SCOPED_TRACE(std::to_string(megabytes) + " MB");
        int status = -1;
        Rip(ShellQuote(TestDisc("pal-3ch")) + " --container mp4 --yes --output " + ShellQuote(ScratchFolder()), &status, "/dev/null",
            "sh -c 'ulimit -v " + std::to_string(megabytes * 1000) + " && exec \"$@\"' sh");
        if (status == 127) continue;  // too little to load the program's libraries
        ASSERT_TRUE(status == 0 || status == 1) << status << "\n" << LastErrors();
        if (status == 1) {
            EXPECT_NE(LastErrors().find("tarvok-rip: "), std::string::npos) << LastErrors();
            ++failed;
        }
        converted += status == 0;
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(converted, 0);
}

// A title, chapters, an angle, an audio language: the file holds exactly
// that, named apart from the whole disc.
TEST(CliRipTest, SelectionsRipJustWhatTheyName)
{
    const std::string disc = TestDisc("pal-two-languages");
    // Chapter lengths as lsdvd reads them, in pictures (25 a second).
    std::map<std::pair<int, int>, long> pictures;
    for (const LsdvdTrack& track : LsdvdTracks(disc))
        for (std::size_t chapter = 0; chapter < track.chapterSeconds.size(); ++chapter)
            pictures[{track.ttn, int(chapter) + 1}] = std::lround(track.chapterSeconds[chapter] * 25);
    ASSERT_EQ(pictures.size(), 5u);
    const struct {
        std::string options, name;
        long frames;
        int tone;  // 0: both streams
    } selections[] = {
        {"--title main", "dvdRip_Movie1_T1.2.1", pictures[{2, 1}] + pictures[{2, 2}] + pictures[{2, 3}], 0},
        {"--title 1", "dvdRip_Movie1_T1.2.1", pictures[{2, 1}] + pictures[{2, 2}] + pictures[{2, 3}], 0},
        {"--title 1.2 --chapters 2", "dvdRip_Movie1_T1.2.1_C2", pictures[{2, 2}], 0},
        {"--title 1.2.1 --chapters 1,3", "dvdRip_Movie1_T1.2.1_C1,3", pictures[{2, 1}] + pictures[{2, 3}], 0},
        {"--title 1.1 --audio fr", "dvdRip_Movie1_T1.1.1_A2", pictures[{1, 1}] + pictures[{1, 2}], 540},
        {"--title 1.1 --audio 1", "dvdRip_Movie1_T1.1.1_A1", pictures[{1, 1}] + pictures[{1, 2}], 490},
        // A language needs no --title: each title set's stream of it.
        {"--audio fr", "dvdRip_Movie1", pictures[{1, 1}] + pictures[{1, 2}] + pictures[{2, 1}] + pictures[{2, 2}] + pictures[{2, 3}], 540},
    };
    for (const auto& selection : selections) {
        SCOPED_TRACE(selection.options);
        int status = -1;
        const std::string printed =
            Rip(ShellQuote(disc) + " --container ps --yes --output " + ShellQuote(ScratchFolder()) + " " + selection.options, &status);
        ASSERT_EQ(status, 0) << LastErrors();
        const std::string file = ScratchFolder() + "/" + selection.name + ".mpg";
        EXPECT_EQ(printed, file + "\n");
        const MediaFacts facts = ProbeMedia(file, true);
        EXPECT_EQ(facts.videoFrames, selection.frames);
        EXPECT_EQ(facts.audioStreams, selection.tone ? 1 : 2);
        if (selection.tone) {
            EXPECT_NEAR(ToneOf(file), selection.tone, 15);
        }
    }
    // What does not name a part of this disc is a usage error, with its reason.
    const std::pair<std::string, std::string> wrong[] = {
        {"--title 3", "no title set 3"},        {"--title 1.9", "not 9"},
        {"--title 1 --chapters 7", "not 7"},    {"--title 1 --chapters 2-", "--chapters takes a list"},
        {"--title 1 --audio de", "it has 1 (en), 2 (fr)"}, {"--chapters 2", "goes with --title"},
        {"--title 4294967297", "--title takes main, each, or a list of N, N.M or N.M.K"}, {"--title 1..2", "--title takes main"},
        {"--title 1 --chapters 1-999", "that angle has 3 chapters, not 999"},
        {"--title 1 --chapters 99999999999", "--chapters takes a list"},
        {"--title each", "no title plays 60 seconds or more (the longest plays 00:00:06)"},
        {"--title each --min-length 1m", "--min-length takes whole seconds"},
        {"--title 1.1,1.2 --chapters 2", "--chapters goes with a single --title"},
        {"--title 1.1,1.2 --audio 2", "a stream's number goes with --title and one title"},
        {"--title 1.1,3", "no title set 3"}, {"--title 1.1, --audio fr", "--title takes main"},
        {"--progress xml", "--progress takes json, not xml"},
    };
    for (const auto& [options, reason] : wrong) {
        int status = -1;
        Rip(ShellQuote(disc) + " --yes --output " + ShellQuote(ScratchFolder()) + " " + options, &status);
        EXPECT_EQ(status, 64) << options;
        EXPECT_NE(LastErrors().find(reason), std::string::npos) << LastErrors();
    }
}

// Every title of a disc of two title sets, each into its own file, told
// to a script as JSON lines: nothing else on standard output, the job's
// percent never going down, the last line naming every file.
TEST(CliRipTest, EachTitleIntoItsOwnFileWithProgressForScripts)
{
    const std::string out = ScratchFolder() + "/out";
    int status = -1;
    const std::string printed =
        Rip(ShellQuote(TestDisc("ntsc-2vts")) + " --title each --min-length 5 --progress json --output " + ShellQuote(out), &status);
    ASSERT_EQ(status, 0) << LastErrors();
    std::vector<nlohmann::json> lines;
    std::istringstream stream(printed);
    for (std::string line; std::getline(stream, line);) lines.push_back(nlohmann::json::parse(line));
    ASSERT_GE(lines.size(), 4u) << printed;
    double percent = 0;
    int converting = 0;
    std::vector<std::string> done;
    for (const auto& line : lines) {
        if (line["state"] == "converting") {
            ++converting;
            EXPECT_EQ(line["items"], 2);
            EXPECT_GE(line["percent"].get<double>(), percent) << line;
            percent = line["percent"];
        } else if (line["state"] == "done") {
            done.push_back(line["file"]);
        }
    }
    EXPECT_GT(converting, 0);  // the second item is seen converting, if not the first
    const std::vector<std::string> files = {out + "/dvdRip_Movie1_T1.1.1.mpg", out + "/dvdRip_Movie2_T2.1.1.mpg"};
    EXPECT_EQ(done, files);
    const nlohmann::json& summary = lines.back();
    EXPECT_EQ(summary["state"], "finished");
    EXPECT_EQ(summary["status"], 0);
    ASSERT_EQ(summary["items"].size(), 2u);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(summary["items"][i]["file"], files[i]);
        EXPECT_EQ(summary["items"][i]["state"], "done");
    }
    EXPECT_EQ(ProbeMedia(files[0], true).videoFrames, 270);
    EXPECT_EQ(ProbeMedia(files[1], true).videoFrames, 150);

    // A title shorter than --min-length is left out; a person reads the summary.
    Rip(ShellQuote(TestDisc("ntsc-2vts")) + " --title each --min-length 6 --yes --output " + ShellQuote(out), &status);
    EXPECT_EQ(status, 0) << LastErrors();
    EXPECT_EQ(LastErrors().find("Ripped "), std::string::npos) << LastErrors();
    Rip(ShellQuote(TestDisc("ntsc-2vts")) + " --title 1,2 --yes --output " + ShellQuote(out), &status);
    EXPECT_EQ(status, 0) << LastErrors();
    EXPECT_NE(LastErrors().find("Ripped 2 of 2: T1.1.1 done, T2.1.1 done\n"), std::string::npos) << LastErrors();
}

TEST(CliRipTest, AnImageRipsUnderItsLabelLikeItsFolder)
{
    const std::string image = ImageOfDisc("pal-two-languages", "TWO_LANGS");
    int status = -1;
    const std::string printed = Rip(ShellQuote(image) + " --container ps --output " + ShellQuote(ScratchFolder()), &status);
    ASSERT_EQ(status, 0) << LastErrors();
    EXPECT_EQ(printed, ScratchFolder() + "/TWO_LANGS.mpg\n");
    Rip(ShellQuote(TestDisc("pal-two-languages")) + " --container ps --output " + ShellQuote(ScratchFolder()), &status);
    ASSERT_EQ(status, 0) << LastErrors();
    // The title reader gives the same bytes from both (DiscTitleStreamTest).
    for (const std::string name : {"TWO_LANGS.mpg", "dvdRip_Movie1.mpg"}) {
        const MediaFacts facts = ProbeMedia(ScratchFolder() + "/" + name, true);
        EXPECT_EQ(facts.videoFrames, 250) << name;
        EXPECT_EQ(facts.audioStreams, 2) << name;
    }
}

TEST(CliRipTest, ContainerNamesAndSettingsOfTheProfile)
{
    // The user's own settings apply; --container changes them for this run only.
    const std::string home = ScratchFolder() + "/home";
    fs::create_directories(home + "/.config/Tarvok DVD Ripper");
    std::ofstream(home + "/.config/Tarvok DVD Ripper/DVD Ripper.ini") << "[General]\nvideo_method=6\naudio_rate=1\n";
    int status = -1;
    const std::string printed = Rip(ShellQuote(TestDisc("pal-3ch")) + " --output " + ShellQuote(ScratchFolder() + "/a"), &status);
    ASSERT_EQ(status, 0) << LastErrors();
    EXPECT_TRUE(printed.ends_with(".avi\n"));
    const std::string mp4 = Rip(ShellQuote(TestDisc("pal-3ch")) + " --output " + ShellQuote(ScratchFolder() + "/b") +
                                " --container \"MP4\"", &status);
    ASSERT_EQ(status, 0) << LastErrors();
    EXPECT_TRUE(mp4.ends_with(".mp4\n"));
    const MediaFacts facts = ProbeMedia(mp4.substr(0, mp4.size() - 1));
    EXPECT_EQ(facts.videoCodec, "mpeg1video");
    std::ifstream ini(home + "/.config/Tarvok DVD Ripper/DVD Ripper.ini");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(ini), {}), "[General]\nvideo_method=6\naudio_rate=1\n");
}

// The test disc's subtitles: in title set 1 English (red, low: 1-2 s, and
// forced 3-4 s) and French (green, middle: 1.5-2.5 s, forced 4.5-5.5 s); in
// title set 2, from 6 s of the disc, French alone (its stream 1: red, low, 7-8 s).
TEST(CliRipTest, SubtitlesKeptAsTracksWithTheirLanguagesTimesAndColours)
{
    const std::string disc = TestDisc("pal-subtitles");
    const std::vector<double> english = {1, 3}, french = {1.5, 4.5, 7};
    struct Case {
        std::string options;
        std::vector<SubtitleTrackFacts> tracks;
    };
    const Case cases[] = {
        {"-c mkv --subtitles all", {{"eng", english}, {"fre", french}}},
        {"-c mp4 --subtitles all", {{"eng", english}, {"fre", french}}},
        {"-c ps --subtitles fr --subtitles en", {{"", french}, {"", english}}},  // a program stream has no languages
        {"-c mkv --subtitles fr --forced", {{"fre", {4.5}}}},
        {"-c mkv --title 2 --subtitles 1", {{"fre", {1}}}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.options);
        const std::string path = RippedFile(disc, ScratchFolder(), test.options);
        const std::vector<SubtitleTrackFacts> tracks = SubtitleTracksOf(path);
        ASSERT_EQ(tracks.size(), test.tracks.size());
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            EXPECT_EQ(tracks[t].language, test.tracks[t].language);
            ASSERT_EQ(tracks[t].starts.size(), test.tracks[t].starts.size());
            for (std::size_t i = 0; i < tracks[t].starts.size(); ++i) EXPECT_NEAR(tracks[t].starts[i], test.tracks[t].starts[i], 0.03);
        }
        EXPECT_EQ(DecodeErrors(path), "");
        // Where the container keeps the colours, a player draws each track in its own.
        if (test.options.find("all") == std::string::npos) continue;
        EXPECT_LT(Distance(PictureAt(path, 1.7, 0).At(360, 450), kRed), 60);
        EXPECT_LT(Distance(PictureAt(path, 1.7, 1).At(360, 290), kGreen), 60);
    }

    // What cannot be kept is a usage error that says why.
    const std::pair<std::string, std::string> wrong[] = {
        {"--subtitles en", "MPEG TS cannot hold DVD subtitles as a track: choose mkv, ps, mpeg1 or mp4, or --burn"},
        {"-c mkv --subtitles de", "no subtitle stream de on the disc (it has en, fr)"},
        {"-c mkv --subtitles 2", "a stream's number goes with --title"},
        {"--title 2 --burn 2", "no subtitle stream 2 on title set 2 (it has 1 (fr))"},
        {"--burn all", "--burn takes a stream's number"},
    };
    for (const auto& [options, reason] : wrong) {
        int status = -1;
        Rip(ShellQuote(disc) + " --yes --output " + ShellQuote(ScratchFolder() + "/refused") + " " + options, &status);
        EXPECT_EQ(status, 64) << options;
        EXPECT_NE(LastErrors().find(reason), std::string::npos) << LastErrors();
        EXPECT_FALSE(fs::exists(ScratchFolder() + "/refused")) << options;
    }
}

// Burned in, a subtitle shows its colours inside its rectangle at its time,
// and the picture is as without subtitles at any other.
namespace {

// The packets of a VOB's sub-stream that begin a subpicture (they carry a
// time), in order, as a disc's own mistakes are made by hand: where each
// PES time and subpicture lie in the file.
struct SubpictureStart {
    std::streamoff time = 0, data = 0;  // the 5 bytes of the PTS; the subpicture unit
    std::size_t dataBytes = 0;           // of it in this packet
    int64_t pts = 0;
};

std::vector<SubpictureStart> SubpictureStarts(const std::string& vob, int subStream)
{
    std::ifstream file(vob, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    std::vector<SubpictureStart> starts;
    auto byte = [&](std::size_t at) { return static_cast<uint8_t>(bytes[at]); };
    for (std::size_t pack = 0; pack + 2048 <= bytes.size(); pack += 2048) {
        std::size_t at = pack + 14 + (byte(pack + 13) & 7);  // after an MPEG-2 pack header
        while (at + 9 < pack + 2048 && byte(at) == 0 && byte(at + 1) == 0 && byte(at + 2) == 1) {
            const std::size_t length = std::size_t(byte(at + 4)) << 8 | byte(at + 5), end = at + 6 + length;
            const std::size_t payload = at + 9 + byte(at + 8);
            if (byte(at + 3) == 0xBD && (byte(at + 7) & 0x80) && byte(payload) == 0x20 + subStream) {
                const std::size_t t = at + 9;
                const int64_t pts = int64_t(byte(t) & 0x0E) << 29 | int64_t(byte(t + 1)) << 22 | int64_t(byte(t + 2) & 0xFE) << 14 |
                                    int64_t(byte(t + 3)) << 7 | byte(t + 4) >> 1;
                starts.push_back({std::streamoff(t), std::streamoff(payload + 1), end - payload - 1, pts});
            }
            at = end;
        }
    }
    return starts;
}

void WriteBytes(const std::string& path, std::streamoff at, const std::vector<uint8_t>& bytes)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(at);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void SetPts(const std::string& vob, const SubpictureStart& start, int64_t pts)
{
    WriteBytes(vob, start.time, {uint8_t(0x21 | (pts >> 29 & 0x0E)), uint8_t(pts >> 22), uint8_t(pts >> 14 | 1), uint8_t(pts >> 7),
                                 uint8_t(pts << 1 | 1)});
}

// The date of the subpicture's second display control sequence, its stop, set to `date` (1024/90000 s).
void SetStopDate(const std::string& vob, const SubpictureStart& start, uint16_t date)
{
    std::ifstream file(vob, std::ios::binary);
    std::vector<uint8_t> unit(start.dataBytes);
    file.seekg(start.data);
    file.read(reinterpret_cast<char*>(unit.data()), std::streamsize(unit.size()));
    const std::size_t first = std::size_t(unit[2]) << 8 | unit[3];
    ASSERT_LT(first + 4, unit.size()) << "the subpicture spans packets";
    const std::size_t second = std::size_t(unit[first + 2]) << 8 | unit[first + 3];
    ASSERT_LT(second + 2, unit.size());
    WriteBytes(vob, start.data + std::streamoff(second), {uint8_t(date >> 8), uint8_t(date)});
}

}  // namespace

// Subpictures whose times a disc got wrong cost the rip nothing but
// themselves: one whose time goes back, or lies a day away, is left out;
// one that would show for 745 s ends with the title; the rest are kept and
// the note says what changed. A disc with more subtitle languages than a
// file's 32 streams keeps 32 and names the others.
TEST(CliRipTest, WrongSubtitleTimesCostOnlyThemselves)
{
    const std::string disc = CopyOfDisc("pal-subtitles", "wrong-times"), vob = disc + "/VIDEO_TS/VTS_01_1.VOB";
    const std::vector<SubpictureStart> english = SubpictureStarts(vob, 0), french = SubpictureStarts(vob, 1);
    ASSERT_EQ(english.size(), 2u);
    ASSERT_EQ(french.size(), 2u);
    SetPts(vob, english[1], english[0].pts - 45000);  // half a second before the one before it
    SetPts(vob, french[1], 0x1FFFFFFFF);
    SetStopDate(vob, french[0], 0xFFFF);
    for (const char* container : {"mkv", "mp4"}) {
        SCOPED_TRACE(container);
        const std::string path = RippedFile(disc, ScratchFolder() + "/" + container, std::string("--subtitles all -c ") + container);
        EXPECT_NE(LastErrors().find("tarvok-rip: 2 subpictures left out, their times going back or outside the title's; 1 subpicture "
                                    "without an end before the title's made to end with it"),
                  std::string::npos)
            << LastErrors();
        const std::vector<SubtitleTrackFacts> tracks = SubtitleTracksOf(path);
        ASSERT_EQ(tracks.size(), 2u);
        ASSERT_EQ(tracks[0].starts.size(), 1u);
        EXPECT_NEAR(tracks[0].starts[0], 1, 0.03);
        ASSERT_EQ(tracks[1].starts.size(), 2u);
        EXPECT_NEAR(tracks[1].starts[0], 1.5, 0.03);
        EXPECT_NEAR(tracks[1].starts[1], 7, 0.03);
        EXPECT_LT(ProbeMedia(path).duration, 10);
    }

    const std::string many = TestDisc("pal-36-subtitle-languages");
    const std::string path = RippedFile(many, ScratchFolder() + "/many", "--subtitles all -c mkv");
    EXPECT_NE(LastErrors().find("tarvok-rip: subtitle streams left out, as a file carries 32 at most: ln, lo, lt, lv"), std::string::npos)
        << LastErrors();
    const std::vector<SubtitleTrackFacts> tracks = SubtitleTracksOf(path);
    ASSERT_EQ(tracks.size(), 32u);
    for (const SubtitleTrackFacts& track : tracks) EXPECT_FALSE(track.starts.empty()) << track.language;
}

TEST(CliRipTest, BurnedSubtitlesShowAtTheirTimesOnly)
{
    const std::string disc = TestDisc("pal-subtitles");
    const std::string plain = RippedFile(disc, ScratchFolder() + "/plain", "");
    struct Case {
        std::string options;
        double seconds;
        int y;  // where the colour shows; -1: nothing shows
        std::array<int, 3> colour;
        std::string language = "";  // without options: the profile's burned language, as an index
    };
    const Case cases[] = {
        {"--burn en", 1.5, 450, kRed},   {"--burn en", 2.5, -1, {}},   {"--burn en", 3.5, 450, kRed},
        {"--burn en --forced", 1.5, -1, {}}, {"--burn en --forced", 3.5, 450, kRed},
        // By language over the whole disc: each title set's French stream.
        {"--burn fr", 2, 290, kGreen},   {"--burn fr", 7.5, 450, kRed},
        // The profile's setting, with no option: French (index 1) burned in; German
        // (index 2), which the disc lacks, gives each title set's first stream.
        {"", 2, 290, kGreen, "1"},
        {"", 1.5, 450, kRed, "2"},
    };
    const std::string ini = ScratchFolder() + "/home/.config/Tarvok DVD Ripper/DVD Ripper.ini";
    fs::create_directories(fs::path(ini).parent_path());
    for (const Case& test : cases) {
        SCOPED_TRACE(test.options + " at " + std::to_string(test.seconds));
        if (!test.language.empty()) std::ofstream(ini) << "[General]\nsubtitle_mode=2\nsubtitle_language=" << test.language << "\n";
        const Picture burned = PictureAt(RippedFile(disc, ScratchFolder() + "/" + std::to_string(&test - cases), test.options), test.seconds);
        fs::remove(ini);
        const Picture clean = PictureAt(plain, test.seconds);
        ASSERT_EQ(burned.rgb.size(), 720u * 576 * 3);
        // Two encodings of one picture differ by noise (about 37 dB here); a subtitle's rectangle by far more.
        if (test.y < 0) {
            EXPECT_GT(burned.Psnr(clean), 33);
        } else {
            EXPECT_LT(Distance(burned.At(360, test.y), test.colour), 60);
            EXPECT_GT(Distance(clean.At(360, test.y), test.colour), 100);
            EXPECT_LT(burned.Psnr(clean), 25);
        }
    }
}

// Over the whole disc an audio track is a language, whatever number each
// title set gives it (tones: title 1 en 490 Hz, fr 540; title 2 fr 600, en 650).
TEST(CliRipTest, WholeDiscAudioTracksFollowTheirLanguages)
{
    const std::string disc = TestDisc("pal-audio-orders");
    struct Case {
        std::string options;
        std::vector<std::string> languages;
        std::vector<std::pair<int, int>> tones;  // each track's in title 1, then in title 2
    };
    const Case cases[] = {
        {"", {"eng", "fre"}, {{490, 650}, {540, 600}}},
        {"--audio fr", {"fre"}, {{540, 600}}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.options);
        const std::string file = RippedFile(disc, ScratchFolder(), test.options);
        EXPECT_EQ(ProbeMedia(file).audioLanguages, test.languages);
        for (std::size_t t = 0; t < test.tones.size(); ++t) {
            EXPECT_NEAR(ToneOf(file, int(t), 0.5), test.tones[t].first, 15) << t;
            EXPECT_NEAR(ToneOf(file, int(t), 3.8), test.tones[t].second, 15) << t;
        }
    }
}
