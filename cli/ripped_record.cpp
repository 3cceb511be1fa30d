#include "cli/ripped_record.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool RippedRecord::Holds(const std::string& id) const
{
    std::ifstream record(path);
    for (std::string line; std::getline(record, line);) {
        // A line cut short (a full disk, a killed run) is passed over: the others still count.
        const auto entry = nlohmann::json::parse(line, nullptr, false);
        if (entry.is_object() && entry.value("id", std::string()) == id) return true;
    }
    return false;
}

std::string RippedRecord::Add(const RippedDisc& disc) const
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    std::string line = nlohmann::json{{"id", disc.id}, {"label", disc.label}, {"date", disc.date}, {"state", disc.state},
                                            {"file", disc.file}}
                                 .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
                             "\n";
    // Made new the first time; after that only ever appended to, never through a link.
    int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) fd = open(path.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return "cannot write " + path + ": " + std::strerror(errno);
    // A line a killed run left cut short ends here, so that this one stands on its own.
    struct stat status {};
    char last = '\n';
    if (fstat(fd, &status) == 0 && status.st_size > 0 && pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n')
        line.insert(line.begin(), '\n');
    // One write: lines of two runs never interleave.
    const bool whole = write(fd, line.data(), line.size()) == ssize_t(line.size());
    const int why = errno;
    close(fd);
    return whole ? std::string() : "cannot write " + path + ": " + std::strerror(why);
}

std::string RecordDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}
