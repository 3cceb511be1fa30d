#include "read/vobu_map.h"

#include "dvd/ifo_reader.h"

#include <dvdread/dvd_reader.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kSectorBytes = DVD_VIDEO_LB_LEN;
constexpr std::size_t kAddressMapPointer = 0xE4;

bool ReadAt(dvd_file_t* file, uint32_t offset, uint8_t* into, std::size_t length)
{
    return offset <= INT32_MAX && DVDFileSeek(file, static_cast<int32_t>(offset)) == static_cast<int32_t>(offset) &&
           DVDReadBytes(file, into, length) == static_cast<ssize_t>(length);
}

std::vector<uint32_t> VobuStartsIn(dvd_file_t* file)
{
    const ssize_t blocks = DVDFileSize(file);
    uint8_t header[kSectorBytes];
    if (blocks <= 0 || !ReadAt(file, 0, header, sizeof header) || std::memcmp(header, "DVDVIDEO-VTS", 12) != 0) return {};
    const uint32_t sector = ReadBE32(header + kAddressMapPointer);
    if (sector == 0 || sector >= uint64_t(blocks)) return {};
    uint8_t lastByte[4];
    if (!ReadAt(file, sector * kSectorBytes, lastByte, sizeof lastByte)) return {};
    // The map's last byte, counted from its start; 4-byte entries follow the field. No more than the file holds.
    const uint64_t room = (uint64_t(blocks) - sector) * kSectorBytes;
    const std::size_t words = static_cast<std::size_t>((std::min<uint64_t>(ReadBE32(lastByte), room - 1) + 1) / 4);
    if (words < 2) return {};
    const std::size_t entries = words - 1;
    std::vector<uint8_t> bytes(entries * 4);
    if (!ReadAt(file, sector * kSectorBytes + 4, bytes.data(), bytes.size())) return {};
    std::vector<uint32_t> starts(entries);
    for (std::size_t i = 0; i < entries; ++i) starts[i] = ReadBE32(bytes.data() + i * 4);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

}  // namespace

std::vector<uint32_t> ReadVobuStarts(dvd_reader_s* dvd, int titleSet)
{
    for (const dvd_read_domain_t domain : {DVD_READ_INFO_FILE, DVD_READ_INFO_BACKUP_FILE}) {
        dvd_file_t* file = DVDOpenFile(dvd, titleSet, domain);
        if (!file) continue;
        std::vector<uint32_t> starts = VobuStartsIn(file);
        DVDCloseFile(file);
        if (!starts.empty()) return starts;
    }
    return {};
}
