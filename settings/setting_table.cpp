#include "settings/setting_table.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

using Kind = SettingRow::Kind;
using Part = SettingRow::Part;

// In the order the settings window sends them: behaviour, then the sound's, then the picture's.
constexpr SettingRow kRows[] = {
    {profile_key::kDontAskOverwrite, "0", Kind::Switch, {}, settings_var::kOverwriting, nullptr, &RipSettings::dontAskOverwrite},
    {profile_key::kShutdown, "0", Kind::Switch, {}, settings_var::kShutdown, nullptr, &RipSettings::shutdownWhenComplete},
    {profile_key::kOpenFolder, "0", Kind::Switch, {}, settings_var::kOpenFolder, nullptr, &RipSettings::openFolderWhenDone},
    {profile_key::kLockDvd, "1", Kind::Switch, {}, settings_var::kLockDvd, nullptr, &RipSettings::lockDvdWhileRipping},
    {profile_key::kEjectDvd, "0", Kind::Switch, {}, settings_var::kEjectDvd, nullptr, &RipSettings::ejectDvdWhenDone},
    {profile_key::kRipSelection, "0", Kind::Flag, {}, settings_var::kRipSelection, nullptr, &RipSettings::ripSelection},
    {profile_key::kSubtitleForced, "0", Kind::Flag, {}, settings_var::kSubtitleForced, nullptr, &RipSettings::subtitleForced},
    {profile_key::kSubtitleMode, "0", Kind::SubtitleMode, kSubtitleModeTable, settings_var::kSubtitleMode,
     settings_var::kSubtitleModeList, &RipSettings::subtitleMode},
    {profile_key::kSubtitleLanguage, "0", Kind::TableText, kSubtitleLanguageTable, settings_var::kSubtitleLanguage,
     settings_var::kSubtitleLanguageList, &RipSettings::subtitleLanguage},
    {profile_key::kAudioCodec, "0", Kind::Codec, kAudioCodecTable, settings_var::kAudioCodec, nullptr, &RipSettings::audioCodec,
     Part::Audio},
    {profile_key::kAudioBitrate, "3", Kind::TableNumber, kAudioBitrateTable, settings_var::kAudioBitrate,
     settings_var::kAudioBitrateList, &RipSettings::audioBitrate, Part::Audio},
    {profile_key::kAudioChannel, "1", Kind::TableNumber, kChannelTable, settings_var::kAudioChannel, settings_var::kAudioChannelList,
     &RipSettings::audioChannels, Part::Audio},
    {profile_key::kAudioRate, "0", Kind::TableNumber, kSampleRateTable, settings_var::kAudioRate, settings_var::kAudioRateList,
     &RipSettings::audioRate, Part::Audio},
    {profile_key::kVideoCodec, "0", Kind::Codec, kVideoCodecTable, settings_var::kVideoCodec, nullptr, &RipSettings::videoCodec,
     Part::Video},
    {profile_key::kVideoBitrate, "2", Kind::TableNumber, kVideoBitrateTable, settings_var::kVideoBitrate,
     settings_var::kVideoBitrateList, &RipSettings::videoBitrate, Part::Video},
    {profile_key::kVideoScale, "3", Kind::TableText, kScaleTable, settings_var::kVideoScale, settings_var::kVideoScaleList,
     &RipSettings::videoScale, Part::Video},
    {profile_key::kVideoMethod, "0", Kind::Container, kContainerTable, settings_var::kVideoMethod, settings_var::kVideoMethodList,
     &RipSettings::videoMethod, Part::Container},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The table's entry at the index text; an index that names none takes the
// row's default when stored, the table's first when chosen in the movie.
std::string EntryAt(const SettingRow& row, const std::string& index, bool stored)
{
    const auto at = [&](int i) { return i >= 0 && i + 1 < int(row.table.size()) ? row.table[std::size_t(i)] : nullptr; };
    if (const char* entry = at(LeadingNumber(index))) return entry;
    const char* fallback = at(stored ? LeadingNumber(row.defaultText) : 0);
    return fallback ? fallback : "";
}

// The row's value for an index or switch text; `stored`: as the profile
// holds it (a switch is then read as a number), else as the movie chose it.
void Set(RipSettings& settings, const SettingRow& row, const std::string& text, bool stored, const CodecLists& codecs)
{
    auto number = [&](int value) { settings.*std::get<int RipSettings::*>(row.field) = value; };
    auto words = [&](std::string value) { settings.*std::get<std::string RipSettings::*>(row.field) = std::move(value); };
    switch (row.kind) {
    case Kind::Switch: return number(stored ? LeadingNumber(text) : IsFlagOn(text));
    case Kind::Flag: return number(IsFlagOn(text));
    case Kind::TableNumber: return number(LeadingNumber(EntryAt(row, text, stored)));
    case Kind::TableText: return words(EntryAt(row, text, stored));
    case Kind::Container: return number(ContainerOrDefault(LeadingNumber(text)));
    case Kind::SubtitleMode: return number(SubtitleModeOf(text));
    case Kind::Codec: {
        // An index outside the container's list takes the list's first codec, as the settings window does.
        const std::vector<std::string>& list = row.part == Part::Video ? codecs.videoCodecs : codecs.audioCodecs;
        return words(Lower(list.empty() ? EntryAt(row, text, stored) : CodecAt(list, LeadingNumber(text), row.table[0])));
    }
    }
}

}  // namespace

std::span<const SettingRow> SettingRows()
{
    return kRows;
}

void RipSettings::SetDefaults()
{
    mux.clear();
    for (const SettingRow& row : kRows) {
        if (row.kind == Kind::Codec)
            this->*std::get<std::string RipSettings::*>(row.field) = EntryAt(row, row.defaultText, true);  // as the built-in table writes it
        else
            Set(*this, row, row.defaultText, true, CodecLists());
    }
}

std::string ProfileDefault(const std::string& key)
{
    for (const SettingRow& row : kRows)
        if (key == row.key) return row.defaultText;
    return {};
}

std::string ReadProfileText(const IProfile& profile, const std::string& key)
{
    return profile.GetProfileString(key, ProfileDefault(key));
}

void LoadSettings(RipSettings& settings, const IProfile& profile, const std::string& codecsIniPath)
{
    settings.videoMethod = ContainerOrDefault(LeadingNumber(ReadProfileText(profile, profile_key::kVideoMethod)));
    const CodecLists codecs = ReadCodecLists(settings.videoMethod, codecsIniPath);
    for (const SettingRow& row : kRows) Set(settings, row, ReadProfileText(profile, row.key), true, codecs);
}

void ChooseSettings(RipSettings& settings, const MovieChoice& chosen, const CodecLists& codecs)
{
    for (const SettingRow& row : kRows) Set(settings, row, chosen(row.variable), false, codecs);
}

void SaveSettings(IProfile& profile, const MovieChoice& chosen)
{
    for (const SettingRow& row : kRows) {
        const std::string text = chosen(row.variable);
        const bool isSwitch = row.kind == Kind::Switch || row.kind == Kind::Flag;
        profile.WriteProfileString(row.key, isSwitch ? (IsFlagOn(text) ? "1" : "0") : text);
    }
}

void CopySettings(RipSettings& to, const RipSettings& from)
{
    for (const SettingRow& row : kRows)
        std::visit([&](auto field) { to.*field = from.*field; }, row.field);
}

int ContainerOrDefault(int index)
{
    return TableEntry(kContainerTable, index) ? index : LeadingNumber(ProfileDefault(profile_key::kVideoMethod));
}

int SubtitleModeOf(const std::string& index)
{
    const int mode = LeadingNumber(index);
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
