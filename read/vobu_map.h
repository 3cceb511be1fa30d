#pragma once
// Where the VOBUs of a title set's VOB files start: the VOBU address map
// (VTS_VOBU_ADMAP) of its IFO file, or of its BUP when the IFO cannot give
// it. A reader that meets a damaged VOBU goes on at the next one.
#include <cstdint>
#include <vector>

struct dvd_reader_s;

// The VOBUs' first sectors, sorted; empty when neither file gives them.
std::vector<uint32_t> ReadVobuStarts(dvd_reader_s* dvd, int titleSet);
