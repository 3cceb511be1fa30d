#pragma once
// DVD subtitles (subpictures) in the converter: their colours as libavcodec
// and the containers take them, and subpictures drawn into pictures.
#include "dvd/ifo_records.h"
#include "convert/av_support.h"

#include <memory>
#include <string>
#include <vector>

// The VobSub header of a track: "size: 720x576" (when known) and
// "palette: rrggbb, …" from a program chain's colour lookup table. What
// libavcodec's DVD subtitle decoder reads its colours from, and what MKV
// and MP4 keep as the track's codec data.
std::string VobSubHeader(const ColourTable& colours, int width = 0, int height = 0);

// A decoded subpicture, ready to be drawn: its pieces in the picture's own
// Y, Cb, Cr and opacity, over a span of time (90 kHz ticks on the stream's
// timeline; `end` -1: until the next one).
struct SubtitleOverlay {
    struct Piece {
        int x = 0, y = 0, width = 0, height = 0;
        std::vector<uint8_t> luma, blue, red, opacity;  // width * height each
    };
    int64_t start = 0, end = -1;
    std::vector<Piece> pieces;
};

// The packets of one subpicture stream put together into whole subpictures:
// a subpicture (its size in its first two bytes) may span several packets.
class SubpictureAssembler {
public:
    // The whole subpicture this packet completes, with its first packet's
    // time; null while it is incomplete. A subpicture cut off by another is dropped.
    PacketPtr Add(const AVPacket& packet);

private:
    std::vector<uint8_t> bytes;
    std::size_t size = 0;
    int64_t time = 0;
};

// The libavcodec DVD subtitle decoder of a track, with the track's colours.
class SubtitleDecoder {
public:
    // `forcedOnly`: subpictures the disc does not mark forced decode to nothing.
    SubtitleDecoder(const AVStream& stream, const ColourTable& colours, bool forcedOnly);
    // The packet's subpicture (its time in the stream's 90 kHz ticks); null
    // when there is none to show (damaged, or not forced when only forced ones count).
    std::shared_ptr<SubtitleOverlay> Decode(const AVPacket& packet, int64_t time);

private:
    CodecPtr decoder;
    bool forcedOnly;
};

// Draws the overlay into a 4:2:0 picture of the disc's own size; any other picture is left as it is.
void DrawOverlay(AVFrame& picture, const SubtitleOverlay& overlay);
