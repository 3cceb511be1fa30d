#include "tests/media_probe.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "tests/test_discs.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

MediaFacts ProbeMedia(const std::string& file, bool countFrames)
{
    MediaFacts facts;
    const std::string output = RunCommand("ffprobe -v error -of json " + std::string(countFrames ? "-count_frames " : "") +
                                          "-show_entries stream=codec_type,codec_name,r_frame_rate,nb_read_frames,width,height,sample_rate,channels,field_order,display_aspect_ratio:"
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
            facts.fieldOrder = stream.value("field_order", "");
            facts.displayAspect = stream.value("display_aspect_ratio", "");
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
    // What the decoders say; the null muxer's notes on the times ffmpeg gives it (AC-3 read back from an MPEG
    // program stream, ffmpeg's own copies too) are no fault of the file's.
    return RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -f null - 2>&1 | grep -v '^\\[null @'");
}

std::vector<std::string> AudioPacketChecksums(const std::string& file, int audioStream)
{
    // Lines of "stream, dts, pts, duration, size, checksum[, side data]"; those of "#" describe the streams.
    std::istringstream lines(RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -map 0:a:" + std::to_string(audioStream) +
                                        " -c copy -f framemd5 - 2>/dev/null"));
    std::vector<std::string> checksums;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#') {
            std::istringstream fields(line);
            std::string field;
            for (int k = 0; k < 6 && std::getline(fields, field, ','); ++k) {}
            checksums.push_back(field.substr(field.find_first_not_of(' ')));
        }
    return checksums;
}

std::string DecodedSound(const std::string& file, int audioStream)
{
    return RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -map 0:a:" + std::to_string(audioStream) + " -f s16le - 2>/dev/null");
}

double AudioSeconds(const std::string& file)
{
    const std::string samples = RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -map 0:a:0 -ac 1 -ar 48000 -f s16le - 2>/dev/null");
    return samples.size() / 2 / 48000.0;
}

int ToneOf(const std::string& file, int audioStream, double from)
{
    const std::string samples = RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -map 0:a:" + std::to_string(audioStream) +
                                           " -ss " + std::to_string(from) + " -ac 1 -ar 8000 -t 2 -f s16le - 2>/dev/null");
    std::vector<int16_t> pcm(samples.size() / 2);
    std::memcpy(pcm.data(), samples.data(), pcm.size() * 2);
    int crossings = 0;
    for (std::size_t i = 1; i < pcm.size(); ++i) crossings += (pcm[i - 1] < 0) != (pcm[i] < 0);
    return pcm.empty() ? 0 : static_cast<int>(crossings / 2.0 / (pcm.size() / 8000.0) + 0.5);
}

std::vector<SubtitleTrackFacts> SubtitleTracksOf(const std::string& file)
{
    const auto probe = nlohmann::json::parse(RunCommand("ffprobe -v error -of json -show_entries stream=index,id,codec_type,start_time:"
                                                        "stream_tags=language -show_entries packet=stream_index,pts_time " +
                                                        ShellQuote(file) + " 2>/dev/null"),
                                             nullptr, false);
    std::vector<SubtitleTrackFacts> tracks;
    if (probe.is_discarded()) return tracks;
    // In the order of the file's tracks: a program stream's by their ids (0x20, 0x21…), which ffprobe
    // lists in the order it meets them.
    auto streams = probe.value("streams", nlohmann::json::array());
    std::stable_sort(streams.begin(), streams.end(), [](const auto& a, const auto& b) { return a.value("id", "") < b.value("id", ""); });
    std::map<int, std::size_t> trackOf;  // by stream index
    double firstPicture = 0;
    for (const auto& stream : streams) {
        const std::string type = stream.value("codec_type", "");
        if (type == "video") firstPicture = std::atof(stream.value("start_time", "0").c_str());
        if (type != "subtitle") continue;
        trackOf[stream.value("index", -1)] = tracks.size();
        tracks.push_back({stream.value("tags", nlohmann::json::object()).value("language", ""), {}});
    }
    for (const auto& packet : probe.value("packets", nlohmann::json::array()))
        if (auto at = trackOf.find(packet.value("stream_index", -1)); at != trackOf.end())
            tracks[at->second].starts.push_back(std::atof(packet.value("pts_time", "0").c_str()) - firstPicture);
    return tracks;
}

Picture PictureAt(const std::string& file, double seconds, int subtitleTrack)
{
    const std::string size = RunCommand("ffprobe -v error -select_streams v:0 -show_entries stream=width -of csv=p=0 " +
                                        ShellQuote(file) + " 2>/dev/null");
    const std::string drawn = subtitleTrack < 0 ? "" : " -filter_complex '[0:v][0:s:" + std::to_string(subtitleTrack) + "]overlay'";
    // Seeking after the input decodes up to the picture itself, not to a key frame near it.
    return {std::atoi(size.c_str()), RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + drawn + " -ss " +
                                                std::to_string(seconds) + " -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null")};
}

std::array<int, 3> Picture::At(int x, int y) const
{
    const std::size_t at = (std::size_t(y) * width + x) * 3;
    if (at + 3 > rgb.size()) return {-1, -1, -1};
    return {uint8_t(rgb[at]), uint8_t(rgb[at + 1]), uint8_t(rgb[at + 2])};
}

double Picture::Psnr(const Picture& other) const
{
    if (rgb.empty() || rgb.size() != other.rgb.size()) return 0;
    double squares = 0;
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        const double d = double(uint8_t(rgb[i])) - uint8_t(other.rgb[i]);
        squares += d * d;
    }
    return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * rgb.size() / squares);
}

SourceFacts SourceOf(const std::string& disc)
{
    SourceFacts facts;
    for (const auto& entry : fs::directory_iterator(disc + "/VIDEO_TS")) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".VOB") || name.ends_with("_0.VOB") || name == "VIDEO_TS.VOB") continue;
        const MediaFacts vob = ProbeMedia(entry.path(), true);
        facts.frames += vob.videoFrames;
        facts.frameRate = vob.frameRate;
        facts.seconds += vob.videoFrames / vob.frameRate;
    }
    return facts;
}

bool TimelineRunsForward(const std::string& file)
{
    const auto probe = nlohmann::json::parse(RunCommand("ffprobe -v error -select_streams v:0 -of json -show_entries "
                                                        "frame=best_effort_timestamp_time " + ShellQuote(file) + " 2>/dev/null"));
    double last = -1e9;
    for (const auto& frame : probe["frames"]) {
        if (!frame.contains("best_effort_timestamp_time")) continue;
        const double time = std::stod(frame["best_effort_timestamp_time"].get<std::string>());
        if (time < last) return false;
        last = time;
    }
    return !probe["frames"].empty();
}
