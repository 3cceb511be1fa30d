#include "rip/save_as.h"

#include "dvd/disc_files.h"
#include "rip/containers.h"
#include "settings/value_tables.h"

#include <filesystem>

namespace {

struct SaveAsRow {
    const char* extension;
    const char* mux;
    const char* videoCodec;
    const char* audioCodec;
};

constexpr SaveAsRow kSaveAsTable[] = {
    {"mpg", "ts", "mp1v", "mpga"},  {"mpe", "ts", "mp1v", "mpga"},  {"mpeg", "ts", "mp1v", "mpga"},
    {"avi", "avi", "mp1v", "mpga"}, {"wmv", "asf", "div3", "mpga"}, {"asf", "asf", "div3", "mpga"},
    // Ogg takes neither MPEG video nor MPEG audio: its own pair of codecs.ini.
    {"mov", "mov", "mp4v", "mp4a"}, {"mp4", "mp4", "mp4v", "mp4a"}, {"ogg", "ogg", "theo", "vorb"},
    // A ninth container: a TS named .mkv would be a plainly wrong file.
    {"mkv", "mkv", "h264", "mp4a"},
};

}  // namespace

void ApplySaveAsFile(RipSettings& settings, const std::string& path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    ApplySaveAsExtension(settings, extension.empty() ? extension : extension.substr(1));
}

void ApplySaveAsExtension(RipSettings& settings, const std::string& extension)
{
    const std::string wanted = ToLower(extension);
    for (const SaveAsRow& row : kSaveAsTable) {
        if (wanted != row.extension) continue;
        settings.mux = row.mux;
        // A copy stays one where the container holds the disc's own streams.
        if ((settings.videoCodec == kCopyCodec || settings.audioCodec == kCopyCodec) && HoldsCopies(row.mux)) return;
        settings.videoCodec = row.videoCodec;
        settings.audioCodec = row.audioCodec;
        return;
    }
}
