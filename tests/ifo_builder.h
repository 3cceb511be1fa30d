#pragma once
// Hand-made IFO files for the damaged and corner cases that real discs do
// not show: program chains, cells and address tables byte by byte.
#include <cstdint>
#include <string>
#include <vector>

struct TestCell {
    uint8_t category = 0;
    uint32_t firstSector = 0, lastSector = 0;
    uint8_t time[4] = {0, 0, 1, 0x40};  // 1 s at 25 fps
    uint16_t vobId = 1;
    uint8_t cellId = 1;
};

struct TestPgc {
    std::vector<uint8_t> programMap{1};
    std::vector<TestCell> cells;
    uint8_t time[4] = {0, 0, 1, 0x40};
};

struct TestAddress {
    uint16_t vobId = 1;
    uint8_t cellId = 1;
    uint32_t firstSector = 0, lastSector = 0;
};

struct IfoBuilder {
    std::vector<TestPgc> pgcs;
    std::vector<TestAddress> addresses;
    uint8_t menuVideo[2] = {0, 0};   // header 0x100
    uint8_t titleVideo[2] = {0, 0};  // header 0x200
    bool addressTable = true;        // a zero pointer when false

    std::vector<uint8_t> TitleSetFile() const;
    static std::vector<uint8_t> ManagerFile(uint8_t regionMask, uint16_t volumeCount, uint16_t volumeNumber);
};

void PutBE16(std::vector<uint8_t>& bytes, std::size_t offset, uint16_t value);
void PutBE32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
