#pragma once
// The conversion settings and behaviour switches, their value tables and how
// they are kept in the profile as index texts.
#include "settings/profile.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

struct RipSettings {
    RipSettings() { SetDefaults(); }
    void SetDefaults();

    std::string mux;          // set from the container before each rip; never stored
    std::string videoCodec;
    int videoBitrate = 0;     // kbit/s
    std::string videoScale;   // factor text with its fraction, e.g. "0.5"
    int videoMethod = 0;      // container index
    int audioRate = 0;        // Hz
    int audioBitrate = 0;     // kbit/s
    int audioChannels = 0;
    std::string audioCodec;
    int dontAskOverwrite = 0;
    int shutdownWhenComplete = 0;
    int openFolderWhenDone = 0;
    int lockDvdWhileRipping = 0;
    int ejectDvdWhenDone = 0;
    int ripSelection = 0;  // 1: Start rips the selected angle's ticked chapters, not the whole disc
    int subtitleMode = 0;          // index of kSubtitleModeTable
    std::string subtitleLanguage;  // the language preferred, two letters
    int subtitleForced = 0;        // 1: only the subtitles the disc marks forced
};

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
template <std::size_t N>
std::string JoinTable(const TextTable<N>& table)
{
    std::string joined;
    for (const char* entry : table) {
        if (!*entry) break;
        if (!joined.empty()) joined += '|';
        joined += entry;
    }
    return joined;
}

// Texts are numbers the way atoi reads them: a leading number, else 0.
int ParseNumber(const std::string& text);

// Profile keys, letter for letter as stored.
namespace profile_key {
inline constexpr char kVideoCodec[] = "video_codec";
inline constexpr char kVideoBitrate[] = "video_bitrate";
inline constexpr char kVideoScale[] = "video_scale";
inline constexpr char kVideoMethod[] = "video_method";
inline constexpr char kAudioCodec[] = "audio_codec";
inline constexpr char kAudioRate[] = "audio_rate";
inline constexpr char kAudioChannel[] = "audio_channel";
inline constexpr char kAudioBitrate[] = "audio_bitrate";
inline constexpr char kShutdown[] = "ShutdownWhenCompelete";
inline constexpr char kOpenFolder[] = "OpenFolderWhenDone";
inline constexpr char kLockDvd[] = "LockDVDWhileRipping";
inline constexpr char kEjectDvd[] = "EjectDVDWhenDone";
inline constexpr char kDontAskOverwrite[] = "DonotAskWhenOverwriteExistingFiles";
inline constexpr char kRipSelection[] = "rip_selection";
inline constexpr char kSubtitleMode[] = "subtitle_mode";
inline constexpr char kSubtitleLanguage[] = "subtitle_language";
inline constexpr char kSubtitleForced[] = "subtitle_forced";
}  // namespace profile_key

// Default texts of the keys above when the profile has none.
std::string ProfileDefault(const std::string& key);

// The stored text of `key`, or its default.
std::string ReadProfileText(const IProfile& profile, const std::string& key);

// Fills `settings` from the profile. The codec indexes name entries of the
// stored container's list in "codecs.ini" (that is where the settings dialog
// takes them from); the built-in codec tables serve only when that list is
// missing or too short. `mux` is left alone.
void LoadSettings(RipSettings& settings, const IProfile& profile, const std::string& codecsIniPath);

// The settings dialog's choices as the profile stores them: index texts and
// switch flags, unchanged from the movie.
struct SettingsSelections {
    std::string videoMethod, videoCodec, videoBitrate, videoScale;
    std::string audioCodec, audioBitrate, audioChannel, audioRate;
    std::string dontAskOverwrite, shutdownWhenComplete, openFolderWhenDone, lockDvdWhileRipping, ejectDvdWhenDone;
    std::string ripSelection;
    std::string subtitleMode, subtitleLanguage, subtitleForced;
};

// A flag text counts as on only when it is exactly "true" or "1".
bool IsFlagOn(const std::string& text);

// A container index of the table, or the default container for any other.
int ContainerOrDefault(int index);

// The subtitle mode a stored or chosen index text means: none for any index outside the table.
int SubtitleModeOf(const std::string& index);

// The codec at `index` of a container's list; outside it the list's first
// codec, and `fallback` for an empty list.
std::string CodecAt(const std::vector<std::string>& codecs, int index, const std::string& fallback);

// Writes the selections to the profile; switches become "1" or "0".
void SaveSettings(IProfile& profile, const SettingsSelections& selections);
