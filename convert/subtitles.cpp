#include "convert/subtitles.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstdio>

namespace {

uint8_t Clamped(double value)
{
    return static_cast<uint8_t>(std::clamp(value + 0.5, 0.0, 255.0));
}

}  // namespace

std::string VobSubHeader(const ColourTable& colours, int width, int height)
{
    std::string text = width > 0 && height > 0 ? "size: " + std::to_string(width) + "x" + std::to_string(height) + "\n" : "";
    text += "palette:";
    for (std::size_t i = 0; i < colours.size(); ++i) {
        // 0x00YYCrCb, studio range (ITU-R BT.601).
        const double y = 1.164 * (double((colours[i] >> 16) & 0xFF) - 16);
        const double cr = double((colours[i] >> 8) & 0xFF) - 128, cb = double(colours[i] & 0xFF) - 128;
        char entry[16];
        std::snprintf(entry, sizeof entry, "%s %02x%02x%02x", i ? "," : "", Clamped(y + 1.596 * cr),
                      Clamped(y - 0.813 * cr - 0.391 * cb), Clamped(y + 2.018 * cb));
        text += entry;
    }
    return text + "\n";
}

PacketPtr SubpictureAssembler::Add(const AVPacket& packet)
{
    if (packet.size <= 0) return nullptr;
    // A packet with a time begins a subpicture.
    if (packet.pts != AV_NOPTS_VALUE || bytes.empty()) {
        bytes.clear();
        if (packet.size < 2) return nullptr;
        size = std::size_t(packet.data[0]) << 8 | packet.data[1];
        time = packet.pts;
    }
    bytes.insert(bytes.end(), packet.data, packet.data + packet.size);
    if (size < 4 || bytes.size() < size) return nullptr;
    PacketPtr whole = NewPacket();
    AvCheck(av_new_packet(whole.get(), static_cast<int>(size)), "cannot keep a subtitle");
    std::copy_n(bytes.begin(), size, whole->data);
    whole->pts = whole->dts = time;
    bytes.clear();
    return whole;
}

SubtitleDecoder::SubtitleDecoder(const AVStream& stream, const ColourTable& colours, bool forcedOnly) : forcedOnly(forcedOnly)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
    if (!codec) throw ConversionError("this machine's libavcodec has no DVD subtitle decoder");
    decoder.reset(avcodec_alloc_context3(codec));
    if (!decoder) throw ConversionError("out of memory for a subtitle decoder");
    AvCheck(avcodec_parameters_to_context(decoder.get(), stream.codecpar), "cannot decode subtitles");
    const std::string header = VobSubHeader(colours);
    av_freep(&decoder->extradata);
    decoder->extradata = static_cast<uint8_t*>(av_mallocz(header.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!decoder->extradata) throw ConversionError("out of memory for a subtitle decoder");
    std::copy(header.begin(), header.end(), decoder->extradata);
    decoder->extradata_size = static_cast<int>(header.size());
    decoder->pkt_timebase = stream.time_base;
    AVDictionary* options = nullptr;
    if (forcedOnly) av_dict_set(&options, "forced_subs_only", "1", 0);
    const int result = avcodec_open2(decoder.get(), codec, &options);
    av_dict_free(&options);
    AvCheck(result, "cannot decode subtitles");
}

std::shared_ptr<SubtitleOverlay> SubtitleDecoder::Decode(const AVPacket& packet, int64_t time)
{
    AVSubtitle subtitle{};
    int got = 0;
    if (avcodec_decode_subtitle2(decoder.get(), &subtitle, &got, const_cast<AVPacket*>(&packet)) < 0 || !got) return nullptr;
    auto overlay = std::make_shared<SubtitleOverlay>();
    overlay->start = time + int64_t(subtitle.start_display_time) * 90;
    if (subtitle.end_display_time > subtitle.start_display_time && subtitle.end_display_time != UINT32_MAX)
        overlay->end = time + int64_t(subtitle.end_display_time) * 90;
    for (unsigned r = 0; r < subtitle.num_rects; ++r) {
        const AVSubtitleRect& rect = *subtitle.rects[r];
        if (rect.type != SUBTITLE_BITMAP || rect.w <= 0 || rect.h <= 0 || !rect.data[0] || !rect.data[1]) continue;
        if (forcedOnly && !(rect.flags & AV_SUBTITLE_FLAG_FORCED)) continue;
        SubtitleOverlay::Piece piece{rect.x, rect.y, rect.w, rect.h, {}, {}, {}, {}};
        const std::size_t pixels = std::size_t(rect.w) * rect.h;
        for (auto* plane : {&piece.luma, &piece.blue, &piece.red, &piece.opacity}) plane->resize(pixels);
        const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);  // 0xAARRGGBB
        for (int y = 0; y < rect.h; ++y)
            for (int x = 0; x < rect.w; ++x) {
                const uint32_t colour = palette[rect.data[0][y * rect.linesize[0] + x]];
                const double red = (colour >> 16) & 0xFF, green = (colour >> 8) & 0xFF, blue = colour & 0xFF;
                const std::size_t at = std::size_t(y) * rect.w + x;
                piece.luma[at] = Clamped(16 + 0.257 * red + 0.504 * green + 0.098 * blue);
                piece.blue[at] = Clamped(128 - 0.148 * red - 0.291 * green + 0.439 * blue);
                piece.red[at] = Clamped(128 + 0.439 * red - 0.368 * green - 0.071 * blue);
                piece.opacity[at] = static_cast<uint8_t>(colour >> 24);
            }
        overlay->pieces.push_back(std::move(piece));
    }
    avsubtitle_free(&subtitle);
    if (overlay->pieces.empty()) return nullptr;
    return overlay;
}

void DrawOverlay(AVFrame& picture, const SubtitleOverlay& overlay)
{
    if ((picture.format != AV_PIX_FMT_YUV420P && picture.format != AV_PIX_FMT_YUVJ420P) || av_frame_make_writable(&picture) < 0) return;
    auto blend = [](uint8_t& under, uint8_t over, uint8_t opacity) { under = static_cast<uint8_t>((over * opacity + under * (255 - opacity)) / 255); };
    for (const SubtitleOverlay::Piece& piece : overlay.pieces)
        for (int y = std::max(0, -piece.y); y < piece.height && piece.y + y < picture.height; ++y)
            for (int x = std::max(0, -piece.x); x < piece.width && piece.x + x < picture.width; ++x) {
                const std::size_t at = std::size_t(y) * piece.width + x;
                const uint8_t opacity = piece.opacity[at];
                if (opacity == 0) continue;
                const int px = piece.x + x, py = piece.y + y;
                blend(picture.data[0][py * picture.linesize[0] + px], piece.luma[at], opacity);
                // Colour comes at half the size each way: each 2x2 block takes its top left pixel's.
                if ((px & 1) || (py & 1)) continue;
                blend(picture.data[1][(py / 2) * picture.linesize[1] + px / 2], piece.blue[at], opacity);
                blend(picture.data[2][(py / 2) * picture.linesize[2] + px / 2], piece.red[at], opacity);
            }
}
