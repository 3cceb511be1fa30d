#pragma once
// One command of the DVD-Video virtual machine, carried out on its
// registers: compares, sets, gotos, and the links, jumps and calls that
// leave the command list (told, not followed: following them is the
// player's part). Every bit pattern is safe: an unknown one does nothing.
#include "dvd/navigation_tables.h"

#include <array>
#include <cstdint>

struct NavRegisters {
    std::array<uint16_t, 16> general{};  // GPRM
    std::array<uint16_t, 24> system{};   // SPRM: 1 audio, 2 subpicture, 3 angle, 4 title, 8 button << 10, 20 region, ...
};

// Where a link, jump or call leads; the values are those of the command's
// link field (1 to 16) or follow them.
enum class NavLink : uint8_t {
    kNone = 0,
    kTopCell = 1, kNextCell = 2, kPreviousCell = 3,
    kTopProgram = 5, kNextProgram = 6, kPreviousProgram = 7,
    kTopChain = 9, kNextChain = 10, kPreviousChain = 11, kGoUpChain = 12, kTailChain = 13,
    kResume = 16,
    kChain, kPart, kProgram, kCell,  // of the current domain: data1 the number
    kExit,
    kTitle,        // data1: the disc's title
    kSetTitle,     // data1: the title set's title
    kSetPart,      // data1: the title set's title, data2: its part
    kFirstPlay,
    kManagerMenu,  // data1: the menu (2 title, 3 root, ...)
    kSetMenu,      // data1: the title set (0: the current one), data3: the menu
    kManagerChain, // data1: a chain of the manager's menus
};

struct NavStep {
    enum class Kind { kNext, kGoto, kBreak, kLink } kind = Kind::kNext;
    int line = 0;       // kGoto: the line, from 1
    NavLink link = NavLink::kNone;
    bool call = false;  // a call: the title's place is kept for a resume
    int data1 = 0, data2 = 0, data3 = 0;
    int button = 0;     // a link that highlights a button, from 1; 0: none
};

// Carries out `command` on `registers`.
NavStep ExecuteNavCommand(const NavCommand& command, NavRegisters& registers);
