#pragma once
// The conversion settings and behaviour switches of a rip, as a record.
// Each is described once, with its key, default and the settings window's
// variable, in settings/setting_table.h.
#include <string>

struct RipSettings {
    RipSettings() { SetDefaults(); }
    // Each setting's default, as the setting table gives it; `mux` cleared.
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
