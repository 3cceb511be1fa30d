#pragma once
#include <cstdint>
#include <string>

// The regions a disc plays in, ascending and joined by "-" ("1-2-3-4-5-6-7-8");
// a set bit k of the mask means it does not play in region k+1.
std::string FormatRegions(uint8_t regionMask);
