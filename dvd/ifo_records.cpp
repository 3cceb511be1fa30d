#include "dvd/ifo_records.h"

ProgramChain& ProgramChainTable::NewProgramChain()
{
    auto chain = std::make_unique<ProgramChain>();
    chain->index = static_cast<int>(programChains.size());
    programChains.push_back(std::move(chain));
    return *programChains.back();
}

void ProgramChainTable::AddCellAddress(uint16_t vobId, uint16_t cellId, uint32_t firstSector, uint32_t lastSector)
{
    auto cell = std::make_unique<CellInfo>();
    cell->index = static_cast<int>(cellAddresses.size());
    cell->vobId = vobId;
    cell->cellId = cellId;
    cell->firstSector = firstSector;
    cell->lastSector = lastSector;
    cell->sectorCount = lastSector - firstSector + 1;
    cellAddresses.push_back(std::move(cell));
}
