#pragma once
// What a rip does with the disc's subtitles under the settings: the
// streams it keeps or burns, and the sentence that tells the user so.
#include "dvd/stream_choices.h"
#include "read/play_list.h"
#include "settings/rip_settings.h"

#include <string>

// The settings' subtitles for a rip of `playList`: the preferred language
// where the part has it, else each title set's first stream; none kept in
// a container that cannot hold them.
StreamChoices SubtitleChoices(const RipSettings& settings, const PlayList& playList);

// What a rip does with subtitles under these settings, in a sentence; "" when it rips none.
std::string SubtitleNote(const RipSettings& settings);
