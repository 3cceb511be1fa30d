#include "convert/transcoder.h"

#include "convert/audio_encoder.h"
#include "convert/copied_streams.h"
#include "convert/disc_demuxer.h"
#include "read/disc_title_stream.h"
#include "convert/media_writer.h"
#include "convert/subtitles.h"
#include "convert/video_encoder.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <map>
#include <optional>

namespace {

// Decoded pictures and sound waiting to be encoded, and packets waiting to
// be written: enough to keep each thread busy, little memory.
constexpr std::size_t kFrameQueue = 6;
constexpr std::size_t kPacketQueue = 64;
// Sound decoded before the first picture waits for it; this much (about
// 30 s of AC-3) without one means the disc's pictures cannot be decoded.
constexpr std::size_t kMaxEarlySound = 1000;
// How far pictures may run ahead of the subpictures burned into them (90 kHz ticks), and a bound in pictures.
constexpr int64_t kSubpictureLead = 2 * 90000;
constexpr std::size_t kMostWaitingPictures = 150;
// Packets of copied pictures held until one decodes: a stream that gives
// none in this many is described by its sequence header alone.
constexpr std::size_t kMostHeldPictures = 64;
// How far a copied sound frame may reach back over the one before it (90 kHz) and still be kept.
constexpr int64_t kJoinSlack = 90;
// How far from a join (90 kHz) a sound frame may lie that the demuxer pieced together across it:
// the disc carries sound up to a second or so ahead of its time.
constexpr int64_t kJoinReach = 2 * 90000;
constexpr AVRational kTicks = {1, 90000};

// The frame of the output at `rate` that a time (90 kHz ticks from the
// start) falls in. The title reader leaves gaps of less than a picture
// between VOBUs, which this closes.
int64_t FrameAt(int64_t ticks, AVRational rate)
{
    return av_rescale_q_rnd(ticks + 1, kTicks, av_inv_q(rate), AV_ROUND_DOWN);
}

// A queue closed under a thread's feet: another thread failed or stopped, and this one has nothing left to do.
struct QueueClosed {};

// The preview's pictures, made small, each due at its time after the first: playing speed.
class PreviewPictures {
public:
    explicit PreviewPictures(const PreviewTarget& target) : target(target) {}
    ~PreviewPictures() { sws_freeContext(scaler); }
    PreviewPictures(const PreviewPictures&) = delete;
    PreviewPictures& operator=(const PreviewPictures&) = delete;

    std::chrono::steady_clock::time_point Due(const AVFrame& frame)
    {
        if (frame.pts == AV_NOPTS_VALUE) return start;
        if (zero == AV_NOPTS_VALUE) zero = frame.pts;
        return start + std::chrono::microseconds(av_rescale(frame.pts - zero, 1000000, kTicks.den));
    }

    void Show(const AVFrame& frame)
    {
        scaler = sws_getCachedContext(scaler, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), target.width,
                                      target.height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scaler) return;
        picture.resize(std::size_t(target.width) * target.height * 4);
        uint8_t* rows[4] = {picture.data()};
        const int pitches[4] = {target.width * 4};
        sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, rows, pitches);
        target.show(picture);
    }

private:
    const PreviewTarget& target;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int64_t zero = AV_NOPTS_VALUE;
    SwsContext* scaler = nullptr;
    std::vector<uint8_t> picture;
};

}  // namespace

// What the reader hands the encoder, its times in 90 kHz ticks: a decoded
// picture, sound of audio track `output`, a subpicture of subtitle track
// `output` kept as it is, or one to burn into the pictures; or a packet of
// the pictures or of audio track `output` copied as the disc holds it (the
// first copied picture with the stream's description).
struct Transcoder::Work {
    enum class Kind { kPicture, kSound, kSubtitle, kBurn, kCopiedPicture, kCopiedSound } kind = Kind::kPicture;
    int output = 0;
    FramePtr frame;
    PacketPtr packet;
    std::shared_ptr<SubtitleOverlay> overlay;
    ParametersPtr parameters;
};

struct Transcoder::Shared {
    struct Packet {
        int stream = 0;
        PacketPtr packet;
    };
    // Copied pictures are packets, as small as those written: they queue as those do.
    Shared(const StreamOutput& output, int outputFile)
        : frames(output.CopiesVideo() ? kPacketQueue : kFrameQueue), file(output, outputFile) {}

    BoundedQueue<Work> frames;
    BoundedQueue<Packet> packets{kPacketQueue};
    MediaWriter file;
    // Set by the reader before it hands on its first picture: the rate the disc's video says.
    AVRational sourceRate{0, 1};
    // Set by the encoder before it writes the header: the output's rate.
    AVRational rate{25, 1};
    std::atomic<int64_t> encodedFrames{0};
    // Where the pictures written end, in 90 kHz ticks of the output's timeline.
    std::atomic<int64_t> picturesEnd{0};
};

Transcoder::Transcoder(DiscTitleStream& disc, TranscodePlan plan, PreviewTarget preview, std::function<void()> ended)
    : disc(disc), plan(std::move(plan)), preview(std::move(preview)), ended(std::move(ended))
{
    try {
        shared = std::make_unique<Shared>(this->plan.output, this->plan.outputFile);
        writer = std::thread([this] { Write(); });
        encoder = std::thread([this] {
            Guard([this] { Encode(); });
            shared->frames.Close();
            EndEncoding();
        });
        reader = std::thread([this] {
            Guard([this] { ReadAndDecode(); });
            shared->frames.Close();
        });
    } catch (const std::exception& failure) {
        Fail(std::string("cannot start the conversion: ") + failure.what());
        if (!encoder.joinable()) EndEncoding();
        if (!writer.joinable()) {
            finished = true;
            if (this->ended) this->ended();
        }
    }
}

void Transcoder::EndEncoding()
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        encoded = true;
    }
    wake.notify_all();
    if (shared) shared->packets.Close();
}

Transcoder::~Transcoder()
{
    Stop();
}

void Transcoder::Stop()
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    wake.notify_all();
    disc.Cancel();
    for (std::thread* thread : {&reader, &encoder, &writer})
        if (thread->joinable()) thread->join();
}

std::string Transcoder::Error() const
{
    const std::lock_guard<std::mutex> hold(lock);
    return error;
}

void Transcoder::Fail(const std::string& why)
{
    {
        const std::lock_guard<std::mutex> hold(lock);
        if (error.empty()) error = why;
        stopping = true;
    }
    wake.notify_all();
    disc.Cancel();
    if (shared) {
        shared->frames.Close();
        shared->packets.Close();
    }
}

void Transcoder::Guard(const std::function<void()>& body)
{
    try {
        body();
    } catch (const QueueClosed&) {
    } catch (const std::bad_alloc&) {
        Fail("out of memory");
    } catch (const std::exception& failure) {
        Fail(failure.what());
    }
}

void Transcoder::ReadAndDecode()
{
    Shared& s = *shared;
    const StreamOutput& output = plan.output;
    DiscDemuxer demuxer(disc, output.CopiesVideo() || output.CopiesAudio());
    struct Input {
        Work::Kind kind = Work::Kind::kPicture;
        int output = 0;
        CodecPtr decoder;                               // a picture's or sound's; a copied picture's, for its facts and the preview
        std::unique_ptr<SubpictureAssembler> pieces;    // a subtitle's: whole subpictures
        std::unique_ptr<SubtitleDecoder> subtitles;     // a subtitle's: its times and forced ones, or to burn
        std::unique_ptr<PcmRewriter> pcm;               // copied LPCM a container takes only as PCM
        // A copied picture's packets until its first picture has decoded, which describes the stream.
        std::vector<PacketPtr> held;
        bool described = false;
    };
    std::map<int, std::optional<Input>> inputs;  // by the demuxer's stream index; none: not converted
    bool hasVideo = false;
    const StreamPlan& streams = plan.streams;

    auto open = [&](const AVStream& stream) -> std::optional<Input> {
        Input input;
        // The title reader numbers the tracks: audio track k as the disc's stream k+1, subtitle track t as sub-stream 0x20+t.
        const int number = DiscAudioNumber(stream);
        const int subpicture = stream.id - 0x20;
        if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !hasVideo) {
            hasVideo = true;
            if (output.CopiesVideo()) input.kind = Work::Kind::kCopiedPicture;
        } else if (number > 0 && number <= int(streams.audio.size())) {
            input.output = number - 1;
            if (output.CopiesAudio()) {
                const AudioStream& declared = streams.audio[input.output];
                if (!HoldsDeclaredSound(stream, declared))
                    throw ConversionError("audio track " + std::to_string(number) + " holds " + avcodec_get_name(stream.codecpar->codec_id) +
                                          ", not the " + declared.coding + " the disc declares: convert its sound instead of copying it");
                input.kind = Work::Kind::kCopiedSound;
                // LPCM goes into a container that takes none as the PCM it is.
                if (stream.codecpar->codec_id == AV_CODEC_ID_PCM_DVD && !TakesDvdLpcm(output.mux))
                    input.pcm = std::make_unique<PcmRewriter>(stream, streams.audio[input.output].bits);
                return input;
            }
            input.kind = Work::Kind::kSound;
        } else if (stream.codecpar->codec_id == AV_CODEC_ID_DVD_SUBTITLE && subpicture >= 0 && subpicture < 32) {
            const bool burned = subpicture == int(streams.subtitles.size()) && streams.burned;
            if (subpicture >= int(streams.subtitles.size()) && !burned) return std::nullopt;
            input.kind = burned ? Work::Kind::kBurn : Work::Kind::kSubtitle;
            input.output = subpicture;
            input.pieces = std::make_unique<SubpictureAssembler>();
            const SubtitleTrack& track = burned ? *streams.burned : streams.subtitles[subpicture];
            input.subtitles = std::make_unique<SubtitleDecoder>(stream, track.colours, plan.output.streams.forcedOnly);
            return input;
        } else {
            return std::nullopt;
        }
        const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
        const std::string what = input.kind == Work::Kind::kSound ? "audio track " + std::to_string(number) : "the disc's video";
        if (!codec) throw ConversionError("no decoder for " + what + " (" + avcodec_get_name(stream.codecpar->codec_id) + ")");
        input.decoder.reset(avcodec_alloc_context3(codec));
        if (!input.decoder) throw ConversionError("out of memory for a decoder");
        AvCheck(avcodec_parameters_to_context(input.decoder.get(), stream.codecpar), "cannot decode " + what);
        input.decoder->pkt_timebase = stream.time_base;
        AvCheck(avcodec_open2(input.decoder.get(), codec, nullptr), "cannot decode " + what);
        return input;
    };

    std::optional<PreviewPictures> previewing;
    if (plan.output.display && preview.width > 0 && preview.height > 0 && preview.show) previewing.emplace(preview);

    // Decodes `packet` (null: what the decoder still holds) and hands each frame to `take`.
    auto decode = [&](Input& input, const AVPacket* packet, const std::function<void(FramePtr)>& take) {
        // A damaged packet or picture is passed over, and what decodes goes on; no memory is a failure.
        auto damaged = [](int result) {
            if (result == AVERROR(ENOMEM)) throw ConversionError("out of memory for decoding");
            return result < 0;
        };
        if (damaged(avcodec_send_packet(input.decoder.get(), packet))) return;
        for (;;) {
            FramePtr frame = NewFrame();
            if (damaged(avcodec_receive_frame(input.decoder.get(), frame.get()))) return;
            const int64_t time = frame->best_effort_timestamp;
            frame->pts = time == AV_NOPTS_VALUE ? time : av_rescale_q(time, input.decoder->pkt_timebase, kTicks);
            if (input.kind == Work::Kind::kPicture || input.kind == Work::Kind::kCopiedPicture) {
                if (s.sourceRate.num == 0) s.sourceRate = input.decoder->framerate;
                if (previewing) {
                    // The conversion goes at the pictures' own pace; a stop ends the wait.
                    std::unique_lock<std::mutex> hold(lock);
                    wake.wait_until(hold, previewing->Due(*frame), [&] { return stopping.load(); });
                    hold.unlock();
                    previewing->Show(*frame);
                }
            }
            take(std::move(frame));
        }
    };
    auto push = [&](Work work) {
        if (!s.frames.Push(std::move(work))) throw QueueClosed();
    };
    auto converted = [&](Input& input, const AVPacket* packet) {
        decode(input, packet, [&](FramePtr frame) { push({input.kind, input.output, std::move(frame), nullptr, nullptr, nullptr}); });
    };

    // A copied packet goes on as it is, its times in ticks.
    auto copyOf = [&](const AVPacket& packet, AVRational timeBase) {
        PacketPtr copy = NewPacket();
        AvCheck(av_packet_ref(copy.get(), &packet), "cannot keep a packet of the disc");
        av_packet_rescale_ts(copy.get(), timeBase, kTicks);
        return copy;
    };
    // The held packets of a copied picture go on once the stream is described, the first with the description.
    auto release = [&](Input& input, const AVFrame* first) {
        if (input.described || input.held.empty()) return;
        ParametersPtr parameters = CopiedVideoParameters(*input.decoder, first, *input.held.front());
        input.described = true;
        for (PacketPtr& held : input.held) push({Work::Kind::kCopiedPicture, 0, nullptr, std::move(held), nullptr, std::exchange(parameters, nullptr)});
        input.held.clear();
    };
    auto copyPicture = [&](Input& input, const AVPacket& packet, AVRational timeBase) {
        PacketPtr copy = copyOf(packet, timeBase);
        if (input.described) {
            push({Work::Kind::kCopiedPicture, 0, nullptr, std::move(copy), nullptr, nullptr});
        } else {
            input.held.push_back(std::move(copy));
            // A stream whose pictures never decode is described by its sequence header alone.
            if (input.held.size() >= kMostHeldPictures) release(input, nullptr);
        }
        // Decoded only to describe the stream, and for the preview.
        if (!input.described || previewing) decode(input, &packet, [&](FramePtr frame) { release(input, frame.get()); });
    };
    // Checksums cost time: a frame is pieced together, if at all, where the disc's order is left.
    auto nearJoin = [&](const AVPacket& packet, AVRational timeBase) {
        if (packet.pts == AV_NOPTS_VALUE) return true;
        const int64_t at = av_rescale_q(packet.pts, timeBase, kTicks);
        const std::vector<int64_t> joins = disc.Joins();
        return std::any_of(joins.begin(), joins.end(), [&](int64_t join) { return std::abs(at - join) < kJoinReach; });
    };
    auto copySound = [&](Input& input, const AVPacket& packet, const AVStream& stream) {
        if (!IntactSoundFrame(stream.codecpar->codec_id, packet, nearJoin(packet, stream.time_base))) return;
        PacketPtr copy = copyOf(packet, stream.time_base);
        if (!input.pcm) return push({Work::Kind::kCopiedSound, input.output, nullptr, std::move(copy), nullptr, nullptr});
        for (PacketPtr& pcm : input.pcm->Rewrite(*copy)) push({Work::Kind::kCopiedSound, input.output, nullptr, std::move(pcm), nullptr, nullptr});
    };

    // A subpicture goes on whole, as it is (lasting as long as it shows: an MP4 drops a last one
    // without a duration) or to be burned; with only forced ones kept, those alone.
    auto subtitle = [&](Input& input, const AVPacket& packet, const AVRational timeBase) {
        PacketPtr whole = input.pieces->Add(packet);
        if (!whole || whole->pts == AV_NOPTS_VALUE) return;
        whole->pts = whole->dts = av_rescale_q(whole->pts, timeBase, kTicks);
        std::shared_ptr<SubtitleOverlay> overlay = input.subtitles->Decode(*whole, whole->pts);
        if (!overlay && (input.kind == Work::Kind::kBurn || plan.output.streams.forcedOnly)) return;
        if (overlay && overlay->end > whole->pts) whole->duration = overlay->end - whole->pts;
        Work work{input.kind, input.output, nullptr, nullptr, nullptr, nullptr};
        if (input.kind == Work::Kind::kBurn) work.overlay = std::move(overlay);
        else work.packet = std::move(whole);
        push(std::move(work));
    };

    PacketPtr packet = NewPacket();
    // What the demuxer gives once a stop has cut the disc's bytes short may be a piece of a picture.
    while (!stopping && demuxer.Next(*packet) && !stopping) {
        auto [at, isNew] = inputs.try_emplace(packet->stream_index);
        if (isNew) at->second = open(demuxer.Stream(packet->stream_index));
        const AVRational timeBase = demuxer.Stream(packet->stream_index).time_base;
        if (Input* input = at->second ? &*at->second : nullptr) {
            if (input->pieces) subtitle(*input, *packet, timeBase);
            else if (input->kind == Work::Kind::kCopiedPicture) copyPicture(*input, *packet, timeBase);
            else if (input->kind == Work::Kind::kCopiedSound) copySound(*input, *packet, demuxer.Stream(packet->stream_index));
            else converted(*input, packet.get());
        }
        av_packet_unref(packet.get());
    }
    // What the decoders still hold, also after a stop: it was read.
    for (auto& [index, input] : inputs) {
        if (!input) continue;
        if (input->kind == Work::Kind::kCopiedPicture) release(*input, nullptr);
        else if (input->decoder) converted(*input, nullptr);
    }
}

void Transcoder::Encode()
{
    Shared& s = *shared;
    const StreamPlan& streams = plan.streams;
    const StreamOutput& out = plan.output;
    const bool globalHeaders = s.file.WantsGlobalHeaders();
    std::vector<std::unique_ptr<AudioEncoder>> audio;
    if (!out.CopiesAudio())
        for (std::size_t k = 0; k < streams.audio.size(); ++k) audio.push_back(std::make_unique<AudioEncoder>(out, globalHeaders));
    std::unique_ptr<VideoEncoder> video;
    bool begun = false;

    // Packets of stream 0 (the pictures), 1.. (the audio tracks), then the subtitle tracks go to the writer.
    std::vector<PacketSink> sinks;
    for (std::size_t stream = 0; stream <= streams.audio.size() + streams.subtitles.size(); ++stream)
        sinks.push_back([&s, stream](AVPacket* made) {
            Shared::Packet item{static_cast<int>(stream), NewPacket()};
            av_packet_move_ref(item.packet.get(), made);
            if (!s.packets.Push(std::move(item))) throw QueueClosed();
        });

    // The output's timeline starts at the first picture; sound before it is cut.
    int64_t zero = AV_NOPTS_VALUE, last = -1;
    // Where the play list ends on that timeline, as its IFO times say (0: unknown); each subtitle track's last time.
    double seconds = 0;
    for (const TitleRun& title : disc.Titles())
        for (const SectorRun& cell : title.sectors) seconds += cell.seconds;
    const int64_t end = std::llround(seconds * kTicks.den);
    std::vector<int64_t> lastSubpicture(streams.subtitles.size(), -1);
    std::vector<int64_t> nextSample(audio.size(), 0);        // where sound without a time goes on
    std::vector<int64_t> nextSound(streams.audio.size(), 0);  // where copied sound may go on, in ticks
    std::deque<Work> early;                                   // sound and subtitles before the first picture
    std::deque<std::shared_ptr<SubtitleOverlay>> burning;     // subpictures shown now or later, in order
    // The end of the pictures so far, in seconds.
    auto front = [&] {
        return out.CopiesVideo() ? double(s.picturesEnd) / kTicks.den : double(last + 1) * s.rate.den / s.rate.num;
    };
    // Copied sound keeps its frames whole: a frame that would overlap the one before it (where two parts
    // of the disc join) is left out, and what comes before the first picture.
    auto copySound = [&](AVPacket& packet, std::size_t k) {
        packet.pts = packet.pts == AV_NOPTS_VALUE ? nextSound[k] : packet.pts - zero;
        if (packet.pts < 0 || packet.pts + kJoinSlack < nextSound[k]) return;
        packet.dts = packet.pts;
        nextSound[k] = packet.pts + std::max<int64_t>(packet.duration, 0);
        sinks[k + 1](&packet);
    };
    auto encode = [&](Work& work) {
        if (work.kind == Work::Kind::kBurn) {
            burning.push_back(std::move(work.overlay));
        } else if (work.kind == Work::Kind::kSubtitle) {
            AVPacket& packet = *work.packet;
            packet.pts = packet.dts = packet.pts - zero;
            // Each track's times go forward inside the play list's, or a muxer refuses the packet (or the
            // file lasts a day); a subpicture lasts until the play list's end at most.
            int64_t& previous = lastSubpicture[work.output];
            if (packet.pts < 0 || (end > 0 && packet.pts >= end) || packet.pts <= previous) {
                ++subpicturesLeftOut;
                return;
            }
            previous = packet.pts;
            if (end > 0 && (packet.duration <= 0 || packet.pts + packet.duration > end)) {
                packet.duration = end - packet.pts;
                ++subpicturesCut;
            }
            sinks[1 + streams.audio.size() + work.output](&packet);
        } else if (work.kind == Work::Kind::kCopiedSound) {
            copySound(*work.packet, static_cast<std::size_t>(work.output));
        } else {
            AVFrame& sound = *work.frame;
            const std::size_t k = static_cast<std::size_t>(work.output);
            const int64_t start = sound.pts == AV_NOPTS_VALUE ? nextSample[k] : av_rescale_q(sound.pts - zero, kTicks, {1, sound.sample_rate});
            nextSample[k] = start + sound.nb_samples;
            audio[k]->Encode(sound, start, front(), sinks[k + 1]);
        }
    };
    // The subpicture due at a picture's time (the stream's ticks) is drawn into it; those over are forgotten.
    auto burn = [&](AVFrame& picture) {
        const int64_t time = picture.pts;
        while (burning.size() > 1 && (burning[1]->start <= time || (burning[0]->end >= 0 && burning[0]->end <= time))) burning.pop_front();
        if (burning.size() == 1 && burning[0]->end >= 0 && burning[0]->end <= time) burning.pop_front();
        if (!burning.empty() && burning[0]->start <= time && time != AV_NOPTS_VALUE) DrawOverlay(picture, *burning[0]);
    };
    auto encodePicture = [&](AVFrame& picture) {
        burn(picture);
        // Each picture is the frame its time falls in, and never one already written.
        const int64_t index = std::max(last + 1, picture.pts == AV_NOPTS_VALUE ? last + 1 : FrameAt(picture.pts - zero, s.rate));
        last = index;
        video->Encode(picture, index, sinks[0]);
        for (std::size_t k = 0; k < audio.size(); ++k) audio[k]->Release(front(), sinks[k + 1]);
        s.encodedFrames = last + 1;
        s.picturesEnd = av_rescale(last + 1, int64_t(kTicks.den) * s.rate.den, s.rate.num);
        convertedMs = av_rescale(last + 1, int64_t(1000) * s.rate.den, s.rate.num);
    };
    // A copied picture keeps its times on the timeline. Where the stream leaves the disc's order (and
    // at its start), an open group of pictures begins with B pictures shown before its I picture that
    // need the pictures before it on the disc: those cannot be decoded, and are left out.
    std::size_t joinsSeen = 0;
    int64_t leadingBefore = AV_NOPTS_VALUE;  // while set: the first I picture after a join, shown at this time
    bool joinAhead = false;
    auto undecodable = [&](const AVPacket& packet, int64_t shown) {
        const std::vector<int64_t> joins = disc.Joins();
        for (; joinsSeen < joins.size() && joins[joinsSeen] <= shown; ++joinsSeen) joinAhead = true;
        const PictureStart start = PictureStartOf(packet);
        if (joinAhead && start.type == PictureType::kIntra) {
            joinAhead = false;
            leadingBefore = start.openGroup ? shown : AV_NOPTS_VALUE;
            return false;
        }
        if (leadingBefore == AV_NOPTS_VALUE) return false;
        if (start.type == PictureType::kBidirectional && shown < leadingBefore) return true;
        leadingBefore = AV_NOPTS_VALUE;
        return false;
    };
    auto copyPicture = [&](AVPacket& packet) {
        const int64_t shown = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
        if (shown == AV_NOPTS_VALUE || shown < zero || undecodable(packet, shown)) return;
        packet.pts = shown - zero;
        if (packet.dts != AV_NOPTS_VALUE) packet.dts -= zero;
        if (packet.duration <= 0 && s.sourceRate.num > 0) packet.duration = av_rescale(kTicks.den, s.sourceRate.den, s.sourceRate.num);
        s.picturesEnd = std::max<int64_t>(s.picturesEnd, packet.pts + std::max<int64_t>(packet.duration, 0));
        sinks[0](&packet);
        for (std::size_t k = 0; k < audio.size(); ++k) audio[k]->Release(front(), sinks[k + 1]);
        s.encodedFrames = s.encodedFrames + 1;
        convertedMs = s.picturesEnd / (kTicks.den / 1000);
    };
    // A disc carries a subpicture shortly before its time, but pictures up to a second or so
    // before theirs: to burn one in, a picture waits until the pictures read are well past it.
    std::deque<FramePtr> waitingPictures;
    auto mustWait = [&](const AVFrame& picture, const AVFrame& newest) {
        return streams.burned && waitingPictures.size() < kMostWaitingPictures && picture.pts != AV_NOPTS_VALUE &&
               newest.pts != AV_NOPTS_VALUE && newest.pts - picture.pts < kSubpictureLead;
    };
    // The file's streams after its pictures': the sound, converted or copied, then the subtitles.
    auto beginFile = [&](int width, int height) {
        for (std::size_t k = 0; k < streams.audio.size(); ++k) {
            const AudioStream& declared = streams.audio[k];
            if (!out.CopiesAudio()) {
                s.file.AddStream(audio[k]->Context(), declared.language);
                continue;
            }
            const bool rewritten = declared.coding == "LPCM" && !TakesDvdLpcm(out.mux);
            s.file.AddCopiedStream(*CopiedAudioParameters(declared, rewritten), kTicks, declared.language);
        }
        for (const SubtitleTrack& track : streams.subtitles)
            s.file.AddSubtitleStream(VobSubHeader(track.colours, width, height), width, height, track.language);
        s.file.Begin(plan.chapters);
        begun = true;
    };
    auto begin = [&](const AVFrame& first) {
        s.rate = out.frameRateNum > 0 ? AVRational{out.frameRateNum, out.frameRateDen}
                                      : s.sourceRate.num > 0 ? s.sourceRate : AVRational{25, 1};
        video = std::make_unique<VideoEncoder>(out, s.rate, globalHeaders);
        video->Open(first);
        s.file.AddStream(video->Context(), "");
        beginFile(first.width, first.height);
    };
    auto beginCopy = [&](const AVCodecParameters& pictures) {
        s.file.AddCopiedStream(pictures, kTicks, "");
        beginFile(pictures.width, pictures.height);
    };
    auto flushEarly = [&] {
        for (Work& waiting : early) encode(waiting);
        early.clear();
    };

    while (auto work = s.frames.Pop()) {
        const bool picture = work->kind == Work::Kind::kPicture || work->kind == Work::Kind::kCopiedPicture;
        if (!picture) {
            if (begun) {
                encode(*work);
            } else if (early.size() < kMaxEarlySound) {
                early.push_back(std::move(*work));
            } else {
                throw ConversionError("the disc's sound plays, but none of its pictures can be decoded");
            }
            continue;
        }
        if (work->kind == Work::Kind::kCopiedPicture) {
            if (!begun) {
                if (!work->parameters) continue;
                const AVPacket& first = *work->packet;
                zero = first.pts != AV_NOPTS_VALUE ? first.pts : first.dts != AV_NOPTS_VALUE ? first.dts : 0;
                beginCopy(*work->parameters);
                flushEarly();
            }
            copyPicture(*work->packet);
            continue;
        }
        if (!begun) {
            zero = work->frame->pts == AV_NOPTS_VALUE ? 0 : work->frame->pts;
            begin(*work->frame);
            flushEarly();
        }
        waitingPictures.push_back(std::move(work->frame));
        while (!waitingPictures.empty() && !mustWait(*waitingPictures.front(), *waitingPictures.back())) {
            encodePicture(*waitingPictures.front());
            waitingPictures.pop_front();
        }
    }
    for (FramePtr& picture : waitingPictures) encodePicture(*picture);
    if (!begun) {
        if (!stopping && disc.Error().empty()) throw ConversionError("no picture of the disc could be decoded");
        return;
    }
    if (video) video->Flush(sinks[0]);
    for (std::size_t k = 0; k < audio.size(); ++k) audio[k]->Flush(front(), sinks[k + 1]);
}

void Transcoder::Write()
{
    Shared& s = *shared;
    Guard([&] {
        while (auto item = s.packets.Pop()) s.file.Write(*item->packet, item->stream);
    });
    // The file is finished whatever happened, so that what was converted
    // plays; once the encoder is done with it (it writes the header).
    {
        std::unique_lock<std::mutex> hold(lock);
        wake.wait(hold, [&] { return encoded; });
    }
    Guard([&] {
        if (!s.file.Begun()) return;
        // The chapters start where the title reader found them, on their
        // first picture; the IFO's times stand in where it found none, or
        // did not read so far (a stopped rip: the writer leaves those out).
        std::vector<ChapterMark> marks = plan.chapters;
        const std::vector<int64_t> starts = disc.ChapterStarts();
        // Converted pictures are frames of the output's rate; copied ones keep the disc's times.
        const bool frames = !plan.output.CopiesVideo();
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const int64_t ticks = i < starts.size() && starts[i] >= 0 ? starts[i] : std::llround(marks[i].start * kTicks.den);
            marks[i].start = frames ? double(FrameAt(ticks, s.rate)) * s.rate.den / s.rate.num : double(ticks) / kTicks.den;
        }
        s.file.Finish(marks, double(s.picturesEnd) / kTicks.den);
    });
    finished = true;
    if (ended) ended();
}
