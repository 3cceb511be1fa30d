#pragma once
// Records read from DVD-Video information files.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A title of the disc as the video manager lists it, in playing order.
struct DiscTitle {
    uint8_t titleSet = 0;  // 1-based
    uint8_t vtsTitle = 0;  // 1-based, within its title set
};

// From the video manager file.
struct DiscInfo {
    uint8_t regionMask = 0;  // bit k set: does not play in region k+1
    uint16_t volumeCount = 0;
    uint16_t volumeNumber = 0;
    std::vector<DiscTitle> titles;  // the title table (TT_SRPT)
};

// Where a title of a title set starts: the program chain and program of its
// first chapter (VTS_PTT_SRPT), both 1-based; 0 when the table does not say.
struct TitleStart {
    uint16_t programChain = 0;
    uint16_t program = 0;
};

// A cell of a program chain, an entry of the cell address table, or a piece
// of a chapter in the title model.
struct CellInfo {
    int index = 0;  // position in the list that holds it
    uint8_t selected = 1;
    uint16_t vobId = 0;
    uint16_t cellId = 0;
    uint8_t category = 0;  // bits 7-6: block mode
    uint8_t angleMarker = 0;
    uint32_t firstSector = 0xFFFFFFFF;
    uint32_t lastSector = 0;
    double seconds = 0;
    uint32_t sectorCount = 0;
};

// Sectors a chain's or a chapter's cell covers: none when it ends where it starts.
inline uint32_t CellSectorCount(uint32_t firstSector, uint32_t lastSector)
{
    return lastSector > firstSector ? lastSector - firstSector + 1 : 0;
}

// A program chain's colour lookup table: 16 entries of 0x00YYCrCb, the
// colours its subpictures draw with.
using ColourTable = std::array<uint32_t, 16>;

// A program chain's stream control tables: for each of the title set's
// audio streams (8) and subpicture streams (32), whether the chain offers
// it and which MPEG stream carries it (PGC offsets 0x0C and 0x1C).
struct StreamControl {
    std::array<uint16_t, 8> audio{};         // bit 15 offered; bits 10-8 the stream
    std::array<uint32_t, 32> subpictures{};  // bit 31 offered; bits 28-24 for 4:3, 20-16 wide, 12-8 letterbox, 4-0 pan-scan
};

struct ProgramChain {
    ColourTable colours{};
    StreamControl streams;
    int programCount = 0;
    std::vector<uint8_t> programMap;  // 1-based entry cell of each program
    std::vector<std::unique_ptr<CellInfo>> cells;
    int index = 0;
    double seconds = 0;
    int angleCount = 0;
};

struct ProgramChainTable {
    ProgramChain& NewProgramChain();
    void AddCellAddress(uint16_t vobId, uint16_t cellId, uint32_t firstSector, uint32_t lastSector);

    std::vector<std::unique_ptr<ProgramChain>> programChains;
    std::vector<std::unique_ptr<CellInfo>> cellAddresses;
};

// One audio stream of a title set, as its IFO file describes it.
struct AudioStream {
    int index = 0;         // 1-based, the stream number of the disc
    std::string coding;    // "AC-3", "MPEG-1", "MPEG-2", "LPCM", "DTS", "SDDS"; "" when unknown
    std::string language;  // two-letter code; "" when the disc sets none
    int channels = 0;
    int sampleRate = 0;    // Hz
    int bits = 0;          // LPCM's bits a sample (16, 20 or 24); 0 for coded sound
    int carrier = 0;       // the MPEG stream that carries it in a program chain (0-7); its number less one until a chain says
};

// One subpicture (subtitle) stream of a title set, as its IFO file describes it.
struct SubpictureStream {
    int index = 0;         // 1-based, the stream number of the disc
    std::string language;  // two-letter code; "" when the disc sets none
    std::string kind;      // "normal", "large", "children", "closed caption", "forced", "director's comments"; "" when unset
    int carrier = 0;       // the sub-stream that carries it in a program chain (0-31); its number less one until a chain says
};

// The seven texts decoded from a file's video attributes.
struct VideoAttributes {
    std::string videoCoding, tvSystem, aspectRatio, panScan, resolution, letterbox, filmMode;
};

// How many cells one disc may make (raw chain cells and chapter cells
// together). Real discs stay far below it; a hostile file that points many
// program chains at the same cells would otherwise take all memory.
inline constexpr std::size_t kMaxCellsPerDisc = 250000;

struct CellBudget {
    std::size_t remaining = kMaxCellsPerDisc;
    // False, and nothing taken, when fewer than `count` cells are left.
    bool Take(std::size_t count)
    {
        if (count > remaining) return false;
        remaining -= count;
        return true;
    }
};
