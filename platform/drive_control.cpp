#include "platform/drive_control.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantMap>

#include <cerrno>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr char kUdisks[] = "org.freedesktop.UDisks2";
constexpr int kCallTimeoutMs = 30000;

// Runs one CD-ROM ioctl on the device; 0 or the errno.
int DriveIoctl(const std::string& device, unsigned long request, long argument)
{
    if (device.empty()) return ENODEV;
    const int fd = open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = ioctl(fd, request, argument) == 0 ? 0 : errno;
    close(fd);
    return result;
}

QDBusMessage Call(QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kUdisks, path, interface, method);
    message.setArguments(arguments);
    message.setInteractiveAuthorizationAllowed(true);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

}  // namespace

LinuxDriveControl::LinuxDriveControl(QDBusConnection bus) : bus(std::move(bus))
{
}

bool LinuxDriveControl::EjectWithUdisks(const std::string& device)
{
    if (!bus.isConnected()) return false;
    const QDBusMessage resolved = Call(bus, "/org/freedesktop/UDisks2/Manager", "org.freedesktop.UDisks2.Manager",
                                       "ResolveDevice", {QVariantMap{{"path", QString::fromStdString(device)}}, QVariantMap{}});
    if (resolved.type() != QDBusMessage::ReplyMessage || resolved.arguments().isEmpty()) return false;
    const auto blocks = qdbus_cast<QList<QDBusObjectPath>>(resolved.arguments().first());
    if (blocks.isEmpty()) return false;
    const QString block = blocks.first().path();

    const QDBusMessage drive = Call(bus, block, "org.freedesktop.DBus.Properties", "Get",
                                    {QString("org.freedesktop.UDisks2.Block"), QString("Drive")});
    if (drive.type() != QDBusMessage::ReplyMessage || drive.arguments().isEmpty()) return false;
    const QString drivePath = qdbus_cast<QDBusObjectPath>(qdbus_cast<QDBusVariant>(drive.arguments().first()).variant()).path();
    if (drivePath.isEmpty() || drivePath == "/") return false;

    // The kernel ejects no mounted or locked disc: unmount, unlock, then eject.
    Call(bus, block, "org.freedesktop.UDisks2.Filesystem", "Unmount", {QVariantMap{}});
    DriveIoctl(device, CDROM_LOCKDOOR, 0);
    const QDBusMessage ejected = Call(bus, drivePath, "org.freedesktop.UDisks2.Drive", "Eject", {QVariantMap{}});
    return ejected.type() == QDBusMessage::ReplyMessage;
}

LinuxDriveControl::~LinuxDriveControl()
{
    FinishEject();
}

int LinuxDriveControl::SetDoor(const std::string& device, bool open)
{
    if (device.empty()) return ENODEV;
    if (!open) return DriveIoctl(device, CDROMCLOSETRAY, 0);
    FinishEject();
    ejecting = std::thread([this, device] { ejectResult = Eject(device); });
    return 0;
}

int LinuxDriveControl::FinishEject()
{
    if (ejecting.joinable()) ejecting.join();
    return ejectResult;
}

int LinuxDriveControl::Eject(const std::string& device)
{
    if (EjectWithUdisks(device)) return 0;
    DriveIoctl(device, CDROM_LOCKDOOR, 0);
    return DriveIoctl(device, CDROMEJECT, 0);
}

bool LinuxDriveControl::Lock(const std::string& device, bool prevent)
{
    return DriveIoctl(device, CDROM_LOCKDOOR, prevent ? 1 : 0) == 0;
}
