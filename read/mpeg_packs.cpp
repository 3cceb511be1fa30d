#include "read/mpeg_packs.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t kTimestampWrap = int64_t(1) << 33;

bool IsPackHeader(const uint8_t* pack)
{
    return pack[0] == 0 && pack[1] == 0 && pack[2] == 1 && pack[3] == 0xBA && (pack[4] & 0xC0) == 0x40;
}

// Calls `visit(at)` for each packet of an MPEG-2 pack whose header has the
// optional PES fields (video, audio, private stream 1), `at` being where the
// packet starts; the walk never leaves the pack.
template <typename Pack, typename Visit>
void ForEachPesHeader(Pack* pack, Visit visit)
{
    std::size_t at = 14 + (pack[13] & 0x07);
    while (at + 6 <= kPackBytes && pack[at] == 0 && pack[at + 1] == 0 && pack[at + 2] == 1) {
        const uint8_t id = pack[at + 3];
        const std::size_t length = (std::size_t(pack[at + 4]) << 8) | pack[at + 5];
        const bool hasHeader = id == 0xBD || (id >= 0xC0 && id <= 0xEF);
        if (hasHeader && at + 9 <= kPackBytes && (pack[at + 6] & 0xC0) == 0x80) visit(at);
        at += 6 + length;
    }
}

// A 33-bit timestamp in the 5-byte PES form (with its marker bits).
int64_t ReadPesTimestamp(const uint8_t* p)
{
    return (int64_t(p[0] & 0x0E) << 29) | (int64_t(p[1]) << 22) | (int64_t(p[2] & 0xFE) << 14) | (int64_t(p[3]) << 7) |
           (int64_t(p[4]) >> 1);
}

void WritePesTimestamp(uint8_t* p, int64_t value)
{
    p[0] = static_cast<uint8_t>((p[0] & 0xF1) | ((value >> 29) & 0x0E));
    p[1] = static_cast<uint8_t>(value >> 22);
    p[2] = static_cast<uint8_t>((p[2] & 0x01) | ((value >> 14) & 0xFE));
    p[3] = static_cast<uint8_t>(value >> 7);
    p[4] = static_cast<uint8_t>((p[4] & 0x01) | ((value << 1) & 0xFE));
}

// The 33-bit base of an MPEG-2 pack header's SCR.
int64_t ReadScrBase(const uint8_t* p)
{
    return (int64_t(p[0] & 0x38) << 27) | (int64_t(p[0] & 0x03) << 28) | (int64_t(p[1]) << 20) |
           (int64_t(p[2] & 0xF8) << 12) | (int64_t(p[2] & 0x03) << 13) | (int64_t(p[3]) << 5) | (int64_t(p[4]) >> 3);
}

void WriteScrBase(uint8_t* p, int64_t base)
{
    p[0] = static_cast<uint8_t>((p[0] & 0xC4) | ((base >> 27) & 0x38) | ((base >> 28) & 0x03));
    p[1] = static_cast<uint8_t>(base >> 20);
    p[2] = static_cast<uint8_t>((p[2] & 0x04) | ((base >> 12) & 0xF8) | ((base >> 13) & 0x03));
    p[3] = static_cast<uint8_t>(base >> 5);
    p[4] = static_cast<uint8_t>((p[4] & 0x07) | ((base << 3) & 0xF8));
}

int64_t Wrapped(int64_t value)
{
    value %= kTimestampWrap;
    return value < 0 ? value + kTimestampWrap : value;
}

}  // namespace

bool IsPack(const uint8_t* pack)
{
    return IsPackHeader(pack);
}

bool IsNavPack(const uint8_t* pack)
{
    static const uint8_t header[] = {0x00, 0x00, 0x01, 0xBA};
    static const uint8_t system[] = {0x00, 0x00, 0x01, 0xBB};
    static const uint8_t pci[] = {0x00, 0x00, 0x01, 0xBF};
    return std::memcmp(pack, header, 4) == 0 && std::memcmp(pack + 14, system, 4) == 0 &&
           std::memcmp(pack + 38, pci, 4) == 0 && pack[44] == 0x00 && std::memcmp(pack + 0x400, pci, 4) == 0 &&
           pack[0x406] == 0x01;
}

int64_t ShiftPackTimes(uint8_t* pack, int64_t offset, int64_t lastScr)
{
    if (!IsPackHeader(pack)) return -1;
    int64_t scr = Wrapped(ReadScrBase(pack + 4) + offset);
    // The clock never runs backwards where two pieces of the timeline meet.
    if (lastScr >= 0 && scr < lastScr && lastScr - scr < kTimestampWrap / 2) scr = lastScr;
    WriteScrBase(pack + 4, scr);
    ForEachPesHeader(pack, [&](std::size_t at) {
        const unsigned flags = pack[at + 7] >> 6;
        if ((flags & 2) && at + 14 <= kPackBytes)
            WritePesTimestamp(pack + at + 9, Wrapped(ReadPesTimestamp(pack + at + 9) + offset));
        if (flags == 3 && at + 19 <= kPackBytes)
            WritePesTimestamp(pack + at + 14, Wrapped(ReadPesTimestamp(pack + at + 14) + offset));
    });
    return scr;
}

bool IsScrambledPack(const uint8_t* pack)
{
    if (!IsPackHeader(pack)) return false;
    bool scrambled = false;
    ForEachPesHeader(pack, [&](std::size_t at) { scrambled |= (pack[at + 6] & 0x30) != 0; });
    return scrambled;
}

namespace {

// Where the packet at `at` ends, within the pack.
std::size_t PacketEnd(const uint8_t* pack, std::size_t at)
{
    return std::min(kPackBytes, at + 6 + ((std::size_t(pack[at + 4]) << 8) | pack[at + 5]));
}

// The disc's number (from 0) of the audio stream the packet at `at`
// carries, or -1. MPEG audio carries its number in the stream id; AC-3,
// DTS and LPCM in the first byte after the header of private stream 1.
int AudioNumberAt(const uint8_t* pack, std::size_t at)
{
    const uint8_t id = pack[at + 3];
    if (id >= 0xC0 && id <= 0xC7) return id - 0xC0;
    if (id != 0xBD || at + 9 + pack[at + 8] >= PacketEnd(pack, at)) return -1;
    const uint8_t sub = pack[at + 9 + pack[at + 8]];
    return (sub >= 0x80 && sub <= 0x8F) || (sub >= 0xA0 && sub <= 0xA7) ? sub & 0x07 : -1;
}

// The packet becomes padding of the same length.
void Pad(uint8_t* pack, std::size_t at)
{
    const std::size_t end = PacketEnd(pack, at);
    pack[at + 3] = 0xBE;
    std::memset(pack + at + 6, 0xFF, end - at - 6);
}

}  // namespace

void RouteStreams(uint8_t* pack, const std::array<int8_t, 8>& audio, const std::array<int8_t, 32>& subpictures)
{
    if (!IsPackHeader(pack)) return;
    ForEachPesHeader(pack, [&](std::size_t at) {
        if (const int number = AudioNumberAt(pack, at); number >= 0) {
            if (audio[number] < 0) return Pad(pack, at);
            // MPEG audio by its stream id; AC-3, DTS and LPCM by the low bits of the sub-stream id.
            uint8_t& id = pack[at + 3] == 0xBD ? pack[at + 9 + pack[at + 8]] : pack[at + 3];
            id = static_cast<uint8_t>((id & 0xF8) | audio[number]);
            return;
        }
        // Subpictures: sub-streams 0x20 to 0x3F of private stream 1.
        if (pack[at + 3] != 0xBD || at + 9 + pack[at + 8] >= PacketEnd(pack, at)) return;
        uint8_t& sub = pack[at + 9 + pack[at + 8]];
        if ((sub & 0xE0) != 0x20) return;
        if (subpictures[sub - 0x20] < 0) return Pad(pack, at);
        sub = static_cast<uint8_t>(0x20 + subpictures[sub - 0x20]);
    });
}

SoundKept KeepSoundBefore(uint8_t* pack, int64_t end, std::array<bool, 8>& keeping)
{
    SoundKept kept;
    if (!IsPackHeader(pack)) return kept;
    ForEachPesHeader(pack, [&](std::size_t at) {
        const int number = AudioNumberAt(pack, at);
        if (number < 0) return Pad(pack, at);
        if ((pack[at + 7] & 0x80) && at + 14 <= kPackBytes) keeping[number] = ReadPesTimestamp(pack + at + 9) < end;
        kept.seen = true;
        kept.any |= keeping[number];
        if (!keeping[number]) Pad(pack, at);
    });
    return kept;
}
