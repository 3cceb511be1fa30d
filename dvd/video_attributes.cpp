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

namespace {

// Bytes 2-3 of an attribute entry as a two-letter language code, when `present`.
std::string LanguageCode(bool present, const uint8_t* code)
{
    const auto letter = [](uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c) : c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : '\0'; };
    if (!present || !letter(code[0]) || !letter(code[1])) return {};
    return {letter(code[0]), letter(code[1])};
}

}  // namespace

AudioStream DecodeAudioAttributes(const uint8_t* entry, int index)
{
    AudioStream stream;
    stream.index = index;
    stream.carrier = index - 1;
    stream.coding = Pick(kAudioCoding, entry[0] >> 5);
    // Bits 3-2 of the first byte say whether bytes 2-3 hold a language code.
    stream.language = LanguageCode(((entry[0] >> 2) & 3) == 1, entry + 2);
    stream.sampleRate = kSampleRate[(entry[1] >> 4) & 3];
    stream.channels = (entry[1] & 7) + 1;
    // For LPCM the quantisation: 16, 20 or 24 bits.
    if (stream.coding == "LPCM" && (entry[1] >> 6) < 3) stream.bits = 16 + 4 * (entry[1] >> 6);
    return stream;
}

SubpictureStream DecodeSubpictureAttributes(const uint8_t* entry, int index)
{
    SubpictureStream stream;
    stream.index = index;
    stream.carrier = index - 1;
    // Bits 1-0 of the first byte say whether bytes 2-3 hold a language code;
    // byte 5 is the code extension, what the subtitles are for.
    stream.language = LanguageCode((entry[0] & 3) == 1, entry + 2);
    switch (entry[5]) {
    case 1: stream.kind = "normal"; break;
    case 2: stream.kind = "large"; break;
    case 3: stream.kind = "children"; break;
    case 5: case 6: case 7: stream.kind = "closed caption"; break;
    case 9: stream.kind = "forced"; break;
    case 13: case 14: case 15: stream.kind = "director's comments"; break;
    default: break;
    }
    return stream;
}
