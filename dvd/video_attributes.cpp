#include "dvd/video_attributes.h"

#include <array>

namespace {

// Values the tables leave open (codings 2-3, TV systems 2-3, resolutions 4-7)
// give an empty text.
template <std::size_t N>
const char* Pick(const std::array<const char*, N>& table, unsigned index)
{
    return index < N ? table[index] : "";
}

constexpr std::array<const char*, 2> kCoding = {"MPEG 1", "MPEG 2"};
constexpr std::array<const char*, 2> kTvSystem = {"NTSC", "PAL"};
constexpr std::array<const char*, 4> kAspect = {"4:3", "reserved1", "reserved2", "16:9"};
constexpr std::array<const char*, 8> kResolution = {"720x480", "704x480", "352x480", "352x240",
                                                     "720x576", "704x576", "352x576", "352x288"};
constexpr std::array<const char*, 4> kLetterbox = {"no", "no", "auto", "not auto"};
constexpr std::array<const char*, 4> kFilmMode = {"", "", "camera", "film"};
constexpr std::array<const char*, 8> kAudioCoding = {"AC-3", "", "MPEG-1", "MPEG-2", "LPCM", "", "DTS", "SDDS"};
constexpr std::array<int, 4> kSampleRate = {48000, 96000, 0, 0};

}  // namespace

VideoAttributes DecodeVideoAttributes(uint8_t b0, uint8_t b1)
{
    const unsigned tv = (b0 >> 4) & 3;
    const unsigned resolution = (b1 >> 3) & 7;
    VideoAttributes texts;
    texts.videoCoding = Pick(kCoding, b0 >> 6);
    texts.tvSystem = Pick(kTvSystem, tv);
    texts.aspectRatio = Pick(kAspect, (b0 >> 2) & 3);
    texts.panScan = (b0 & 0x02) ? "no" : "yes";
    texts.resolution = tv < 2 && resolution < 4 ? kResolution[tv * 4 + resolution] : "";
    texts.letterbox = Pick(kLetterbox, ((b1 >> 2) & 1) * 2 + (b0 & 1));
    texts.filmMode = tv < 2 ? kFilmMode[tv * 2 + (b1 & 1)] : "";
    return texts;
}

AudioStream DecodeAudioAttributes(const uint8_t* entry, int index)
{
    AudioStream stream;
    stream.index = index;
    stream.coding = Pick(kAudioCoding, entry[0] >> 5);
    // Bits 3-2 of the first byte say whether bytes 2-3 hold a language code.
    const bool hasLanguage = ((entry[0] >> 2) & 3) == 1;
    const auto letter = [](uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c) : c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : '\0'; };
    if (hasLanguage && letter(entry[2]) && letter(entry[3])) stream.language = {letter(entry[2]), letter(entry[3])};
    stream.sampleRate = kSampleRate[(entry[1] >> 4) & 3];
    stream.channels = (entry[1] & 7) + 1;
    return stream;
}
