#include "settings/codecs_ini.h"
#include "settings/rip_settings.h"
#include "settings/setting_table.h"
#include "tests/test_discs.h"
#include "rip/containers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace {

std::string WriteFile(const std::string& folder, const std::string& name, const std::string& text)
{
    std::string path = folder + "/" + name;
    std::ofstream(path) << text;
    return path;
}

RipSettings Loaded(const MemoryProfile& profile, const std::string& codecsIni = "/nonexistent/codecs.ini")
{
    RipSettings settings;
    LoadSettings(settings, profile, codecsIni);
    return settings;
}

}  // namespace

TEST(RipSettingsTest, EmptyProfileLoadsTheDefaults)
{
    RipSettings s = Loaded(MemoryProfile());
    EXPECT_EQ(s.videoCodec, "mp1v");
    EXPECT_EQ(s.videoBitrate, 1024);
    EXPECT_EQ(s.videoScale, "1");
    EXPECT_EQ(s.videoMethod, 0);
    EXPECT_EQ(s.audioRate, 48000);
    EXPECT_EQ(s.audioBitrate, 128);
    EXPECT_EQ(s.audioChannels, 2);
    EXPECT_EQ(s.audioCodec, "mpga");
    EXPECT_EQ(s.lockDvdWhileRipping, 1);
    EXPECT_EQ(s.dontAskOverwrite + s.shutdownWhenComplete + s.openFolderWhenDone + s.ejectDvdWhenDone, 0);
    EXPECT_EQ(s.mux, "");
    // A profile written before subtitles rips none, as it did.
    EXPECT_EQ(s.subtitleMode, kSubtitlesNone);
    EXPECT_EQ(s.subtitleLanguage, "en");

    MemoryProfile outOfRange;
    outOfRange.WriteProfileString("subtitle_mode", "3");
    outOfRange.WriteProfileString("subtitle_language", "99");
    s = Loaded(outOfRange);
    EXPECT_EQ(s.subtitleMode, kSubtitlesNone);
    EXPECT_EQ(s.subtitleLanguage, "en");
}

TEST(RipSettingsTest, StoredIndexesReadTheirTables)
{
    MemoryProfile profile;
    profile.WriteProfileString("video_scale", "0");
    profile.WriteProfileString("audio_rate", "2");
    profile.WriteProfileString("audio_bitrate", "7");
    profile.WriteProfileString("audio_channel", "0");
    profile.WriteProfileString("video_bitrate", "12");
    profile.WriteProfileString("video_method", "6");
    RipSettings s = Loaded(profile);
    EXPECT_EQ(s.videoScale, "0.25");
    EXPECT_EQ(s.audioRate, 22500);  // the table's own value, not 22050
    EXPECT_EQ(s.audioBitrate, 16);
    EXPECT_EQ(s.audioChannels, 1);
    EXPECT_EQ(s.videoBitrate, 16);
    EXPECT_EQ(s.videoMethod, 6);

    profile.WriteProfileString("video_scale", "6");
    profile.WriteProfileString("audio_rate", "3");
    s = Loaded(profile);
    EXPECT_EQ(s.videoScale, "1.75");
    EXPECT_EQ(s.audioRate, 11250);
}

TEST(RipSettingsTest, TextsAreReadAsAtoiReadsThem)
{
    MemoryProfile profile;
    profile.WriteProfileString("LockDVDWhileRipping", "yes");
    profile.WriteProfileString("EjectDVDWhenDone", "1");
    profile.WriteProfileString("ShutdownWhenCompelete", "1 please");
    profile.WriteProfileString("video_bitrate", "abc");  // 0: the first entry
    profile.WriteProfileString("video_method", "6 (AVI)");
    RipSettings s = Loaded(profile);
    EXPECT_EQ(s.lockDvdWhileRipping, 0);
    EXPECT_EQ(s.ejectDvdWhenDone, 1);
    EXPECT_EQ(s.shutdownWhenComplete, 1);
    EXPECT_EQ(s.videoBitrate, 3072);
    EXPECT_EQ(s.videoMethod, 6);
}

TEST(RipSettingsTest, IndexesOutsideATableFallBackToTheKeysDefault)
{
    MemoryProfile profile;
    profile.WriteProfileString("video_scale", "8");  // the terminating entry
    profile.WriteProfileString("audio_rate", "-1");
    profile.WriteProfileString("audio_bitrate", "999999");
    profile.WriteProfileString("audio_channel", "2");
    profile.WriteProfileString("video_codec", "12");
    profile.WriteProfileString("audio_codec", "-3");
    RipSettings s = Loaded(profile);
    EXPECT_EQ(s.videoScale, "1");
    EXPECT_EQ(s.audioRate, 48000);
    EXPECT_EQ(s.audioBitrate, 128);
    EXPECT_EQ(s.audioChannels, 2);
    EXPECT_EQ(s.videoCodec, "mp1v");
    EXPECT_EQ(s.audioCodec, "mpga");
}

TEST(RipSettingsTest, CodecIndexesNameTheStoredContainersList)
{
    // The settings window stores an index into the container's own list; a
    // different built-in table must not change which codec is ripped with.
    const std::string ini = WriteFile(ScratchFolder(), "codecs.ini",
                                      "[MPEG TS]\nvideocodec=mp1v|mp2v\naudiocodec=mpga|a52\n"
                                      "[AVI]\nvideocodec=MP4V|DIV3|h264\naudiocodec=mp3|MPGA\n");
    MemoryProfile profile;
    profile.WriteProfileString("video_method", "6");
    profile.WriteProfileString("video_codec", "1");
    profile.WriteProfileString("audio_codec", "1");
    RipSettings s = Loaded(profile, ini);
    EXPECT_EQ(s.videoCodec, "div3");
    EXPECT_EQ(s.audioCodec, "mpga");

    // Past the end of the container's list: its first codec, as in the
    // settings window (the built-in table's entry might not suit an AVI).
    profile.WriteProfileString("video_codec", "7");
    profile.WriteProfileString("audio_codec", "3");
    s = Loaded(profile, ini);
    EXPECT_EQ(s.videoCodec, "mp4v");
    EXPECT_EQ(s.audioCodec, "mp3");

    // A container outside the table: the default one, so the rip has a mux.
    profile.WriteProfileString("video_method", "12");
    s = Loaded(profile, ini);
    EXPECT_EQ(s.videoMethod, 0);
    EXPECT_EQ(GetContainerExtension(s), ".mpg");
    EXPECT_EQ(s.mux, "ts");

    // A container that has no section: the built-in table.
    profile.WriteProfileString("video_method", "5");
    profile.WriteProfileString("video_codec", "2");
    EXPECT_EQ(Loaded(profile, ini).videoCodec, "mp4v");
}

TEST(RipSettingsTest, SaveWritesFlagsAndIndexTexts)
{
    MemoryProfile profile;
    // The settings movie's texts, as its variables hold them.
    std::map<std::string, std::string> chosen = {
        {settings_var::kVideoMethod, "6"},     {settings_var::kVideoCodec, "2"},       {settings_var::kVideoBitrate, "0"},
        {settings_var::kVideoScale, "1"},      {settings_var::kAudioCodec, "1"},       {settings_var::kAudioBitrate, "4"},
        {settings_var::kAudioChannel, "0"},    {settings_var::kAudioRate, "1"},        {settings_var::kOverwriting, "true"},
        {settings_var::kShutdown, "TRUE"},  // case counts
        {settings_var::kOpenFolder, "1"},      {settings_var::kLockDvd, "false"},      {settings_var::kEjectDvd, "yes"},
        {settings_var::kRipSelection, "true"}, {settings_var::kSubtitleMode, "1"},     {settings_var::kSubtitleLanguage, "3"},
        {settings_var::kSubtitleForced, "false"},
    };
    SaveSettings(profile, [&](const char* variable) { return chosen.at(variable); });
    const std::map<std::string, std::string> expected = {
        {"DonotAskWhenOverwriteExistingFiles", "1"},
        {"ShutdownWhenCompelete", "0"},
        {"OpenFolderWhenDone", "1"},
        {"LockDVDWhileRipping", "0"},
        {"EjectDVDWhenDone", "0"},
        {"rip_selection", "1"},
        {"subtitle_mode", "1"},
        {"subtitle_language", "3"},
        {"subtitle_forced", "0"},
        {"audio_codec", "1"},
        {"audio_bitrate", "4"},
        {"audio_channel", "0"},
        {"audio_rate", "1"},
        {"video_codec", "2"},
        {"video_bitrate", "0"},
        {"video_scale", "1"},
        {"video_method", "6"},
    };
    EXPECT_EQ(profile.Values(), expected);

    RipSettings loaded = Loaded(profile);
    EXPECT_EQ(loaded.videoScale, "0.5");
    EXPECT_EQ(loaded.audioBitrate, 96);
    EXPECT_EQ(loaded.audioRate, 44100);
    EXPECT_EQ(loaded.videoBitrate, 3072);
    EXPECT_EQ(loaded.subtitleMode, kSubtitlesKept);
    EXPECT_EQ(loaded.subtitleLanguage, "es");
}

TEST(SettingsTablesTest, JoinAndSplitLists)
{
    EXPECT_EQ(JoinTable(kScaleTable), "0.25|0.5|0.75|1|1.25|1.5|1.75|2");
    EXPECT_EQ(JoinTable(kContainerTable), "MPEG TS|MPEG PS|MPEG1|ASF|MP4|MOV|AVI|OGG|MKV");
    EXPECT_EQ(JoinTable(kSampleRateTable), "48000|44100|22500|11250");
    EXPECT_EQ(JoinTable(kChannelTable), "1|2");

    using List = std::vector<std::string>;
    EXPECT_EQ(SplitCodecList("MP1V|MP2V|"), (List{"MP1V", "MP2V"}));
    EXPECT_EQ(SplitCodecList("|"), (List{""}));
    EXPECT_EQ(SplitCodecList("a||b"), (List{"a", "", "b"}));
    EXPECT_EQ(SplitCodecList(""), List{});
}

TEST(CodecsIniTest, ValuesBySectionAndKey)
{
    const std::string ini = WriteFile(ScratchFolder(), "codecs.ini",
                                      "; comment\n[MPEG TS]\r\nvideocodec = mp1v|mp2v\r\naudiocodec=mpga\r\n"
                                      "[OGG]\nvideocodec=theo\n[Long]\nvideocodec=" +
                                          std::string(300, 'x') + "\n");
    EXPECT_EQ(ReadIniValue(ini, "MPEG TS", "videocodec"), "mp1v|mp2v");
    EXPECT_EQ(ReadIniValue(ini, "OGG", "videocodec"), "theo");
    EXPECT_EQ(ReadIniValue(ini, "OGG", "audiocodec"), "");
    EXPECT_EQ(ReadIniValue(ini, "MPEG PS", "videocodec"), "");
    EXPECT_EQ(ReadIniValue(ini, "Long", "videocodec").size(), 254u);
    EXPECT_EQ(ReadIniValue("/nonexistent.ini", "OGG", "videocodec"), "");

    CodecLists lists = ReadCodecLists(0, ini);
    EXPECT_EQ(lists.videoText, "mp1v|mp2v");
    EXPECT_EQ(lists.videoCodecs, (std::vector<std::string>{"mp1v", "mp2v"}));
    EXPECT_EQ(lists.audioCodecs, (std::vector<std::string>{"mpga"}));
    EXPECT_TRUE(ReadCodecLists(8, ini).videoCodecs.empty());

    // Only plain words reach the option text: a name that would extend the chain is left out.
    const std::string hostile = WriteFile(ScratchFolder(), "hostile.ini",
                                          "[MPEG TS]\nvideocodec=mp1v}:duplicate{dst=std{access=file,dst=/tmp/x}}|mp2v|"
                                          "toolongname|h264\naudiocodec=mp ga||mpga\n");
    lists = ReadCodecLists(0, hostile);
    EXPECT_EQ(lists.videoCodecs, (std::vector<std::string>{"mp2v", "h264"}));
    EXPECT_EQ(lists.videoText, "mp2v|h264");
    EXPECT_EQ(lists.audioCodecs, (std::vector<std::string>{"mpga"}));
    EXPECT_TRUE(ReadCodecLists(-1, ini).audioText.empty());
}

TEST(CodecsIniTest, ShippedListOffersEveryContainer)
{
    const std::string ini = std::string(TARVOK_RUNTIME_DIR) + "/codecs.ini";
    for (int i = 0; i < TableSize(kContainerTable); ++i) {
        CodecLists lists = ReadCodecLists(i, ini);
        EXPECT_FALSE(lists.videoCodecs.empty()) << kContainerTable[i];
        EXPECT_FALSE(lists.audioCodecs.empty()) << kContainerTable[i];
    }
}
