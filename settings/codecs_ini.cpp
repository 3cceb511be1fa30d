#include "settings/codecs_ini.h"

#include "settings/rip_settings.h"

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
    lists.videoCodecs = SplitCodecList(lists.videoText);
    lists.audioCodecs = SplitCodecList(lists.audioText);
    return lists;
}
