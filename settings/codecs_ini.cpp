#include "settings/codecs_ini.h"

#include "settings/value_tables.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

namespace {

constexpr std::size_t kMaxValueLength = 254;

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// A codec name goes into the conversion's option text as it is: only a plain
// word (letters and digits, as four-character codes are) cannot change its meaning.
bool IsCodecName(const std::string& name)
{
    return !name.empty() && name.size() <= 8 &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c); });
}

// The codec names of one list, and its text as the movie receives it, less
// what is not a codec name (said on stderr).
std::vector<std::string> CodecNames(std::string& text, const char* section, const char* key)
{
    std::vector<std::string> names;
    for (const std::string& name : SplitCodecList(text)) {
        if (IsCodecName(name)) {
            names.push_back(name);
        } else {
            std::fprintf(stderr, "codecs.ini: [%s] %s: \"%s\" is not a codec name (letters and digits, 8 at most); skipped\n",
                         section, key, name.c_str());
        }
    }
    text.clear();
    for (const std::string& name : names) text += (text.empty() ? "" : "|") + name;
    return names;
}

}  // namespace

std::string ReadIniValue(const std::string& path, const std::string& section, const std::string& key)
{
    std::ifstream file(path);
    std::string line;
    bool inSection = false;
    while (std::getline(file, line)) {
        std::string text = Trim(line);
        if (text.empty() || text[0] == ';' || text[0] == '#') continue;
        if (text.front() == '[') {
            auto close = text.find(']');
            inSection = close != std::string::npos && Trim(text.substr(1, close - 1)) == section;
            continue;
        }
        if (!inSection) continue;
        auto equals = text.find('=');
        if (equals == std::string::npos || Trim(text.substr(0, equals)) != key) continue;
        return Trim(text.substr(equals + 1)).substr(0, kMaxValueLength);
    }
    return {};
}

std::vector<std::string> SplitCodecList(const std::string& text)
{
    std::vector<std::string> entries;
    std::string::size_type start = 0;
    while (start < text.size()) {
        auto bar = text.find('|', start);
        if (bar == std::string::npos) bar = text.size();
        entries.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    return entries;
}

CodecLists ReadCodecLists(int containerIndex, const std::string& codecsIniPath)
{
    CodecLists lists;
    const char* section = TableEntry(kContainerTable, containerIndex);
    if (!section) return lists;
    lists.videoText = ReadIniValue(codecsIniPath, section, "videocodec");
    lists.audioText = ReadIniValue(codecsIniPath, section, "audiocodec");
    lists.videoCodecs = CodecNames(lists.videoText, section, "videocodec");
    lists.audioCodecs = CodecNames(lists.audioText, section, "audiocodec");
    return lists;
}
