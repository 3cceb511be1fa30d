#include "rip/containers.h"

#include "dvd/disc_files.h"
#include "settings/value_tables.h"

#include <iterator>

namespace {

struct MuxRow {
    const char* mux;
    const char* extension;
};

// Rows share their index with the settings' container table.
constexpr MuxRow kMuxTable[] = {{"ts", ".mpg"},  {"ps", ".mpg"},  {"mpeg1", ".mpg"}, {"asf", ".asf"}, {"mp4", ".mp4"},
                                {"mov", ".mov"}, {"avi", ".avi"}, {"ogg", ".ogg"},   {"mkv", ".mkv"}};

}  // namespace

std::string GetContainerExtension(RipSettings& settings)
{
    if (settings.videoMethod < 0 || settings.videoMethod >= static_cast<int>(std::size(kMuxTable))) return {};
    settings.mux = kMuxTable[settings.videoMethod].mux;
    return kMuxTable[settings.videoMethod].extension;
}

std::string MuxOf(const RipSettings& settings)
{
    if (!settings.mux.empty()) return settings.mux;
    RipSettings container = settings;
    GetContainerExtension(container);
    return container.mux;
}

std::optional<int> ContainerNamed(const std::string& name)
{
    const std::string wanted = ToLower(name);
    for (int i = 0; i < static_cast<int>(std::size(kMuxTable)); ++i)
        if (wanted == kMuxTable[i].mux || wanted == ToLower(kContainerTable[i])) return i;
    return std::nullopt;
}

bool KeepsSubtitleTracks(const std::string& mux)
{
    // MPEG-PS as the disc's own sub-streams; MP4 and MKV with their colours.
    for (const char* holds : {"ps", "mpeg1", "mp4", "mkv"})
        if (mux == holds) return true;
    return false;
}

bool HoldsCopies(const std::string& mux)
{
    for (const char* holds : {"mkv", "ps", "ts", "mp4"})
        if (mux == holds) return true;
    return false;
}
