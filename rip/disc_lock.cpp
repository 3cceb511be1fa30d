#include "rip/disc_lock.h"

#include "platform/user_folders.h"

#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

DiscLock::~DiscLock()
{
    Release();
}

void DiscLock::Release()
{
    if (fd >= 0) close(fd);
    fd = -1;
}

std::string DiscLock::Take(const std::string& identity)
{
    Release();
    const std::string folder = RuntimeFolder();
    std::error_code error;
    if (identity.empty() || folder.empty() || (!std::filesystem::create_directories(folder, error) && error)) return {};
    const std::string path = folder + "/disc-" + identity + ".lock";
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return {};
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return {};
    Release();
    return rip_text::kDiscBeingRipped;
}
