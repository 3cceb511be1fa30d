#pragma once
// What a rip does with the disc's streams under the settings: the
// subtitles it keeps or burns, whether it copies the pictures or the sound
// as they are, and the sentences that tell the user so.
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

// What a rip copies as the disc holds it, in a sentence: the settings of
// what is copied do not apply; "" when it copies nothing.
std::string CopyNote(const RipSettings& settings);

// Whether the settings copy the pictures, or the sound, as the disc holds them.
bool CopiesVideo(const RipSettings& settings);
bool CopiesAudio(const RipSettings& settings);
