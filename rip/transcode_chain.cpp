#include "rip/transcode_chain.h"

#include "convert/media_locator.h"
#include "rip/containers.h"
#include "rip/disc_location.h"

#include <cstdio>

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
    const char* format =
        previewEnabled
            ? ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:duplicate{dst=display,dst=std{access=file,mux=%s,dst=\"%s\"}"
            : ":sout=#transcode{vcodec=%s,vb=%d,scale=%s,acodec=%s,ab=%d,channels=%d,samplerate=%d,deinterlace%s}:standard{access=file,mux=%s,dst=\"%s\"}";
    const std::string path = QuotedForChain(outputPath);
    const std::string mux = MuxOf(s);
    std::string extras = frameRate.empty() ? std::string() : ",fps=" + frameRate;
    if (!streams.audio.empty()) extras += ",audio=" + streams.audio;
    if (!streams.subtitles.empty()) extras += ",subtitles=" + JoinChoices(streams.subtitles);
    if (!streams.burn.empty()) extras += ",burn=" + streams.burn;
    if (streams.forcedOnly && (!streams.subtitles.empty() || !streams.burn.empty())) extras += ",forced";
    const int length = std::snprintf(nullptr, 0, format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                                     s.audioCodec.c_str(), s.audioBitrate, s.audioChannels, s.audioRate, extras.c_str(),
                                     mux.c_str(), path.c_str());
    std::string chain(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(chain.data(), chain.size(), format, s.videoCodec.c_str(), s.videoBitrate, s.videoScale.c_str(),
                  s.audioCodec.c_str(), s.audioBitrate, s.audioChannels, s.audioRate, extras.c_str(), mux.c_str(),
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
