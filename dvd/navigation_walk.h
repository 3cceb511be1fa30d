#pragma once
// The title a disc plays: its navigation followed as a player follows it,
// from the first-play program chain through the menus it reaches (each
// menu's highlighted button taken), until a title starts that plays long
// enough. The walk is bounded by the commands it runs, the program chains
// it enters and any state it meets twice (a loop), never by time; broken or
// hostile navigation ends it without a title.
#include "dvd/navigation_tables.h"

#include <functional>
#include <optional>

struct WalkedTitle {
    int titleSet = 0, programChain = 0;  // from 1, as the Titles tree numbers them
    int angle = 1;                       // the angle register's, from 1
};

// The buttons of the menu cell that starts at `sector` of title set
// `titleSet`'s menu VOB (0: the manager's).
using MenuButtonReader = std::function<std::optional<MenuButtons>(int titleSet, uint32_t sector)>;

std::optional<WalkedTitle> WalkToFirstLongTitle(const DiscNavigation& navigation, const MenuButtonReader& buttons, double minSeconds);
