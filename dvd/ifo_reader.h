#pragma once
// Reads one DVD-Video information file (VIDEO_TS.IFO or VTS_nn_0.IFO) into a
// title set, reporting each problem as a line in the caller's message list.
// A damaged file never stops the read: what could be read is decoded.
#include "dvd/ifo_records.h"
#include "dvd/message_list.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct TitleSet;

uint16_t ReadBE16(const uint8_t* bytes);
uint32_t ReadBE32(const uint8_t* bytes);
// Hours, minutes, seconds and frames in BCD; the frames byte's top two bits
// give the frame rate (1: 25, otherwise 30000/1001).
double BcdTimeToSeconds(const uint8_t* bytes);

class CIfoReader {
public:
    enum Kind : uint8_t { kUnknown = 0, kManager = 1, kTitleSet = 2 };
    enum TableIndex { kMat = 0, kPgci = 2, kTitleCellAddr = 7 };
    enum ReadResult { kLoaded = 0, kNoTable = 1, kFirstAllocFailed = 2, kSecondAllocFailed = 3, kShortRead = 4 };

    explicit CIfoReader(MessageList& messages);
    virtual ~CIfoReader();
    CIfoReader(const CIfoReader&) = delete;
    CIfoReader& operator=(const CIfoReader&) = delete;

    void ReadIfo(const std::string& path, TitleSet& titleSet);
    // The disc's region and volume numbers, for a manager file only.
    std::unique_ptr<DiscInfo> GetDiscInfo() const;
    int ReadTable(uint32_t sector, int index);
    void AddMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));
    Kind GetKind() const { return kind; }

private:
    const std::vector<uint8_t>* Loaded(int index) const;
    void DecodeVideoAttributes();
    void ReadProgramChains();
    void ReadProgramChain(ProgramChain& chain, const std::vector<uint8_t>& table, std::size_t offset);
    void ReadCellAddresses();
    void CloseFile();

    std::FILE* file = nullptr;
    std::string fileName;  // name part of the path, for messages
    std::array<std::unique_ptr<std::vector<uint8_t>>, 8> tables;
    std::array<uint32_t, 8> tableSizes{};
    Kind kind = kUnknown;
    TitleSet* titleSet = nullptr;
    MessageList& messages;
};
