#include "dvd/regions.h"

std::string FormatRegions(uint8_t regionMask)
{
    const unsigned playable = static_cast<uint8_t>(~regionMask);
    std::string text;
    for (unsigned k = 0; (playable >> k) != 0; ++k) {
        if (!((playable >> k) & 1)) continue;
        if (!text.empty()) text += '-';
        text += static_cast<char>('1' + k);
    }
    return text;
}
