#pragma once
// The title reader's program stream, split into its elementary streams by
// libavformat's MPEG-PS demuxer. The stream is read once, in order, never
// sought: nothing is read twice and nothing ahead of what is converted.
#include "convert/av_support.h"

class DiscTitleStream;

class DiscDemuxer {
public:
    // `timeEveryPacket`: each packet gets its time and its length
    // (libavformat's genpts, and a first look at the streams), as a copied
    // stream needs; a decoder tells them itself.
    explicit DiscDemuxer(DiscTitleStream& disc, bool timeEveryPacket = false);
    ~DiscDemuxer();
    DiscDemuxer(const DiscDemuxer&) = delete;
    DiscDemuxer& operator=(const DiscDemuxer&) = delete;

    // The next packet; false at the end of the stream, or where reading
    // stopped (the title reader says why, if it failed).
    bool Next(AVPacket& packet);
    const AVStream& Stream(int index) const { return *context->streams[index]; }

private:
    void FreeReader();

    AVIOContext* io = nullptr;
    AVFormatContext* context = nullptr;
};

// The disc's number (from 1) of the audio stream that a demuxed stream
// carries (AC-3, DTS, LPCM or MPEG audio); 0 for any other stream.
int DiscAudioNumber(const AVStream& stream);
