#include "platform/optical_drives.h"

#include "platform/file_watch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <linux/netlink.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr char kListVariable[] = "TARVOK_DRIVES";
constexpr unsigned kKernelEvents = 1;  // the kernel's multicast group of uevents
constexpr std::size_t kLargestEvent = 8192;

bool HoldsDisc(const std::string& device)
{
    // O_NONBLOCK: a drive without a disc opens all the same, and nothing waits for the medium.
    const int fd = open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool disc = ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_DISC_OK;
    close(fd);
    return disc;
}

}  // namespace

std::vector<std::string> SystemOpticalDrives::WithDisc() const
{
    std::vector<std::string> drives;
    std::error_code error;
    for (fs::directory_iterator it("/sys/block", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with("sr") && HoldsDisc("/dev/" + name)) drives.push_back("/dev/" + name);
    }
    return drives;
}

std::vector<std::string> ListedOpticalDrives::WithDisc() const
{
    std::vector<std::string> drives;
    std::ifstream list(listPath);
    for (std::string line; std::getline(list, line);)
        if (!line.empty()) drives.push_back(line);
    return drives;
}

std::unique_ptr<IOpticalDrives> MachineOpticalDrives()
{
    const char* list = std::getenv(kListVariable);
    if (list && *list) return std::make_unique<ListedOpticalDrives>(list);
    return std::make_unique<SystemOpticalDrives>();
}

bool IsOpticalDriveEvent(const std::string& message)
{
    bool block = false, optical = false;
    for (std::size_t at = message.find('\0'); at != std::string::npos && at + 1 < message.size();) {
        const std::size_t end = message.find('\0', at + 1);
        const std::string field = message.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        if (field == "SUBSYSTEM=block") block = true;
        if (field.starts_with("DEVNAME=sr") || field.starts_with("DEVNAME=/dev/sr")) optical = true;
        // The SCSI layer's word of a medium change in a CD drive.
        if (field == "SDEV_MEDIA_CHANGE=1") return true;
        at = end;
    }
    return block && optical;
}

OpticalDriveEvents::OpticalDriveEvents(QObject* parent) : QObject(parent)
{
    const char* list = std::getenv(kListVariable);
    if (list && *list) {
        WatchFile(listWatcher, list, this, [this] { emit changed(); });
        return;
    }
    uevents = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kKernelEvents;
    if (uevents < 0 || bind(uevents, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    notifier = std::make_unique<QSocketNotifier>(uevents, QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
        bool optical = false;
        std::string message(kLargestEvent, '\0');
        for (;;) {
            sockaddr_nl sender{};
            socklen_t senderSize = sizeof sender;
            const ssize_t got = recvfrom(uevents, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&sender), &senderSize);
            if (got <= 0) break;
            // Only the kernel's word counts: anyone may send to the group otherwise.
            if (sender.nl_pid == 0 && IsOpticalDriveEvent(message.substr(0, std::size_t(got)))) optical = true;
        }
        if (optical) emit changed();
    });
}

OpticalDriveEvents::~OpticalDriveEvents()
{
    notifier.reset();
    if (uevents >= 0) close(uevents);
}
