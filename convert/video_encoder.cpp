#include "convert/video_encoder.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include <climits>
#include <cmath>
#include <string>

namespace {

// Encoders of 4:2:0 pictures take even sizes only.
int ScaledEven(int size, double scale)
{
    const int scaled = static_cast<int>(std::lround(size * scale / 2)) * 2;
    return scaled < 2 ? 2 : scaled;
}

}  // namespace

VideoEncoder::VideoEncoder(const StreamOutput& output, AVRational frameRate, bool globalHeader)
    : output(output), frameRate(frameRate), globalHeader(globalHeader), filtered(NewFrame()), packet(NewPacket())
{
}

void VideoEncoder::Open(const AVFrame& first)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(output.videoEncoder.c_str());
    if (!codec) throw ConversionError("this machine's libavcodec has no " + output.videoEncoder + " encoder");
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context) throw ConversionError("out of memory for the video encoder");
    context->width = ScaledEven(first.width, output.scale);
    context->height = ScaledEven(first.height, output.scale);
    const auto format = static_cast<AVPixelFormat>(first.format);
    context->pix_fmt = codec->pix_fmts ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, format, 0, nullptr) : format;
    context->time_base = av_inv_q(frameRate);
    context->framerate = frameRate;
    context->bit_rate = int64_t(output.videoBitrate) * 1000;
    // The picture keeps its shape on the screen at the new size.
    if (first.sample_aspect_ratio.num > 0)
        av_reduce(&context->sample_aspect_ratio.num, &context->sample_aspect_ratio.den,
                  int64_t(first.sample_aspect_ratio.num) * context->height * first.width,
                  int64_t(first.sample_aspect_ratio.den) * context->width * first.height, INT_MAX);
    if (globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Decoding runs beside encoding, so libavcodec's own encoders take one
    // thread (more cost time: measured with bench/rip_vs_ffmpeg.sh); x264,
    // far slower, takes as many as it likes.
    context->thread_count = codec->capabilities & AV_CODEC_CAP_OTHER_THREADS ? 0 : 1;
    AvCheck(avcodec_open2(context.get(), codec, nullptr), "cannot open the video encoder " + output.videoEncoder);
    encoder = std::move(context);
}

void VideoEncoder::BuildFilters(const AVFrame& like)
{
    graph.reset(avfilter_graph_alloc());
    if (!graph) throw ConversionError("out of memory for the picture filters");
    const AVRational sar = like.sample_aspect_ratio.num > 0 ? like.sample_aspect_ratio : AVRational{1, 1};
    const std::string in = "video_size=" + std::to_string(like.width) + "x" + std::to_string(like.height) +
                           ":pix_fmt=" + std::to_string(like.format) + ":time_base=" + std::to_string(frameRate.den) +
                           "/" + std::to_string(frameRate.num) + ":pixel_aspect=" + std::to_string(sar.num) + "/" +
                           std::to_string(sar.den);
    AvCheck(avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", in.c_str(), nullptr, graph.get()),
            "cannot take pictures of " + std::to_string(like.width) + "x" + std::to_string(like.height));
    AvCheck(avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph.get()),
            "cannot make the picture filters");
    const AVRational encoderSar = encoder->sample_aspect_ratio.num > 0 ? encoder->sample_aspect_ratio : AVRational{1, 1};
    // Only pictures the disc marks interlaced are deinterlaced, one picture for one.
    const std::string description =
        std::string(output.deinterlace ? "yadif=mode=send_frame:parity=auto:deint=interlaced," : "") + "scale=" +
        std::to_string(encoder->width) + ":" + std::to_string(encoder->height) + ",setsar=" + std::to_string(encoderSar.num) +
        "/" + std::to_string(encoderSar.den) + ",format=pix_fmts=" + av_get_pix_fmt_name(encoder->pix_fmt);
    ConnectFilters(*graph, source, sink, description, "cannot make the picture filters");
    inWidth = like.width;
    inHeight = like.height;
    inFormat = like.format;
}

void VideoEncoder::Encode(AVFrame& picture, int64_t index, const PacketSink& sink)
{
    if (picture.width != inWidth || picture.height != inHeight || picture.format != inFormat) {
        if (graph) {
            // What the old filters hold goes out before pictures of the new size come in.
            AvCheck(av_buffersrc_add_frame(source, nullptr), "cannot filter the pictures");
            Filtered(sink);
        }
        BuildFilters(picture);
    }
    picture.pts = index;
    AvCheck(av_buffersrc_add_frame_flags(source, &picture, AV_BUFFERSRC_FLAG_KEEP_REF), "cannot filter a picture");
    Filtered(sink);
}

void VideoEncoder::Flush(const PacketSink& sink)
{
    if (!encoder) return;
    if (graph) {
        AvCheck(av_buffersrc_add_frame(source, nullptr), "cannot filter the pictures");
        Filtered(sink);
    }
    Encoded(nullptr, sink);
}

void VideoEncoder::Filtered(const PacketSink& sink)
{
    for (;;) {
        const int result = av_buffersink_get_frame(this->sink, filtered.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        AvCheck(result, "cannot filter a picture");
        // The filters may count in a time base of their own (yadif's is halved).
        filtered->pts = av_rescale_q(filtered->pts, av_buffersink_get_time_base(this->sink), encoder->time_base);
        // The encoder chooses its own picture types, not the disc's.
        filtered->pict_type = AV_PICTURE_TYPE_NONE;
        Encoded(filtered.get(), sink);
        av_frame_unref(filtered.get());
    }
}

void VideoEncoder::Encoded(AVFrame* picture, const PacketSink& sink)
{
    EncodeInto(*encoder, picture, *packet, "the video encoder " + output.videoEncoder + " failed", [&](AVPacket* made) {
        if (made->duration <= 0) made->duration = 1;  // one frame: the last one's length counts in MP4 and MOV
        sink(made);
    });
}
