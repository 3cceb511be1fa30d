#pragma once
// The seven texts of a video attribute field (two bytes of an IFO header).
#include "dvd/ifo_records.h"

#include <cstdint>

VideoAttributes DecodeVideoAttributes(uint8_t b0, uint8_t b1);
