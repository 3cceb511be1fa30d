#pragma once
// One fuzz input for the title reader: a video manager IFO, a title set IFO
// and the start of its VOB, read as a disc folder through DiscTitleStream to
// the end of its stream, with the seeks a player makes.
//
// Layout: 2 bytes (big-endian) n, n bytes of VIDEO_TS.IFO; 2 bytes m, m
// bytes of VTS_01_0.IFO; the rest is VTS_01_1.VOB, and the menus' VOBs
// (VIDEO_TS.VOB, VTS_01_0.VOB).
#include <cstddef>
#include <cstdint>

// Returns how many bytes the stream gave.
std::size_t ReadTitleBytes(const uint8_t* data, std::size_t size);

// The same disc's navigation walked to its first title (of any length),
// menu buttons read from the menus' VOBs: 1 when it reaches one, else 0.
std::size_t WalkNavigationBytes(const uint8_t* data, std::size_t size);
