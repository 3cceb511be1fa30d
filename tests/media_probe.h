#pragma once
// What ffprobe and ffmpeg make of a converted file.
#include <array>
#include <string>
#include <utility>
#include <vector>

struct MediaFacts {
    int videoStreams = 0;
    int audioStreams = 0;
    double duration = 0;     // seconds, of the container
    long videoFrames = 0;    // counted by decoding (only when asked)
    double frameRate = 0;    // of the first video stream
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;  // of the first audio stream
    std::string rate;        // the same as the container states it: "30000/1001"
    std::string videoCodec, audioCodec;
    std::string fieldOrder, displayAspect;  // of the first video stream: "tt", "progressive"; "16:9"
    std::string formatName;  // ffprobe's name of the container, e.g. "avi"
    std::vector<std::string> audioLanguages;              // of each audio stream, "" for none
    std::vector<std::pair<std::string, double>> chapters;  // titles and start times
};

MediaFacts ProbeMedia(const std::string& file, bool countFrames = false);

// What `ffmpeg -v error -i FILE -f null -` prints: empty for a file that decodes cleanly.
std::string DecodeErrors(const std::string& file);

// The checksum of each packet of an audio stream, as it is (ffmpeg's framemd5 of a copy).
std::vector<std::string> AudioPacketChecksums(const std::string& file, int audioStream = 0);

// The samples an audio stream decodes to, as 16-bit PCM.
std::string DecodedSound(const std::string& file, int audioStream = 0);

// Seconds of sound that the first audio stream decodes to.
double AudioSeconds(const std::string& file);

// The pitch of an audio stream's two seconds from `from`, in Hz (the test
// discs carry one steady tone per stream).
int ToneOf(const std::string& file, int audioStream = 0, double from = 0);

// A subtitle track of a file: its language ("" for none) and when each of
// its subpictures begins, in seconds after the first picture.
struct SubtitleTrackFacts {
    std::string language;
    std::vector<double> starts;
    bool operator==(const SubtitleTrackFacts&) const = default;
};
std::vector<SubtitleTrackFacts> SubtitleTracksOf(const std::string& file);

// The picture shown `seconds` after the first, as 8-bit RGB of its own size
// (`width` wide); with `subtitleTrack` >= 0 that track drawn over it, as a player would.
struct Picture {
    int width = 0;
    std::string rgb;
    // The colour at a point, and the peak signal-to-noise ratio in dB against another picture of the same size.
    std::array<int, 3> At(int x, int y) const;
    double Psnr(const Picture& other) const;
};
Picture PictureAt(const std::string& file, double seconds, int subtitleTrack = -1);

// What the disc holds: frames, frame rate and seconds of all its titles' VOBs.
struct SourceFacts {
    long frames = 0;
    double frameRate = 0, seconds = 0;
};
SourceFacts SourceOf(const std::string& disc);

// Presentation times of the decoded pictures never go back (a picture the
// container gives no time, as AVI does for its last, is passed over).
bool TimelineRunsForward(const std::string& file);
