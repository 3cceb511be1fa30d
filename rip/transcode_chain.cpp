#include "rip/transcode_chain.h"

#include "dvd/disc_files.h"
#include "rip/media_locator.h"

#include <cstdio>
#include <filesystem>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct MuxRow {
    const char* mux;
    const char* extension;
};

// Rows share their index with the settings' container table.
constexpr MuxRow kMuxTable[] = {{"ts", ".mpg"},  {"ps", ".mpg"},  {"mpeg1", ".mpg"}, {"asf", ".asf"},
                                {"mp4", ".mp4"}, {"mov", ".mov"}, {"avi", ".avi"},   {"ogg", ".ogg"}};

struct SaveAsRow {
    const char* extension;
    const char* mux;
    const char* videoCodec;
    const char* audioCodec;
};

constexpr SaveAsRow kSaveAsTable[] = {
    {"mpg", "ts", "mp1v", "mpga"},  {"mpe", "ts", "mp1v", "mpga"},  {"mpeg", "ts", "mp1v", "mpga"},
    {"avi", "avi", "mp1v", "mpga"}, {"wmv", "asf", "div3", "mpga"}, {"asf", "asf", "div3", "mpga"},
    {"mov", "mov", "mp4v", "mp4a"}, {"mp4", "mp4", "mp4v", "mp4a"}, {"ogg", "ogg", "mp1v", "mpga"},
};

bool IsBlockDevice(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode);
}

// Inside the quotes of dst, a quote and a backslash are escaped with a backslash.
std::string QuotedForChain(const std::string& text)
{
    std::string quoted;
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted;
}

// The volume the disc is: the one whose root holds VIDEO_TS. A folder of
// disc files elsewhere has none (the volume around it is not the disc).
std::optional<Volume> DiscVolume(const std::string& videoTsPath, const std::vector<Volume>& volumes)
{
    auto volume = VolumeHolding(volumes, videoTsPath);
    if (volume && fs::path(videoTsPath).parent_path() == fs::path(volume->root)) return volume;
    return std::nullopt;
}

}  // namespace

std::string GetContainerExtension(RipSettings& settings)
{
    if (settings.videoMethod < 0 || settings.videoMethod >= static_cast<int>(std::size(kMuxTable))) return {};
    settings.mux = kMuxTable[settings.videoMethod].mux;
    return kMuxTable[settings.videoMethod].extension;
}

std::string BuildMediaLocator(const std::string& videoTsPath, const std::vector<Volume>& volumes)
{
    auto volume = DiscVolume(videoTsPath, volumes);
    // A device the mount table names but this machine lacks cannot be read; its folder can.
    if (volume && !volume->device.empty() && IsBlockDevice(volume->device)) return kDiscScheme + EncodeLocatorPath(volume->device);
    return kDiscScheme + EncodeLocatorPath(fs::path(videoTsPath).parent_path().string());
}

std::string SafeFileName(const std::string& label)
{
    std::string name = label;
    for (char& c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    if (!name.empty() && name[0] == '.') name[0] = '_';
    return name;
}

std::string BuildOutputPath(const std::string& videoTsPath, const std::string& outputFolder, int itemNumber,
                            RipSettings& settings, const std::vector<Volume>& volumes)
{
    auto volume = DiscVolume(videoTsPath, volumes);
    std::string base = SafeFileName(volume ? volume->label : "");
    if (base.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "dvdRip_Movie%d", itemNumber);
        base = name;
    }
    return outputFolder + "/" + base + GetContainerExtension(settings);
}

std::string BuildTranscodeChain(const RipSettings& s, const std::string& outputPath, bool previewEnabled,
                                const std::string& frameRate)
{
    const char* format =
        previewEnabled
            ? ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:duplicate{dst=display,dst=std{access=file,mux=%s,dst=\"%s\"}"
            : ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:standard{access=file,mux=%s,dst=\"%s\"}";
    const std::string path = QuotedForChain(outputPath);
    const std::string fps = frameRate.empty() ? std::string() : ",fps=" + frameRate;
    const int length = std::snprintf(nullptr, 0, format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                                     s.audioCodec.c_str(), s.audioBitrate, s.audioChannels, s.audioRate, fps.c_str(),
                                     s.mux.c_str(), path.c_str());
    std::string chain(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(chain.data(), chain.size(), format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                  s.audioCodec.c_str(), s.audioBitrate, s.audioChannels, s.audioRate, fps.c_str(), s.mux.c_str(),
                  path.c_str());
    chain.pop_back();
    return chain;
}

std::string DiscFrameRate(const DvdSource& source)
{
    const std::string tvSystem = source.TitleSets().empty() ? std::string() : source.TitleSets().front()->tvSystem;
    if (tvSystem == "PAL") return "25";
    if (tvSystem == "NTSC") return "29.97";
    return {};
}

void ApplySaveAsExtension(RipSettings& settings, const std::string& extension)
{
    const std::string wanted = ToLower(extension);
    for (const SaveAsRow& row : kSaveAsTable) {
        if (wanted != row.extension) continue;
        settings.mux = row.mux;
        settings.videoCodec = row.videoCodec;
        settings.audioCodec = row.audioCodec;
        return;
    }
}
