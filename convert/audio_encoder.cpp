#include "convert/audio_encoder.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Sound waits for its pictures this long at most.
constexpr int kMostWaitingSeconds = 5;

// Bitrates tried, nearest to the chain's first, when the encoder refuses it (kbit/s).
constexpr int kBitrates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};

// The rate of `rates` (ending in 0) nearest to `wanted`, the higher of two as near; `wanted` without a list.
int NearestRate(const int* rates, int wanted)
{
    if (!rates || !*rates) return wanted;
    int best = *rates;
    for (const int* rate = rates; *rate; ++rate) {
        const int distance = std::abs(*rate - wanted), bestDistance = std::abs(best - wanted);
        if (distance < bestDistance || (distance == bestDistance && *rate > best)) best = *rate;
    }
    return best;
}

// The layout of `layouts` (ending in an empty one) with the channel count nearest to `channels`.
AVChannelLayout NearestLayout(const AVChannelLayout* layouts, int channels)
{
    AVChannelLayout best{};
    av_channel_layout_default(&best, channels);
    if (!layouts) return best;
    const AVChannelLayout* chosen = nullptr;
    for (const AVChannelLayout* layout = layouts; layout->nb_channels; ++layout) {
        if (!av_channel_layout_compare(layout, &best)) return best;
        if (!chosen || std::abs(layout->nb_channels - channels) < std::abs(chosen->nb_channels - channels)) chosen = layout;
    }
    if (chosen) av_channel_layout_copy(&best, chosen);
    return best;
}

std::string Describe(const AVChannelLayout& layout)
{
    AVChannelLayout known{};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC) av_channel_layout_default(&known, layout.nb_channels);
    else av_channel_layout_copy(&known, &layout);
    char text[128] = {};
    av_channel_layout_describe(&known, text, sizeof text);
    av_channel_layout_uninit(&known);
    return text;
}

}  // namespace

AudioEncoder::AudioEncoder(const StreamOutput& output, bool globalHeader)
    : name(output.audioEncoder), filtered(NewFrame()), packet(NewPacket())
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec) throw ConversionError("this machine's libavcodec has no " + name + " encoder");
    std::vector<int> bitrates(std::begin(kBitrates), std::end(kBitrates));
    std::stable_sort(bitrates.begin(), bitrates.end(),
                     [&](int a, int b) { return std::abs(a - output.audioBitrate) < std::abs(b - output.audioBitrate); });
    bitrates.insert(bitrates.begin(), output.audioBitrate);
    int result = 0;
    for (int bitrate : bitrates) {
        CodecPtr context(avcodec_alloc_context3(codec));
        if (!context) throw ConversionError("out of memory for the audio encoder");
        context->sample_rate = NearestRate(codec->supported_samplerates, output.sampleRate);
        context->ch_layout = NearestLayout(codec->ch_layouts, output.channels);
        context->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        context->time_base = {1, context->sample_rate};
        context->bit_rate = int64_t(bitrate) * 1000;
        if (globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        result = avcodec_open2(context.get(), codec, nullptr);
        if (result >= 0) {
            encoder = std::move(context);
            break;
        }
        if (result == AVERROR(ENOMEM)) break;
    }
    AvCheck(result, "cannot open the audio encoder " + name + " at " + std::to_string(output.sampleRate) + " Hz, " +
                        std::to_string(output.channels) + " channels");
    fixedFrames = !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && encoder->frame_size > 0;
}

void AudioEncoder::BuildFilters(const AVFrame& like)
{
    graph.reset(avfilter_graph_alloc());
    if (!graph) throw ConversionError("out of memory for the sound filters");
    const std::string in = "time_base=1/" + std::to_string(like.sample_rate) + ":sample_rate=" + std::to_string(like.sample_rate) +
                           ":sample_fmt=" + av_get_sample_fmt_name(static_cast<AVSampleFormat>(like.format)) +
                           ":channel_layout=" + Describe(like.ch_layout);
    AvCheck(avfilter_graph_create_filter(&source, avfilter_get_by_name("abuffer"), "in", in.c_str(), nullptr, graph.get()),
            "cannot take sound of " + in);
    AvCheck(avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr, graph.get()),
            "cannot make the sound filters");
    // Timestamps rule: sound that overlaps what was made is cut, a gap is
    // filled with silence, both from 20 ms on (less than one AC-3 frame;
    // jitter below it is left alone). New filters go on where the old ones
    // stopped.
    const std::string description = "aresample=" + std::to_string(encoder->sample_rate) +
                                    ":async=1:min_hard_comp=0.02:first_pts=" + std::to_string(madeSamples) +
                                    ",aformat=sample_fmts=" + av_get_sample_fmt_name(encoder->sample_fmt) +
                                    ":channel_layouts=" + Describe(encoder->ch_layout);
    ConnectFilters(*graph, source, sink, description, "cannot make the sound filters");
    if (fixedFrames) av_buffersink_set_frame_size(sink, encoder->frame_size);
    inRate = like.sample_rate;
    inFormat = like.format;
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_copy(&inLayout, &like.ch_layout);
}

void AudioEncoder::Encode(AVFrame& sound, int64_t start, double front, const PacketSink& sink)
{
    if (sound.sample_rate != inRate || sound.format != inFormat || av_channel_layout_compare(&sound.ch_layout, &inLayout)) {
        if (graph) {
            AvCheck(av_buffersrc_add_frame(source, nullptr), "cannot filter the sound");
            Filtered();
        }
        BuildFilters(sound);
    }
    sound.pts = start;
    AvCheck(av_buffersrc_add_frame_flags(source, &sound, AV_BUFFERSRC_FLAG_KEEP_REF), "cannot filter the sound");
    Filtered();
    Release(front, sink);
}

void AudioEncoder::Release(double front, const PacketSink& sink)
{
    const int64_t frontSample = static_cast<int64_t>(front * encoder->sample_rate);
    // Sound far ahead of the pictures (a disc whose pictures stop) goes on all the same.
    const int64_t mostWaiting = int64_t(kMostWaitingSeconds) * encoder->sample_rate;
    while (!waiting.empty() && (waiting.front()->pts + waiting.front()->nb_samples <= frontSample || waitingSamples > mostWaiting)) {
        waitingSamples -= waiting.front()->nb_samples;
        Encoded(waiting.front().get(), sink);
        waiting.pop_front();
    }
}

void AudioEncoder::Flush(double end, const PacketSink& sink)
{
    if (graph) {
        AvCheck(av_buffersrc_add_frame(source, nullptr), "cannot filter the sound");
        Filtered();
    }
    const int64_t endSample = std::llround(end * encoder->sample_rate);
    for (FramePtr& sound : waiting) {
        if (sound->pts >= endSample) break;
        if (sound->pts + sound->nb_samples > endSample) sound->nb_samples = static_cast<int>(endSample - sound->pts);
        Encoded(sound.get(), sink);
    }
    waiting.clear();
    waitingSamples = 0;
    Encoded(nullptr, sink);
    av_channel_layout_uninit(&inLayout);
}

void AudioEncoder::Filtered()
{
    for (;;) {
        const int result = av_buffersink_get_frame(this->sink, filtered.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        AvCheck(result, "cannot filter the sound");
        madeSamples = filtered->pts + filtered->nb_samples;
        waitingSamples += filtered->nb_samples;
        FramePtr sound = NewFrame();
        av_frame_move_ref(sound.get(), filtered.get());
        waiting.push_back(std::move(sound));
    }
}

void AudioEncoder::Encoded(AVFrame* sound, const PacketSink& sink)
{
    EncodeInto(*encoder, sound, *packet, "the audio encoder " + name + " failed", sink);
}
