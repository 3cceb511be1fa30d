#include "dvd/regions.h"
#include "dvd/title_model.h"
#include "tests/ifo_builder.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// A title set built from a hand-made chain table, as LoadTitleSet builds it.
struct Model {
    explicit Model(std::vector<std::unique_ptr<ProgramChain>> chains, std::vector<TestAddress> addresses)
        : titleSet(&messages)
    {
        titleSet.programChainTable = std::make_unique<ProgramChainTable>();
        for (auto& chain : chains) {
            chain->index = static_cast<int>(titleSet.programChainTable->programChains.size());
            titleSet.programChainTable->programChains.push_back(std::move(chain));
        }
        for (const TestAddress& a : addresses)
            titleSet.programChainTable->AddCellAddress(a.vobId, a.cellId, a.firstSector, a.lastSector);
        titleSet.MarkAngleCells();
        titleSet.BuildChapters();
        for (auto& entry : titleSet.pgcEntries)
            for (auto& angle : entry->angles) angle->UpdateStatistics();
    }
    const AngleInfo& angle(std::size_t chain, std::size_t index) const { return *titleSet.pgcEntries[chain]->angles[index]; }

    MessageList messages;
    TitleSet titleSet;
};

std::unique_ptr<ProgramChain> Chain(std::vector<uint8_t> programMap, std::vector<TestCell> cells)
{
    auto chain = std::make_unique<ProgramChain>();
    chain->programMap = programMap;
    chain->programCount = static_cast<int>(programMap.size());
    for (const TestCell& c : cells) {
        auto cell = std::make_unique<CellInfo>();
        cell->index = static_cast<int>(chain->cells.size());
        cell->category = c.category;
        cell->vobId = c.vobId;
        cell->cellId = c.cellId;
        cell->firstSector = c.firstSector;
        cell->lastSector = c.lastSector;
        cell->seconds = 2.0;
        cell->sectorCount = CellSectorCount(c.firstSector, c.lastSector);
        chain->cells.push_back(std::move(cell));
    }
    return chain;
}

// Cells numbered 1..n, each 100 sectors, and their address entries.
std::vector<TestCell> PlainCells(int n, std::vector<uint8_t> categories = {})
{
    std::vector<TestCell> cells;
    for (int i = 0; i < n; ++i) {
        TestCell cell;
        cell.category = i < static_cast<int>(categories.size()) ? categories[i] : 0;
        cell.cellId = static_cast<uint8_t>(i + 1);
        cell.firstSector = 100 * i;
        cell.lastSector = 100 * i + 99;
        cells.push_back(cell);
    }
    return cells;
}

std::vector<TestAddress> AddressesOf(const std::vector<TestCell>& cells)
{
    std::vector<TestAddress> addresses;
    for (const TestCell& c : cells) addresses.push_back({c.vobId, c.cellId, c.firstSector, c.lastSector});
    return addresses;
}

std::vector<std::vector<int>> CellIdsByChapter(const AngleInfo& angle)
{
    std::vector<std::vector<int>> ids;
    for (const auto& chapter : angle.chapters) {
        ids.emplace_back();
        for (const auto& cell : chapter->cells) ids.back().push_back(cell->cellId);
    }
    return ids;
}

using Ids = std::vector<std::vector<int>>;

std::vector<std::unique_ptr<ProgramChain>> One(std::unique_ptr<ProgramChain> chain)
{
    std::vector<std::unique_ptr<ProgramChain>> chains;
    chains.push_back(std::move(chain));
    return chains;
}

}  // namespace

TEST(TitleModelTest, ProgramMapCutsCellsIntoChapters)
{
    auto cells = PlainCells(4);
    Model m(One(Chain({1, 3}, cells)), AddressesOf(cells));
    ASSERT_EQ(m.titleSet.pgcEntries.size(), 1u);
    EXPECT_EQ(m.titleSet.pgcEntries[0]->Label(), "Program Chain 1");
    EXPECT_EQ(CellIdsByChapter(m.angle(0, 0)), (Ids{{1, 2}, {3, 4}}));
    EXPECT_EQ(m.angle(0, 0).sectors, 400u);
    EXPECT_DOUBLE_EQ(m.angle(0, 0).seconds, 8.0);
    EXPECT_EQ(m.angle(0, 0).chapters[1]->Label(), "Chapter 2");
    EXPECT_TRUE(m.messages.empty());
}

TEST(TitleModelTest, EntryCellPastTheChainIsClampedAndReportedFirst)
{
    auto cells = PlainCells(3);
    Model m(One(Chain({1, 9}, cells)), AddressesOf(cells));
    EXPECT_EQ(CellIdsByChapter(m.angle(0, 0)), (Ids{{1, 2, 3}, {}}));
    EXPECT_EQ(m.messages, MessageList{"Cell index overflow (8 for 3 max)"});

    // An entry cell of 0 gives a chapter without cells.
    Model zero(One(Chain({0, 2}, cells)), AddressesOf(cells));
    EXPECT_EQ(CellIdsByChapter(zero.angle(0, 0)), (Ids{{}, {2, 3}}));

    // The model's message goes before the reader's.
    IfoBuilder ifo;
    TestPgc pgc;
    pgc.programMap = {1, 9};
    pgc.cells = cells;
    ifo.pgcs = {pgc};
    ifo.addresses = AddressesOf(cells);
    std::vector<uint8_t> file = ifo.TitleSetFile();
    PutBE32(file, ReadBE32(&file[0xE0]) * 2048 + 4, 5000);
    const std::string folder = ScratchFolder();
    WriteBytes(folder + "/VTS_01_0.IFO", file);
    MessageList messages;
    TitleSet set(&messages);
    set.LoadTitleSet(folder, 1);
    EXPECT_EQ(messages, (MessageList{"Cell index overflow (8 for 3 max)", "VTS_01_0.IFO : Length error in TITLE_CELL_ADDR"}));
}

TEST(TitleModelTest, HostileTablesAreBoundedInMessagesAndCells)
{
    // Every chapter of every chain points past its one cell.
    auto cells = PlainCells(1);
    std::vector<std::unique_ptr<ProgramChain>> chains;
    for (int i = 0; i < 20; ++i) chains.push_back(Chain(std::vector<uint8_t>(200, 255), cells));
    Model overflowing(std::move(chains), AddressesOf(cells));
    EXPECT_EQ(overflowing.messages.size(), MessageList::kMaxMessages);
    EXPECT_EQ(overflowing.messages.front(), "Cell index overflow (254 for 1 max)");

    // Many chains over the same cells stop at the disc's cell limit.
    auto many = PlainCells(250);
    std::vector<std::unique_ptr<ProgramChain>> repeated;
    for (int i = 0; i < 1200; ++i) repeated.push_back(Chain({1}, many));
    Model limited(std::move(repeated), AddressesOf(many));
    std::size_t built = 0;
    for (const auto& entry : limited.titleSet.pgcEntries)
        for (const auto& angle : entry->angles)
            for (const auto& chapter : angle->chapters) built += chapter->cells.size();
    EXPECT_LE(built, kMaxCellsPerDisc);
    EXPECT_GT(built, kMaxCellsPerDisc / 2);
    EXPECT_EQ(limited.messages.size(), 1u);
    EXPECT_EQ(limited.messages.front(), "Cell limit reached (250000 max)");
}

TEST(TitleModelTest, AngleBlockOfThreeCellsGivesThreeAngles)
{
    // Cell 1 plays for every angle, cells 2-4 are one block (one per angle), cell 5 again for all.
    auto cells = PlainCells(5, {0x00, 0x40, 0x80, 0xC0, 0x00});
    Model m(One(Chain({1}, cells)), AddressesOf(cells));
    ASSERT_EQ(m.titleSet.pgcEntries[0]->angles.size(), 3u);
    EXPECT_EQ(CellIdsByChapter(m.angle(0, 0)), (Ids{{1, 2, 5}}));
    EXPECT_EQ(CellIdsByChapter(m.angle(0, 1)), (Ids{{1, 3, 5}}));
    EXPECT_EQ(CellIdsByChapter(m.angle(0, 2)), (Ids{{1, 4, 5}}));
    EXPECT_EQ(m.angle(0, 2).Label(), "Angle 3 [00:00:06]");

    // Without blocks there is one angle.
    auto plain = PlainCells(2);
    EXPECT_EQ(Model(One(Chain({1}, plain)), AddressesOf(plain)).titleSet.pgcEntries[0]->angles.size(), 1u);
}

TEST(TitleModelTest, AddressPiecesOfOneCell)
{
    // An interleaved cell in two pieces: both taken, the time counted once.
    std::vector<TestCell> cells = PlainCells(1);
    std::vector<TestAddress> addresses = {{1, 1, 0, 49}, {1, 2, 50, 59}, {1, 1, 60, 99}};
    Model m(One(Chain({1}, cells)), addresses);
    const auto& chapter = *m.angle(0, 0).chapters[0];
    ASSERT_EQ(chapter.cells.size(), 2u);
    EXPECT_EQ(chapter.cells[0]->sectorCount, 50u);
    EXPECT_DOUBLE_EQ(chapter.cells[0]->seconds, 2.0);
    EXPECT_EQ(chapter.cells[1]->firstSector, 60u);
    EXPECT_EQ(chapter.cells[1]->index, 1);
    EXPECT_DOUBLE_EQ(chapter.cells[1]->seconds, 0.0);

    // A piece that starts before the previous piece ended is skipped, unless it is the table's first entry.
    std::vector<TestAddress> behind = {{1, 1, 10, 99}, {1, 1, 5, 9}};
    EXPECT_EQ(Model(One(Chain({1}, cells)), behind).angle(0, 0).chapters[0]->cells.size(), 1u);

    // A cell with no address entry contributes nothing; one-sector pieces count no sectors.
    auto twoCells = PlainCells(2);
    Model missing(One(Chain({1}, twoCells)), {{1, 1, 5, 5}});
    EXPECT_EQ(CellIdsByChapter(missing.angle(0, 0)), (Ids{{1}}));
    EXPECT_EQ(missing.angle(0, 0).sectors, 0u);
    EXPECT_TRUE(Model(One(Chain({1}, cells)), {}).titleSet.pgcEntries.empty());
}

TEST(TitleModelTest, LabelsAndDurations)
{
    MessageList messages;
    TitleSet set(&messages);
    set.number = 3;
    EXPECT_EQ(set.GetTitleLabel(), "Title 3 [0 MB]");
    set.totalBytes = 983040;
    EXPECT_EQ(set.GetTitleLabel(), "Title 3 [1 MB]");
    set.totalBytes = 983039;
    EXPECT_EQ(set.GetTitleLabel(), "Title 3 [0 MB]");
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(3723.999), "01:02:03");
    EXPECT_EQ(FormatDuration(100 * 3600.0), "100:00:00");
}

TEST(TitleModelTest, TitleSetSizeCountsVobsUntilTheFirstGap)
{
    const std::string folder = ScratchFolder();
    auto write = [&](const std::string& name, std::size_t bytes) { std::ofstream(folder + "/" + name) << std::string(bytes, 'x'); };
    write("vts_01_1.vob", 600000);
    write("VTS_01_2.VOB", 383040);  // names in any case
    write("vts_01_4.vob", 5000000);  // after the gap at 3: not counted
    IfoBuilder ifo;
    WriteBytes(folder + "/VTS_01_0.IFO", ifo.TitleSetFile());
    MessageList messages;
    TitleSet set(&messages);
    set.LoadTitleSet(folder, 1);
    EXPECT_EQ(set.totalBytes, 983040u);
    EXPECT_EQ(set.GetTitleLabel(), "Title 1 [1 MB]");
    EXPECT_FALSE(set.programChainTable);
}

TEST(RegionsTest, PlayableRegionsInOrder)
{
    EXPECT_EQ(FormatRegions(0x00), "1-2-3-4-5-6-7-8");
    EXPECT_EQ(FormatRegions(0xFE), "1");
    EXPECT_EQ(FormatRegions(0xFD), "2");
    EXPECT_EQ(FormatRegions(0xC0), "1-2-3-4-5-6");
    EXPECT_EQ(FormatRegions(0xFF), "");
    EXPECT_EQ(FormatRegions(0x7F), "8");
}
