#include "settings/rip_settings.h"

#include "settings/codecs_ini.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

void RipSettings::SetDefaults()
{
    mux.clear();
    videoCodec = "MP1V";
    videoBitrate = 1024;
    videoScale = "1";
    videoMethod = 0;
    audioRate = 48000;
    audioBitrate = 128;
    audioChannels = 2;
    audioCodec = "MPGA";
    dontAskOverwrite = 0;
    shutdownWhenComplete = 0;
    openFolderWhenDone = 0;
    lockDvdWhileRipping = 1;
    ejectDvdWhenDone = 0;
    ripSelection = 0;
    subtitleMode = kSubtitlesNone;
    subtitleLanguage = kSubtitleLanguageTable[0];
    subtitleForced = 0;
}

int ParseNumber(const std::string& text)
{
    return std::atoi(text.c_str());
}

namespace {

const std::pair<const char*, const char*> kProfileDefaults[] = {
    {profile_key::kVideoCodec, "0"},   {profile_key::kVideoBitrate, "2"}, {profile_key::kVideoScale, "3"},
    {profile_key::kVideoMethod, "0"},  {profile_key::kAudioCodec, "0"},   {profile_key::kAudioRate, "0"},
    {profile_key::kAudioChannel, "1"}, {profile_key::kAudioBitrate, "3"}, {profile_key::kShutdown, "0"},
    {profile_key::kOpenFolder, "0"},   {profile_key::kLockDvd, "1"},      {profile_key::kEjectDvd, "0"},
    {profile_key::kDontAskOverwrite, "0"}, {profile_key::kRipSelection, "0"},
    {profile_key::kSubtitleMode, "0"}, {profile_key::kSubtitleLanguage, "0"}, {profile_key::kSubtitleForced, "0"},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

int StoredNumber(const IProfile& profile, const char* key)
{
    return ParseNumber(ReadProfileText(profile, key));
}

// The table entry at the stored index; an index that is not one of the
// table's entries falls back to the key's default index.
template <std::size_t N>
std::string StoredEntry(const IProfile& profile, const char* key, const TextTable<N>& table)
{
    if (const char* entry = TableEntry(table, StoredNumber(profile, key))) return entry;
    return table[static_cast<std::size_t>(ParseNumber(ProfileDefault(key)))];
}

template <std::size_t N>
int StoredTableNumber(const IProfile& profile, const char* key, const TextTable<N>& table)
{
    return ParseNumber(StoredEntry(profile, key, table));
}

// A codec named by its index into the container's "codecs.ini" list; an
// index outside it takes the list's first codec, as the settings window does
// (the built-in table's entry there may not suit the container at all).
// Without a list, the built-in table's entry at the index.
template <std::size_t N>
std::string StoredCodec(const IProfile& profile, const char* key, const std::vector<std::string>& containerCodecs,
                        const TextTable<N>& builtIn)
{
    if (containerCodecs.empty()) return Lower(StoredEntry(profile, key, builtIn));
    return Lower(CodecAt(containerCodecs, StoredNumber(profile, key), builtIn[0]));
}

}  // namespace

std::string ProfileDefault(const std::string& key)
{
    for (const auto& [name, text] : kProfileDefaults)
        if (key == name) return text;
    return {};
}

std::string ReadProfileText(const IProfile& profile, const std::string& key)
{
    return profile.GetProfileString(key, ProfileDefault(key));
}

void LoadSettings(RipSettings& settings, const IProfile& profile, const std::string& codecsIniPath)
{
    settings.dontAskOverwrite = StoredNumber(profile, profile_key::kDontAskOverwrite);
    settings.ejectDvdWhenDone = StoredNumber(profile, profile_key::kEjectDvd);
    settings.lockDvdWhileRipping = StoredNumber(profile, profile_key::kLockDvd);
    settings.openFolderWhenDone = StoredNumber(profile, profile_key::kOpenFolder);
    settings.shutdownWhenComplete = StoredNumber(profile, profile_key::kShutdown);
    settings.ripSelection = IsFlagOn(ReadProfileText(profile, profile_key::kRipSelection));
    settings.subtitleMode = SubtitleModeOf(ReadProfileText(profile, profile_key::kSubtitleMode));
    settings.subtitleLanguage = StoredEntry(profile, profile_key::kSubtitleLanguage, kSubtitleLanguageTable);
    settings.subtitleForced = IsFlagOn(ReadProfileText(profile, profile_key::kSubtitleForced));

    settings.audioBitrate = StoredTableNumber(profile, profile_key::kAudioBitrate, kAudioBitrateTable);
    settings.audioChannels = StoredTableNumber(profile, profile_key::kAudioChannel, kChannelTable);
    settings.audioRate = StoredTableNumber(profile, profile_key::kAudioRate, kSampleRateTable);

    settings.videoMethod = ContainerOrDefault(StoredNumber(profile, profile_key::kVideoMethod));
    const CodecLists codecs = ReadCodecLists(settings.videoMethod, codecsIniPath);
    settings.audioCodec = StoredCodec(profile, profile_key::kAudioCodec, codecs.audioCodecs, kAudioCodecTable);

    settings.videoBitrate = StoredTableNumber(profile, profile_key::kVideoBitrate, kVideoBitrateTable);
    settings.videoScale = StoredEntry(profile, profile_key::kVideoScale, kScaleTable);
    settings.videoCodec = StoredCodec(profile, profile_key::kVideoCodec, codecs.videoCodecs, kVideoCodecTable);
}

int ContainerOrDefault(int index)
{
    return TableEntry(kContainerTable, index) ? index : ParseNumber(ProfileDefault(profile_key::kVideoMethod));
}

int SubtitleModeOf(const std::string& index)
{
    const int mode = ParseNumber(index);
    return TableEntry(kSubtitleModeTable, mode) ? mode : kSubtitlesNone;
}

std::string CodecAt(const std::vector<std::string>& codecs, int index, const std::string& fallback)
{
    if (index >= 0 && index < static_cast<int>(codecs.size())) return codecs[index];
    return codecs.empty() ? fallback : codecs.front();
}

bool IsFlagOn(const std::string& text)
{
    return text == "true" || text == "1";
}

void SaveSettings(IProfile& profile, const SettingsSelections& s)
{
    auto flag = [](const std::string& text) { return IsFlagOn(text) ? "1" : "0"; };
    profile.WriteProfileString(profile_key::kDontAskOverwrite, flag(s.dontAskOverwrite));
    profile.WriteProfileString(profile_key::kShutdown, flag(s.shutdownWhenComplete));
    profile.WriteProfileString(profile_key::kOpenFolder, flag(s.openFolderWhenDone));
    profile.WriteProfileString(profile_key::kLockDvd, flag(s.lockDvdWhileRipping));
    profile.WriteProfileString(profile_key::kEjectDvd, flag(s.ejectDvdWhenDone));
    profile.WriteProfileString(profile_key::kRipSelection, flag(s.ripSelection));
    profile.WriteProfileString(profile_key::kSubtitleMode, s.subtitleMode);
    profile.WriteProfileString(profile_key::kSubtitleLanguage, s.subtitleLanguage);
    profile.WriteProfileString(profile_key::kSubtitleForced, flag(s.subtitleForced));
    profile.WriteProfileString(profile_key::kAudioCodec, s.audioCodec);
    profile.WriteProfileString(profile_key::kAudioBitrate, s.audioBitrate);
    profile.WriteProfileString(profile_key::kAudioChannel, s.audioChannel);
    profile.WriteProfileString(profile_key::kAudioRate, s.audioRate);
    profile.WriteProfileString(profile_key::kVideoCodec, s.videoCodec);
    profile.WriteProfileString(profile_key::kVideoBitrate, s.videoBitrate);
    profile.WriteProfileString(profile_key::kVideoScale, s.videoScale);
    profile.WriteProfileString(profile_key::kVideoMethod, s.videoMethod);
}
