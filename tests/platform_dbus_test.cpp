// The power and drive paths over D-Bus, against mock services on a private bus.
#include "platform/drive_control.h"
#include "platform/power.h"
#include "tests/private_bus.h"

#include <QTest>

#include <gtest/gtest.h>

#include <optional>

#include <cerrno>

namespace {

// Asks for the power-off and lets the event loop run until logind answers.
std::optional<std::string> PowerOffAnswer(const QDBusConnection& connection)
{
    LogindPower power(connection);
    std::optional<std::string> answer;
    power.PowerOff([&](const std::string& failure) { answer = failure; });
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, 30000)) ADD_FAILURE() << "logind gave no answer";
    return answer;
}

}  // namespace

TEST(LogindPowerTest, PowerOffIsAskedOfLogind)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    ASSERT_TRUE(bus.StartMock("logind"));
    EXPECT_EQ(PowerOffAnswer(bus.Connection()), "");
    EXPECT_NE(bus.Log().find("PowerOff False"), std::string::npos) << bus.Log();
}

TEST(LogindPowerTest, RefusalComesBackAsItsMessage)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.StartMock("logind", {"Interactive authentication required."}));
    EXPECT_EQ(PowerOffAnswer(bus.Connection()), "Interactive authentication required.");

    // With no logind at all, the failure is said too.
    PrivateBus empty;
    const auto answer = PowerOffAnswer(empty.Connection());
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->empty());
}

TEST(LinuxDriveControlTest, EjectUnmountsThenEjectsThroughUdisks)
{
    PrivateBus bus;
    const std::string device = "/dev/tarvok-test-sr7";
    ASSERT_TRUE(bus.StartMock("udisks", {QString::fromStdString(device)}));
    LinuxDriveControl drives(bus.Connection());
    EXPECT_EQ(drives.SetDoor(device, true), 0);
    EXPECT_EQ(drives.FinishEject(), 0);
    const std::string log = bus.Log();
    const auto unmount = log.find("Unmount");
    const auto eject = log.find("Eject");
    ASSERT_NE(unmount, std::string::npos) << log;
    ASSERT_NE(eject, std::string::npos) << log;
    EXPECT_LT(unmount, eject);

    // A drive UDisks does not know is tried with the ioctl, which finds no device here.
    drives.SetDoor("/dev/tarvok-test-none", true);
    EXPECT_EQ(drives.FinishEject(), ENOENT);
}

TEST(LinuxDriveControlTest, MissingDevicesFailQuietly)
{
    PrivateBus bus;  // no UDisks on it
    LinuxDriveControl drives(bus.Connection());
    drives.SetDoor("/dev/tarvok-test-none", true);
    EXPECT_NE(drives.FinishEject(), 0);
    EXPECT_NE(drives.SetDoor("/dev/tarvok-test-none", false), 0);
    EXPECT_EQ(drives.SetDoor("", false), ENODEV);
    EXPECT_FALSE(drives.Lock("/dev/tarvok-test-none", true));
    EXPECT_FALSE(drives.Lock("", false));
}
