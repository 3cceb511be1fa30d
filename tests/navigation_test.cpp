// The walk a player makes through a disc's navigation, on navigation built
// by hand: what it finds, and that broken or hostile commands end it
// without a title, never a hang or a crash.
#include "dvd/navigation_machine.h"
#include "dvd/navigation_walk.h"

#include <gtest/gtest.h>

namespace {

// Commands as dvdauthor compiles them.
NavCommand JumpTitle(uint8_t title) { return {0x30, 0x02, 0, 0, 0, title, 0, 0}; }
NavCommand JumpFirstPlay() { return {0x30, 0x06, 0, 0, 0, 0, 0, 0}; }
NavCommand JumpManagerMenu(uint8_t menu) { return {0x30, 0x06, 0, 0, 0, uint8_t(0x40 | menu), 0, 0}; }
NavCommand LinkChain(uint8_t chain) { return {0x20, 0x04, 0, 0, 0, 0, 0, chain}; }
NavCommand Goto(uint8_t line) { return {0x00, 0x01, 0, 0, 0, 0, 0, line}; }
NavCommand SetRegister(uint8_t op, uint8_t reg, uint16_t value) { return {uint8_t(0x70 | op), 0, 0, reg, uint8_t(value >> 8), uint8_t(value), 0, 0}; }
// if (g[reg] != value) goto line
NavCommand GotoUnlessEqual(uint8_t reg, uint16_t value, uint8_t line) { return {0x00, 0xB1, 0, reg, uint8_t(value >> 8), uint8_t(value), 0, line}; }

NavChain ChainOf(std::vector<NavCommand> pre, double seconds = 0)
{
    NavChain chain;
    chain.pre = std::move(pre);
    chain.seconds = seconds;
    return chain;
}

// A disc of one title set whose titles play for `seconds` each, each title a chain of its own.
DiscNavigation DiscOf(std::vector<NavCommand> firstPlay, std::vector<double> seconds)
{
    DiscNavigation disc;
    disc.firstPlay = ChainOf(std::move(firstPlay));
    NavTitleSet& set = disc.titleSets[1];
    for (std::size_t t = 0; t < seconds.size(); ++t) {
        disc.titles.push_back({1, int(t) + 1});
        NavChain& chain = set.titles.emplace_back(ChainOf({}, seconds[t]));
        chain.cells.push_back({0, seconds[t], 0});
        chain.programMap = {1};
        set.parts.push_back({{uint16_t(t + 1), 1}});
    }
    return disc;
}

const MenuButtonReader kNoButtons = [](int, uint32_t) { return std::optional<MenuButtons>(); };

}  // namespace

TEST(NavigationTest, TheWalkFindsTheFirstLongTitleItPlays)
{
    // A short warning first, which plays on to the next chain; registers on the way.
    DiscNavigation disc = DiscOf({JumpTitle(1)}, {5, 600, 700});
    disc.titleSets[1].titles[0].next = 3;
    auto found = WalkToFirstLongTitle(disc, kNoButtons, 60);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->programChain, 3);

    // A menu whose highlighted button (the second, as a pre command sets it) plays title 2.
    disc = DiscOf({JumpManagerMenu(2)}, {700, 600});
    NavChain& menu = disc.menus.emplace_back(ChainOf({{0x56, 0x00, 0, 0, 0x08, 0x00, 0, 0}}));  // highlight button 2
    menu.menu = 2;
    menu.cells.push_back({123, 0, 0});
    const MenuButtonReader buttons = [](int titleSet, uint32_t sector) {
        if (titleSet != 0 || sector != 123) return std::optional<MenuButtons>();
        return std::optional(MenuButtons{{JumpTitle(1), JumpTitle(2)}, 0});
    };
    found = WalkToFirstLongTitle(disc, buttons, 60);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->programChain, 2);

    // Arithmetic as dvdauthor compiles it: (7 + 5) * 2 - 4 = 20, / 4 = 5, and only then the film.
    disc = DiscOf({SetRegister(1, 2, 7), SetRegister(3, 2, 5), SetRegister(5, 2, 2), SetRegister(4, 2, 4), SetRegister(6, 2, 4),
                   GotoUnlessEqual(2, 5, 7), JumpTitle(2), JumpTitle(1)},
                  {700, 600});
    found = WalkToFirstLongTitle(disc, kNoButtons, 60);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->programChain, 2);
}

TEST(NavigationTest, BrokenOrHostileNavigationEndsTheWalkWithoutATitle)
{
    const std::vector<double> titles = {600, 700};
    const struct {
        const char* what;
        DiscNavigation disc;
    } cases[] = {
        {"no first-play chain", [&] {
             DiscNavigation disc = DiscOf({}, titles);
             disc.firstPlay.reset();
             return disc;
         }()},
        {"a first play that plays itself", DiscOf({JumpFirstPlay()}, titles)},
        {"a command list that goes to itself", DiscOf({Goto(1)}, titles)},
        {"a counter that never ends", DiscOf({SetRegister(3, 0, 1), Goto(1)}, titles)},
        {"a jump to a title the disc lacks", DiscOf({JumpTitle(9)}, titles)},
        {"a jump to title 0", DiscOf({JumpTitle(0)}, titles)},
        {"a link to a chain the domain lacks", DiscOf({LinkChain(200)}, titles)},
        {"a menu the disc lacks", DiscOf({JumpManagerMenu(3)}, titles)},
        {"a menu without buttons that waits", [&] {
             DiscNavigation disc = DiscOf({JumpManagerMenu(2)}, titles);
             disc.menus.emplace_back().menu = 2;
             disc.menus.back().cells.push_back({0, 0, 0});
             return disc;
         }()},
        {"a title whose parts name a chain the set lacks", [&] {
             DiscNavigation disc = DiscOf({JumpTitle(1)}, titles);
             disc.titleSets[1].parts[0] = {{77, 1}};
             return disc;
         }()},
        {"a title set the table names but the disc lacks", [&] {
             DiscNavigation disc = DiscOf({JumpTitle(1)}, titles);
             disc.titles[0].titleSet = 42;
             return disc;
         }()},
        {"a division by zero, then every unknown command there is", DiscOf(
             {SetRegister(6, 0, 0), {0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0, 0, 0, 0, 0, 0, 0}}, titles)},
    };
    for (const auto& c : cases) EXPECT_FALSE(WalkToFirstLongTitle(c.disc, kNoButtons, 60)) << c.what;
}

// Every one of the 2^16 patterns of a command's first two bytes, with the
// rest of it set, runs on the registers without harm.
TEST(NavigationTest, EveryCommandPatternIsSafe)
{
    NavRegisters registers;
    int links = 0;
    for (int first = 0; first < 0x10000; ++first) {
        const NavCommand command = {uint8_t(first >> 8), uint8_t(first), 0xFF, 0x9F, 0xFF, 0xFF, 0x87, 0xFF};
        const NavStep step = ExecuteNavCommand(command, registers);
        links += step.kind == NavStep::Kind::kLink;
        EXPECT_TRUE(step.kind != NavStep::Kind::kGoto || (step.line >= 0 && step.line <= 255));
    }
    EXPECT_GT(links, 0);
}
