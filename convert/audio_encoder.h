#pragma once
// One audio stream's way into the file: resampled to the chain's rate and
// channels on one unbroken timeline (libavfilter's aresample, which is
// libswresample: a gap becomes silence, an overlap is cut), then the chain's
// audio encoder, never past the pictures: sound that comes before its
// pictures waits for them, and what is left after the last is dropped.
#include "convert/av_support.h"
#include "convert/stream_output.h"

#include <deque>

class AudioEncoder {
public:
    // Opens the encoder at once. A rate, channel count or bitrate the
    // encoder cannot take moves to the nearest one it can, as libavcodec
    // tells: its lists of rates and layouts, and whether it opens.
    AudioEncoder(const StreamOutput& output, bool globalHeader);

    const AVCodecContext& Context() const { return *encoder; }

    // Takes decoded sound whose first sample is sample `start` of the
    // output's timeline, counted at the sound's own rate, and encodes what
    // lies before `front`, the end of the pictures so far (seconds).
    void Encode(AVFrame& sound, int64_t start, double front, const PacketSink& sink);
    // Encodes the sound that waits, up to `front`.
    void Release(double front, const PacketSink& sink);
    // Encodes the rest up to `end`, the end of the last picture; drops what
    // lies after it.
    void Flush(double end, const PacketSink& sink);

private:
    void BuildFilters(const AVFrame& like);
    void Filtered();
    void Encoded(AVFrame* sound, const PacketSink& sink);

    const std::string name;
    CodecPtr encoder;
    bool fixedFrames = false;
    GraphPtr graph;
    AVFilterContext *source = nullptr, *sink = nullptr;
    int inRate = 0, inFormat = -1;
    AVChannelLayout inLayout{};
    int64_t madeSamples = 0;  // at the encoder's rate: where new filters go on
    std::deque<FramePtr> waiting;  // filtered, not yet encoded
    int64_t waitingSamples = 0;
    FramePtr filtered;
    PacketPtr packet;
};
