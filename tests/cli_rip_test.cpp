// tarvok-rip rip: the conversion from the command line, and how faithful
// the file is to the disc.
#include "tests/media_probe.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Runs tarvok-rip with a home of the test's own (so the defaults apply);
// stderr goes to a file read by LastErrors().
std::string Rip(const std::string& arguments, int* status, const std::string& stdinFrom = "/dev/null")
{
    const std::string home = ScratchFolder() + "/home";
    fs::create_directories(home);
    return RunCommand("HOME=" + ShellQuote(home) + " XDG_CONFIG_HOME=" + ShellQuote(home + "/.config") + " " +
                          ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " rip " + arguments + " <" +
                          stdinFrom + " 2>" + ShellQuote(ScratchFolder() + "/stderr.txt"),
                      status);
}

std::string LastErrors()
{
    std::ifstream file(ScratchFolder() + "/stderr.txt");
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// What the disc holds: frames, frame rate and seconds of all its titles' VOBs.
struct SourceFacts {
    long frames = 0;
    double frameRate = 0, seconds = 0;
};

SourceFacts SourceOf(const std::string& disc)
{
    SourceFacts facts;
    for (const auto& entry : fs::directory_iterator(disc + "/VIDEO_TS")) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".VOB") || name.ends_with("_0.VOB") || name == "VIDEO_TS.VOB") continue;
        const MediaFacts vob = ProbeMedia(entry.path(), true);
        facts.frames += vob.videoFrames;
        facts.frameRate = vob.frameRate;
        facts.seconds += vob.videoFrames / vob.frameRate;
    }
    return facts;
}

// Presentation times of the decoded pictures never go back (a picture the
// container gives no time, as AVI does for its last, is passed over).
bool TimelineRunsForward(const std::string& file)
{
    const auto probe = nlohmann::json::parse(RunCommand("ffprobe -v error -select_streams v:0 -of json -show_entries "
                                                        "frame=best_effort_timestamp_time " + ShellQuote(file) + " 2>/dev/null"));
    double last = -1e9;
    for (const auto& frame : probe["frames"]) {
        if (!frame.contains("best_effort_timestamp_time")) continue;
        const double time = std::stod(frame["best_effort_timestamp_time"].get<std::string>());
        if (time < last) return false;
        last = time;
    }
    return !probe["frames"].empty();
}

}  // namespace

TEST(RipFidelityTest, EveryContainerKeepsTheDiscsFramesRateAndTimeline)
{
    const char* containers[] = {"ts", "ps", "mpeg1", "asf", "mp4", "mov", "avi", "ogg"};
    for (const std::string disc : {"pal-3ch", "ntsc-2vts"}) {
        const SourceFacts source = SourceOf(TestDisc(disc));
        ASSERT_GT(source.frames, 0);
        for (const char* container : containers) {
            SCOPED_TRACE(disc + " " + container);
            const std::string out = ScratchFolder() + "/" + disc + "-" + container;
            int status = -1;
            const std::string printed = Rip(ShellQuote(TestDisc(disc)) + " --output " + ShellQuote(out) + " --container " +
                                                container + " --yes", &status);
            ASSERT_EQ(status, 0) << LastErrors();
            const std::string file = printed.substr(0, printed.find('\n'));
            ASSERT_TRUE(fs::exists(file)) << printed;
            EXPECT_EQ(fs::path(file).parent_path(), out);

            const MediaFacts facts = ProbeMedia(file, true);
            EXPECT_EQ(facts.videoStreams, 1);
            EXPECT_EQ(facts.audioStreams, 1);
            EXPECT_GE(facts.videoFrames, static_cast<long>(source.frames * 0.99)) << "of " << source.frames;
            EXPECT_LE(facts.videoFrames, source.frames);
            EXPECT_NEAR(facts.frameRate, source.frameRate, 0.01);
            EXPECT_TRUE(TimelineRunsForward(file));
            EXPECT_EQ(DecodeErrorsBesidesOggEndOfStream(file), "");
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
    EXPECT_GE(facts.videoFrames, 743);
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

TEST(CliRipTest, CtrlCStopsAndKeepsThePartialFile)
{
    const std::string out = ScratchFolder() + "/out";
    const std::string errors = ScratchFolder() + "/stderr.txt";
    const std::string home = ScratchFolder() + "/home";
    int status = -1;
    // Interrupted as soon as it reports progress.
    const std::string result = RunCommand(
        "HOME=" + ShellQuote(home) + " XDG_CONFIG_HOME=" + ShellQuote(home + "/.config") + " " +
        ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " rip " + ShellQuote(TestDisc("pal-30s")) +
        " --output " + ShellQuote(out) + " </dev/null 2>" + ShellQuote(errors) + " & pid=$!; "
        "while ! grep -q elapsed " + ShellQuote(errors) + " 2>/dev/null; do sleep 0.02; done; "
        "kill -INT $pid; wait $pid; echo $?", &status);
    EXPECT_EQ(result, "1\n");
    const std::string file = out + "/dvdRip_Movie1.mpg";
    EXPECT_NE(LastErrors().find("tarvok-rip: stopped; the partial file " + file + " stays"), std::string::npos) << LastErrors();
    ASSERT_TRUE(fs::exists(file));
    EXPECT_GT(fs::file_size(file), 0u);
    EXPECT_LT(ProbeMedia(file).duration, 29.0);
}

TEST(CliRipTest, FailuresExitWithTheirReason)
{
    int status = -1;
    Rip(ShellQuote(TestDisc("pal-3ch")) + " --container mkv --output " + ShellQuote(ScratchFolder()), &status);
    EXPECT_EQ(status, 64);
    EXPECT_EQ(LastErrors(), "tarvok-rip: unknown container mkv (ts, ps, mpeg1, asf, mp4, mov, avi or ogg)\n");

    Rip(ShellQuote(ScratchFolder()), &status);
    EXPECT_EQ(status, 2);

    // A disc whose titles cannot be read: the conversion never begins.
    const std::string broken = ScratchFolder() + "/broken";
    fs::create_directories(broken + "/VIDEO_TS");
    fs::copy_file(TestDisc("pal-3ch") + "/VIDEO_TS/VIDEO_TS.IFO", broken + "/VIDEO_TS/VIDEO_TS.IFO");
    Rip(ShellQuote(broken) + " --output " + ShellQuote(ScratchFolder() + "/out") + " --yes", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(LastErrors().find("the conversion never began"), std::string::npos) << LastErrors();

    Rip("--output", &status);
    EXPECT_EQ(status, 64);
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
