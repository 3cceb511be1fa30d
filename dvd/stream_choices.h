#pragma once
// Which of a disc's audio and subpicture streams a rip keeps: a stream is
// named by its number (from 1) or by its language, which works for the
// whole disc, since each title set has its own numbers.
#include <string>
#include <vector>

struct StreamChoices {
    std::string audio;                   // "": every stream; else a number or a language
    std::vector<std::string> subtitles;  // kept as tracks: numbers, languages or "all"
    std::string burn;                    // "": none; else a number or a language
    bool forcedOnly = false;             // only the subpictures the disc marks forced
    bool operator==(const StreamChoices&) const = default;
};

// The option text's form of a list of choices, "en+2", and back; a list
// split at another separator ("1.2.1", "1,3") the same way, empty pieces kept.
std::string JoinChoices(const std::vector<std::string>& choices);
std::vector<std::string> SplitChoices(const std::string& text, char separator = '+');
// A choice the option text can carry: "all" (for subtitles), a number from 1, or two letters.
bool IsStreamChoice(const std::string& text, bool allowAll);
