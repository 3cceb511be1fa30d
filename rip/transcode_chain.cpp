#include "rip/transcode_chain.h"

#include "dvd/disc_files.h"
#include "rip/media_locator.h"
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

// Sample rates the audio encoders take. libvlc drops the audio without a
// word when an encoder refuses the rate it is given (MPEG audio has no
// 22500 or 11250, AC-3 nothing under 32000); codecs not listed take any.
struct EncoderRates {
    const char* codec;
    std::vector<int> rates;
};
const EncoderRates kEncoderRates[] = {
    {"mpga", {48000, 44100, 32000, 24000, 22050, 16000}},
    {"mp2a", {48000, 44100, 32000, 24000, 22050, 16000}},
    {"mp3", {48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000}},
    {"mp4a", {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000}},
    {"a52", {48000, 44100, 32000}},
};

// The rate nearest to `rate` that the codec's encoder takes (the higher of two as near).
int AcceptedSampleRate(const std::string& codec, int rate)
{
    for (const EncoderRates& encoder : kEncoderRates) {
        if (codec != encoder.codec) continue;
        int best = encoder.rates.front();
        for (int accepted : encoder.rates)
            if (std::abs(accepted - rate) < std::abs(best - rate)) best = accepted;
        return best;
    }
    return rate;
}

// Bitrates the audio encoders take: a window that for Vorbis narrows with
// the rate and the channels (measured with libvorbis 1.3, and libavcodec's
// WMA and MPEG audio encoders); outside it the audio is dropped. Rows by codec and the lowest
// rate they hold for; channels 0 means any.
struct BitrateWindow {
    const char* codec;
    int fromRate, channels, lowest, highest;  // kbit/s
};
constexpr BitrateWindow kBitrateWindows[] = {
    {"vorb", 44100, 1, 32, 192}, {"vorb", 44100, 2, 64, 256}, {"vorb", 22050, 1, 16, 64},
    {"vorb", 22050, 2, 32, 128}, {"vorb", 0, 1, 16, 32},      {"vorb", 0, 2, 16, 96},
    {"wma2", 0, 0, 32, 512},
    // MPEG audio layer II: MPEG-1 rates from 32 kHz, MPEG-2's below.
    {"mpga", 32000, 0, 32, 384}, {"mpga", 0, 0, 8, 160},
};

int AcceptedAudioBitrate(const std::string& codec, int rate, int channels, int bitrate)
{
    for (const BitrateWindow& window : kBitrateWindows)
        if (codec == window.codec && rate >= window.fromRate && (window.channels == 0 || channels == window.channels))
            return std::clamp(bitrate, window.lowest, window.highest);
    return bitrate;
}

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

std::string BuildMediaLocator(const std::string& videoTsPath, const std::vector<Volume>& volumes,
                              const std::optional<DiscSelection>& selection)
{
    const std::string part = selection ? "#" + EncodeSelection(*selection) : std::string();
    // An image or a drive given as such is read as it is.
    if (IsDiscImageOrDrive(videoTsPath)) return kDiscScheme + EncodeLocatorPath(videoTsPath) + part;
    auto volume = DiscVolume(videoTsPath, volumes);
    // A device this machine lacks, or the user may not read, cannot be used; its folder can.
    if (volume && !volume->device.empty() && IsReadableBlockDevice(volume->device))
        return kDiscScheme + EncodeLocatorPath(volume->device) + part;
    return kDiscScheme + EncodeLocatorPath(fs::path(videoTsPath).parent_path().string()) + part;
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
                            RipSettings& settings, const std::vector<Volume>& volumes,
                            const std::optional<DiscSelection>& selection, const std::string& discLabel)
{
    auto volume = DiscVolume(videoTsPath, volumes);
    std::string base = SafeFileName(volume && !volume->label.empty() ? volume->label : discLabel);
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
                                const std::string& frameRate)
{
    const char* format =
        previewEnabled
            ? ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:duplicate{dst=display,dst=std{access=file,mux=%s,dst=\"%s\"}"
            : ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:standard{access=file,mux=%s,dst=\"%s\"}";
    const std::string path = QuotedForChain(outputPath);
    std::string extras = frameRate.empty() ? std::string() : ",fps=" + frameRate;
    // libavcodec's MPEG audio encoder: a sixth of the CPU of twolame, libvlc's
    // first choice (measured with bench/rip_vs_ffmpeg.sh).
    if (s.audioCodec == "mpga") extras += ",aenc=avcodec";
    const int rate = AcceptedSampleRate(s.audioCodec, s.audioRate);
    const int audioBitrate = AcceptedAudioBitrate(s.audioCodec, rate, s.audioChannels, s.audioBitrate);
    const int length = std::snprintf(nullptr, 0, format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                                     s.audioCodec.c_str(), audioBitrate, s.audioChannels, rate, extras.c_str(),
                                     s.mux.c_str(), path.c_str());
    std::string chain(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(chain.data(), chain.size(), format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                  s.audioCodec.c_str(), audioBitrate, s.audioChannels, rate, extras.c_str(), s.mux.c_str(), path.c_str());
    chain.pop_back();
    return chain;
}

std::string DiscFrameRate(const DvdSource& source)
{
    const std::string tvSystem = source.TitleSets().empty() ? std::string() : source.TitleSets().front()->tvSystem;
    if (tvSystem == "PAL") return "25";
    // As a fraction: libvlc keeps 29.97 as 2997/100, and a file at that rate drifts from the disc.
    if (tvSystem == "NTSC") return "30000/1001";
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
