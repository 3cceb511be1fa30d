#include "convert/av_support.h"

extern "C" {
#include <libavutil/error.h>
}

std::string AvErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int AvCheck(int code, const std::string& doing)
{
    // libavcodec and libavfilter give -1 where they state no cause (as when
    // an allocation inside them fails): it is no "Operation not permitted".
    if (code == -1) throw ConversionError(doing + " (FFmpeg's libraries give no reason)");
    if (code < 0) throw ConversionError(doing + ": " + AvErrorText(code));
    return code;
}

void ConnectFilters(AVFilterGraph& graph, AVFilterContext* source, AVFilterContext* sink, const std::string& description,
                    const std::string& failing)
{
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    int result = outputs && inputs ? 0 : AVERROR(ENOMEM);
    if (result == 0) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        result = avfilter_graph_parse_ptr(&graph, description.c_str(), &inputs, &outputs, nullptr);
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    AvCheck(result, failing + " " + description);
    AvCheck(avfilter_graph_config(&graph, nullptr), failing + " " + description);
}

void EncodeInto(AVCodecContext& encoder, AVFrame* frame, AVPacket& packet, const std::string& failing, const PacketSink& sink)
{
    AvCheck(avcodec_send_frame(&encoder, frame), failing);
    for (;;) {
        const int result = avcodec_receive_packet(&encoder, &packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        AvCheck(result, failing);
        sink(&packet);
        av_packet_unref(&packet);
    }
}

FramePtr NewFrame()
{
    FramePtr frame(av_frame_alloc());
    if (!frame) throw ConversionError("out of memory for a picture");
    return frame;
}

PacketPtr NewPacket()
{
    PacketPtr packet(av_packet_alloc());
    if (!packet) throw ConversionError("out of memory for a packet");
    return packet;
}
