#include "tests/media_probe.h"

#include <cstring>
#include <vector>

#include "tests/test_discs.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <regex>

MediaFacts ProbeMedia(const std::string& file, bool countFrames)
{
    MediaFacts facts;
    const std::string output = RunCommand("ffprobe -v error -of json " + std::string(countFrames ? "-count_frames " : "") +
                                          "-show_entries stream=codec_type,codec_name,r_frame_rate,nb_read_frames:format=duration,format_name " +
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
        } else if (type == "audio" && ++facts.audioStreams == 1) {
            facts.audioCodec = stream.value("codec_name", "");
        }
    }
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

std::string DecodeErrorsBesidesOggEndOfStream(const std::string& file)
{
    std::string errors = DecodeErrors(file);
    const std::regex endOfStream("Error while decoding stream #0:([0-9]+): Invalid argument\n");
    std::smatch match;
    if (!std::regex_search(errors, match, endOfStream)) return errors;
    // Only when that stream's last packet is the empty one.
    const std::string packets = RunCommand("ffprobe -v error -select_streams " + match[1].str() +
                                           " -show_entries packet=size -of csv=p=0 " + ShellQuote(file) + " 2>/dev/null");
    const auto lastLine = packets.find_last_not_of('\n');
    const auto lastStart = packets.rfind('\n', lastLine);
    const std::string lastSize = packets.substr(lastStart == std::string::npos ? 0 : lastStart + 1, lastLine - (lastStart == std::string::npos ? 0 : lastStart + 1) + 1);
    if (lastSize == "0") errors.erase(match.position(0), match.length(0));
    return errors;
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
