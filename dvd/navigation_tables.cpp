#include "dvd/navigation_tables.h"

#include "dvd/disc_files.h"
#include "dvd/ifo_reader.h"
#include "dvd/title_model.h"

#include <dvdread/nav_read.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::size_t kSectorBytes = 2048;
// No information file comes near this; a damaged size must not make the reader take more.
constexpr std::size_t kMostIfoBytes = 16u << 20;
constexpr std::size_t kChainFixedBytes = 0xEC;
constexpr std::size_t kCellPlaybackBytes = 24;
constexpr std::size_t kCommandBytes = 8;
// A chain holds at most 128 commands in all; a table that claims more is damaged.
constexpr std::size_t kMostCommands = 128;
constexpr int kMostTitleSets = 99;
// A navigation pack's presentation control packet starts after its pack and system headers and its own PES header.
constexpr std::size_t kPciStart = 0x2D;

// An information file's bytes; a read past its end gives zeros.
class IfoBytes {
public:
    explicit IfoBytes(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}
    bool Holds(std::size_t at, std::size_t count) const { return at <= bytes.size() && count <= bytes.size() - at; }
    uint8_t U8(std::size_t at) const { return Holds(at, 1) ? bytes[at] : 0; }
    uint16_t U16(std::size_t at) const { return Holds(at, 2) ? ReadBE16(&bytes[at]) : 0; }
    uint32_t U32(std::size_t at) const { return Holds(at, 4) ? ReadBE32(&bytes[at]) : 0; }
    double Time(std::size_t at) const { return Holds(at, 4) ? BcdTimeToSeconds(&bytes[at]) : 0; }
    NavCommand Command(std::size_t at) const
    {
        NavCommand command{};
        if (Holds(at, kCommandBytes)) std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), kCommandBytes, command.begin());
        return command;
    }
    // Where a table starts whose sector the header gives at `at`; 0 for none.
    std::size_t Table(std::size_t at) const
    {
        const uint64_t start = uint64_t(U32(at)) * kSectorBytes;
        return start > 0 && start < bytes.size() ? static_cast<std::size_t>(start) : 0;
    }
    bool Empty() const { return bytes.empty(); }

private:
    std::vector<uint8_t> bytes;
};

IfoBytes ReadIfoBytes(const IDiscFiles& files, const std::string& name)
{
    MessageList ignored;
    const std::string readable = ReadableIfo(files, name, ignored);
    const std::optional<uint64_t> size = files.Size(readable);
    if (!size) return IfoBytes({});
    auto bytes = files.Read(readable, 0, static_cast<std::size_t>(std::min<uint64_t>(*size, kMostIfoBytes)));
    return IfoBytes(bytes ? std::move(*bytes) : std::vector<uint8_t>{});
}

NavChain ReadChain(const IfoBytes& ifo, std::size_t at)
{
    NavChain chain;
    if (!ifo.Holds(at, kChainFixedBytes)) return chain;
    chain.seconds = ifo.Time(at + 4);
    chain.next = ifo.U16(at + 0x9C);
    chain.previous = ifo.U16(at + 0x9E);
    chain.goUp = ifo.U16(at + 0xA0);
    if (const uint16_t offset = ifo.U16(at + 0xE4)) {
        const std::size_t table = at + offset;
        const std::size_t pre = ifo.U16(table), post = ifo.U16(table + 2), cell = ifo.U16(table + 4);
        if (pre + post + cell <= kMostCommands) {
            std::size_t next = table + 8;
            for (auto [list, count] : {std::pair{&chain.pre, pre}, {&chain.post, post}, {&chain.cell, cell}})
                for (std::size_t k = 0; k < count && ifo.Holds(next, kCommandBytes); ++k, next += kCommandBytes)
                    list->push_back(ifo.Command(next));
        }
    }
    const std::size_t map = at + ifo.U16(at + 0xE6);
    for (std::size_t p = 0; p < ifo.U8(at + 2) && ifo.Holds(map + p, 1); ++p) chain.programMap.push_back(ifo.U8(map + p));
    const std::size_t playback = at + ifo.U16(at + 0xE8);
    for (std::size_t c = 0; c < ifo.U8(at + 3); ++c) {
        const std::size_t entry = playback + c * kCellPlaybackBytes;
        if (!ifo.Holds(entry, kCellPlaybackBytes)) break;
        chain.cells.push_back({ifo.U32(entry + 8), ifo.Time(entry + 4), ifo.U8(entry + 3)});
    }
    return chain;
}

// A program chain table (PGCIT) at `table`: its chains in order; `menus` marks each with its menu entry.
std::vector<NavChain> ReadChains(const IfoBytes& ifo, std::size_t table, bool menus)
{
    std::vector<NavChain> chains;
    if (table == 0) return chains;
    const std::size_t count = ifo.U16(table);
    for (std::size_t k = 0; k < count && ifo.Holds(table + 8 + 8 * k, 8); ++k) {
        const uint8_t entry = ifo.U8(table + 8 + 8 * k);
        NavChain& chain = chains.emplace_back(ReadChain(ifo, table + ifo.U32(table + 8 + 8 * k + 4)));
        if (menus && (entry & 0x80)) chain.menu = entry & 0x0F;
    }
    return chains;
}

// A menu table (PGCI_UT) at `table`: the chains of its first language.
std::vector<NavChain> ReadMenus(const IfoBytes& ifo, std::size_t table)
{
    if (table == 0 || ifo.U16(table) == 0 || !ifo.Holds(table + 8, 8)) return {};
    return ReadChains(ifo, table + ifo.U32(table + 8 + 4), true);
}

// A title set's part table (VTS_PTT_SRPT) at `table`: each title's parts.
std::vector<std::vector<NavPart>> ReadParts(const IfoBytes& ifo, std::size_t table)
{
    std::vector<std::vector<NavPart>> titles;
    if (table == 0) return titles;
    const std::size_t count = ifo.U16(table), end = std::size_t(ifo.U32(table + 4)) + 1;
    for (std::size_t k = 0; k < count && ifo.Holds(table + 8 + 4 * k, 4); ++k) {
        const std::size_t first = ifo.U32(table + 8 + 4 * k);
        const std::size_t last = k + 1 < count && ifo.Holds(table + 12 + 4 * k, 4) ? ifo.U32(table + 12 + 4 * k) : end;
        auto& parts = titles.emplace_back();
        for (std::size_t at = first; at + 4 <= last && ifo.Holds(table + at, 4) && parts.size() < 999; at += 4)
            parts.push_back({ifo.U16(table + at), ifo.U16(table + at + 2)});
    }
    return titles;
}

}  // namespace

std::string MenuVobName(int titleSet)
{
    if (titleSet == 0) return "video_ts.vob";
    char name[16];
    std::snprintf(name, sizeof name, "vts_%02d_0.vob", titleSet);
    return name;
}

DiscNavigation ReadNavigation(const IDiscFiles& files)
{
    DiscNavigation navigation;
    const IfoBytes manager = ReadIfoBytes(files, "video_ts.ifo");
    if (manager.Empty()) return navigation;
    navigation.regionMask = manager.U8(0x23);
    if (const uint32_t firstPlay = manager.U32(0x84); firstPlay > 0 && manager.Holds(firstPlay, kChainFixedBytes))
        navigation.firstPlay = ReadChain(manager, firstPlay);
    navigation.menus = ReadMenus(manager, manager.Table(0xC8));
    if (const std::size_t table = manager.Table(0xC4)) {
        const std::size_t count = manager.U16(table);
        for (std::size_t k = 0; k < count && manager.Holds(table + 8 + 12 * k, 12); ++k)
            navigation.titles.push_back({manager.U8(table + 8 + 12 * k + 6), manager.U8(table + 8 + 12 * k + 7)});
    }
    // Every title set the manager counts (a menu may lead to one no title names).
    const int titleSets = std::min<int>(manager.U16(0x3E), kMostTitleSets);
    for (int number = 1; number <= titleSets; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "vts_%02d_0.ifo", number);
        const IfoBytes set = ReadIfoBytes(files, name);
        NavTitleSet& read = navigation.titleSets[number];
        read.menus = ReadMenus(set, set.Table(0xD0));
        read.titles = ReadChains(set, set.Table(0xCC), false);
        read.parts = ReadParts(set, set.Table(0xC8));
    }
    return navigation;
}

std::optional<MenuButtons> ReadMenuButtons(const IDiscFiles& files, int titleSet, uint32_t sector)
{
    auto pack = files.Read(MenuVobName(titleSet), uint64_t(sector) * kSectorBytes, kSectorBytes);
    if (!pack || pack->size() < kSectorBytes) return std::nullopt;
    const uint8_t* bytes = pack->data();
    const bool navigation = bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0xBA && bytes[0x26] == 0 &&
                            bytes[0x27] == 0 && bytes[0x28] == 1 && bytes[0x29] == 0xBF && bytes[0x2C] == 0;
    if (!navigation) return std::nullopt;
    pci_t pci;
    navRead_PCI(&pci, pack->data() + kPciStart);
    const hl_gi_t& highlight = pci.hli.hl_gi;
    const std::size_t count = std::min<std::size_t>(highlight.btn_ns, std::size(pci.hli.btnit));
    if (highlight.hli_ss == 0 || count == 0) return std::nullopt;
    MenuButtons buttons;
    for (std::size_t k = 0; k < count; ++k) std::copy_n(pci.hli.btnit[k].cmd.bytes, 8, buttons.commands.emplace_back().begin());
    buttons.forcedSelection = highlight.fosl_btnn;
    return buttons;
}
