#include "convert/disc_demuxer.h"

#include "read/disc_title_stream.h"

namespace {

// Bytes asked of the title reader at once.
constexpr int kReadBytes = 64 * 1024;

int ReadDisc(void* disc, uint8_t* buffer, int size)
{
    const long read = static_cast<DiscTitleStream*>(disc)->Read(buffer, static_cast<std::size_t>(size));
    if (read == 0) return AVERROR_EOF;
    return read < 0 ? AVERROR(EIO) : static_cast<int>(read);
}

}  // namespace

DiscDemuxer::DiscDemuxer(DiscTitleStream& disc, bool timeEveryPacket)
{
    auto* buffer = static_cast<uint8_t*>(av_malloc(kReadBytes));
    io = buffer ? avio_alloc_context(buffer, kReadBytes, 0, &disc, ReadDisc, nullptr, nullptr) : nullptr;
    if (!io) {
        av_free(buffer);
        throw ConversionError("out of memory for reading the disc");
    }
    context = avformat_alloc_context();
    int result = context ? 0 : AVERROR(ENOMEM);
    if (context) {
        context->pb = io;
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        if (timeEveryPacket) context->flags |= AVFMT_FLAG_GENPTS;
        // On failure it frees the context, not our reader.
        result = avformat_open_input(&context, nullptr, av_find_input_format("mpeg"), nullptr);
    }
    if (result < 0) FreeReader();
    AvCheck(result, "cannot read the disc's program stream");
    // Copied packets keep their own times: the streams are looked at first (packets read then are kept,
    // not read again), so that the sound's frames know how long they play.
    if (timeEveryPacket) avformat_find_stream_info(context, nullptr);
}

DiscDemuxer::~DiscDemuxer()
{
    avformat_close_input(&context);
    FreeReader();
}

void DiscDemuxer::FreeReader()
{
    if (io) av_freep(&io->buffer);
    avio_context_free(&io);
}

bool DiscDemuxer::Next(AVPacket& packet)
{
    return av_read_frame(context, &packet) >= 0;
}

int DiscAudioNumber(const AVStream& stream)
{
    if (stream.codecpar->codec_type != AVMEDIA_TYPE_AUDIO) return 0;
    // The demuxer names a stream by its sub-stream id in private stream 1,
    // or by its own start code for MPEG audio.
    for (const int first : {0x80 /* AC-3 */, 0x88 /* DTS */, 0xA0 /* LPCM */, 0x1C0 /* MPEG */})
        if (stream.id >= first && stream.id < first + 8) return stream.id - first + 1;
    return 0;
}
