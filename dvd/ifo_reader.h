#pragma once
// Reads one DVD-Video information file (VIDEO_TS.IFO or VTS_nn_0.IFO) into a
// title set, reporting each problem as a line in the caller's message list.
// A damaged file never stops the read: what could be read is decoded.
#include "dvd/ifo_records.h"
#include "dvd/message_list.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IDiscFiles;
struct TitleSet;

uint16_t ReadBE16(const uint8_t* bytes);
uint32_t ReadBE32(const uint8_t* bytes);
// Hours, minutes, seconds and frames in BCD; the frames byte's top two bits
// give the frame rate (1: 25, otherwise 30000/1001).
double BcdTimeToSeconds(const uint8_t* bytes);

class CIfoReader {
public:
    enum Kind : uint8_t { kUnknown = 0, kManager = 1, kTitleSet = 2 };
    // The title table: TT_SRPT in a manager file, VTS_PTT_SRPT in a title set file.
    enum TableIndex { kMat = 0, kTitleTable = 1, kPgci = 2, kTitleCellAddr = 7 };
    enum ReadResult { kLoaded = 0, kNoTable = 1, kFirstAllocFailed = 2, kSecondAllocFailed = 3, kShortRead = 4 };

    explicit CIfoReader(MessageList& messages);
    virtual ~CIfoReader();
    CIfoReader(const CIfoReader&) = delete;
    CIfoReader& operator=(const CIfoReader&) = delete;

    // Reads the file `name` of the disc's files.
    void ReadIfo(const IDiscFiles& files, const std::string& name, TitleSet& titleSet);
    // Reads the file at `path` of a folder.
    void ReadIfo(const std::string& path, TitleSet& titleSet);
    // The disc's region and volume numbers, for a manager file only.
    std::unique_ptr<DiscInfo> GetDiscInfo() const;
    // A table that is missing is reported unless `quiet` (tables the program
    // reads beyond those a damaged disc is known to lack).
    int ReadTable(uint32_t sector, int index, bool quiet = false);
    void AddMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));
    Kind GetKind() const { return kind; }

private:
    const std::vector<uint8_t>* Loaded(int index) const;
    // Bytes of the file from `offset` into `buffer`; how many there were.
    std::size_t ReadInto(std::vector<uint8_t>& buffer, uint64_t offset) const;
    void DecodeVideoAttributes();
    void ReadProgramChains();
    void ReadProgramChain(ProgramChain& chain, const std::vector<uint8_t>& table, std::size_t offset);
    void ReadCellAddresses();
    void ReadTitleTable();
    const char* TableName(int index) const;

    const IDiscFiles* files = nullptr;  // while the file is read
    std::string fileKey;                // as the files know it
    uint64_t fileLength = 0;
    std::string fileName;  // as the disc holds it, for messages
    std::vector<DiscTitle> discTitles;
    std::array<std::unique_ptr<std::vector<uint8_t>>, 8> tables;
    std::array<uint32_t, 8> tableSizes{};
    Kind kind = kUnknown;
    TitleSet* titleSet = nullptr;
    MessageList& messages;
};
