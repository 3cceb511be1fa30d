#pragma once
// The settings' value tables: what a stored or chosen index names, the
// containers among them.
#include <array>
#include <cstddef>
#include <span>
#include <string>

// What a rip does with the disc's subtitles.
enum SubtitleMode { kSubtitlesNone = 0, kSubtitlesKept = 1, kSubtitlesBurned = 2 };

// Value tables. Each ends with an empty entry; an index reaching that entry
// or beyond is not one of the table's values.
template <std::size_t N>
using TextTable = std::array<const char*, N>;

inline constexpr TextTable<13> kVideoCodecTable = {"MP1V", "MP2V", "MP4V", "DIV1", "DIV2", "DIV3", "H263",
                                                   "H264", "WMV1", "WMV2", "MJPG", "THEO", ""};
inline constexpr TextTable<14> kVideoBitrateTable = {"3072", "2048", "1024", "768", "512", "384", "256",
                                                     "192",  "128",  "96",   "64",  "32",  "16",  ""};
inline constexpr TextTable<9> kScaleTable = {"0.25", "0.5", "0.75", "1", "1.25", "1.5", "1.75", "2", ""};
inline constexpr TextTable<11> kAudioCodecTable = {"MPGA", "MP2A", "MP3", "MP4A", "a25", "vorb",
                                                   "flac", "spx",  "s16l", "fl32", ""};
inline constexpr TextTable<9> kAudioBitrateTable = {"512", "256", "192", "128", "96", "64", "32", "16", ""};
inline constexpr TextTable<3> kChannelTable = {"1", "2", ""};
inline constexpr TextTable<5> kSampleRateTable = {"48000", "44100", "22500", "11250", ""};
inline constexpr TextTable<10> kContainerTable = {"MPEG TS", "MPEG PS", "MPEG1", "ASF", "MP4", "MOV", "AVI", "OGG", "MKV", ""};
inline constexpr TextTable<4> kSubtitleModeTable = {"None", "Keep as a track", "Burn into the picture", ""};
inline constexpr TextTable<23> kSubtitleLanguageTable = {"en", "fr", "de", "es", "it", "nl", "pt", "sv", "da", "no", "fi",
                                                         "pl", "cs", "hu", "el", "ru", "tr", "he", "ar", "ja", "zh", "ko", ""};

// Number of real entries (the terminating empty text not counted).
template <std::size_t N>
constexpr int TableSize(const TextTable<N>&)
{
    return static_cast<int>(N) - 1;
}

// The entry at `index`, or null when the index is not one of the table's entries.
template <std::size_t N>
const char* TableEntry(const TextTable<N>& table, int index)
{
    return index >= 0 && index < TableSize(table) ? table[static_cast<std::size_t>(index)] : nullptr;
}

// Entries joined by "|", the settings movie's list form.
std::string JoinTable(std::span<const char* const> table);

// Texts are numbers the way atoi reads them: a leading number, else 0.
int LeadingNumber(const std::string& text);

// The codec name, in codecs.ini's lists, of a stream kept as the disc holds it.
inline constexpr char kCopyCodec[] = "copy";
