#include "dvd/image_layout.h"

#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

constexpr std::streamoff kSector = 2048;
// ECMA-167: the volume recognition sequence starts at sector 16, the anchor
// volume descriptor pointer lies at sector 256.
constexpr std::streamoff kRecognitionStart = 16, kRecognitionEnd = 32, kAnchorSector = 256;

bool ReadSector(std::ifstream& image, std::streamoff sector, uint8_t (&into)[kSector])
{
    image.clear();
    image.seekg(sector * kSector);
    return image.read(reinterpret_cast<char*>(into), kSector) && image.gcount() == kSector;
}

}  // namespace

std::string ImageWithoutUdf(const std::string& path)
{
    std::ifstream image(path, std::ios::binary);
    if (!image) return {};
    uint8_t sector[kSector];
    bool iso9660 = false, udf = false;
    for (std::streamoff at = kRecognitionStart; at < kRecognitionEnd && ReadSector(image, at, sector); ++at) {
        if (std::memcmp(sector + 1, "CD001", 5) == 0) iso9660 = true;
        if (std::memcmp(sector + 1, "NSR02", 5) == 0 || std::memcmp(sector + 1, "NSR03", 5) == 0) udf = true;
    }
    if (!udf) return iso9660 ? "an ISO 9660 image without the UDF file system a DVD-Video disc needs" : std::string();
    // A descriptor tag: identifier 2, and a checksum of its other 15 bytes.
    if (!ReadSector(image, kAnchorSector, sector)) return "a UDF image cut short before its anchor (sector 256): its files cannot be found";
    uint8_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4) sum = static_cast<uint8_t>(sum + sector[i]);
    if (sector[0] != 2 || sector[1] != 0 || sum != sector[4]) return "a UDF image whose anchor (sector 256) is damaged: its files cannot be found";
    return {};
}
