#include "tests/reference_readers.h"

#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <iterator>
#include <regex>
#include <sstream>

std::vector<ReferenceTitle> DvdreadTitles(const std::string& disc)
{
    int status = -1;
    std::istringstream lines(RunCommand(ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/dvdread_cells") + " " +
                                        ShellQuote(disc) + " 2>/dev/null", &status));
    EXPECT_EQ(status, 0);
    std::vector<ReferenceTitle> titles;
    std::string line;
    // libdvdread prints a banner of its own on standard output: keep only our lines.
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "title") {
            titles.emplace_back();
            fields >> titles.back().vts >> titles.back().pgc >> titles.back().seconds >> titles.back().chapters;
        } else if (kind == "cell" && !titles.empty()) {
            uint32_t first = 0, last = 0;
            double seconds = 0;
            fields >> first >> last >> seconds;
            titles.back().cellSectors.emplace_back(first, last);
            titles.back().cellSeconds.push_back(seconds);
        }
    }
    return titles;
}

std::vector<LsdvdTrack> LsdvdTracks(const std::string& disc)
{
    const std::string xml = RunCommand("lsdvd -q -a -c -d -v -s -Ox " + ShellQuote(disc) + " 2>/dev/null");
    std::vector<LsdvdTrack> tracks;
    const std::regex track("<track>([\\s\\S]*?)</track>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), track); it != std::sregex_iterator(); ++it) {
        const std::string body = (*it)[1];
        auto field = [&](const std::string& name) {
            std::smatch match;
            std::regex_search(body, match, std::regex("<" + name + ">([^<]*)</" + name + ">"));
            return match[1].str();
        };
        auto count = [&](const std::string& name) {
            const std::regex open("<" + name + ">");
            return static_cast<int>(std::distance(std::sregex_iterator(body.begin(), body.end(), open), std::sregex_iterator()));
        };
        auto each = [&](const std::string& block, const std::string& name) {
            std::vector<std::string> values;
            const std::regex inner("<" + block + ">[\\s\\S]*?<" + name + ">([^<]*)</" + name + ">[\\s\\S]*?</" + block + ">");
            for (auto at = std::sregex_iterator(body.begin(), body.end(), inner); at != std::sregex_iterator(); ++at)
                values.push_back((*at)[1]);
            return values;
        };
        LsdvdTrack& track = tracks.emplace_back(LsdvdTrack{std::stod(field("length")), std::stoi(field("vts")), std::stoi(field("ttn")),
                                                           count("chapter"), count("cell"), {}, each("audio", "langcode"),
                                                           each("subp", "langcode"), each("subp", "content")});
        for (const std::string& seconds : each("chapter", "length")) track.chapterSeconds.push_back(std::stod(seconds));
        for (auto* languages : {&track.audioLanguages, &track.subtitleLanguages})
            for (std::string& language : *languages)
                if (language == "xx") language.clear();  // lsdvd's word for "not given"
    }
    return tracks;
}

