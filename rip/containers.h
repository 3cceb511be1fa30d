#pragma once
// The containers a rip writes: the mux name and extension of each row of
// the settings' container table (the mux a rip writes), which of them
// keep DVD subtitles as tracks, and what a name the user types means.
#include "settings/rip_settings.h"

#include <optional>
#include <string>

// The container's extension (".mpg") for the settings' container, which also
// sets `mux`; an unknown container gives no extension and leaves `mux` alone.
std::string GetContainerExtension(RipSettings& settings);

// The mux a rip with these settings writes: `mux` once set (a container
// chosen in Save As), else the container's.
std::string MuxOf(const RipSettings& settings);

// The container a name means: a mux name ("avi") or a container of the
// settings ("MPEG TS"), in any case; nothing for another name.
std::optional<int> ContainerNamed(const std::string& name);

// True for the containers that hold DVD subtitles as a track of their own.
bool KeepsSubtitleTracks(const std::string& mux);

// True for the containers that hold the disc's pictures copied as they are.
bool HoldsCopies(const std::string& mux);
// The container a copy goes into unless another is named.
inline constexpr char kCopyContainer[] = "mkv";
