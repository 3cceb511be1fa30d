#pragma once
// Every variable and command the program exchanges with its three movies;
// the variables of the stored settings are with their rows.
#include "settings/setting_table.h"

namespace movie_file {
inline constexpr char kMain[] = "dvdRipper.qml";
inline constexpr char kSettings[] = "settings.qml";
inline constexpr char kSmallWindow[] = "smallwin.qml";
}  // namespace movie_file

// Variables of the main movie.
namespace main_var {
inline constexpr char kOutputDir[] = "_root.outputDir";
inline constexpr char kMovieClip[] = "_root.movieClip";
// "0": the whole disc is ripped; "1": only the selected angle and ticked chapters.
inline constexpr char kEntire[] = "_root.Entire";
inline constexpr char kAboutText[] = "_root.aboutText";
inline constexpr char kPreview[] = "_root.preiview";
inline constexpr char kDisableArea[] = "_root.disableArea";
inline constexpr char kProgress[] = "_root.Progress_mc._xscale";
inline constexpr char kProgressText[] = "_root.progresstxt";
inline constexpr char kStopButton[] = "_root.stopBtn";
inline constexpr char kRegion[] = "_root.region";
inline constexpr char kVolume[] = "_root.volume";
// The disc's label ("" for none): the Volume value's tooltip.
inline constexpr char kDiscLabel[] = "_root.discLabel";
inline constexpr char kFilmMode[] = "_root.mode";
inline constexpr char kLetterbox[] = "_root.letter";
inline constexpr char kResolution[] = "_root.sourceRes";
inline constexpr char kPanScan[] = "_root.scan";
inline constexpr char kAspect[] = "_root.aspect";
inline constexpr char kTvSystem[] = "_root.tvsys";
inline constexpr char kCoding[] = "_root.compression";
// The file the last job wrote ("" for none): the movie shows it with the outcome.
inline constexpr char kOutputFile[] = "_root.outputFile";
// What the last job passed over of a damaged disc ("" for nothing): a line under the bar.
inline constexpr char kDamage[] = "_root.damage";
// Why the last job failed ("" when it did not): a click on the outcome shows it.
inline constexpr char kFailure[] = "_root.failure";
// The subtitle languages of the selected title set, "en, fr" ("none" for none).
inline constexpr char kSubtitles[] = "_root.subtitles";
// What Start does with subtitles ("" when it rips none).
inline constexpr char kStreamsNote[] = "_root.streamsNote";
}  // namespace main_var

// Commands of the main movie.
namespace main_cmd {
inline constexpr char kHelp[] = "ID_FS_Help";
inline constexpr char kAbout[] = "ID_FS_About";
inline constexpr char kCloseAbout[] = "ID_FS_closeAbout";
inline constexpr char kMinimize[] = "ID_FS_Minimize";
inline constexpr char kQuit[] = "ID_FS_Quit";
inline constexpr char kLoadDvd[] = "ID_FS_loadDVD";
inline constexpr char kDrag[] = "Drag";
inline constexpr char kSetting[] = "ID_FS_setting";
inline constexpr char kBrowse[] = "ID_FS_Browse";
inline constexpr char kStart[] = "ID_FS_Start";
inline constexpr char kStop[] = "ID_FS_Stop";
// A click on the outcome: the folder of the file written opens.
inline constexpr char kOpenOutput[] = "ID_FS_openOutput";
// A click on a failed job's outcome: why it failed.
inline constexpr char kShowFailure[] = "ID_FS_showFailure";
}  // namespace main_cmd

// Variables of the settings movie.
// The variables of each stored setting are in settings/setting_table.h, with the setting.
namespace settings_var {
inline constexpr char kVideoCodecList[] = "_root.video_codec";
inline constexpr char kAudioCodecList[] = "_root.audio_codec";
inline constexpr char kVideoReady[] = "_root.videoSettingFlag";
inline constexpr char kAudioReady[] = "_root.audioSettingFlag";
}  // namespace settings_var

// Commands of the settings movie.
namespace settings_cmd {
inline constexpr char kOk[] = "ID_FS_Ok";
inline constexpr char kCancel[] = "ID_FS_Cancel";
inline constexpr char kQuit[] = "ID_FS_Quit";
inline constexpr char kDrag[] = "Drag";
inline constexpr char kContainerChanged[] = "ID_FS_VMethod";
}  // namespace settings_cmd

class QString;
// Commands are compared without regard to case.
bool IsCommand(const QString& command, const char* known);
