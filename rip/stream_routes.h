#pragma once
// Which of a disc's audio and subpicture streams a rip keeps, and how they
// reach the file: a stream is named by its number (from 1) or by its
// language, which works for the whole disc, since each title set has its
// own numbers (the stream of that language in each title set, none in one
// without it).
#include "rip/disc_play_list.h"

#include <optional>
#include <string>
#include <vector>

struct StreamChoices {
    std::string audio;                   // "": every stream; else a number or a language
    std::vector<std::string> subtitles;  // kept as tracks: numbers, languages or "all"
    std::string burn;                    // "": none; else a number or a language
    bool forcedOnly = false;             // only the subpictures the disc marks forced
    bool operator==(const StreamChoices&) const = default;
};

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

// The option text's form of a list of choices, "en+2", and back; a list
// split at another separator ("1.2.1", "1,3") the same way, empty pieces kept.
std::string JoinChoices(const std::vector<std::string>& choices);
std::vector<std::string> SplitChoices(const std::string& text, char separator = '+');
// A choice the option text can carry: "all" (for subtitles), a number from 1, or two letters.
bool IsStreamChoice(const std::string& text, bool allowAll);
