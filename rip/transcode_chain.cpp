#include "rip/transcode_chain.h"

#include "settings/setting_table.h"

#include "dvd/disc_files.h"
#include "convert/media_locator.h"
#include "rip/output_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct MuxRow {
    const char* mux;
    const char* extension;
};

// Rows share their index with the settings' container table.
constexpr MuxRow kMuxTable[] = {{"ts", ".mpg"},  {"ps", ".mpg"},  {"mpeg1", ".mpg"}, {"asf", ".asf"}, {"mp4", ".mp4"},
                                {"mov", ".mov"}, {"avi", ".avi"}, {"ogg", ".ogg"},   {"mkv", ".mkv"}};

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

// A drive the user may read: not every user is in the drive's group, and a
// remote login is not given the local drive.
bool IsReadableBlockDevice(const std::string& path)
{
    if (!IsDrive(path)) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
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

// The volume the disc is: the one whose root holds VIDEO_TS, or a drive's
// when it is mounted. A folder of disc files elsewhere has none (the volume
// around it is not the disc), nor has an image.
std::optional<Volume> DiscVolume(const std::string& videoTsPath, const std::vector<Volume>& volumes)
{
    if (IsDiscImageOrDrive(videoTsPath)) {
        for (const Volume& volume : volumes)
            if (volume.device == videoTsPath) return volume;
        return std::nullopt;
    }
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

std::optional<int> ContainerNamed(const std::string& name)
{
    const std::string wanted = ToLower(name);
    for (int i = 0; i < static_cast<int>(std::size(kMuxTable)); ++i)
        if (wanted == kMuxTable[i].mux || wanted == ToLower(kContainerTable[i])) return i;
    return std::nullopt;
}

std::string DiscReadPath(const std::string& videoTsPath, const std::vector<Volume>& volumes)
{
    // An image or a drive given as such is read as it is.
    if (IsDiscImageOrDrive(videoTsPath)) return videoTsPath;
    auto volume = DiscVolume(videoTsPath, volumes);
    // A device this machine lacks, or the user may not read, cannot be used; its folder can.
    if (volume && !volume->device.empty() && IsReadableBlockDevice(volume->device)) return volume->device;
    return fs::path(videoTsPath).parent_path().string();
}

std::string BuildMediaLocator(const std::string& videoTsPath, const std::vector<Volume>& volumes,
                              const std::optional<DiscSelection>& selection)
{
    return kDiscScheme + EncodeLocatorPath(DiscReadPath(videoTsPath, volumes)) + (selection ? "#" + EncodeSelection(*selection) : "");
}

std::string SafeFileName(const std::string& label)
{
    std::string name = label;
    for (char& c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    if (!name.empty() && name[0] == '.') name[0] = '_';
    return name;
}

std::string DiscLabel(const std::string& videoTsPath, const std::vector<Volume>& volumes, const std::string& fileSystemLabel)
{
    auto volume = DiscVolume(videoTsPath, volumes);
    return volume && !volume->label.empty() ? volume->label : fileSystemLabel;
}

std::string BuildOutputPath(const std::string& videoTsPath, const std::string& outputFolder, int itemNumber,
                            RipSettings& settings, const std::vector<Volume>& volumes,
                            const std::optional<DiscSelection>& selection, const std::string& discLabel)
{
    std::string base = SafeFileName(DiscLabel(videoTsPath, volumes, discLabel));
    if (base.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "dvdRip_Movie%d", itemNumber);
        base = name;
    }
    const std::string extension = GetContainerExtension(settings);
    // A part of the disc says so in its name, so that it never overwrites the whole disc's file.
    const std::string part = selection ? "_" + SelectionLabel(*selection) : std::string();
    // A label longer than the file system allows for a name is shortened.
    return outputFolder + "/" + FitFileName(outputFolder, base, part + extension) + part + extension;
}

std::string BuildTranscodeChain(const RipSettings& s, const std::string& outputPath, bool previewEnabled,
                                const std::string& frameRate, const StreamChoices& streams)
{
    const char* format =
        previewEnabled
            ? ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:duplicate{dst=display,dst=std{access=file,mux=%s,dst=\"%s\"}"
            : ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:standard{access=file,mux=%s,dst=\"%s\"}";
    const std::string path = QuotedForChain(outputPath);
    std::string extras = frameRate.empty() ? std::string() : ",fps=" + frameRate;
    if (!streams.audio.empty()) extras += ",audio=" + streams.audio;
    if (!streams.subtitles.empty()) extras += ",subtitles=" + JoinChoices(streams.subtitles);
    if (!streams.burn.empty()) extras += ",burn=" + streams.burn;
    if (streams.forcedOnly && (!streams.subtitles.empty() || !streams.burn.empty())) extras += ",forced";
    const int length = std::snprintf(nullptr, 0, format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                                     s.audioCodec.c_str(), s.audioBitrate, s.audioChannels, s.audioRate, extras.c_str(),
                                     s.mux.c_str(), path.c_str());
    std::string chain(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(chain.data(), chain.size(), format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                  s.audioCodec.c_str(), s.audioBitrate, s.audioChannels, s.audioRate, extras.c_str(), s.mux.c_str(),
                  path.c_str());
    chain.pop_back();
    return chain;
}

std::string DiscFrameRate(const DvdSource& source)
{
    const std::string tvSystem = source.TitleSets().empty() ? std::string() : source.TitleSets().front()->tvSystem;
    if (tvSystem == "PAL") return "25";
    // As a fraction: a file at 29.97 drifts from the disc.
    if (tvSystem == "NTSC") return "30000/1001";
    return {};
}

bool KeepsSubtitleTracks(const std::string& mux)
{
    // MPEG-PS as the disc's own sub-streams; MP4 and MKV with their colours.
    for (const char* holds : {"ps", "mpeg1", "mp4", "mkv"})
        if (mux == holds) return true;
    return false;
}

StreamChoices SubtitleChoices(const RipSettings& settings, const PlayList& playList)
{
    StreamChoices choices;
    if (settings.subtitleMode == kSubtitlesNone || (settings.subtitleMode == kSubtitlesKept && !KeepsSubtitleTracks(settings.mux)))
        return choices;
    for (const std::string& stream : {settings.subtitleLanguage, std::string("1")}) {
        PlayList routed = playList;
        std::vector<std::string> missing;
        RouteStreams(routed, {{}, {stream}, {}, false}, &missing);
        if (!missing.empty()) continue;
        if (settings.subtitleMode == kSubtitlesKept) choices.subtitles = {stream};
        else choices.burn = stream;
        choices.forcedOnly = settings.subtitleForced == 1;
        break;
    }
    return choices;
}

std::string SubtitleNote(const RipSettings& settings)
{
    if (settings.subtitleMode == kSubtitlesNone) return {};
    RipSettings container = settings;
    GetContainerExtension(container);
    if (settings.subtitleMode == kSubtitlesKept && !KeepsSubtitleTracks(container.mux))
        return std::string("Subtitles: none, ") + kContainerTable[ContainerOrDefault(container.videoMethod)] + " holds no track.";
    return std::string("Subtitles: ") + (settings.subtitleForced ? "forced " : "") + settings.subtitleLanguage +
           (settings.subtitleMode == kSubtitlesKept ? ", kept as a track." : ", burned in.");
}

void ApplySaveAsFile(RipSettings& settings, const std::string& path)
{
    const std::string extension = fs::path(path).extension().string();
    ApplySaveAsExtension(settings, extension.empty() ? extension : extension.substr(1));
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
