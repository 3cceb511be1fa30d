#include "dvd/ifo_reader.h"
#include "dvd/title_model.h"
#include "dvd/video_attributes.h"
#include "tests/ifo_builder.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

struct ReadResult {
    MessageList messages;
    std::unique_ptr<TitleSet> titleSet;
    std::unique_ptr<DiscInfo> disc;
    CIfoReader::Kind kind;
    const ProgramChainTable& table() const { return *titleSet->programChainTable; }
};

// Reads `bytes` as a file named `name` with the table attached, as the title
// model does before it builds chapters.
ReadResult Read(const std::vector<uint8_t>& bytes, const std::string& name = "VTS_01_0.IFO")
{
    ReadResult result;
    const std::string path = ScratchFolder() + "/" + name;
    WriteBytes(path, bytes);
    result.titleSet = std::make_unique<TitleSet>(&result.messages);
    result.titleSet->programChainTable = std::make_unique<ProgramChainTable>();
    CIfoReader reader(result.messages);
    reader.ReadIfo(path, *result.titleSet);
    result.disc = reader.GetDiscInfo();
    result.kind = reader.GetKind();
    return result;
}

IfoBuilder OneChain()
{
    IfoBuilder ifo;
    TestPgc pgc;
    pgc.programMap = {1, 2};
    pgc.cells = {{0, 100, 199}, {0, 200, 299}};
    pgc.cells[1].cellId = 2;
    ifo.pgcs = {pgc};
    ifo.addresses = {{1, 1, 100, 199}, {1, 2, 200, 299}};
    return ifo;
}

const uint8_t kBcd[][4] = {{0x01, 0x02, 0x03, 0x40}, {0x00, 0x00, 0x01, 0xD5}};

}  // namespace

TEST(IfoConversionsTest, BigEndianAndBcdTimes)
{
    const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(ReadBE16(bytes), 0x1234);
    EXPECT_EQ(ReadBE32(bytes), 0x12345678u);
    EXPECT_DOUBLE_EQ(BcdTimeToSeconds(kBcd[0]), 3723.0);
    EXPECT_DOUBLE_EQ(BcdTimeToSeconds(kBcd[1]), 1 + 15 / 29.97002997002997);
    const uint8_t pal[] = {0x00, 0x00, 0x00, 0x40 | 0x24};  // 24 frames at 25 fps
    EXPECT_DOUBLE_EQ(BcdTimeToSeconds(pal), 24 / 25.0);
    const uint8_t rateZero[] = {0x00, 0x01, 0x00, 0x03};
    EXPECT_DOUBLE_EQ(BcdTimeToSeconds(rateZero), 60 + 3 / 29.97002997002997);
}

TEST(IfoReaderTest, ManagerFileGivesDiscInfoAndTitleSetFileNone)
{
    ReadResult manager = Read(IfoBuilder::ManagerFile(0xFD, 3, 2), "VIDEO_TS.IFO");
    EXPECT_EQ(manager.kind, CIfoReader::kManager);
    ASSERT_TRUE(manager.disc);
    EXPECT_EQ(manager.disc->regionMask, 0xFD);
    EXPECT_EQ(manager.disc->volumeCount, 3);
    EXPECT_EQ(manager.disc->volumeNumber, 2);
    EXPECT_EQ(manager.titleSet->tvSystem, "PAL");  // the manager's own attributes at 0x100
    EXPECT_TRUE(manager.messages.empty());

    ReadResult titleSet = Read(OneChain().TitleSetFile());
    EXPECT_EQ(titleSet.kind, CIfoReader::kTitleSet);
    EXPECT_FALSE(titleSet.disc);
    EXPECT_TRUE(titleSet.messages.empty());

    MessageList messages;
    TitleSet scratch(&messages);
    CIfoReader reader(messages);
    reader.ReadIfo(ScratchFolder() + "/missing.ifo", scratch);
    EXPECT_FALSE(reader.GetDiscInfo());
    EXPECT_EQ(messages, MessageList{"missing.ifo : file open error"});
}

TEST(IfoReaderTest, ChainsCellsAndAddressesAreRead)
{
    IfoBuilder ifo = OneChain();
    ifo.pgcs[0].cells[0].category = 0x40;
    ifo.pgcs[0].time[2] = 0x02;
    ReadResult r = Read(ifo.TitleSetFile());
    ASSERT_EQ(r.table().programChains.size(), 1u);
    const ProgramChain& chain = *r.table().programChains[0];
    EXPECT_EQ(chain.index, 0);
    EXPECT_EQ(chain.programCount, 2);
    EXPECT_EQ(chain.programMap, (std::vector<uint8_t>{1, 2}));
    EXPECT_DOUBLE_EQ(chain.seconds, 2.0);
    ASSERT_EQ(chain.cells.size(), 2u);
    EXPECT_EQ(chain.cells[0]->category, 0x40);
    EXPECT_EQ(chain.cells[1]->index, 1);
    EXPECT_EQ(chain.cells[1]->cellId, 2);
    EXPECT_EQ(chain.cells[1]->firstSector, 200u);
    EXPECT_EQ(chain.cells[1]->sectorCount, 100u);
    EXPECT_DOUBLE_EQ(chain.cells[1]->seconds, 1.0);
    ASSERT_EQ(r.table().cellAddresses.size(), 2u);
    EXPECT_EQ(r.table().cellAddresses[1]->index, 1);
    EXPECT_EQ(r.table().cellAddresses[1]->lastSector, 299u);
}

TEST(IfoReaderTest, ZeroIdsContinueThePreviousCellsNumbers)
{
    IfoBuilder ifo;
    TestPgc pgc;
    pgc.cells = {{0, 0, 9}, {0, 10, 19}, {0, 20, 29}, {0, 30, 30}};
    pgc.cells[0].vobId = 1, pgc.cells[0].cellId = 1;
    pgc.cells[1].vobId = 0, pgc.cells[1].cellId = 0;  // becomes (2, 2)
    pgc.cells[2].vobId = 5, pgc.cells[2].cellId = 0;  // (5, 3): each counter on its own
    pgc.cells[3].vobId = 0, pgc.cells[3].cellId = 9;  // (6, 9)
    ifo.pgcs = {pgc};
    ifo.addresses = {{1, 1, 40, 40}};
    ReadResult r = Read(ifo.TitleSetFile());
    const auto& cells = r.table().programChains[0]->cells;
    ASSERT_EQ(cells.size(), 4u);
    auto ids = [&](int k) { return std::to_string(cells[k]->vobId) + "/" + std::to_string(cells[k]->cellId); };
    EXPECT_EQ(ids(1), "2/2");
    EXPECT_EQ(ids(2), "5/3");
    EXPECT_EQ(ids(3), "6/9");
    // One-sector pieces: a chain cell counts none, an address entry one.
    EXPECT_EQ(cells[3]->sectorCount, 0u);
    EXPECT_EQ(r.table().cellAddresses[0]->sectorCount, 1u);
}

TEST(IfoReaderTest, MissingAddressTableStillReadsChains)
{
    IfoBuilder ifo = OneChain();
    ifo.addressTable = false;
    ReadResult r = Read(ifo.TitleSetFile());
    EXPECT_EQ(r.messages, MessageList{"VTS_01_0.IFO : null record entry in TITLE_CELL_ADDR"});
    EXPECT_EQ(r.table().programChains.size(), 1u);
    EXPECT_TRUE(r.table().cellAddresses.empty());
}

TEST(IfoReaderTest, TableRunningPastTheEndIsCutToTheFile)
{
    std::vector<uint8_t> file = OneChain().TitleSetFile();
    const std::size_t cadt = ReadBE32(&file[0xE0]) * 2048;
    PutBE32(file, cadt + 4, 100000);  // claims far more than the file holds
    file.resize(cadt + 8 + 12 * 2);
    ReadResult r = Read(file);
    EXPECT_EQ(r.messages, MessageList{"VTS_01_0.IFO : Length error in TITLE_CELL_ADDR"});
    ASSERT_EQ(r.table().cellAddresses.size(), 2u);  // (end - 7) / 12 of what is there
    EXPECT_EQ(r.table().programChains.size(), 1u);
}

TEST(IfoReaderTest, ShortHeaderLoadsWithTheFilesLength)
{
    std::vector<uint8_t> file(0x300, 0);
    std::memcpy(file.data(), "DVDVIDEO-VMG", 12);
    file[0x23] = 0xFE;
    ReadResult r = Read(file, "VIDEO_TS.IFO");
    EXPECT_TRUE(r.messages.empty());
    ASSERT_TRUE(r.disc);
    EXPECT_EQ(r.disc->regionMask, 0xFE);
}

// A file that is no IFO describes no video: its bytes are never taken for attributes.
TEST(IfoReaderTest, UnknownIdentifierDecodesNoAttributes)
{
    std::vector<uint8_t> file(2048, 0);
    std::memcpy(file.data(), "NOTADVDFILE!", 12);
    file[0x100] = 0x51;
    file[0x101] = 0x05;
    ReadResult r = Read(file, "weird.ifo");
    EXPECT_EQ(r.kind, CIfoReader::kUnknown);
    EXPECT_EQ(r.messages, MessageList{"weird.ifo : IFO Hdr error"});
    EXPECT_EQ(r.titleSet->filmMode, "");
    EXPECT_EQ(r.titleSet->tvSystem, "");
    EXPECT_FALSE(r.disc);
}

TEST(IfoReaderTest, TitleSetShowsItsTitlesVideoNotItsMenus)
{
    IfoBuilder ifo = OneChain();
    ifo.menuVideo[0] = 0x00;  // no menu: all zeros
    ifo.titleVideo[0] = 0x5C;  // MPEG 2, PAL, 16:9
    ReadResult r = Read(ifo.TitleSetFile());
    EXPECT_EQ(r.titleSet->videoCoding, "MPEG 2");
    EXPECT_EQ(r.titleSet->tvSystem, "PAL");
    EXPECT_EQ(r.titleSet->aspectRatio, "16:9");
    EXPECT_EQ(r.titleSet->resolution, "720x576");
}

TEST(IfoReaderTest, MessagesNameTheFileLiterally)
{
    IfoBuilder ifo = OneChain();
    ifo.addressTable = false;
    ReadResult r = Read(ifo.TitleSetFile(), "100%s.IFO");
    EXPECT_EQ(r.messages, MessageList{"100%s.IFO : null record entry in TITLE_CELL_ADDR"});
}

TEST(IfoReaderTest, OffsetsAndCountsOutsideTheTableAreClamped)
{
    std::vector<uint8_t> file = OneChain().TitleSetFile();
    const std::size_t pgci = 2048;
    PutBE16(file, pgci, 900);              // far more chains than pointers
    PutBE32(file, pgci + 4, 2047);         // the table is one sector
    file[pgci + 16 + 3] = 200;             // the chain claims 200 cells
    ReadResult r = Read(file);
    ASSERT_FALSE(r.messages.empty());
    for (const std::string& message : r.messages) EXPECT_EQ(message, "VTS_01_0.IFO : Length error in PGCI");
    // Pointers that fit are followed; those pointing outside give empty chains.
    EXPECT_EQ(r.table().programChains.size(), (2048u - 8) / 8);
    for (const auto& chain : r.table().programChains) EXPECT_LE(chain->cells.size(), 200u);
}

TEST(VideoAttributesTest, TextsOfTheAttributeBytes)
{
    VideoAttributes ntsc = DecodeVideoAttributes(0x4C, 0x00);
    EXPECT_EQ(ntsc.videoCoding, "MPEG 2");
    EXPECT_EQ(ntsc.tvSystem, "NTSC");
    EXPECT_EQ(ntsc.aspectRatio, "16:9");
    EXPECT_EQ(ntsc.panScan, "yes");
    EXPECT_EQ(ntsc.resolution, "720x480");
    EXPECT_EQ(ntsc.letterbox, "no");
    EXPECT_EQ(ntsc.filmMode, "");

    VideoAttributes pal = DecodeVideoAttributes(0x51, 0x05);
    EXPECT_EQ(pal.videoCoding, "MPEG 2");
    EXPECT_EQ(pal.tvSystem, "PAL");
    EXPECT_EQ(pal.aspectRatio, "4:3");
    EXPECT_EQ(pal.panScan, "yes");
    EXPECT_EQ(pal.resolution, "720x576");
    EXPECT_EQ(pal.letterbox, "not auto");
    EXPECT_EQ(pal.filmMode, "film");

    EXPECT_EQ(DecodeVideoAttributes(0x12, 0x1C).letterbox, "auto");
    EXPECT_EQ(DecodeVideoAttributes(0x12, 0x1C).resolution, "352x288");
    EXPECT_EQ(DecodeVideoAttributes(0x12, 0x1C).panScan, "no");
    EXPECT_EQ(DecodeVideoAttributes(0x10, 0x00).filmMode, "camera");
    for (int b1 = 0; b1 < 256; ++b1) {
        const std::string film = DecodeVideoAttributes(0x00, static_cast<uint8_t>(b1)).filmMode;
        EXPECT_EQ(film, "") << b1;
    }
    // Values the tables leave open give empty texts.
    VideoAttributes odd = DecodeVideoAttributes(0xE4, 0x38);
    EXPECT_EQ(odd.videoCoding, "");
    EXPECT_EQ(odd.tvSystem, "");
    EXPECT_EQ(odd.resolution, "");
    EXPECT_EQ(odd.filmMode, "");
    EXPECT_EQ(odd.aspectRatio, "reserved1");
    EXPECT_EQ(DecodeVideoAttributes(0x00, 0x20).resolution, "");
}
