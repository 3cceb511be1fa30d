#include "convert/copied_streams.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstring>

namespace {

constexpr AVRational kTicks = {1, 90000};

ParametersPtr NewParameters()
{
    ParametersPtr parameters(avcodec_parameters_alloc(), ParametersFree());
    if (!parameters) throw ConversionError("out of memory for a stream's description");
    return parameters;
}

// The sequence header and its extensions that begin an MPEG video packet:
// up to the first group of pictures or picture start code.
std::vector<uint8_t> SequenceHeader(const AVPacket& packet)
{
    const uint8_t* data = packet.data;
    const int size = packet.size;
    int start = -1;
    for (int at = 0; at + 3 < size; ++at) {
        if (data[at] != 0 || data[at + 1] != 0 || data[at + 2] != 1) continue;
        const uint8_t code = data[at + 3];
        if (code == 0xB3 && start < 0) start = at;
        else if (start >= 0 && (code == 0xB8 || code == 0x00)) return {data + start, data + at};
    }
    return {};
}

AVCodecID CodecOf(const std::string& coding, bool rewritten, int bits)
{
    if (coding == "AC-3") return AV_CODEC_ID_AC3;
    if (coding == "DTS") return AV_CODEC_ID_DTS;
    if (coding == "MPEG-1" || coding == "MPEG-2") return AV_CODEC_ID_MP2;
    if (coding == "LPCM") return rewritten ? (bits > 16 ? AV_CODEC_ID_PCM_S24LE : AV_CODEC_ID_PCM_S16LE) : AV_CODEC_ID_PCM_DVD;
    return AV_CODEC_ID_NONE;
}

}  // namespace

ParametersPtr CopiedVideoParameters(const AVCodecContext& decoder, const AVFrame* first, const AVPacket& firstPacket)
{
    ParametersPtr parameters = NewParameters();
    AvCheck(avcodec_parameters_from_context(parameters.get(), &decoder), "cannot describe the disc's video");
    if (first) {
        parameters->width = first->width;
        parameters->height = first->height;
        if (first->sample_aspect_ratio.num > 0) parameters->sample_aspect_ratio = first->sample_aspect_ratio;
        // A picture shown longer by its repeat flags (soft telecine) is whole: progressive.
        parameters->field_order = !first->interlaced_frame ? AV_FIELD_PROGRESSIVE
                                  : first->top_field_first ? AV_FIELD_TT
                                                           : AV_FIELD_BB;
    }
    const std::vector<uint8_t> header = SequenceHeader(firstPacket);
    av_freep(&parameters->extradata);
    parameters->extradata_size = 0;
    if (!header.empty()) {
        parameters->extradata = static_cast<uint8_t*>(av_mallocz(header.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!parameters->extradata) throw ConversionError("out of memory for a stream's description");
        std::memcpy(parameters->extradata, header.data(), header.size());
        parameters->extradata_size = static_cast<int>(header.size());
    }
    parameters->codec_tag = 0;
    return parameters;
}

ParametersPtr CopiedAudioParameters(const AudioStream& declared, bool rewritten)
{
    ParametersPtr parameters = NewParameters();
    parameters->codec_type = AVMEDIA_TYPE_AUDIO;
    parameters->codec_id = CodecOf(declared.coding, rewritten, declared.bits);
    parameters->sample_rate = declared.sampleRate > 0 ? declared.sampleRate : 48000;
    av_channel_layout_default(&parameters->ch_layout, std::max(1, declared.channels));
    if (parameters->codec_id == AV_CODEC_ID_PCM_S16LE || parameters->codec_id == AV_CODEC_ID_PCM_S24LE) {
        parameters->bits_per_coded_sample = declared.bits > 16 ? 24 : 16;
        parameters->block_align = parameters->ch_layout.nb_channels * parameters->bits_per_coded_sample / 8;
    }
    return parameters;
}

PictureStart PictureStartOf(const AVPacket& packet)
{
    PictureStart start;
    const uint8_t* data = packet.data;
    for (int at = 0; at + 5 < packet.size; ++at) {
        if (data[at] != 0 || data[at + 1] != 0 || data[at + 2] != 1) continue;
        const uint8_t code = data[at + 3];
        // Group of pictures: 25 bits of time code, then closed_gop.
        if (code == 0xB8 && at + 7 < packet.size) start.openGroup = !((data[at + 7] >> 6) & 1);
        if (code != 0x00) continue;
        // Picture: 10 bits of temporal reference, then 3 of coding type.
        switch ((data[at + 5] >> 3) & 7) {
        case 1: start.type = PictureType::kIntra; break;
        case 2: start.type = PictureType::kPredicted; break;
        case 3: start.type = PictureType::kBidirectional; break;
        default: break;
        }
        return start;
    }
    return start;
}

bool TakesDvdLpcm(const std::string& mux)
{
    return mux == "ps";
}

bool TakesCopiedSound(const std::string& mux, const std::string& coding)
{
    if (coding == "LPCM") return TakesDvdLpcm(mux) || mux == "mkv";
    if (coding == "AC-3" || coding == "DTS" || coding == "MPEG-1" || coding == "MPEG-2")
        return mux == "mkv" || mux == "ps" || mux == "ts" || mux == "mp4";
    return false;
}

PcmRewriter::PcmRewriter(const AVStream& lpcm, int bits)
{
    const AVCodec* reading = avcodec_find_decoder(AV_CODEC_ID_PCM_DVD);
    const AVCodec* writing = avcodec_find_encoder(bits > 16 ? AV_CODEC_ID_PCM_S24LE : AV_CODEC_ID_PCM_S16LE);
    if (!reading || !writing) throw ConversionError("this machine's libavcodec cannot rewrite LPCM");
    decoder.reset(avcodec_alloc_context3(reading));
    encoder.reset(avcodec_alloc_context3(writing));
    if (!decoder || !encoder) throw ConversionError("out of memory for rewriting LPCM");
    AvCheck(avcodec_parameters_to_context(decoder.get(), lpcm.codecpar), "cannot read the disc's LPCM");
    decoder->pkt_timebase = kTicks;
    AvCheck(avcodec_open2(decoder.get(), reading, nullptr), "cannot read the disc's LPCM");
}

std::vector<PacketPtr> PcmRewriter::Rewrite(const AVPacket& packet)
{
    std::vector<PacketPtr> made;
    AvCheck(avcodec_send_packet(decoder.get(), &packet), "cannot read the disc's LPCM");
    for (;;) {
        FramePtr frame = NewFrame();
        const int result = avcodec_receive_frame(decoder.get(), frame.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) break;
        AvCheck(result, "cannot read the disc's LPCM");
        if (!avcodec_is_open(encoder.get())) {
            // As the samples come: their rate, channels and format (s16 for 16 bits, s32 for 20 and 24).
            encoder->sample_rate = frame->sample_rate;
            encoder->sample_fmt = static_cast<AVSampleFormat>(frame->format);
            AvCheck(av_channel_layout_copy(&encoder->ch_layout, &frame->ch_layout), "cannot rewrite the disc's LPCM");
            encoder->time_base = kTicks;
            AvCheck(avcodec_open2(encoder.get(), encoder->codec, nullptr), "cannot rewrite the disc's LPCM");
        }
        frame->pts = frame->best_effort_timestamp;
        PacketPtr out = NewPacket();
        EncodeInto(*encoder, frame.get(), *out, "cannot rewrite the disc's LPCM", [&](AVPacket* pcm) {
            PacketPtr kept = NewPacket();
            av_packet_move_ref(kept.get(), pcm);
            made.push_back(std::move(kept));
        });
    }
    return made;
}
