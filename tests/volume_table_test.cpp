#include "platform/volume_table.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST(VolumeTableTest, MountInfoGivesVolumesWithDevicesTypesAndLabels)
{
    const std::string folder = ScratchFolder();
    std::ofstream(folder + "/mountinfo") <<
        "22 1 253:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
        "30 22 11:7 / /media/user/MY\\040DISC ro,nosuid - udf /dev/sr7 ro,uid=1000\n"
        "31 22 0:45 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "32 22 0:50 / /home/u/remote rw - fuse.sshfs host:/srv rw\n"
        "33 22 253:1 /srv/data /mnt/bind rw - ext4 /dev/vda1 rw\n"
        "34 22 8:17 / /media/stick rw - vfat /dev/sdz1 rw\n";
    fs::create_directories(folder + "/by-label");
    fs::create_symlink("/dev/sr7", folder + "/by-label/MY\\x20DISC");
    fs::create_symlink("../../dev/sdz1", folder + "/by-label/STICK");  // relative, as udev writes them

    MountTableVolumes table(folder + "/mountinfo", folder + "/by-label");
    const std::vector<Volume> volumes = table.List();
    ASSERT_EQ(volumes.size(), 5u);  // the bind mount of a folder is no volume
    EXPECT_EQ(volumes[0].root, "/");
    EXPECT_EQ(volumes[1], (Volume{"/media/user/MY DISC", "/dev/sr7", "UDF", "MY DISC"}));
    EXPECT_EQ(volumes[2].device, "");  // tmpfs: no block device
    EXPECT_EQ(volumes[2].fsType, "tmpfs");
    EXPECT_EQ(volumes[3].device, "");  // FUSE: no block device
    EXPECT_EQ(volumes[4].root, "/media/stick");
    EXPECT_EQ(volumes[4].fsType, "vfat");

    EXPECT_TRUE(MountTableVolumes(folder + "/missing").List().empty());
}

TEST(VolumeTableTest, EnvironmentNamesAStandInMountTable)
{
    setenv("TARVOK_MOUNTINFO", "/somewhere/mountinfo", 1);
    EXPECT_EQ(DefaultMountInfoPath(), "/somewhere/mountinfo");
    EXPECT_EQ(MountTableVolumes().MountInfoPath(), "/somewhere/mountinfo");
    unsetenv("TARVOK_MOUNTINFO");
    EXPECT_EQ(DefaultMountInfoPath(), "/proc/self/mountinfo");
    // The machine's own table always has the root volume.
    const auto own = MountTableVolumes().List();
    EXPECT_TRUE(VolumeHolding(own, "/etc").has_value());
}

TEST(VolumeTableTest, VolumesHoldingAndNamingPaths)
{
    const std::vector<Volume> volumes = {
        {"/", "/dev/vda1", "ext4", ""},
        {"/media/dvd", "/dev/sr0", "UDF", "FILM"},
        {"/media/dvd2", "", "UDF", ""},
    };
    EXPECT_EQ(VolumeHolding(volumes, "/media/dvd/VIDEO_TS")->device, "/dev/sr0");
    EXPECT_EQ(VolumeHolding(volumes, "/media/dvd")->device, "/dev/sr0");
    EXPECT_EQ(VolumeHolding(volumes, "/media/dvd2/VIDEO_TS")->root, "/media/dvd2");
    EXPECT_EQ(VolumeHolding(volumes, "/media/dvdx")->root, "/");
    EXPECT_EQ(VolumeHolding({}, "/media").has_value(), false);
    EXPECT_EQ(VolumeNamed(volumes, "/dev/sr0")->root, "/media/dvd");
    EXPECT_EQ(VolumeNamed(volumes, "/media/dvd2")->root, "/media/dvd2");
    EXPECT_FALSE(VolumeNamed(volumes, "/media/dvd").has_value());  // it has a device: named by that
    EXPECT_EQ(VolumeId(volumes[2]), "/media/dvd2");
    EXPECT_EQ(DecodeLabelEscapes("A\\x20B\\x2fC\\x2"), "A B/C\\x2");
}
