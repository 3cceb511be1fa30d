#pragma once
// Finding the disc a command works on, the way the window does.
#include "dvd/dvd_source.h"

#include <optional>
#include <string>

// The VIDEO_TS folder of `path` (a volume root, a folder that holds VIDEO_TS,
// or VIDEO_TS itself), or of the first video DVD among the mounted volumes
// when there is no path. Nothing, after a one-line reason on stderr, when
// there is no disc or no IFO file.
std::optional<std::string> LocateSource(DvdSource& source, const std::optional<std::string>& path);

// Exit statuses of the command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNoDisc = 2;
inline constexpr int kExitUsage = 64;
