#pragma once
// The pictures' way into the file: deinterlacing where a picture is
// interlaced, scaling to the chain's size and the encoder's pixel format
// (libavfilter), then the chain's video encoder.
#include "convert/av_support.h"
#include "convert/stream_output.h"

class VideoEncoder {
public:
    // `frameRate` is the output's; every picture is one frame of it.
    VideoEncoder(const StreamOutput& output, AVRational frameRate, bool globalHeader);

    // Opens the encoder for pictures like `first` (the disc's first), at
    // its size times the chain's scale. Before any Encode.
    void Open(const AVFrame& first);
    bool IsOpen() const { return encoder != nullptr; }
    const AVCodecContext& Context() const { return *encoder; }

    // Encodes a decoded picture as frame `index` of the output; the packets
    // made go to `sink`, their times in the encoder's time base.
    void Encode(AVFrame& picture, int64_t index, const PacketSink& sink);
    // Passes on every picture still held.
    void Flush(const PacketSink& sink);

private:
    // The filters for pictures like `like`: a disc may change its picture size or format between titles.
    void BuildFilters(const AVFrame& like);
    void Filtered(const PacketSink& sink);
    void Encoded(AVFrame* picture, const PacketSink& sink);

    const StreamOutput output;
    const AVRational frameRate;
    const bool globalHeader;
    CodecPtr encoder;
    GraphPtr graph;
    AVFilterContext *source = nullptr, *sink = nullptr;
    int inWidth = 0, inHeight = 0, inFormat = -1;
    FramePtr filtered;
    PacketPtr packet;
};
