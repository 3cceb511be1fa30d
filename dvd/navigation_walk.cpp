#include "dvd/navigation_walk.h"

#include "dvd/navigation_machine.h"

#include <set>
#include <vector>

namespace {

// Far beyond what a disc's navigation needs to reach its film: a real
// disc's walk runs some hundred commands through a dozen chains.
constexpr int kMostCommands = 20000;
constexpr int kMostChainsEntered = 1000;

enum class Domain { kFirstPlay, kManagerMenu, kSetMenu, kTitle };

struct Place {
    Domain domain = Domain::kFirstPlay;
    int titleSet = 0;   // of a set's menus or titles
    int chain = 1;      // from 1 in the domain's list
    int cell = 0;       // the cell playing, from 1; 0: the chain is entered (its pre commands run)
    int startCell = 1;  // where an entered chain starts playing
    bool post = false;  // its cells are over: the post commands run
};

// The registers a player starts with: region from the disc's own, English, the first streams and angle.
NavRegisters StartingRegisters(uint8_t regionMask)
{
    NavRegisters registers;
    auto& system = registers.system;
    system[0] = 'e' << 8 | 'n';
    system[1] = 15;
    system[2] = 62;
    system[3] = 1;
    system[4] = 1;
    system[5] = 1;
    system[7] = 1;
    system[8] = 1 << 10;
    system[12] = 'U' << 8 | 'S';
    system[13] = 15;
    system[14] = 0x0100;
    system[15] = 0x7CFC;
    system[16] = 'e' << 8 | 'n';
    system[18] = 'e' << 8 | 'n';
    int region = 0;
    while (region < 8 && (regionMask >> region & 1)) ++region;
    system[20] = static_cast<uint16_t>(1 << (region < 8 ? region : 0));
    return registers;
}

class Walk {
public:
    Walk(const DiscNavigation& navigation, const MenuButtonReader& buttons, double minSeconds)
        : navigation(navigation), buttons(buttons), minSeconds(minSeconds), registers(StartingRegisters(navigation.regionMask))
    {
    }

    std::optional<WalkedTitle> Run()
    {
        if (!navigation.firstPlay) return std::nullopt;
        for (;;) {
            const NavChain* chain = Chain(place);
            if (stopped || !chain) return std::nullopt;
            if (place.cell == 0 && !place.post) {
                if (++entered > kMostChainsEntered || !FirstVisit()) return std::nullopt;
                if (place.domain == Domain::kTitle && chain->seconds >= minSeconds) {
                    const int angle = registers.system[3];
                    return WalkedTitle{place.titleSet, place.chain, angle >= 1 && angle <= 9 ? angle : 1};
                }
                if (!Follow(RunList(chain->pre))) continue;
                place.cell = place.startCell;
            }
            if (!place.post) {
                if (!PlayCells(*chain)) continue;
                place.post = true;
            }
            if (!Follow(RunList(chain->post))) continue;
            // A chain with nothing after it ends the play, unless it names its successor.
            if (stopped || chain->next == 0) return std::nullopt;
            Enter(place.domain, place.titleSet, chain->next);
        }
    }

private:
    const std::vector<NavChain>* Chains(Domain domain, int titleSet) const
    {
        if (domain == Domain::kManagerMenu) return &navigation.menus;
        const auto set = navigation.titleSets.find(titleSet);
        if (set == navigation.titleSets.end()) return nullptr;
        return domain == Domain::kSetMenu ? &set->second.menus : &set->second.titles;
    }

    const NavChain* Chain(const Place& at) const
    {
        if (at.domain == Domain::kFirstPlay) return navigation.firstPlay ? &*navigation.firstPlay : nullptr;
        const std::vector<NavChain>* chains = Chains(at.domain, at.titleSet);
        return chains && at.chain >= 1 && at.chain <= int(chains->size()) ? &(*chains)[at.chain - 1] : nullptr;
    }

    // True the first time the walk enters a chain in this state: the machine does the same again from a state it met.
    bool FirstVisit()
    {
        std::vector<uint16_t> state = {uint16_t(place.domain), uint16_t(place.titleSet), uint16_t(place.chain), uint16_t(place.startCell)};
        state.insert(state.end(), registers.general.begin(), registers.general.end());
        state.insert(state.end(), registers.system.begin(), registers.system.end());
        return seen.insert(std::move(state)).second;
    }

    // Runs a command list from its first line; a link it leads to, if any (a walk that ran out of commands is stopped).
    NavStep RunList(const std::vector<NavCommand>& commands)
    {
        for (int line = 1; line >= 1 && line <= int(commands.size());) {
            if (++commandsRun > kMostCommands) {
                stopped = true;
                return {};
            }
            const NavStep step = ExecuteNavCommand(commands[line - 1], registers);
            switch (step.kind) {
            case NavStep::Kind::kLink: return step;
            case NavStep::Kind::kBreak: return {};
            case NavStep::Kind::kGoto: line = step.line; break;
            case NavStep::Kind::kNext: ++line; break;
            }
        }
        return {};
    }

    // Plays the chain's cells from the current one: false when a command led elsewhere, or the walk stopped.
    bool PlayCells(const NavChain& chain)
    {
        for (; !place.post && place.cell >= 1 && place.cell <= int(chain.cells.size()); ++place.cell) {
            const NavCell& cell = chain.cells[place.cell - 1];
            if (place.domain == Domain::kManagerMenu || place.domain == Domain::kSetMenu) {
                const int set = place.domain == Domain::kManagerMenu ? 0 : place.titleSet;
                if (const auto menu = buttons(set, cell.firstSector); menu && !menu->commands.empty()) {
                    // The viewer takes the highlighted button; one that leads nowhere leaves the menu waiting for ever.
                    const int count = int(menu->commands.size());
                    int chosen = menu->forcedSelection ? menu->forcedSelection : registers.system[8] >> 10;
                    if (chosen < 1 || chosen > count) chosen = 1;
                    if (Follow(RunList({menu->commands[chosen - 1]}))) Stop();
                    return false;
                }
            }
            if (cell.command >= 1 && cell.command <= chain.cell.size() && !Follow(RunList({chain.cell[cell.command - 1]}))) return false;
            if (stopped) return false;
        }
        return !stopped;
    }

    void Enter(Domain domain, int titleSet, int chain, int startCell = 1)
    {
        place = {domain, titleSet, chain, 0, startCell, false};
    }

    // Starts a title set's title at its part `part` (from 1); false when the set has no such title.
    bool EnterPart(int titleSet, int setTitle, int part)
    {
        const auto set = navigation.titleSets.find(titleSet);
        if (set == navigation.titleSets.end() || setTitle < 1 || setTitle > int(set->second.parts.size())) return false;
        const std::vector<NavPart>& parts = set->second.parts[setTitle - 1];
        if (part < 1 || part > int(parts.size())) return false;
        const NavPart start = parts[part - 1];
        const auto& titles = set->second.titles;
        if (start.chain < 1 || start.chain > titles.size()) return false;
        const auto& map = titles[start.chain - 1].programMap;
        const int startCell = start.program >= 1 && start.program <= map.size() ? map[start.program - 1] : 1;
        registers.system[5] = static_cast<uint16_t>(setTitle);
        registers.system[6] = start.chain;
        registers.system[7] = static_cast<uint16_t>(part);
        Enter(Domain::kTitle, titleSet, start.chain, startCell);
        return true;
    }

    // The chain of a menu table that is the entry of `menu`; 0 when none is.
    static int MenuEntry(const std::vector<NavChain>& menus, int menu)
    {
        for (std::size_t k = 0; k < menus.size(); ++k)
            if (menus[k].menu == menu) return static_cast<int>(k) + 1;
        return 0;
    }

    // The cell that starts the program holding the current cell, moved by `by` programs; past the end: after the cells.
    int ProgramCell(const NavChain& chain, int by) const
    {
        int program = 0;
        for (std::size_t p = 0; p < chain.programMap.size(); ++p)
            if (chain.programMap[p] <= std::max(place.cell, 1)) program = static_cast<int>(p);
        program += by;
        if (program < 0) program = 0;
        return program < int(chain.programMap.size()) ? chain.programMap[program] : int(chain.cells.size()) + 1;
    }

    // Goes where a step leads: false when it leads somewhere (the walk goes on from there), true when it does not.
    bool Follow(const NavStep& step)
    {
        if (step.kind != NavStep::Kind::kLink || stopped) return true;
        if (step.button) registers.system[8] = static_cast<uint16_t>(step.button << 10);
        const NavChain* chain = Chain(place);
        if (step.call && place.domain == Domain::kTitle) resume = place;
        const int set = place.domain == Domain::kSetMenu || place.domain == Domain::kTitle ? place.titleSet : 0;
        switch (step.link) {
        case NavLink::kTopCell: place.cell = std::max(place.cell, 1); place.post = false; break;
        case NavLink::kNextCell: place.cell = std::max(place.cell, 0) + 1; place.post = false; break;
        case NavLink::kPreviousCell: place.cell = std::max(place.cell - 1, 1); place.post = false; break;
        case NavLink::kTopProgram: if (chain) place.cell = ProgramCell(*chain, 0); place.post = false; break;
        case NavLink::kNextProgram: if (chain) place.cell = ProgramCell(*chain, 1); place.post = false; break;
        case NavLink::kPreviousProgram: if (chain) place.cell = ProgramCell(*chain, -1); place.post = false; break;
        case NavLink::kTopChain: Enter(place.domain, place.titleSet, place.chain); break;
        case NavLink::kNextChain: if (!chain || !chain->next) return Stop(); Enter(place.domain, place.titleSet, chain->next); break;
        case NavLink::kPreviousChain: if (!chain || !chain->previous) return Stop(); Enter(place.domain, place.titleSet, chain->previous); break;
        case NavLink::kGoUpChain: if (!chain || !chain->goUp) return Stop(); Enter(place.domain, place.titleSet, chain->goUp); break;
        case NavLink::kTailChain: place.post = true; place.cell = std::max(place.cell, 1); break;
        case NavLink::kResume:
            if (!resume) return Stop();
            place = *resume;
            resume.reset();
            place.cell = std::max(place.cell, 1) + 1;  // after the cell that called
            break;
        case NavLink::kChain: Enter(place.domain, place.titleSet, step.data1); break;
        case NavLink::kPart:
            if (place.domain != Domain::kTitle || !EnterPart(place.titleSet, registers.system[5], step.data1)) return Stop();
            break;
        case NavLink::kProgram:
            if (!chain || step.data1 < 1 || step.data1 > int(chain->programMap.size())) return Stop();
            place.cell = chain->programMap[step.data1 - 1];
            place.post = false;
            break;
        case NavLink::kCell: place.cell = step.data1; place.post = false; break;
        case NavLink::kTitle: {
            if (step.data1 < 1 || step.data1 > int(navigation.titles.size())) return Stop();
            const DiscTitleEntry& title = navigation.titles[step.data1 - 1];
            registers.system[4] = static_cast<uint16_t>(step.data1);
            if (!EnterPart(title.titleSet, title.setTitle, 1)) return Stop();
            break;
        }
        case NavLink::kSetTitle: if (!set || !EnterPart(set, step.data1, 1)) return Stop(); break;
        case NavLink::kSetPart: if (!set || !EnterPart(set, step.data1, step.data2)) return Stop(); break;
        case NavLink::kFirstPlay: Enter(Domain::kFirstPlay, 0, 1); break;
        case NavLink::kManagerMenu: {
            const int entry = MenuEntry(navigation.menus, step.data1);
            if (!entry) return Stop();
            Enter(Domain::kManagerMenu, 0, entry);
            break;
        }
        case NavLink::kSetMenu: {
            const int target = step.data1 ? step.data1 : set;
            const std::vector<NavChain>* menus = Chains(Domain::kSetMenu, target);
            const int entry = menus ? MenuEntry(*menus, step.data3) : 0;
            if (!entry) return Stop();
            Enter(Domain::kSetMenu, target, entry);
            break;
        }
        case NavLink::kManagerChain: Enter(Domain::kManagerMenu, 0, step.data1); break;
        default: return Stop();
        }
        return false;
    }

    bool Stop()
    {
        stopped = true;
        return true;
    }

    const DiscNavigation& navigation;
    const MenuButtonReader& buttons;
    const double minSeconds;
    NavRegisters registers;
    Place place;
    std::optional<Place> resume;  // a title's place kept by a call
    std::set<std::vector<uint16_t>> seen;
    int commandsRun = 0, entered = 0;
    bool stopped = false;
};

}  // namespace

std::optional<WalkedTitle> WalkToFirstLongTitle(const DiscNavigation& navigation, const MenuButtonReader& buttons, double minSeconds)
{
    return Walk(navigation, buttons, minSeconds).Run();
}
