#pragma once
// The 2048-byte packs of a DVD's MPEG-2 program stream: navigation packs,
// the clock and timestamps of each pack, and the scrambling marks of CSS.
#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kPackBytes = 2048;

// An MPEG-2 pack: its header's start code and marker bits. Anything else
// (zeros, garbage) in a VOB is damage.
bool IsPack(const uint8_t* pack);

// A navigation pack: pack header, system header, then the PCI and DSI packets.
bool IsNavPack(const uint8_t* pack);

// Adds `offset` (90 kHz ticks, wrapped to 33 bits) to the pack's clock and
// to every timestamp of its packets. The clock is kept from running below
// `lastScr` (-1: no floor); returns the clock written, or -1 for no pack header.
int64_t ShiftPackTimes(uint8_t* pack, int64_t offset, int64_t lastScr);

// True when a packet of the pack is marked scrambled (its PES scrambling
// control bits are set): the pack is encrypted and still undecrypted.
bool IsScrambledPack(const uint8_t* pack);

// Renumbers the pack's audio and subpicture packets as `audio` and
// `subpictures` say (by the disc's number from 0: the output's number, or
// -1), a packet routed nowhere becoming padding of the same length: the
// pack keeps its size and clock, and a player sees the output's streams.
void RouteStreams(uint8_t* pack, const std::array<int8_t, 8>& audio, const std::array<int8_t, 32>& subpictures);

// Keeps of the pack only the audio packets that begin before `end` (90 kHz,
// the pack's own times), the rest becoming padding: what a disc carries
// after a cut's last picture of the sound before it. A packet without a
// timestamp goes as the last one of its stream went (`keeping`, by the
// disc's stream number from 0).
struct SoundKept {
    bool seen = false;  // the pack held audio
    bool any = false;   // some of it was kept
};
SoundKept KeepSoundBefore(uint8_t* pack, int64_t end, std::array<bool, 8>& keeping);
