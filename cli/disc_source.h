#pragma once
// Finding the disc a command works on, the way the window does.
#include "dvd/dvd_source.h"

#include <optional>
#include <string>

// The VIDEO_TS folder of `path` (a volume root, a folder that holds VIDEO_TS,
// or VIDEO_TS itself; a disc image or a drive is taken as it is), or of the
// first video DVD among the mounted volumes when there is no path. Nothing,
// after a one-line reason on stderr, when there is no such disc.
std::optional<std::string> LocateSource(DvdSource& source, const std::optional<std::string>& path);
