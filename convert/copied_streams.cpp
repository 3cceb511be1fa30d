#include "convert/copied_streams.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/crc.h>
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

// The bytes of an AC-3 frame as its header gives them: 0 when not a header.
int Ac3FrameBytes(const uint8_t* data, int size)
{
    static constexpr int kKilobits[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};
    if (size < 5 || data[0] != 0x0B || data[1] != 0x77) return 0;
    const int rate = data[4] >> 6, code = data[4] & 0x3F;
    if (rate == 3 || code >= 38) return 0;
    const int kilobits = kKilobits[code / 2];
    // Words of 16 bits at 48, 44.1 and 32 kHz; at 44.1 an odd code pads by a word.
    const int words = rate == 0 ? 2 * kilobits : rate == 2 ? 3 * kilobits : kilobits * 320 / 147 + (code & 1);
    return 2 * words;
}

// The bytes of a DTS core frame as its header gives them: 0 when not a header.
int DtsFrameBytes(const uint8_t* data, int size)
{
    if (size < 8 || data[0] != 0x7F || data[1] != 0xFE || data[2] != 0x80 || data[3] != 0x01) return 0;
    return (((data[5] & 3) << 12) | (data[6] << 4) | (data[7] >> 4)) + 1;
}

// The bytes of an MPEG audio frame as its header gives them: 0 when not a
// header or of free bit rate.
int MpegAudioFrameBytes(const uint8_t* data, int size)
{
    static constexpr int kKilobits[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static constexpr int kRates[3] = {44100, 48000, 32000};
    if (size < 4 || data[0] != 0xFF || (data[1] & 0xE0) != 0xE0) return 0;
    const int version = (data[1] >> 3) & 3, layer = 3 - ((data[1] >> 1) & 3);  // layer 0: I
    const int bitrate = data[2] >> 4, rateIndex = (data[2] >> 2) & 3, padding = (data[2] >> 1) & 1;
    if (version == 1 || layer == 3 || bitrate == 0 || bitrate == 15 || rateIndex == 3) return 0;
    const bool first = version == 3;
    const int rate = kRates[rateIndex] >> (first ? 0 : version == 2 ? 1 : 2);
    const int bits = kKilobits[first ? 0 : 1][layer][bitrate] * 1000;
    if (layer == 0) return (12 * bits / rate + padding) * 4;
    return (layer == 2 && !first ? 72 : 144) * bits / rate + padding;
}

}  // namespace

bool HoldsDeclaredSound(const AVStream& stream, const AudioStream& declared)
{
    // MPEG audio is found as the layer its first frame has.
    const auto family = [](AVCodecID id) { return id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP3 ? AV_CODEC_ID_MP2 : id; };
    return family(stream.codecpar->codec_id) == CodecOf(declared.coding, false, declared.bits);
}

bool IntactSoundFrame(AVCodecID codec, const AVPacket& packet, bool nearJoin)
{
    const uint8_t* data = packet.data;
    const int size = packet.size;
    switch (codec) {
    case AV_CODEC_ID_AC3: {
        const int bytes = Ac3FrameBytes(data, size);
        if (bytes == 0) return true;
        // The checksum of a whole frame, over all but its sync word, comes out zero.
        return size >= bytes && (!nearJoin || av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0, data + 2, bytes - 2) == 0);
    }
    // A DTS core or MPEG audio frame may be followed by its extension: at least its header's bytes.
    case AV_CODEC_ID_DTS: return size >= DtsFrameBytes(data, size);
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_MP1:
    case AV_CODEC_ID_MP3: return size >= MpegAudioFrameBytes(data, size);
    default: return true;
    }
}

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
    // PCM says how many bits make a sample; a muxer of DVD LPCM divides by them.
    if (parameters->codec_id == AV_CODEC_ID_PCM_DVD) {
        parameters->bits_per_coded_sample = declared.bits > 0 ? declared.bits : 16;
        parameters->block_align = parameters->ch_layout.nb_channels * parameters->bits_per_coded_sample / 8;
    } else if (parameters->codec_id == AV_CODEC_ID_PCM_S16LE || parameters->codec_id == AV_CODEC_ID_PCM_S24LE) {
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
