#pragma once
// One fuzz input: the bytes are read as a title set file and as a manager
// file, through the reader and the title model, the way a disc load does.
#include <cstddef>
#include <cstdint>

// Returns how many diagnostic messages the load gave.
std::size_t LoadIfoBytes(const uint8_t* data, std::size_t size);
// The same bytes (their first 16 KiB) as both files of a disc image, read
// through its UDF file system.
std::size_t LoadIfoImageBytes(const uint8_t* data, std::size_t size);
