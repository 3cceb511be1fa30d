// tarvok-rip watch as a user runs it: discs come and go through a stand-in
// mount table (devices that cannot be real drives), notifications go to a
// stand-in service on a private bus, and every wait is for a line or a file.
#include "tests/media_probe.h"
#include "tests/private_bus.h"
#include "tests/test_discs.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr auto kGiveUpAfter = std::chrono::seconds(180);  // only ever reached by a fault

// A mount table line for a test disc folder on a device no machine has.
std::string MountLine(const std::string& disc, int number)
{
    return "3" + std::to_string(number) + " 25 11:" + std::to_string(number) + " / " + disc + " ro - udf /dev/tarvok-test-sr" +
           std::to_string(number) + " ro\n";
}

// The stand-in mount table holds `lines`, all at once, as a mount changes it.
void SetMounts(const std::string& table, const std::string& lines)
{
    std::ofstream(table + ".new") << lines;
    fs::rename(table + ".new", table);
}

// tarvok-rip watch in the background; its standard output read line by line as it comes.
class WatchRun {
public:
    WatchRun(const std::string& environment, const std::string& arguments, const std::string& wrapper = "")
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        const std::string command = "exec env " + environment + " " + wrapper + " " +
                                    ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " watch " + arguments +
                                    " </dev/null 2>>" + ShellQuote(ScratchFolder() + "/watch-stderr.txt");
        pid = fork();
        if (pid == 0) {
            dup2(ends[1], STDOUT_FILENO);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        output = ends[0];
    }
    ~WatchRun()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0) close(output);
    }

    // The next event named `name`; null when the watch ends (or the time is up) first.
    json Next(const std::string& name)
    {
        const auto end = std::chrono::steady_clock::now() + kGiveUpAfter;
        for (;;) {
            for (std::size_t at; (at = pending.find('\n')) != std::string::npos;) {
                const json line = json::parse(pending.substr(0, at), nullptr, false);
                pending.erase(0, at + 1);
                lines.push_back(line);
                if (line.is_object() && line.value("event", "") == name) return line;
            }
            pollfd ready{output, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0 || poll(&ready, 1, int(left)) <= 0) return nullptr;
            char buffer[4096];
            const ssize_t got = read(output, buffer, sizeof buffer);
            if (got <= 0) return nullptr;
            pending.append(buffer, std::size_t(got));
        }
    }

    // Sends SIGTERM; the exit status.
    int Stop()
    {
        kill(pid, SIGTERM);
        int status = -1;
        waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    pid_t Pid() const { return pid; }
    std::vector<json> lines;

private:
    pid_t pid = -1;
    int output = -1;
    std::string pending;
};

// What a watch of this test runs with: its own home, state, locks and stand-in mounts.
struct WatchWorld {
    WatchWorld()
    {
        fs::remove_all(ScratchFolder());
        fs::create_directories(out);
        fs::create_directories(ScratchFolder() + "/run");
        // Both stand-ins exist before the watch starts: it watches the files it finds.
        SetMounts(mounts, "");
        SetMounts(ScratchFolder() + "/drives", "");
    }
    std::string Environment(const std::string& more = "") const
    {
        const std::string s = ScratchFolder();
        return "HOME=" + ShellQuote(s) + " XDG_STATE_HOME=" + ShellQuote(s + "/state") + " XDG_RUNTIME_DIR=" + ShellQuote(s + "/run") +
               " TARVOK_MOUNTINFO=" + ShellQuote(mounts) + " TARVOK_DRIVES=" + ShellQuote(s + "/drives") + " " + more;
    }
    std::vector<json> Record() const
    {
        std::vector<json> lines;
        std::ifstream file(ScratchFolder() + "/state/tarvok-dvd-ripper/ripped.jsonl");
        for (std::string line; std::getline(file, line);) lines.push_back(json::parse(line));
        return lines;
    }
    const std::string out = ScratchFolder() + "/out", mounts = ScratchFolder() + "/mountinfo";
};

}  // namespace

TEST(CliWatchTest, EachDiscIsRippedOnceAcrossRunsAndNothingIsOverwritten)
{
    WatchWorld world;
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    ASSERT_TRUE(bus.StartMock("notifications"));
    std::ofstream(world.out + "/dvdRip_Movie1.mpg") << "someone's";
    const std::string film = TestDisc("pal-3ch"), other = TestDisc("ntsc-2vts");
    const std::string environment =
        world.Environment("DBUS_SESSION_BUS_ADDRESS=" + ShellQuote(bus.Address()) + " DBUS_SYSTEM_BUS_ADDRESS=" + ShellQuote(bus.Address()));
    const std::string arguments = "--output " + ShellQuote(world.out) + " --progress json";
    {
        WatchRun watch(environment, arguments);
        SetMounts(world.mounts, MountLine(film, 7));
        const json disc = watch.Next("disc");
        ASSERT_TRUE(disc.is_object());
        EXPECT_EQ(disc["id"].get<std::string>().size(), 32u);
        EXPECT_TRUE(watch.Next("begun").is_object());
        const json ripped = watch.Next("outcome");
        ASSERT_TRUE(ripped.is_object());
        EXPECT_EQ(ripped["state"], "done");
        EXPECT_EQ(ripped["file"], world.out + "/dvdRip_Movie1 (2).mpg");
        EXPECT_EQ(ripped["files"], json::array({world.out + "/dvdRip_Movie1 (2).mpg"}));
        EXPECT_EQ(ProbeMedia(world.out + "/dvdRip_Movie1 (2).mpg", true).videoFrames, 150);
        // The rip's own progress lines keep their form among the events.
        EXPECT_TRUE(std::any_of(watch.lines.begin(), watch.lines.end(), [](const json& line) { return line.value("state", "") == "converting"; }));

        // Taken out and put in again (into another drive, so that the watch
        // cannot miss the change however fast it comes): known.
        SetMounts(world.mounts, "");
        SetMounts(world.mounts, MountLine(film, 9));
        EXPECT_EQ(watch.Next("outcome")["state"], "already ripped");
        SetMounts(world.mounts, MountLine(film, 9) + MountLine(other, 8));
        const json second = watch.Next("outcome");
        EXPECT_EQ(second["state"], "done");
        EXPECT_EQ(second["file"], world.out + "/dvdRip_Movie1 (3).mpg");
        EXPECT_EQ(watch.Stop(), 0);
    }
    {
        // A later run with both discs in: neither is ripped again.
        WatchRun watch(environment, arguments);
        EXPECT_EQ(watch.Next("outcome")["state"], "already ripped");
        EXPECT_EQ(watch.Next("outcome")["state"], "already ripped");
        EXPECT_EQ(watch.Stop(), 0);
    }
    const auto record = world.Record();
    ASSERT_EQ(record.size(), 2u);
    EXPECT_EQ(record[0]["file"], world.out + "/dvdRip_Movie1 (2).mpg");
    EXPECT_EQ(record[1]["state"], "done");
    EXPECT_NE(record[0]["id"], record[1]["id"]);
    std::ifstream someones(world.out + "/dvdRip_Movie1.mpg");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(someones), {}), "someone's");
    EXPECT_EQ(TreeListing(world.out).find(".tarvok"), std::string::npos) << TreeListing(world.out);
    // Each outcome was also a notification naming the disc and the file.
    const std::string told = bus.Log();
    EXPECT_NE(told.find("dvdRip_Movie1 (2).mpg"), std::string::npos) << told;
    EXPECT_NE(told.find("already ripped"), std::string::npos) << told;
}

TEST(CliWatchTest, APulledDiscStopsItsRipAndTheWatchGoesOn)
{
    WatchWorld world;
    const std::string pulled = CopyOfDisc("pal-2min", "pulled"), other = TestDisc("pal-3ch");
    const uint64_t middle = fs::file_size(pulled + "/VIDEO_TS/VTS_01_1.VOB") / 2 / 2048 * 2048;
    const std::string blocked = ScratchFolder() + "/blocked";
    // Its reads stop answering midway, as a drive's do when the disc goes.
    WatchRun watch(world.Environment("LD_PRELOAD=" + ShellQuote(TARVOK_FAULT_SHIM) +
                                     " TARVOK_FAULT_FILE=pulled/VIDEO_TS/VTS_01_1.VOB TARVOK_FAULT=block TARVOK_FAULT_FROM=" +
                                     std::to_string(middle) + " TARVOK_FAULT_TO=" + std::to_string(middle + 2048) +
                                     " TARVOK_FAULT_MARK=" + ShellQuote(blocked)),
                   "--output " + ShellQuote(world.out) + " --progress json");
    SetMounts(world.mounts, MountLine(pulled, 7));
    ASSERT_TRUE(watch.Next("begun").is_object());
    const auto end = std::chrono::steady_clock::now() + kGiveUpAfter;
    while (!fs::exists(blocked) && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(blocked));
    SetMounts(world.mounts, "");
    const json stopped = watch.Next("outcome");
    EXPECT_EQ(stopped["state"], "stopped");
    EXPECT_EQ(stopped["reason"], "the disc was taken out during the rip");
    ASSERT_TRUE(stopped["file"].is_string());
    EXPECT_GT(ProbeMedia(stopped["file"].get<std::string>(), true).videoFrames, 0);

    SetMounts(world.mounts, MountLine(other, 8));
    EXPECT_EQ(watch.Next("outcome")["state"], "done");
    // Only the disc ripped whole is known: the pulled one is ripped when it comes back.
    ASSERT_EQ(world.Record().size(), 1u);
    EXPECT_EQ(world.Record()[0]["file"], world.out + "/dvdRip_Movie1 (2).mpg");

    // Back in, and SIGTERM midway: the rip stops as Stop does, and the watch ends with 0.
    fs::remove(blocked);
    SetMounts(world.mounts, MountLine(other, 8) + MountLine(pulled, 9));
    ASSERT_TRUE(watch.Next("begun").is_object());
    while (!fs::exists(blocked) && std::chrono::steady_clock::now() < end + kGiveUpAfter)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(watch.Stop(), 0);
    const json ended = watch.Next("outcome");
    EXPECT_EQ(ended["state"], "stopped");
    EXPECT_EQ(ended["file"], world.out + "/dvdRip_Movie1 (3).mpg");
    EXPECT_TRUE(fs::exists(world.out + "/dvdRip_Movie1 (3).mpg"));
    EXPECT_EQ(world.Record().size(), 1u);
}

TEST(CliWatchTest, ADiscNothingMountedIsReadFromItsDrive)
{
    WatchWorld world;
    // The drives' stand-in lists an image where a drive would be: read through its own file system, as a device is.
    const std::string image = ImageOfDisc("pal-two-languages", "TWO_LANGS");
    WatchRun watch(world.Environment(), "--output " + ShellQuote(world.out));
    SetMounts(ScratchFolder() + "/drives", image + "\n");
    const auto end = std::chrono::steady_clock::now() + kGiveUpAfter;
    while (!fs::exists(world.out + "/TWO_LANGS.mpg") && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(watch.Stop(), 0);
    ASSERT_EQ(world.Record().size(), 1u);
    EXPECT_EQ(world.Record()[0]["label"], "TWO_LANGS");
    EXPECT_EQ(world.Record()[0]["file"], world.out + "/TWO_LANGS.mpg");
}

TEST(CliWatchTest, AFullOutputTurnsDiscsAwayUntilThereIsRoom)
{
    WatchWorld world;
    const std::string film = TestDisc("pal-3ch"), other = TestDisc("ntsc-2vts");
    WatchRun watch(world.Environment(), "--output " + ShellQuote(world.out) + " --progress json",
                   "unshare -m sh -c " + ShellQuote("mount -t tmpfs -o size=512k tmpfs " + ShellQuote(world.out) + " && exec \"$@\"") + " sh");
    SetMounts(world.mounts, MountLine(film, 7));
    const json full = watch.Next("outcome");
    EXPECT_EQ(full["state"], "failed");
    EXPECT_NE(full["reason"].get<std::string>().find("No space left on device"), std::string::npos) << full;
    SetMounts(world.mounts, MountLine(film, 7) + MountLine(other, 8));
    EXPECT_EQ(watch.Next("outcome")["state"], "output full");

    // Room again (the watch's own view of its folder): the next disc that comes is ripped.
    const std::string seen = "/proc/" + std::to_string(watch.Pid()) + "/root" + full["file"].get<std::string>();
    ASSERT_TRUE(fs::remove(seen)) << seen;
    SetMounts(world.mounts, MountLine(film, 7));
    SetMounts(world.mounts, MountLine(film, 7) + MountLine(other, 9));
    EXPECT_TRUE(watch.Next("begun").is_object()) << json(watch.lines).dump();
    EXPECT_EQ(watch.Stop(), 0);
    EXPECT_TRUE(world.Record().empty());
}

TEST(CliWatchTest, WhatNeedsAPersonOrOneTitleIsRefused)
{
    const struct {
        std::string arguments, said;
    } cases[] = {
        {"--yes", "watch never overwrites"},
        {"--chapters 2", "--chapters needs a single title"},
        {"--title 1.2", "watch takes --title main or each"},
        {"--audio 1", "--audio 1: a stream's number belongs to one disc"},
        {"--subtitles all --subtitles 2", "--subtitles 2: a stream's number belongs to one disc"},
        {"--burn 1", "--burn 1: a stream's number belongs to one disc"},
        {"/dev/sr0", "watch takes no SOURCE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        int status = -1;
        const std::string said = RunCommand(ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " watch " + c.arguments +
                                                " --output " + ShellQuote(ScratchFolder() + "/out") + " 2>&1",
                                            &status);
        EXPECT_EQ(status, 64);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_FALSE(fs::exists(ScratchFolder() + "/out"));
    }
}
