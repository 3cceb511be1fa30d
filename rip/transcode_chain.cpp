#include "rip/transcode_chain.h"

#include "convert/media_locator.h"
#include "rip/containers.h"
#include "rip/disc_location.h"

#include "settings/value_tables.h"

#include <vector>

namespace {

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

}  // namespace

std::string BuildMediaLocator(const std::string& videoTsPath, const std::vector<Volume>& volumes,
                              const std::optional<DiscSelection>& selection)
{
    return kDiscScheme + EncodeLocatorPath(DiscReadPath(videoTsPath, volumes)) + (selection ? "#" + EncodeSelection(*selection) : "");
}

std::string BuildTranscodeChain(const RipSettings& s, const std::string& outputPath, bool previewEnabled,
                                const std::string& frameRate, const StreamChoices& streams)
{
    // A stream whose codec is "copy" is named not at all: it passes through as the disc holds it.
    const bool convertsVideo = s.videoCodec != kCopyCodec, convertsAudio = s.audioCodec != kCopyCodec;
    std::vector<std::string> options;
    if (convertsVideo)
        options.insert(options.end(), {"vcodec=" + s.videoCodec, "vb=" + std::to_string(s.videoBitrate), "scale=" + s.videoScale});
    if (convertsAudio)
        options.insert(options.end(), {"acodec=" + s.audioCodec, "ab=" + std::to_string(s.audioBitrate),
                                       "channels=" + std::to_string(s.audioChannels), "samplerate=" + std::to_string(s.audioRate)});
    if (convertsVideo) options.push_back("deinterlace");
    if (convertsVideo && !frameRate.empty()) options.push_back("fps=" + frameRate);
    if (!streams.audio.empty()) options.push_back("audio=" + streams.audio);
    if (!streams.subtitles.empty()) options.push_back("subtitles=" + JoinChoices(streams.subtitles));
    if (convertsVideo && !streams.burn.empty()) options.push_back("burn=" + streams.burn);
    if (streams.forcedOnly && (!streams.subtitles.empty() || (convertsVideo && !streams.burn.empty()))) options.push_back("forced");
    std::string transcode;
    for (const std::string& option : options) transcode += (transcode.empty() ? "" : ",") + option;

    const std::string file = "access=file,mux=" + MuxOf(s) + ",dst=\"" + QuotedForChain(outputPath) + "\"";
    // The duplicate form opens two braces and closes one: the form the converter's parser expects.
    const std::string output = previewEnabled ? "duplicate{dst=display,dst=std{" + file + "}" : "standard{" + file + "}";
    return ":sout=#" + (transcode.empty() ? std::string() : "transcode{" + transcode + "}:") + output;
}

std::string DiscFrameRate(const DvdSource& source)
{
    const std::string tvSystem = source.TitleSets().empty() ? std::string() : source.TitleSets().front()->tvSystem;
    if (tvSystem == "PAL") return "25";
    // As a fraction: a file at 29.97 drifts from the disc.
    if (tvSystem == "NTSC") return "30000/1001";
    return {};
}
