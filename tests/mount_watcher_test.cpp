#include "platform/mount_watcher.h"
#include "tests/test_discs.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

const char kRoot[] = "22 1 253:1 / / rw - ext4 /dev/vda1 rw\n";
const char kDisc[] = "40 22 11:7 / /media/disc ro - udf /dev/tarvok-test-sr7 ro\n";
const char kTmpfs[] = "41 22 0:50 / /run/user/0 rw - tmpfs tmpfs rw\n";

}  // namespace

TEST(MountWatcherTest, RewritingAStandInTableIsAChange)
{
    const std::string table = ScratchFolder() + "/mountinfo";
    std::ofstream(table) << kRoot;
    MountTableVolumes volumes(table);
    MountWatcher watcher(volumes, table);
    QSignalSpy arrived(&watcher, &MountWatcher::volumeArrived);
    QSignalSpy removed(&watcher, &MountWatcher::volumeRemoved);

    std::ofstream(table) << kRoot << kTmpfs;  // no block device: nothing arrives
    watcher.Check();  // what the file's change leads to, looked at now
    EXPECT_EQ(arrived.count(), 0);

    std::ofstream(table) << kRoot << kTmpfs << kDisc;  // written in place
    EXPECT_TRUE(arrived.wait(2000));
    EXPECT_EQ(arrived.count(), 1);

    // Replaced by a rename, as editors and tools do: still watched after it.
    const std::string replacement = table + ".new";
    std::ofstream(replacement) << kRoot;
    std::rename(replacement.c_str(), table.c_str());
    EXPECT_TRUE(removed.wait(2000));
    std::ofstream(replacement) << kRoot << kDisc;
    std::rename(replacement.c_str(), table.c_str());
    EXPECT_TRUE(arrived.wait(2000));
    EXPECT_EQ(arrived.count(), 2);
    EXPECT_EQ(removed.count(), 1);
}

TEST(MountWatcherTest, KernelTableIsWatchedQuietly)
{
    MountTableVolumes volumes("/proc/self/mountinfo");
    MountWatcher watcher(volumes, "/proc/self/mountinfo");
    QSignalSpy arrived(&watcher, &MountWatcher::volumeArrived);
    QSignalSpy removed(&watcher, &MountWatcher::volumeRemoved);
    watcher.Check();  // nothing changed since it looked
    // A notifier that fired without a change would be ready at once.
    QCoreApplication::processEvents();
    EXPECT_EQ(arrived.count() + removed.count(), 0);
}
