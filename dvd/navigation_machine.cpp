#include "dvd/navigation_machine.h"

#include <algorithm>

namespace {

// A command's 64 bits, read as fields: `count` bits whose highest is bit `high` (63 is the first byte's top bit).
class Fields {
public:
    explicit Fields(const NavCommand& bytes)
    {
        for (uint8_t byte : bytes) bits = bits << 8 | byte;
    }
    uint16_t operator()(int high, int count) const { return static_cast<uint16_t>((bits >> (high - count + 1)) & ((uint64_t(1) << count) - 1)); }

private:
    uint64_t bits = 0;
};

class Machine {
public:
    Machine(const NavCommand& command, NavRegisters& registers) : at(command), registers(registers) {}

    NavStep Run()
    {
        switch (at(63, 3)) {
        case 0: return Special(IfVersion1());
        case 1: return at(60, 1) ? Jump(IfRegisters()) : Link(IfVersion1());
        case 2: return SystemSet(IfRegisters());
        case 3: {
            const bool go = IfVersion3();
            if (go) Set(at(35, 4), at(19, 4), ValueOrRegister(31));
            return at(51, 4) ? Link(go) : NavStep{};
        }
        case 4:
            Set(at(51, 4), at(35, 4), ValueOrRegister(47));
            return SubLink(IfVersion4());
        case 5: {
            const bool go = IfVersion4();
            if (go) Set(at(51, 4), at(35, 4), ValueOrRegister(47));
            return SubLink(go);
        }
        case 6:
            if (IfVersion4()) Set(at(51, 4), at(35, 4), ValueOrRegister(47));
            return SubLink(true);
        default: return {};
        }
    }

private:
    // A register by its code: system registers have the top bit set.
    uint16_t Register(uint16_t code) const
    {
        if (!(code & 0x80)) return registers.general[code & 0x0F];
        return (code & 0x1F) < registers.system.size() ? registers.system[code & 0x1F] : 0;
    }
    // 16 bits of data from `high` when the command's immediate bit says so, else the register named in the next 8 bits' low ones.
    uint16_t ValueOrRegister(int high, int immediateBit = 60) const
    {
        return at(immediateBit, 1) ? at(high, 16) : Register(at(high - 8, 8));
    }
    bool Compare(uint16_t operation, uint16_t a, uint16_t b) const
    {
        switch (operation) {
        case 1: return (a & b) != 0;
        case 2: return a == b;
        case 3: return a != b;
        case 4: return a >= b;
        case 5: return a > b;
        case 6: return a <= b;
        case 7: return a < b;
        default: return true;  // no comparison: the command runs
        }
    }
    bool IfVersion1() const { return Compare(at(54, 3), Register(at(39, 8)), ValueOrRegister(31, 55)); }
    bool IfRegisters() const { return Compare(at(54, 3), Register(at(15, 8)), Register(at(7, 8))); }
    bool IfVersion3() const { return Compare(at(54, 3), Register(at(47, 8)), ValueOrRegister(15, 55)); }
    bool IfVersion4() const { return Compare(at(54, 3), Register(at(51, 4)), ValueOrRegister(31, 55)); }

    void Set(uint16_t target, uint16_t other, uint16_t value)
    {
        uint16_t& r = registers.general[target & 0x0F];
        const uint32_t was = r;
        switch (at(59, 4)) {
        case 1: r = value; break;
        case 2:
            registers.general[other & 0x0F] = r;
            r = value;
            break;
        case 3: r = static_cast<uint16_t>(std::min<uint32_t>(was + value, 0xFFFF)); break;
        case 4: r = static_cast<uint16_t>(was > value ? was - value : 0); break;
        case 5: r = static_cast<uint16_t>(std::min<uint32_t>(was * value, 0xFFFF)); break;
        case 6: r = value ? static_cast<uint16_t>(was / value) : 0xFFFF; break;
        case 7: r = value ? static_cast<uint16_t>(was % value) : 0xFFFF; break;
        case 8: r = value ? 1 : 0; break;  // random from 1 to value: always the first, so that a walk repeats
        case 9: r &= value; break;
        case 10: r |= value; break;
        case 11: r ^= value; break;
        default: break;
        }
    }

    NavStep Special(bool go) const
    {
        if (!go) return {};
        switch (at(51, 4)) {
        case 1: return {NavStep::Kind::kGoto, at(7, 8)};
        case 2: return {NavStep::Kind::kBreak};
        case 3: return {NavStep::Kind::kGoto, at(7, 8)};  // with a temporary parental level, which every player grants
        default: return {};
        }
    }

    static NavStep Leave(NavLink link, int data1 = 0, int data2 = 0, int data3 = 0)
    {
        NavStep step;
        step.kind = NavStep::Kind::kLink;
        step.link = link;
        step.data1 = data1;
        step.data2 = data2;
        step.data3 = data3;
        return step;
    }

    NavStep SubLink(bool go)
    {
        const uint16_t operation = at(4, 5);
        if (!go || operation > 16) return {};
        if (operation == 0) {  // no link: at most a button highlighted
            if (at(15, 6)) registers.system[8] = static_cast<uint16_t>(at(15, 6) << 10);
            return {};
        }
        NavStep step = Leave(static_cast<NavLink>(operation));
        step.button = at(15, 6);
        return step;
    }

    NavStep Link(bool go)
    {
        if (!go) return {};
        NavStep step;
        switch (at(51, 4)) {
        case 1: return SubLink(true);
        case 4: return Leave(NavLink::kChain, at(14, 15));
        case 5: step = Leave(NavLink::kPart, at(9, 10)); break;
        case 6: step = Leave(NavLink::kProgram, at(6, 7)); break;
        case 7: step = Leave(NavLink::kCell, at(7, 8)); break;
        default: return {};
        }
        step.button = at(15, 6);
        return step;
    }

    NavStep Jump(bool go)
    {
        if (!go) return {};
        switch (at(51, 4)) {
        case 1: return Leave(NavLink::kExit);
        case 2: return Leave(NavLink::kTitle, at(22, 7));
        case 3: return Leave(NavLink::kSetTitle, at(22, 7));
        case 5: return Leave(NavLink::kSetPart, at(22, 7), at(41, 10));
        case 6:
            switch (at(23, 2)) {
            case 0: return Leave(NavLink::kFirstPlay);
            case 1: return Leave(NavLink::kManagerMenu, at(19, 4));
            case 2: return Leave(NavLink::kSetMenu, at(31, 8), at(39, 8), at(19, 4));
            default: return Leave(NavLink::kManagerChain, at(46, 15));
            }
        case 8: {
            NavStep step;
            switch (at(23, 2)) {
            case 0: step = Leave(NavLink::kFirstPlay); break;
            case 1: step = Leave(NavLink::kManagerMenu, at(19, 4)); break;
            case 2: step = Leave(NavLink::kSetMenu, 0, 0, at(19, 4)); break;  // the current title set's
            default: step = Leave(NavLink::kManagerChain, at(46, 15)); break;
            }
            step.call = true;
            return step;
        }
        default: return {};
        }
    }

    NavStep SystemSet(bool go)
    {
        switch (at(59, 4)) {
        case 1:  // audio, subpicture and angle streams
            for (int k = 1; k <= 3; ++k)
                if (at(63 - (2 + k) * 8, 1) && go)
                    registers.system[k] = at(60, 1) ? at(47 - k * 8 - 1, 7) : registers.general[at(47 - k * 8 - 4, 4)];
            break;
        case 2:  // navigation timer and its chain
            if (go) {
                registers.system[9] = ValueOrRegister(47);
                registers.system[10] = at(23, 8);
            }
            break;
        case 3:  // a general register set (its counter mode is of no use to a walk)
            if (go) registers.general[at(19, 4)] = ValueOrRegister(47);
            break;
        case 6:  // the highlighted button
            if (go) registers.system[8] = ValueOrRegister(31);
            break;
        default: break;
        }
        return at(51, 4) ? Link(go) : NavStep{};
    }

    const Fields at;
    NavRegisters& registers;
};

}  // namespace

NavStep ExecuteNavCommand(const NavCommand& command, NavRegisters& registers)
{
    return Machine(command, registers).Run();
}
