#pragma once
// The output file through libavformat's muxer for the chain's container:
// its streams with their languages, its chapter marks, header, packets and
// end. Every failure names the file and the reason.
#include "convert/av_support.h"
#include "read/play_list.h"
#include "convert/stream_output.h"

#include <vector>

class MediaWriter {
public:
    // `file`: the output, opened by the caller; it is written through that
    // descriptor only (a copy of it), never opened again by its name. -1:
    // the file is made here, never through a link at its name.
    explicit MediaWriter(const StreamOutput& output, int file = -1);
    ~MediaWriter();
    MediaWriter(const MediaWriter&) = delete;
    MediaWriter& operator=(const MediaWriter&) = delete;

    // The container wants codec headers once, in the file's header.
    bool WantsGlobalHeaders() const;
    // A stream for what `encoder` makes, tagged with `language` (two
    // letters from the disc, "" for none) where the container keeps one.
    // Its index is the count of streams added before it.
    void AddStream(const AVCodecContext& encoder, const std::string& language);
    // A stream copied as the disc holds it, described by `parameters`; its
    // packets' times in `timeBase`.
    void AddCopiedStream(const AVCodecParameters& parameters, AVRational timeBase, const std::string& language);
    // A stream of DVD subpictures kept as they are, `header` their VobSub
    // header (colours, size); their times are in 90 kHz ticks.
    void AddSubtitleStream(const std::string& header, int width, int height, const std::string& language);
    // Creates the file and writes its header; `planned` are the chapter
    // marks the play list should give, as far as the header needs them.
    void Begin(const std::vector<ChapterMark>& planned);
    bool Begun() const { return begun; }
    // A packet of stream `index`, its times in that stream's encoder's time base.
    void Write(AVPacket& packet, int index);
    // Writes what the container keeps for its end, with the chapter marks
    // found (the last ending at `end`, in seconds), and closes the file.
    void Finish(const std::vector<ChapterMark>& found, double end);

private:
    void Check(int code, const char* doing) const;
    // Writes what the file's buffer holds and lets the descriptor go; an error code, or 0.
    int CloseFile();
    // `language` (two letters from the disc) as the container keeps it.
    void TagLanguage(AVStream& stream, const std::string& language) const;
    // Marks from `end` on are left out, or, where the header must keep its
    // size, moved to `end`.
    void SetChapters(const std::vector<ChapterMark>& marks, double end);

    const std::string path;
    const std::string mux;
    int fd = -1;  // the file's own descriptor
    AVFormatContext* context = nullptr;
    std::vector<AVRational> encoderTimeBases;
    bool begun = false;
    // ASF keeps its marks in its header, which its end rewrites in place:
    // they are there from the start, as many as at the end. MP4 and MOV make
    // their chapter track at the end when the header had none.
    const bool marksInHeader;
};
