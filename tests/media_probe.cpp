#include "tests/media_probe.h"

#include <cstring>
#include <vector>

#include "tests/test_discs.h"

#include <nlohmann/json.hpp>

#include <cstdlib>

MediaFacts ProbeMedia(const std::string& file, bool countFrames)
{
    MediaFacts facts;
    const std::string output = RunCommand("ffprobe -v error -of json " + std::string(countFrames ? "-count_frames " : "") +
                                          "-show_entries stream=codec_type,codec_name,r_frame_rate,nb_read_frames,width,height,sample_rate,channels:"
                                          "stream_tags=language:"
                                          "format=duration,format_name -show_chapters " +
                                          ShellQuote(file) + " 2>/dev/null");
    const nlohmann::json probe = nlohmann::json::parse(output, nullptr, false);
    if (probe.is_discarded()) return facts;
    for (const auto& stream : probe.value("streams", nlohmann::json::array())) {
        const std::string type = stream.value("codec_type", "");
        if (type == "video" && ++facts.videoStreams == 1) {
            facts.videoCodec = stream.value("codec_name", "");
            const std::string rate = stream.value("r_frame_rate", "0/0");
            facts.rate = rate;
            const auto slash = rate.find('/');
            if (slash != std::string::npos && std::atof(rate.c_str() + slash + 1) != 0)
                facts.frameRate = std::atof(rate.c_str()) / std::atof(rate.c_str() + slash + 1);
            facts.videoFrames = std::atol(stream.value("nb_read_frames", "0").c_str());
            facts.width = stream.value("width", 0);
            facts.height = stream.value("height", 0);
        } else if (type == "audio") {
            if (++facts.audioStreams == 1) {
                facts.audioCodec = stream.value("codec_name", "");
                facts.sampleRate = std::atoi(stream.value("sample_rate", "0").c_str());
                facts.channels = stream.value("channels", 0);
            }
            facts.audioLanguages.push_back(stream.value("tags", nlohmann::json::object()).value("language", ""));
        }
    }
    for (const auto& chapter : probe.value("chapters", nlohmann::json::array()))
        facts.chapters.emplace_back(chapter.value("tags", nlohmann::json::object()).value("title", ""),
                                    std::atof(chapter.value("start_time", "0").c_str()));
    if (probe.contains("format")) {
        facts.duration = std::atof(probe["format"].value("duration", "0").c_str());
        facts.formatName = probe["format"].value("format_name", "");
    }
    return facts;
}

std::string DecodeErrors(const std::string& file)
{
    return RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -f null - 2>&1");
}

double AudioSeconds(const std::string& file)
{
    const std::string samples = RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -map 0:a:0 -ac 1 -ar 48000 -f s16le - 2>/dev/null");
    return samples.size() / 2 / 48000.0;
}

int ToneOf(const std::string& file, int audioStream)
{
    const std::string samples = RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -map 0:a:" + std::to_string(audioStream) +
                                           " -ac 1 -ar 8000 -t 2 -f s16le - 2>/dev/null");
    std::vector<int16_t> pcm(samples.size() / 2);
    std::memcpy(pcm.data(), samples.data(), pcm.size() * 2);
    int crossings = 0;
    for (std::size_t i = 1; i < pcm.size(); ++i) crossings += (pcm[i - 1] < 0) != (pcm[i] < 0);
    return pcm.empty() ? 0 : static_cast<int>(crossings / 2.0 / (pcm.size() / 8000.0) + 0.5);
}
