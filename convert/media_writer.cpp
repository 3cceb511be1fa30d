#include "convert/media_writer.h"

#include "convert/language_codes.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr AVRational kChapterTimeBase = {1, 90000};
constexpr int kFileBufferBytes = 1 << 16;

// libavformat's output through the descriptor in `opaque`.
int WriteToFile(void* opaque, uint8_t* bytes, int size)
{
    const int fd = *static_cast<const int*>(opaque);
    for (int done = 0; done < size;) {
        const ssize_t wrote = write(fd, bytes + done, static_cast<std::size_t>(size - done));
        if (wrote < 0 && errno == EINTR) continue;
        // A full disk or a file size limit fails the write, as the signal for the latter is ignored.
        if (wrote <= 0) return AVERROR(wrote < 0 ? errno : EIO);
        done += static_cast<int>(wrote);
    }
    return size;
}

int64_t SeekInFile(void* opaque, int64_t offset, int whence)
{
    const int fd = *static_cast<const int*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat status {};
        return fstat(fd, &status) == 0 ? int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t at = lseek(fd, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

// Whether libavformat's MOV muxer keeps `code` as a track's language: it
// stores only the languages of QuickTime's own table, some under their
// bibliographic code ("ger") and some under the terminological one ("fra").
// Told by writing a one-sample file in memory and reading its mdhd box.
bool MovKeepsLanguage(const std::string& code)
{
    AVFormatContext* probe = nullptr;
    if (avformat_alloc_output_context2(&probe, nullptr, "mov", nullptr) < 0) return false;
    bool kept = false;
    AVStream* stream = avformat_new_stream(probe, nullptr);
    if (stream && avio_open_dyn_buf(&probe->pb) >= 0) {
        stream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        stream->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
        stream->codecpar->sample_rate = 8000;
        av_channel_layout_default(&stream->codecpar->ch_layout, 1);
        stream->time_base = {1, 8000};
        av_dict_set(&stream->metadata, "language", code.c_str(), 0);
        uint8_t sample[2] = {};
        AVPacket* packet = av_packet_alloc();
        if (packet && avformat_write_header(probe, nullptr) >= 0) {
            packet->data = sample;
            packet->size = sizeof sample;
            packet->duration = 1;
            if (av_write_frame(probe, packet) >= 0) av_write_trailer(probe);
        }
        av_packet_free(&packet);
        uint8_t* bytes = nullptr;
        const int size = avio_close_dyn_buf(probe->pb, &bytes);
        probe->pb = nullptr;
        // mdhd: type, version and flags, two times, time scale, duration, then the language.
        for (int at = 4; at + 4 <= size; ++at) {
            if (std::memcmp(bytes + at, "mdhd", 4) != 0) continue;
            const int language = at + 4 + (bytes[at + 4] == 1 ? 28 : 16) + 4;
            if (language + 2 <= size) kept = (bytes[language] << 8 | bytes[language + 1]) != 0x7FFF;
            break;
        }
        av_free(bytes);
    }
    avformat_free_context(probe);
    return kept;
}

void FreeChapters(AVFormatContext& context)
{
    for (unsigned i = 0; i < context.nb_chapters; ++i) {
        av_dict_free(&context.chapters[i]->metadata);
        av_freep(&context.chapters[i]);
    }
    av_freep(&context.chapters);
    context.nb_chapters = 0;
}

}  // namespace

MediaWriter::MediaWriter(const StreamOutput& output, int file)
    : path(output.destination), mux(output.mux), marksInHeader(output.mux == "asf")
{
    if (file >= 0 && (fd = fcntl(file, F_DUPFD_CLOEXEC, 0)) < 0)
        throw ConversionError("cannot write " + path + ": " + std::strerror(errno));
    if (avformat_alloc_output_context2(&context, nullptr, output.muxer.c_str(), nullptr) < 0 || !context) {
        if (fd >= 0) close(fd);
        throw ConversionError("this machine's libavformat has no " + output.muxer + " muxer");
    }
}

MediaWriter::~MediaWriter()
{
    CloseFile();
    avformat_free_context(context);
}

int MediaWriter::CloseFile()
{
    int result = 0;
    if (context && context->pb) {
        avio_flush(context->pb);
        result = context->pb->error;
        av_freep(&context->pb->buffer);
        avio_context_free(&context->pb);
    }
    if (fd >= 0 && close(fd) != 0 && result == 0) result = AVERROR(errno);
    fd = -1;
    return result;
}

bool MediaWriter::WantsGlobalHeaders() const
{
    return context->oformat->flags & AVFMT_GLOBALHEADER;
}

void MediaWriter::Check(int code, const char* doing) const
{
    if (code < 0) throw ConversionError(std::string("cannot ") + doing + " " + path + ": " + AvErrorText(code));
}

void MediaWriter::AddStream(const AVCodecContext& encoder, const std::string& language)
{
    AVStream* stream = avformat_new_stream(context, nullptr);
    if (!stream) throw ConversionError("out of memory for a stream of " + path);
    Check(avcodec_parameters_from_context(stream->codecpar, &encoder), "describe a stream of");
    stream->time_base = encoder.time_base;
    if (encoder.codec_type == AVMEDIA_TYPE_VIDEO) {
        stream->avg_frame_rate = encoder.framerate;
        stream->sample_aspect_ratio = encoder.sample_aspect_ratio;
    }
    TagLanguage(*stream, language);
    encoderTimeBases.push_back(encoder.time_base);
}

void MediaWriter::AddCopiedStream(const AVCodecParameters& parameters, AVRational timeBase, const std::string& language)
{
    AVStream* stream = avformat_new_stream(context, nullptr);
    if (!stream) throw ConversionError("out of memory for a stream of " + path);
    Check(avcodec_parameters_copy(stream->codecpar, &parameters), "describe a stream of");
    stream->codecpar->codec_tag = 0;  // the container's own
    stream->time_base = timeBase;
    if (parameters.codec_type == AVMEDIA_TYPE_VIDEO) stream->sample_aspect_ratio = parameters.sample_aspect_ratio;
    TagLanguage(*stream, language);
    encoderTimeBases.push_back(timeBase);
}

void MediaWriter::AddSubtitleStream(const std::string& header, int width, int height, const std::string& language)
{
    AVStream* stream = avformat_new_stream(context, nullptr);
    if (!stream) throw ConversionError("out of memory for a stream of " + path);
    AVCodecParameters& parameters = *stream->codecpar;
    parameters.codec_type = AVMEDIA_TYPE_SUBTITLE;
    parameters.codec_id = AV_CODEC_ID_DVD_SUBTITLE;
    parameters.width = width;
    parameters.height = height;
    parameters.extradata = static_cast<uint8_t*>(av_mallocz(header.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!parameters.extradata) throw ConversionError("out of memory for a stream of " + path);
    std::copy(header.begin(), header.end(), parameters.extradata);
    parameters.extradata_size = static_cast<int>(header.size());
    stream->time_base = {1, 90000};
    TagLanguage(*stream, language);
    encoderTimeBases.push_back(stream->time_base);
}

void MediaWriter::TagLanguage(AVStream& stream, const std::string& language) const
{
    std::string code = Iso639Bibliographic(language);
    if (mux == "mov" && !code.empty() && !MovKeepsLanguage(code)) code = Iso639Terminological(code);
    if (!code.empty()) av_dict_set(&stream.metadata, "language", code.c_str(), 0);
}

void MediaWriter::SetChapters(const std::vector<ChapterMark>& marks, double end)
{
    FreeChapters(*context);
    std::vector<ChapterMark> kept;
    for (const ChapterMark& mark : marks) {
        if (mark.start < end && (kept.empty() || mark.start > kept.back().start)) kept.push_back(mark);
        else if (marksInHeader) kept.push_back({mark.name, kept.empty() ? 0 : std::max(kept.back().start, std::min(mark.start, end))});
    }
    if (kept.empty()) return;
    context->chapters = static_cast<AVChapter**>(av_calloc(kept.size(), sizeof(AVChapter*)));
    if (!context->chapters) throw ConversionError("out of memory for the chapter marks of " + path);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter) throw ConversionError("out of memory for the chapter marks of " + path);
        context->chapters[context->nb_chapters++] = chapter;
        chapter->id = static_cast<int64_t>(i) + 1;
        chapter->time_base = kChapterTimeBase;
        chapter->start = std::llround(kept[i].start * kChapterTimeBase.den);
        chapter->end = std::llround(std::max(kept[i].start, i + 1 < kept.size() ? kept[i + 1].start : end) * kChapterTimeBase.den);
        av_dict_set(&chapter->metadata, "title", kept[i].name.c_str(), 0);
    }
}

void MediaWriter::Begin(const std::vector<ChapterMark>& planned)
{
    if (marksInHeader) SetChapters(planned, planned.empty() ? 0 : planned.back().start + 1);
    // Made new, or taken from the caller: a link at the name is never followed.
    if (fd < 0 && (fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644)) < 0)
        Check(AVERROR(errno), "create");
    auto* buffer = static_cast<uint8_t*>(av_malloc(kFileBufferBytes));
    if (!buffer || !(context->pb = avio_alloc_context(buffer, kFileBufferBytes, 1, &fd, nullptr, WriteToFile, SeekInFile))) {
        av_free(buffer);
        throw ConversionError("out of memory for writing " + path);
    }
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    const int result = avformat_write_header(context, nullptr);
    if (result < 0) {
        // Most often a codec the container cannot hold: say which were asked of which container.
        std::string codecs;
        for (unsigned i = 0; i < context->nb_streams; ++i)
            codecs += (codecs.empty() ? "" : ", ") + std::string(avcodec_get_name(context->streams[i]->codecpar->codec_id));
        throw ConversionError("cannot begin " + path + " as " + context->oformat->name + " with " + codecs + ": " + AvErrorText(result));
    }
    begun = true;
}

void MediaWriter::Write(AVPacket& packet, int index)
{
    av_packet_rescale_ts(&packet, encoderTimeBases[index], context->streams[index]->time_base);
    packet.stream_index = index;
    Check(av_interleaved_write_frame(context, &packet), "write");
}

void MediaWriter::Finish(const std::vector<ChapterMark>& found, double end)
{
    if (!begun) return;
    begun = false;
    SetChapters(found, end);
    Check(av_write_trailer(context), "write");
    Check(CloseFile(), "write");
}
