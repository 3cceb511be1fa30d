// The pieces of unattended ripping: free names, the disc's identity, its
// lock, the record of ripped discs, drive events, and the watch itself run
// in-process against stand-ins for the volumes and the drive.
#include "cli/disc_watch.h"
#include "cli/ripped_record.h"
#include "platform/optical_drives.h"
#include "rip/disc_identity.h"
#include "rip/disc_lock.h"
#include "rip/safe_output.h"
#include "tests/main_window_harness.h"
#include "tests/stand_ins.h"
#include "tests/test_discs.h"

#include <dvdread/dvd_reader.h>

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The identity libdvdread gives the disc at `path`.
std::string DvdreadIdentity(const std::string& path)
{
    dvd_reader_t* reader = DVDOpen(path.c_str());
    if (!reader) return "unreadable";
    unsigned char id[16];
    const bool read = DVDDiscID(reader, id) == 0;
    DVDClose(reader);
    std::string hex;
    for (unsigned char byte : id) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return read ? hex : "unreadable";
}

struct RecordingNotifier : INotifier {
    void Notify(const std::string& summary, const std::string& body) override { told.push_back(summary + " | " + body); }
    std::vector<std::string> told;
};

}  // namespace

TEST(FreeNameTest, ATakenNameGivesTheNextFreeOneAndNothingIsReplaced)
{
    const std::string folder = ScratchFolder() + "/names";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string base = folder + "/Movie.mpg";
    WriteFile(base, "someone's");
    WriteFile(folder + "/Movie (2).partial.mpg", "an older rip's");
    // A rip running now holds "(3)".
    SafeOutput running(folder + "/Movie (3).mpg");
    ASSERT_EQ(running.Claim(), "");

    SafeOutput first(base, AtName::NextFree);
    ASSERT_EQ(first.Claim(), "");
    EXPECT_EQ(first.FinalPath(), folder + "/Movie (4).mpg");
    ASSERT_EQ(write(first.Descriptor(), "rip", 3), 3);
    // A file appears at that name while the rip writes: it stays, and the rip takes the next.
    WriteFile(folder + "/Movie (4).mpg", "appeared meanwhile");
    EXPECT_EQ(first.Commit(), "");
    EXPECT_EQ(first.FinalPath(), folder + "/Movie (5).mpg");
    EXPECT_EQ(ReadFile(folder + "/Movie (5).mpg"), "rip");

    // A failed rip's partial file follows its name.
    SafeOutput failed(base, AtName::NextFree);
    ASSERT_EQ(failed.Claim(), "");
    ASSERT_EQ(write(failed.Descriptor(), "part", 4), 4);
    EXPECT_EQ(failed.KeepPartial(), folder + "/Movie (6).partial.mpg");

    EXPECT_EQ(ReadFile(base), "someone's");
    EXPECT_EQ(ReadFile(folder + "/Movie (2).partial.mpg"), "an older rip's");
    EXPECT_EQ(ReadFile(folder + "/Movie (4).mpg"), "appeared meanwhile");
    EXPECT_EQ(SafeOutput::NumberedPath(folder + "/dvdRip_Movie1_T1.2.1.mkv", 2), folder + "/dvdRip_Movie1_T1.2.1 (2).mkv");
}

TEST(DiscIdentityTest, AgreesWithLibdvdreadAndLocksOneRipAtATime)
{
    for (const std::string name : {"pal-3ch", "ntsc-2vts", "pal-two-languages"}) {
        SCOPED_TRACE(name);
        const std::string disc = TestDisc(name);
        const std::string identity = DiscIdentity(FolderDiscFiles(disc + "/VIDEO_TS"));
        EXPECT_EQ(identity.size(), 32u);
        EXPECT_EQ(identity, DvdreadIdentity(disc));
    }
    // An image of a disc is the same disc.
    const std::string image = ImageOfDisc("pal-two-languages", "TWO_LANGS");
    DvdSource source(NoVolumeTable{});
    source.Load(image);
    ASSERT_NE(source.Files(), nullptr);
    EXPECT_EQ(DiscIdentity(*source.Files()), DvdreadIdentity(TestDisc("pal-two-languages")));

    DiscLock window, watch;
    EXPECT_EQ(window.Take("0123456789abcdef0123456789abcdef"), "");
    EXPECT_EQ(watch.Take("0123456789abcdef0123456789abcdef"), rip_text::kDiscBeingRipped);
    EXPECT_EQ(watch.Take("fedcba9876543210fedcba9876543210"), "");  // another disc
    window.Release();
    EXPECT_EQ(watch.Take("0123456789abcdef0123456789abcdef"), "");

    // Without a runtime folder, locks live in the state folder.
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    unsetenv("XDG_RUNTIME_DIR");
    setenv("XDG_STATE_HOME", (ScratchFolder() + "/state").c_str(), 1);
    DiscLock stateless;
    EXPECT_EQ(stateless.Take("00112233445566778899aabbccddeeff"), "");
    EXPECT_TRUE(fs::exists(ScratchFolder() + "/state/tarvok-dvd-ripper/disc-00112233445566778899aabbccddeeff.lock"));
    unsetenv("XDG_STATE_HOME");
    if (!runtime.empty()) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

TEST(RippedRecordTest, LinesCutShortAreNoDiscs)
{
    const std::string path = ScratchFolder() + "/state/ripped.jsonl";
    fs::remove_all(ScratchFolder() + "/state");
    const RippedRecord record(path);
    EXPECT_FALSE(record.Holds("a1"));
    EXPECT_EQ(record.Add({"a1", "FILM", RecordDate(), "done", "/out/FILM.mpg"}), "");
    std::ofstream(path, std::ios::app) << "{\"id\": \"b2\", \"lab";  // a run killed mid-line
    EXPECT_EQ(record.Add({"c3", "", RecordDate(), "damaged", "/out/dvdRip_Movie1.mpg"}), "");
    EXPECT_TRUE(record.Holds("a1"));
    EXPECT_FALSE(record.Holds("b2"));
    EXPECT_TRUE(record.Holds("c3"));  // on a line of its own, after the cut one
    EXPECT_TRUE(ReadFile(path).starts_with("{\"date\":\""));
}

TEST(OpticalDriveEventTest, OnlyTheKernelsWordOfAnOpticalDriveCounts)
{
    using namespace std::string_literals;
    const struct {
        std::string message;
        bool optical;
    } cases[] = {
        {"change@/devices/pci0000:00/ata2/host1/target1:0:0/1:0:0:0/block/sr0\0ACTION=change\0SUBSYSTEM=block\0DEVNAME=sr0\0DISK_MEDIA_CHANGE=1\0"s, true},
        {"change@/devices/.../1:0:0:0\0ACTION=change\0SUBSYSTEM=scsi\0SDEV_MEDIA_CHANGE=1\0"s, true},
        {"add@/devices/.../block/sda\0ACTION=add\0SUBSYSTEM=block\0DEVNAME=sda\0"s, false},
        {"change@/devices/.../sr0\0SUBSYSTEM=scsi_generic\0DEVNAME=sg0\0"s, false},
        {"garbage without fields"s, false},
        {""s, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsOpticalDriveEvent(c.message), c.optical) << c.message.c_str();
}

TEST(DiscWatchTest, EachOutcomeEjectsTheDiscUnlessItIsInUse)
{
    const std::string out = ScratchFolder() + "/out", record = ScratchFolder() + "/state/ripped.jsonl";
    fs::remove_all(out);
    fs::remove_all(ScratchFolder() + "/state");
    const std::string disc = TestDisc("pal-3ch"), device = "/dev/tarvok-test-sr7";
    FixedVolumeTable volumes({{"/", "/dev/vda1", "ext4", ""}, DiscVolume(disc, "WATCHED", device)});
    const ListedOpticalDrives drives(ScratchFolder() + "/no-drives");
    ActionLog actions;
    RecordingDriveControl drive(actions);
    RecordingNotifier notifier;
    auto watchWith = [&](bool again, bool eject) {
        WatchChoices choices;
        choices.run.folder = out;
        choices.again = again;
        choices.eject = eject;
        choices.recordPath = record;
        choices.choose = [](const DvdSource&, std::string&) { return DiscRip{{std::nullopt}, {}}; };
        return std::make_unique<DiscWatch>(WatchServices{volumes, drives, drive, notifier}, std::move(choices));
    };
    auto toldAtLeast = [&](std::size_t count) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (notifier.told.size() < count && std::chrono::steady_clock::now() < end) QTest::qWait(20);
        return notifier.told.size() >= count;
    };

    auto watch = watchWith(false, true);
    watch->Look();
    ASSERT_TRUE(toldAtLeast(1));
    EXPECT_EQ(notifier.told.back(), "DVD WATCHED: done | " + out + "/WATCHED.mpg");
    EXPECT_EQ(actions, ActionLog{"door " + device + " open"});
    // Taken out and put back: known, and ejected again unripped.
    volumes.volumes.pop_back();
    watch->Look();
    volumes.volumes.push_back(DiscVolume(disc, "WATCHED", device));
    watch->Look();
    ASSERT_TRUE(toldAtLeast(2));
    EXPECT_EQ(notifier.told.back(), "DVD WATCHED: already ripped | ");
    EXPECT_EQ(actions.size(), 2u);

    // The window rips it now: the watch leaves it in its drive.
    DiscLock window;
    ASSERT_EQ(window.Take(DiscIdentity(FolderDiscFiles(disc + "/VIDEO_TS"))), "");
    watch = watchWith(true, true);
    watch->Look();
    ASSERT_TRUE(toldAtLeast(3));
    EXPECT_EQ(notifier.told.back(), std::string("DVD WATCHED: in use | ") + rip_text::kDiscBeingRipped);
    EXPECT_EQ(actions.size(), 2u);

    // --again and --no-eject: ripped anew under the next free name, and kept in.
    window.Release();
    watch = watchWith(true, false);
    watch->Look();
    ASSERT_TRUE(toldAtLeast(4));
    EXPECT_EQ(notifier.told.back(), "DVD WATCHED: done | " + out + "/WATCHED (2).mpg");
    EXPECT_EQ(actions.size(), 2u);
    EXPECT_TRUE(fs::exists(out + "/WATCHED.mpg"));
}
