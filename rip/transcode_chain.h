#pragma once
// What a rip hands the converter: the media locator of the disc and the one
// stream-output option built from the settings.
#include "dvd/disc_selection.h"
#include "dvd/dvd_source.h"
#include "dvd/stream_choices.h"
#include "platform/volume_table.h"
#include "settings/rip_settings.h"

#include <optional>
#include <string>
#include <vector>

// "dvdsimple://" and the disc as DiscReadPath finds it; then, for a part of
// the disc, '#' and the selection.
std::string BuildMediaLocator(const std::string& videoTsPath, const std::vector<Volume>& volumes,
                              const std::optional<DiscSelection>& selection = std::nullopt);

// The ":sout=#transcode{...}" option writing to `outputPath` in the
// settings' mux (MuxOf); with the preview, the picture also goes to the
// converter's display. A frame rate ("25", "30000/1001") is written as the
// transcoder's fps, the rate of the file. `streams`: the audio and
// subtitles kept or burned, when not every audio stream and no subtitle.
std::string BuildTranscodeChain(const RipSettings& settings, const std::string& outputPath, bool previewEnabled,
                                const std::string& frameRate = {}, const StreamChoices& streams = {});

// The frame rate a loaded disc plays at, from the TV system of its first
// title set; empty when it is not known.
std::string DiscFrameRate(const DvdSource& source);
