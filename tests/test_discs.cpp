#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, std::string> kRecipes = {
    {"pal-3ch", "--system pal --title 6:3"},
    {"ntsc-2vts", "--system ntsc --title 9:3 --vts --title 5"},
    {"pal-16x9-menu", "--system pal --aspect 16:9 --menu --title 5:2 --title 3"},
    {"pal-30s", "--system pal --title 30:5"},
    {"pal-2min", "--system pal --title 120:5"},
    {"pal-1s", "--system pal --title 1"},
    {"pal-two-languages", "--system pal --audio en,fr --title 4:2 --title 6:3"},
    {"ntsc-30s", "--system ntsc --title 30:5"},
    // English and French subtitles in the first title set; French alone, as its stream 1, in the second.
    // Title set 2 numbers its languages the other way round.
    {"pal-audio-orders", "--system pal --audio en,fr --title 3 --vts --audio fr,en --title 3"},
    {"pal-subtitles", "--system pal --audio en --subtitles en,fr --title 6:3 --vts --subtitles fr --title 3"},
    // Three title sets of twelve subtitle languages each: more than the 32 streams a file carries.
    {"pal-36-subtitle-languages", "--system pal --subtitles aa,ab,af,am,ar,as,ay,az,ba,be,bg,bh --title 8"
                                  " --vts --subtitles bi,bn,bo,br,ca,co,cs,cy,da,de,dz,el --title 8"
                                  " --vts --subtitles eo,es,et,eu,fa,fi,fj,fo,ln,lo,lt,lv --title 8"},
    // Discs as a copy meets them: interlaced and wide, two title sets alike; groups of pictures
    // that need the chapter before; LPCM sound; film pulled down by its flags.
    {"pal-copy", "--system pal --aspect 16:9 --interlaced --audio en,fr --subtitles en,fr --title 4:2"
                 " --vts --subtitles en,fr --title 3"},
    {"pal-open-gops", "--system pal --open-gops --title 6:3"},
    {"pal-lpcm", "--system pal --lpcm --audio en,fr --title 4:2"},
    {"ntsc-soft-telecine", "--system ntsc --soft-telecine --title 6:2"},
    // A 6-second film among 12-second grey decoys, found only by the disc's navigation: its first
    // play jumps to it; or its menu's first button plays it; or only register arithmetic done right
    // leads to it, else to a 2-second decoy.
    {"pal-first-play-film", "--system pal --decoy 12 --title 6 --decoy 12 --first-play 'jump title 2;'"},
    {"pal-menu-film", "--system pal --decoy 12 --decoy 12 --title 6 --menu-buttons 'jump title 3;|jump title 1;'"},
    {"pal-register-film", "--system pal --decoy 2 --title 3 --first-play 'g1 = 7; g2 = g1; g2 += 5; g2 *= 2; g2 -= 4; g2 /= 4;"
                          " g3 = g2; g3 %= 3; g4 = 12; g4 &amp;= 10; g4 |= 1; g4 ^= 2;"
                          " if (g2 == 5 &amp;&amp; g3 == 2 &amp;&amp; g4 == 11) jump title 2; jump title 1;'"},
};

}  // namespace

std::string TreeListing(const std::string& folder)
{
    return RunCommand("cd " + ShellQuote(folder) + " && find . \\( -type f -exec sha1sum {} + \\) -o -printf '%y %p\\n' | sort");
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string RunCommand(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run: " + command);
    std::array<char, 4096> buffer;
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
    int result = pclose(pipe);
    if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

std::string TestDisc(const std::string& name)
{
    auto recipe = kRecipes.find(name);
    if (recipe == kRecipes.end()) throw std::invalid_argument("no such test disc: " + name);
    const fs::path folder = fs::path(TARVOK_TEST_DISC_DIR) / name;
    if (fs::exists(folder / "VIDEO_TS")) return folder;

    // Tests run in parallel: one builds, the others wait for it.
    fs::create_directories(TARVOK_TEST_DISC_DIR);
    int lock = open((fs::path(TARVOK_TEST_DISC_DIR) / ".lock").c_str(), O_CREAT | O_RDWR, 0644);
    flock(lock, LOCK_EX);
    int status = 0;
    std::string output = RunCommand(ShellQuote(TARVOK_TEST_DISC_SCRIPT) + " " + ShellQuote(folder) + " " +
                                        recipe->second + " 2>&1",
                                    &status);
    flock(lock, LOCK_UN);
    close(lock);
    if (status != 0) throw std::runtime_error("making test disc " + name + " failed: " + output);
    return folder;
}

std::string CopyOfDisc(const std::string& name, const std::string& copyName)
{
    const std::string copy = ScratchFolder() + "/" + copyName;
    fs::copy(TestDisc(name), copy, fs::copy_options::recursive);
    return copy;
}

std::string ImageOfDisc(const std::string& name, const std::string& label)
{
    const std::string image = ScratchFolder() + "/" + label + ".iso";
    int status = -1;
    RunCommand("genisoimage -quiet -dvd-video -udf -V " + ShellQuote(label) + " -o " + ShellQuote(image) + " " +
                   ShellQuote(TestDisc(name)) + " 2>&1",
               &status);
    EXPECT_EQ(status, 0) << "genisoimage " << name;
    return image;
}

void MarkPacksScrambled(const std::string& vob)
{
    std::fstream file(vob, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> pack(2048);
    for (std::streamoff at = 0; file.seekg(at) && file.read(pack.data(), pack.size()); at += 2048) {
        // The first packet after the pack header; video and audio packets get scrambling control 01.
        const std::size_t p = 14 + (pack[13] & 0x07);
        const unsigned id = static_cast<unsigned char>(pack[p + 3]);
        if (!(id == 0xBD || (id >= 0xC0 && id <= 0xEF)) || (pack[p + 6] & 0xC0) != 0x80) continue;
        pack[p + 6] = static_cast<char>(pack[p + 6] | 0x10);
        file.seekp(at);
        file.write(pack.data(), pack.size());
    }
}

std::string ScratchFolder()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
    for (char& c : name)
        if (c == '/') c = '_';
    const fs::path folder = fs::path(TARVOK_TEST_SCRATCH_DIR) / name;
    // Emptied the first time a test asks, kept for the rest of it.
    static std::string preparedFor;
    if (preparedFor != name) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        preparedFor = name;
    }
    return folder;
}
