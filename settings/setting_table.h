#pragma once
// Each stored setting described once: its profile key, its default (an
// index text or a switch), the kind of value it holds, the settings movie's
// variables for its choice and its list, and the field of the record it
// fills. The record's defaults, the profile's load and save, the settings
// window's exchange and the main window's copy of its choices all work
// from these rows: a new setting is one row and the code that uses it.
#include "settings/codecs_ini.h"
#include "settings/profile.h"
#include "settings/rip_settings.h"
#include "settings/value_tables.h"

#include <functional>
#include <span>
#include <string>
#include <variant>

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

// The settings movie's variables of the stored settings: each one's choice
// (an index or a switch) and, where the movie offers a list, the list.
namespace settings_var {
inline constexpr char kOverwriting[] = "_root.overwriting";
inline constexpr char kShutdown[] = "_root.stutdown";
inline constexpr char kOpenFolder[] = "_root.output";
inline constexpr char kLockDvd[] = "_root.lockDVD";
inline constexpr char kEjectDvd[] = "_root.ejectDVD";
inline constexpr char kRipSelection[] = "_root.ripSelection";
inline constexpr char kSubtitleForced[] = "_root.subtitleForced";
inline constexpr char kSubtitleModeList[] = "_root.subtitle_mode";
inline constexpr char kSubtitleLanguageList[] = "_root.subtitle_language";
inline constexpr char kSubtitleMode[] = "_root.SelectedSubtitleMode";
inline constexpr char kSubtitleLanguage[] = "_root.SelectedSubtitleLanguage";
inline constexpr char kVideoMethodList[] = "_root.video_method";
inline constexpr char kVideoBitrateList[] = "_root.video_bitrate";
inline constexpr char kVideoScaleList[] = "_root.video_channel";
inline constexpr char kAudioBitrateList[] = "_root.audio_bitrate";
inline constexpr char kAudioChannelList[] = "_root.audio_channel";
inline constexpr char kAudioRateList[] = "_root.audio_rate";
inline constexpr char kVideoCodec[] = "_root.VSelectedCodec";
inline constexpr char kVideoMethod[] = "_root.SelectedVMethod";
inline constexpr char kVideoBitrate[] = "_root.SelectedVBitrate";
inline constexpr char kVideoScale[] = "_root.SelectedVChannel";
inline constexpr char kAudioCodec[] = "_root.SelectedCodec";
inline constexpr char kAudioBitrate[] = "_root.SelectedBitrate";
inline constexpr char kAudioChannel[] = "_root.SelectedChannel";
inline constexpr char kAudioRate[] = "_root.SelectedRate";
}  // namespace settings_var

struct SettingRow {
    enum class Kind {
        Switch,        // stored "1"/"0", read as a number; the movie's "true" or "1" is on
        Flag,          // the same, but a stored text is on only as "true" or "1"
        TableNumber,   // an index into `table`, whose entry is a number (a bitrate, a rate)
        TableText,     // an index into `table`, whose entry is the value (a scale, a language)
        Container,     // an index of the container table
        Codec,         // an index into the container's list in codecs.ini; `table` stands in without one
        SubtitleMode,  // an index of the subtitle modes
    };
    // What the setting is about: how the rip behaves, or the sound, the picture or the container of the file.
    enum class Part { Behaviour, Audio, Video, Container };
    const char* key;
    const char* defaultText;
    Kind kind;
    std::span<const char* const> table;
    const char* variable;      // the movie's choice
    const char* listVariable;  // the movie's list of `table`; null where it has none
    std::variant<int RipSettings::*, std::string RipSettings::*> field;
    Part part = Part::Behaviour;
};

// Every stored setting: behaviour, then the sound's, the picture's, the container.
std::span<const SettingRow> SettingRows();

// The default text of `key` when the profile has none.
std::string ProfileDefault(const std::string& key);

// The stored text of `key`, or its default.
std::string ReadProfileText(const IProfile& profile, const std::string& key);

// Fills `settings` from the profile. The codec indexes name entries of the
// stored container's list in "codecs.ini" (where the settings window takes
// them from); the built-in codec tables serve only when that list is
// missing. `mux` is left alone.
void LoadSettings(RipSettings& settings, const IProfile& profile, const std::string& codecsIniPath);

// The settings movie's text of a variable.
using MovieChoice = std::function<std::string(const char* variable)>;

// The settings movie's choices into `settings`; the codecs are those of the
// chosen container's lists.
void ChooseSettings(RipSettings& settings, const MovieChoice& chosen, const CodecLists& codecs);

// Writes the movie's choices to the profile: switches as "1" or "0", the
// index texts as they are.
void SaveSettings(IProfile& profile, const MovieChoice& chosen);

// Copies every stored setting of `from` (not `mux`, which each rip sets).
void CopySettings(RipSettings& to, const RipSettings& from);

// A flag text counts as on only when it is exactly "true" or "1".
bool IsFlagOn(const std::string& text);

// A container index of the table, or the default container for any other.
int ContainerOrDefault(int index);

// The subtitle mode a stored or chosen index text means: none for any index outside the table.
int SubtitleModeOf(const std::string& index);

// The codec at `index` of a container's list; outside it the list's first
// codec, and `fallback` for an empty list.
std::string CodecAt(const std::vector<std::string>& codecs, int index, const std::string& fallback);
