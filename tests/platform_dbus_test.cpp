// The power and drive paths over D-Bus, against mock services on a private bus.
#include "platform/drive_control.h"
#include "platform/power.h"
#include "tests/private_bus.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(LogindPowerTest, PowerOffIsAskedOfLogind)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    ASSERT_TRUE(bus.StartMock("logind"));
    LogindPower power(bus.Connection());
    EXPECT_EQ(power.PowerOff(), "");
    EXPECT_NE(bus.Log().find("PowerOff False"), std::string::npos) << bus.Log();
}

TEST(LogindPowerTest, RefusalComesBackAsItsMessage)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.StartMock("logind", {"Interactive authentication required."}));
    EXPECT_EQ(LogindPower(bus.Connection()).PowerOff(), "Interactive authentication required.");

    // With no logind at all, the failure is said too.
    PrivateBus empty;
    EXPECT_FALSE(LogindPower(empty.Connection()).PowerOff().empty());
}

TEST(LinuxDriveControlTest, EjectUnmountsThenEjectsThroughUdisks)
{
    PrivateBus bus;
    const std::string device = "/dev/tarvok-test-sr7";
    ASSERT_TRUE(bus.StartMock("udisks", {QString::fromStdString(device)}));
    LinuxDriveControl drives(bus.Connection());
    EXPECT_EQ(drives.SetDoor(device, true), 0);
    const std::string log = bus.Log();
    const auto unmount = log.find("Unmount");
    const auto eject = log.find("Eject");
    ASSERT_NE(unmount, std::string::npos) << log;
    ASSERT_NE(eject, std::string::npos) << log;
    EXPECT_LT(unmount, eject);

    // A drive UDisks does not know is tried with the ioctl, which finds no device here.
    EXPECT_EQ(drives.SetDoor("/dev/tarvok-test-none", true), ENOENT);
}

TEST(LinuxDriveControlTest, MissingDevicesFailQuietly)
{
    PrivateBus bus;  // no UDisks on it
    LinuxDriveControl drives(bus.Connection());
    EXPECT_NE(drives.SetDoor("/dev/tarvok-test-none", true), 0);
    EXPECT_NE(drives.SetDoor("/dev/tarvok-test-none", false), 0);
    EXPECT_EQ(drives.SetDoor("", false), ENODEV);
    EXPECT_FALSE(drives.Lock("/dev/tarvok-test-none", true));
    EXPECT_FALSE(drives.Lock("", false));
}
