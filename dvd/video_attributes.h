#pragma once
// The seven texts of a video attribute field (two bytes of an IFO header).
#include "dvd/ifo_records.h"

#include <cstdint>

VideoAttributes DecodeVideoAttributes(uint8_t b0, uint8_t b1);

// One entry of a title set's audio attribute table (8 bytes) as stream `index`.
AudioStream DecodeAudioAttributes(const uint8_t* entry, int index);

// One entry of a title set's subpicture attribute table (6 bytes) as stream `index`.
SubpictureStream DecodeSubpictureAttributes(const uint8_t* entry, int index);
