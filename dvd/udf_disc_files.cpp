#include "dvd/udf_disc_files.h"

#include "dvd/image_layout.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/dvd_udf.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

namespace {

constexpr uint64_t kBlockBytes = DVD_VIDEO_LB_LEN;
constexpr int kLastTitleSet = 99;

void LogDvdRead(void*, dvd_logger_level_t, const char* format, va_list arguments)
{
    const char* verbose = std::getenv("TARVOK_VERBOSE");
    if (!verbose || !*verbose) return;
    std::fputs("libdvdread: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

std::string FileName(int titleSet, const char* part, const char* extension)
{
    char name[24];
    if (titleSet == 0)
        std::snprintf(name, sizeof name, "VIDEO_TS.%s", extension);
    else
        std::snprintf(name, sizeof name, "VTS_%02d_%s.%s", titleSet, part, extension);
    return name;
}

}  // namespace

dvd_reader_s* OpenDvdReader(const std::string& path)
{
    static const dvd_logger_cb logger = {LogDvdRead};
    return DVDOpen2(nullptr, &logger, path.c_str());
}

std::unique_ptr<UdfDiscFiles> UdfDiscFiles::Open(const std::string& path, std::string* why)
{
    auto fail = [&](const std::string& reason) -> std::unique_ptr<UdfDiscFiles> {
        if (why) *why = reason;
        return nullptr;
    };
    std::unique_ptr<UdfDiscFiles> files(new UdfDiscFiles);
    files->path = path;
    files->dvd = OpenDvdReader(path);
    if (!files->dvd) return fail(path + " cannot be read as a disc image or drive");

    for (int titleSet = 0; titleSet <= kLastTitleSet; ++titleSet) {
        const struct {
            dvd_read_domain_t domain;
            const char* extension;
        } kinds[] = {{DVD_READ_INFO_FILE, "IFO"}, {DVD_READ_INFO_BACKUP_FILE, "BUP"}, {DVD_READ_MENU_VOBS, "VOB"}};
        dvd_stat_t status;
        for (const auto& kind : kinds)
            if (DVDFileStat(files->dvd, titleSet, kind.domain, &status) == 0 && status.size >= 0) {
                const std::string name = FileName(titleSet, "0", kind.extension);
                files->entries[ToLower(name)] = {name, titleSet, kind.domain, 0, uint64_t(status.size)};
            }
        if (titleSet == 0 || DVDFileStat(files->dvd, titleSet, DVD_READ_TITLE_VOBS, &status) != 0) continue;
        uint64_t start = 0;
        for (int part = 0; part < std::clamp(status.nr_parts, 0, 9); ++part) {
            const std::string name = FileName(titleSet, std::to_string(part + 1).c_str(), "VOB");
            const uint64_t size = status.parts_size[part] > 0 ? uint64_t(status.parts_size[part]) : 0;
            files->entries[ToLower(name)] = {name, titleSet, DVD_READ_TITLE_VOBS, start, size};
            start += size;
        }
    }
    if (!files->Find("VIDEO_TS.IFO")) {
        if (const std::string kind = ImageWithoutUdf(path); !kind.empty()) return fail(path + " is " + kind);
        return fail(path + " is not a DVD-Video image: it holds no VIDEO_TS folder");
    }
    // Reads that all fail (a dying drive, an image on a failing disk, a file that is no image) give no disc:
    // nothing of it could be known, and title sets would be made up of nothing.
    if (!files->AnyInformationReadable()) return fail(path + " cannot be read: none of its IFO and BUP files gives a DVD's information");
    files->NoteFilesPastTheEnd();

    char volumeId[33] = {}, volumeSet[128] = {};
    if (DVDUDFVolumeInfo(files->dvd, volumeId, sizeof volumeId, reinterpret_cast<unsigned char*>(volumeSet), sizeof volumeSet) != 0)
        DVDISOVolumeInfo(files->dvd, volumeId, sizeof volumeId, reinterpret_cast<unsigned char*>(volumeSet), sizeof volumeSet);
    volumeId[sizeof volumeId - 1] = '\0';
    files->label = volumeId;
    return files;
}

bool UdfDiscFiles::AnyInformationReadable() const
{
    static constexpr char kMark[] = "DVDVIDEO-V";  // VMG or VTS
    constexpr std::size_t kMarkBytes = sizeof kMark - 1;
    for (const auto& [key, entry] : entries) {
        if (entry.domain != DVD_READ_INFO_FILE && entry.domain != DVD_READ_INFO_BACKUP_FILE) continue;
        const auto bytes = Read(entry.name, 0, kMarkBytes);
        if (bytes && bytes->size() == kMarkBytes && std::equal(bytes->begin(), bytes->end(), kMark)) return true;
    }
    return false;
}

void UdfDiscFiles::NoteFilesPastTheEnd()
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;  // a drive's size is its disc's
    for (const auto& [key, entry] : entries) {
        uint32_t size = 0;
        const uint32_t sector = UDFFindFile(dvd, ("/VIDEO_TS/" + entry.name).c_str(), &size);
        if (sector == 0 || uint64_t(sector) * kBlockBytes + size <= uint64_t(status.st_size)) continue;
        notes.push_back(path + " ends at byte " + std::to_string(status.st_size) + ", before " + entry.name +
                        " does: the image is cut short");
        return;
    }
}

UdfDiscFiles::~UdfDiscFiles()
{
    if (dvd) DVDClose(dvd);
}

const UdfDiscFiles::Entry* UdfDiscFiles::Find(const std::string& name) const
{
    auto it = entries.find(ToLower(name));
    return it == entries.end() ? nullptr : &it->second;
}

std::string UdfDiscFiles::RealName(const std::string& name) const
{
    const Entry* entry = Find(name);
    return entry ? entry->name : name;
}

std::optional<uint64_t> UdfDiscFiles::Size(const std::string& name) const
{
    const Entry* entry = Find(name);
    if (!entry) return std::nullopt;
    return entry->size;
}

std::optional<std::vector<uint8_t>> UdfDiscFiles::Read(const std::string& name, uint64_t offset, std::size_t length) const
{
    const Entry* entry = Find(name);
    if (!entry) return std::nullopt;
    length = static_cast<std::size_t>(std::min<uint64_t>(length, offset < entry->size ? entry->size - offset : 0));
    dvd_file_t* file = DVDOpenFile(dvd, entry->titleSet, static_cast<dvd_read_domain_t>(entry->domain));
    if (!file) return std::nullopt;
    std::vector<uint8_t> bytes(length);
    bool read = length == 0;
    if (length > 0 && (entry->domain == DVD_READ_INFO_FILE || entry->domain == DVD_READ_INFO_BACKUP_FILE)) {
        read = offset <= INT32_MAX && DVDFileSeek(file, static_cast<int32_t>(offset)) == static_cast<int32_t>(offset) &&
               DVDReadBytes(file, bytes.data(), length) == static_cast<ssize_t>(length);
    } else if (length > 0) {
        // VOBs are read in whole blocks.
        const uint64_t at = entry->startByte + offset;
        const uint64_t firstBlock = at / kBlockBytes, lastBlock = (at + length - 1) / kBlockBytes;
        std::vector<uint8_t> blocks((lastBlock - firstBlock + 1) * kBlockBytes);
        const std::size_t count = blocks.size() / kBlockBytes;
        read = firstBlock <= INT_MAX && DVDReadBlocks(file, static_cast<int>(firstBlock), count, blocks.data()) == static_cast<ssize_t>(count);
        if (read) std::copy_n(blocks.begin() + static_cast<std::ptrdiff_t>(at % kBlockBytes), length, bytes.begin());
    }
    DVDCloseFile(file);
    if (!read) return std::nullopt;
    return bytes;
}

bool UdfDiscFiles::AnyMatches(const std::string& prefix, const std::string& suffix) const
{
    const std::string lowPrefix = ToLower(prefix), lowSuffix = ToLower(suffix);
    for (const auto& [name, entry] : entries)
        if (name.starts_with(lowPrefix) && name.size() >= lowPrefix.size() + lowSuffix.size() && name.ends_with(lowSuffix))
            return true;
    return false;
}
