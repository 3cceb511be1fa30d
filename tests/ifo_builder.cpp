#include "tests/ifo_builder.h"

#include <cstring>
#include <fstream>

void PutBE16(std::vector<uint8_t>& bytes, std::size_t offset, uint16_t value)
{
    bytes[offset] = value >> 8;
    bytes[offset + 1] = value & 0xFF;
}

void PutBE32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + i] = (value >> (24 - 8 * i)) & 0xFF;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

namespace {

void PadToSector(std::vector<uint8_t>& bytes)
{
    bytes.resize((bytes.size() + 2047) / 2048 * 2048);
}

}  // namespace

std::vector<uint8_t> IfoBuilder::TitleSetFile() const
{
    std::vector<uint8_t> file(2048);
    std::memcpy(file.data(), "DVDVIDEO-VTS", 12);
    file[0x100] = menuVideo[0];
    file[0x101] = menuVideo[1];
    file[0x200] = titleVideo[0];
    file[0x201] = titleVideo[1];

    // Program chain table at sector 1.
    std::vector<uint8_t> pgci(8 + 8 * pgcs.size());
    PutBE16(pgci, 0, static_cast<uint16_t>(pgcs.size()));
    for (std::size_t i = 0; i < pgcs.size(); ++i) {
        const TestPgc& pgc = pgcs[i];
        const std::size_t start = pgci.size();
        const std::size_t mapOffset = 0xEC;
        const std::size_t playbackOffset = mapOffset + pgc.programMap.size() + (pgc.programMap.size() & 1);
        const std::size_t positionOffset = playbackOffset + 24 * pgc.cells.size();
        pgci.resize(start + positionOffset + 4 * pgc.cells.size());
        PutBE32(pgci, 12 + 8 * i, static_cast<uint32_t>(start));
        pgci[start + 2] = static_cast<uint8_t>(pgc.programMap.size());
        pgci[start + 3] = static_cast<uint8_t>(pgc.cells.size());
        std::memcpy(&pgci[start + 4], pgc.time, 4);
        PutBE16(pgci, start + 0xE6, static_cast<uint16_t>(mapOffset));
        PutBE16(pgci, start + 0xE8, static_cast<uint16_t>(playbackOffset));
        PutBE16(pgci, start + 0xEA, static_cast<uint16_t>(positionOffset));
        std::memcpy(&pgci[start + mapOffset], pgc.programMap.data(), pgc.programMap.size());
        for (std::size_t k = 0; k < pgc.cells.size(); ++k) {
            const TestCell& cell = pgc.cells[k];
            const std::size_t playback = start + playbackOffset + 24 * k;
            pgci[playback] = cell.category;
            std::memcpy(&pgci[playback + 4], cell.time, 4);
            PutBE32(pgci, playback + 8, cell.firstSector);
            PutBE32(pgci, playback + 20, cell.lastSector);
            const std::size_t position = start + positionOffset + 4 * k;
            PutBE16(pgci, position, cell.vobId);
            pgci[position + 3] = cell.cellId;
        }
    }
    PutBE32(pgci, 4, static_cast<uint32_t>(pgci.size() - 1));
    PutBE32(file, 0xCC, 1);
    file.insert(file.end(), pgci.begin(), pgci.end());
    PadToSector(file);

    if (addressTable) {
        std::vector<uint8_t> cadt(8 + 12 * addresses.size());
        PutBE16(cadt, 0, 1);
        PutBE32(cadt, 4, static_cast<uint32_t>(cadt.size() - 1));
        for (std::size_t k = 0; k < addresses.size(); ++k) {
            PutBE16(cadt, 8 + 12 * k, addresses[k].vobId);
            cadt[8 + 12 * k + 2] = addresses[k].cellId;
            PutBE32(cadt, 8 + 12 * k + 4, addresses[k].firstSector);
            PutBE32(cadt, 8 + 12 * k + 8, addresses[k].lastSector);
        }
        PutBE32(file, 0xE0, static_cast<uint32_t>(file.size() / 2048));
        file.insert(file.end(), cadt.begin(), cadt.end());
        PadToSector(file);
    }
    return file;
}

std::vector<uint8_t> IfoBuilder::ManagerFile(uint8_t regionMask, uint16_t volumeCount, uint16_t volumeNumber)
{
    std::vector<uint8_t> file(4096);
    std::memcpy(file.data(), "DVDVIDEO-VMG", 12);
    file[0x23] = regionMask;
    PutBE16(file, 0x26, volumeCount);
    PutBE16(file, 0x28, volumeNumber);
    file[0x100] = 0x51;
    return file;
}
