#pragma once
// Where a loaded disc is, as a rip reads and names it: the device or folder
// the converter reads, and the label its file is named after.
#include "platform/volume_table.h"

#include <string>
#include <vector>

// The disc as the converter reads it: an image or a drive given as such,
// else the block device of its volume when there is one on this machine
// the user may read, otherwise the folder that holds VIDEO_TS.
std::string DiscReadPath(const std::string& videoTsPath, const std::vector<Volume>& volumes);

// The disc's label: its volume's, or else `fileSystemLabel` (an image's or a
// drive's own, from its file system); "" for none.
std::string DiscLabel(const std::string& videoTsPath, const std::vector<Volume>& volumes, const std::string& fileSystemLabel);
