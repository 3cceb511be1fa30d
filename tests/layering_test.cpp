// The folders are rooms with one-way doors: each includes only what it
// builds on. CMake cannot hold this (every target sees the source root), so
// the sources themselves are read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

TEST(LayeringTest, EachFolderIncludesOnlyWhatItBuildsOn)
{
    const std::map<std::string, std::set<std::string>> buildsOn = {
        {"platform", {}},
        {"settings", {}},
        {"dvd", {"platform"}},
        {"read", {"dvd", "platform"}},
        {"convert", {"read", "dvd", "platform"}},
        {"rip", {"convert", "read", "dvd", "settings", "platform"}},
        {"ui", {"dvd", "settings", "platform"}},
        // The front ends reach the reader and the converter through the job only.
        {"app", {"ui", "rip", "dvd", "settings", "platform"}},
        {"cli", {"rip", "dvd", "settings", "platform"}},
    };
    const fs::path root = fs::path(TARVOK_TESTS_DIR).parent_path();
    const std::regex include(R"(^\s*#\s*include\s*"([a-z_]+)/[^"]+")");
    std::vector<std::string> crossings;
    std::size_t files = 0;
    for (const auto& [room, doors] : buildsOn)
        for (const auto& entry : fs::directory_iterator(root / room)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".h" && extension != ".cpp") continue;
            ++files;
            std::ifstream source(entry.path());
            std::smatch found;
            for (std::string line; std::getline(source, line);)
                if (std::regex_search(line, found, include) && found[1] != room && !doors.count(found[1]))
                    crossings.push_back(room + "/" + entry.path().filename().string() + ": " + line);
        }
    EXPECT_GT(files, 100u);
    EXPECT_EQ(crossings, std::vector<std::string>{});
}
