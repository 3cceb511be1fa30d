#pragma once
// "codecs.ini": one section per container with "videocodec" and "audiocodec"
// lists. Read-only; sections and keys are matched as written.
#include <string>
#include <vector>

// The value of `key` in `section` of the INI file at `path`, at most 254
// characters of it; empty when the file, section or key is missing.
std::string ReadIniValue(const std::string& path, const std::string& section, const std::string& key);

// A "|"-separated list as entries: "a||b" gives a, "", b; a trailing "|" adds nothing.
std::vector<std::string> SplitCodecList(const std::string& text);

struct CodecLists {
    std::string videoText;  // raw value, as the settings movie receives it
    std::string audioText;
    std::vector<std::string> videoCodecs;
    std::vector<std::string> audioCodecs;
};

// The codec lists of the container at `containerIndex` (a row of the container
// table); an index outside the table gives empty lists. Entries that are not
// codec names (letters and digits, 8 at most) are left out, with a line on stderr.
CodecLists ReadCodecLists(int containerIndex, const std::string& codecsIniPath);
