#pragma once
// What a rip hands the converter: the media locator of the disc, the output
// file's path, and the one stream-output option built from the settings.
#include "dvd/dvd_source.h"
#include "platform/volume_table.h"
#include "read/play_list.h"
#include "read/stream_routes.h"
#include "settings/rip_settings.h"

#include <optional>
#include <string>
#include <vector>

// The container's extension (".mpg") for the settings' container, which also
// sets `mux`; an unknown container gives no extension and leaves `mux` alone.
std::string GetContainerExtension(RipSettings& settings);

// The container a name means: a mux name ("avi") or a container of the
// settings ("MPEG TS"), in any case; nothing for another name.
std::optional<int> ContainerNamed(const std::string& name);

// The disc as the converter reads it: an image or a drive given as such,
// else the block device of its volume when there is one on this machine
// the user may read, otherwise the folder that holds VIDEO_TS.
std::string DiscReadPath(const std::string& videoTsPath, const std::vector<Volume>& volumes);

// "dvdsimple://" and the disc: an image or a drive given as such, else the
// block device of its volume when there is one on this machine, otherwise
// the folder that holds VIDEO_TS; then, for a part of the disc, '#' and the
// selection.
std::string BuildMediaLocator(const std::string& videoTsPath, const std::vector<Volume>& volumes,
                              const std::optional<DiscSelection>& selection = std::nullopt);

// The disc's label: its volume's, or else `fileSystemLabel` (an image's or a
// drive's own, from its file system); "" for none.
std::string DiscLabel(const std::string& videoTsPath, const std::vector<Volume>& volumes, const std::string& fileSystemLabel);

// The output folder, the label of the disc's volume or else `discLabel`
// (an image's or a drive's own, from its file system), made safe as a file
// name, or "dvdRip_Movie<item>"; "_" and the selection's label for a part
// of the disc; and the container's extension.
std::string BuildOutputPath(const std::string& videoTsPath, const std::string& outputFolder, int itemNumber,
                            RipSettings& settings, const std::vector<Volume>& volumes,
                            const std::optional<DiscSelection>& selection = std::nullopt,
                            const std::string& discLabel = {});

// The ":sout=#transcode{...}" option writing to `outputPath`; with the
// preview, the picture also goes to the converter's display. A frame rate
// ("25", "30000/1001") is written as the transcoder's fps, the rate of the
// file.
// `streams`: the audio and subtitles kept or burned, when not every audio stream and no subtitle.
std::string BuildTranscodeChain(const RipSettings& settings, const std::string& outputPath, bool previewEnabled,
                                const std::string& frameRate = {}, const StreamChoices& streams = {});

// The frame rate a loaded disc plays at, from the TV system of its first
// title set; empty when it is not known.
std::string DiscFrameRate(const DvdSource& source);

// True for the containers that hold DVD subtitles as a track of their own.
bool KeepsSubtitleTracks(const std::string& mux);

// The settings' subtitles for a rip of `playList`: the preferred language
// where the part has it, else each title set's first stream; none kept in
// a container that cannot hold them.
StreamChoices SubtitleChoices(const RipSettings& settings, const PlayList& playList);

// What a rip does with subtitles under these settings, in a sentence; "" when it rips none.
std::string SubtitleNote(const RipSettings& settings);

// An extension chosen in the Save As dialog (without its dot, any case)
// sets the mux and both codecs; others leave the settings as they are.
void ApplySaveAsExtension(RipSettings& settings, const std::string& extension);
// The same for the file chosen in the Save As dialog, by its extension.
void ApplySaveAsFile(RipSettings& settings, const std::string& path);

// A volume label as a file name: '/' and control characters become '_', and
// so does a leading '.', so that no label leaves the folder or hides the file.
std::string SafeFileName(const std::string& label);

// The file types of the Save As dialog, label and pattern pairs.
inline constexpr char kSaveAsFilter[] =
    "Movie File (*.mpg;*.mpeg;*.mpe)|*.mpg|Windows Media File (*.asf;*.wmv)|*.asf; *.wmv|Windows Video File "
    "(*.avi)|*.avi|Quick Time File (*.mov)|*.mov|Ogg File (*.ogg)|*.ogg|Ipod Supprted File (*.mp4)|*.mp4|Matroska File "
    "(*.mkv)|*.mkv|All Files (*.*)|*.*||";
