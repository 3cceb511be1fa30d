// The Debian package: built by CPack, unpacked into a private root, run from there.
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST(PackageTest, UnpackedPackageRunsFromWhereverItLies)
{
    const std::string scratch = ScratchFolder(), root = scratch + "/root";
    int status = -1;
    const std::string log = RunCommand("cd " + ShellQuote(TARVOK_BUILD_DIR) + " && cpack -B " + ShellQuote(scratch) + " 2>&1", &status);
    ASSERT_EQ(status, 0) << log;
    const std::string deb = scratch + "/tarvok-dvd-ripper_" TARVOK_VERSION "_amd64.deb";
    ASSERT_TRUE(fs::exists(deb)) << log;
    // The converter's libraries, found by dpkg-shlibdeps; nothing of libvlc.
    const std::string depends = RunCommand("dpkg-deb -f " + ShellQuote(deb) + " Depends");
    for (const char* library : {"libavcodec59", "libavformat59", "libavfilter8", "libswscale6"})
        EXPECT_NE(depends.find(library), std::string::npos) << depends;
    EXPECT_EQ(depends.find("vlc"), std::string::npos) << depends;
    RunCommand("dpkg-deb -x " + ShellQuote(deb) + " " + ShellQuote(root), &status);
    ASSERT_EQ(status, 0);

    const std::string rip = root + "/usr/bin/tarvok-rip";
    EXPECT_EQ(RunCommand(ShellQuote(rip) + " --version", &status), "tarvok-rip " TARVOK_VERSION "\n");
    const std::string tree = RunCommand(ShellQuote(rip) + " info " + ShellQuote(TestDisc("pal-3ch")), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(tree.find("  Program Chain 1  (audio streams 1; subtitle streams none)\n    Angle 1 [00:00:06]"), std::string::npos) << tree;

    // The user service runs the installed watch, into a folder whose name holds a space.
    std::ifstream service(root + "/usr/lib/systemd/user/tarvok-rip-watch.service");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(service), {}).find(
                  "\nExecStart=/usr/bin/tarvok-rip watch --output \"%h/Converted Videos\"\n"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(root + "/usr/bin/tarvok-rip"));

    // What the desktop reads: the entry names the program, not where it was built for.
    std::ifstream desktop(root + "/usr/share/applications/tarvok-dvd-ripper.desktop");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(desktop), {}).find("\nExec=tarvok-dvd-ripper"), std::string::npos);
    RunCommand("appstreamcli validate --no-net " + ShellQuote(root + "/usr/share/metainfo/example.tarvok.DvdRipper.metainfo.xml"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::exists(root + "/usr/share/icons/hicolor/256x256/apps/tarvok-dvd-ripper.png"));
    EXPECT_NE(RunCommand("man -l " + ShellQuote(root + "/usr/share/man/man1/tarvok-rip.1.gz") + " 2>&1").find("EXIT STATUS"),
              std::string::npos);
}
