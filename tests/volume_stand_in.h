#pragma once
// A volume table the test writes itself.
#include "platform/volume_table.h"

class FixedVolumeTable : public IVolumeTable {
public:
    FixedVolumeTable() = default;
    explicit FixedVolumeTable(std::vector<Volume> volumes) : volumes(std::move(volumes)) {}
    std::vector<Volume> List() const override { return volumes; }
    std::vector<Volume> volumes;
};
