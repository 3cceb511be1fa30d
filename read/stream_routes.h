#pragma once
// How the audio and subpicture streams a rip keeps reach the file: the
// stream of a language in each title set (none in one without it), by the
// title reader's routes.
#include "dvd/stream_choices.h"
#include "read/play_list.h"

#include <optional>
#include <string>
#include <vector>


// A subtitle track of the file: its language and the colours its
// subpictures draw with (its first program chain's).
struct SubtitleTrack {
    std::string language;
    ColourTable colours{};
};

// The file's tracks. The title reader gives audio track k the disc's
// number k+1 and subtitle track t the sub-stream 0x20+t; the burned
// stream comes after the kept ones.
struct StreamPlan {
    std::vector<AudioStream> audio;
    std::vector<SubtitleTrack> subtitles;
    std::optional<SubtitleTrack> burned;
    // Subtitle choices past the 32 sub-streams a stream can carry, left out.
    std::vector<std::string> subtitlesLeftOut;
};

// Sets each title run's routes for `choices`, and gives the file's tracks.
// `missing`: the choices no title run has a stream for.
StreamPlan RouteStreams(PlayList& playList, const StreamChoices& choices, std::vector<std::string>* missing = nullptr);

// What the play list holds to choose from, "1 (en), 2 (fr)"; "" for none.
std::string AudioStreamsHeld(const PlayList& playList);
std::string SubpictureStreamsHeld(const PlayList& playList);
