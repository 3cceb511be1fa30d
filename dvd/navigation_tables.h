#pragma once
// What a player's navigation runs on, read from a disc's information files:
// the first-play program chain, the menus of the video manager and of each
// title set, the titles' program chains with their commands, the title
// table and each title's parts. Read apart from the browsing model, which
// has no menus and no commands. A damaged table gives what could be read,
// never more than the file holds.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class IDiscFiles;

using NavCommand = std::array<uint8_t, 8>;

struct NavCell {
    uint32_t firstSector = 0;  // in the domain's VOB files
    double seconds = 0;
    uint8_t command = 0;  // the chain's cell command it runs after playing, from 1; 0: none
};

struct NavChain {
    std::vector<NavCommand> pre, post, cell;
    std::vector<NavCell> cells;
    std::vector<uint8_t> programMap;  // the first cell of each program, from 1
    uint16_t next = 0, previous = 0, goUp = 0;  // program chain numbers, 0: none
    double seconds = 0;
    uint8_t menu = 0;  // in a menu table: the menu it is the entry of (2 title, 3 root, ...); 0: none
};

// A title's parts (chapters): the program chain and program each starts at.
struct NavPart {
    uint16_t chain = 0, program = 0;
};

struct NavTitleSet {
    std::vector<NavChain> menus;   // its menus in their first language
    std::vector<NavChain> titles;  // its program chains, numbered from 1 as the Titles tree shows them
    std::vector<std::vector<NavPart>> parts;  // by the set's title number, from 1
};

struct DiscTitleEntry {
    int titleSet = 0, setTitle = 0;  // from 1
};

struct DiscNavigation {
    std::optional<NavChain> firstPlay;
    std::vector<NavChain> menus;           // the video manager's, in their first language
    std::vector<DiscTitleEntry> titles;    // the title table, from title 1
    std::map<int, NavTitleSet> titleSets;  // by number
    uint8_t regionMask = 0;                // bit k set: does not play in region k+1
};

// Reads the manager's file and those of the title sets it names.
DiscNavigation ReadNavigation(const IDiscFiles& files);

// The VOB file of a domain's cells: the manager's menus for title set 0.
std::string MenuVobName(int titleSet);

// A menu's buttons as the navigation pack at the start of a menu cell
// gives them: each one's command, and the button it selects by force (from
// 1; 0: none). Nothing when the sector is no navigation pack with buttons.
struct MenuButtons {
    std::vector<NavCommand> commands;
    int forcedSelection = 0;
};
std::optional<MenuButtons> ReadMenuButtons(const IDiscFiles& files, int titleSet, uint32_t sector);
