#include "rip/vlc_control.h"

#include "rip/disc_play_list.h"
#include "rip/disc_title_stream.h"
#include "rip/media_locator.h"

#include <vlc/vlc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const libvlc_event_type_t kWatchedEvents[] = {libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError,
                                             libvlc_MediaPlayerStopped, libvlc_MediaPlayerPositionChanged};

// The modules whose errors mean the file is not what it should be: the file
// output (cannot create, cannot write) and the stream outputs (no encoder,
// no muxer). Other modules log errors that do not matter (an encoder
// library that is tried and refuses before the next one takes over).
bool MeansFailedConversion(const char* module)
{
    return module && (std::strcmp(module, "file") == 0 || std::strcmp(module, "stream_out_transcode") == 0 ||
                      std::strcmp(module, "stream_out_standard") == 0);
}

int OpenDisc(void* opaque, void** data, uint64_t* size)
{
    *data = opaque;
    *size = static_cast<DiscTitleStream*>(opaque)->Size();
    return 0;
}

ssize_t ReadDisc(void* data, unsigned char* buffer, size_t length)
{
    return static_cast<DiscTitleStream*>(data)->Read(buffer, length);
}

int SeekDisc(void* data, uint64_t position)
{
    return static_cast<DiscTitleStream*>(data)->Seek(position) ? 0 : -1;
}

void CloseDisc(void*)
{
}

// The whole disc, or the selection a locator names after its '#'.
std::unique_ptr<DiscTitleStream> OpenDiscPart(const std::string& disc, const std::string& part, DiscProblem& problem)
{
    if (part.empty()) return DiscTitleStream::Open(disc, &problem);
    const auto selection = DecodeSelection(part);
    if (!selection) {
        problem.reason = "no such part of a disc: " + part;
        return nullptr;
    }
    PlayList list = SelectionPlayList(disc, *selection, &problem.reason);
    if (list.empty()) return nullptr;
    auto stream = DiscTitleStream::Open(disc, list, &problem);
    if (stream) stream->KeepAudioStream(selection->audioStream);
    return stream;
}

}  // namespace

VlcInstance::VlcInstance(bool withDisplay)
{
    std::vector<const char*> arguments = {
        "--no-video-title-show", "--aout=dummy", "--no-sub-autodetect-file",
        // No hardware decoding: it needs a GPU, and probing one costs time on machines without.
        "--avcodec-hw=none",
        // The TS muxer keeps back its last shaping interval when the file is
        // closed: 200 ms by default, the last five pictures of every rip.
        "--sout-ts-shaping=40",
        // The default lowest quantiser, 0, lets the MPEG-1 encoder write a slice no decoder accepts.
        "--sout-avcodec-qmin=1",
        // Encoding in a thread of its own, beside decoding: a third faster on two cores.
        "--sout-transcode-threads=1"};
    if (!withDisplay) arguments.push_back("--vout=dummy");
    const char* verbose = std::getenv("TARVOK_VLC_VERBOSE");
    talkative = verbose && *verbose;
    // Also quiets the codec library, which writes to stderr on its own.
    if (!talkative) arguments.push_back("--quiet");
    instance = libvlc_new(static_cast<int>(arguments.size()), arguments.data());
    if (instance) libvlc_log_set(instance, &VlcInstance::OnLog, this);
}

VlcInstance::~VlcInstance()
{
    if (instance) libvlc_release(instance);
}

void VlcInstance::Listen(CVLCControl* control)
{
    const std::lock_guard<std::mutex> hold(listenerLock);
    listener = control;
}

void VlcInstance::StopListening(const CVLCControl* control)
{
    const std::lock_guard<std::mutex> hold(listenerLock);
    if (listener == control) listener = nullptr;
}

void VlcInstance::OnLog(void* self, int level, const libvlc_log_t* context, const char* format, va_list arguments)
{
    auto* vlc = static_cast<VlcInstance*>(self);
    const char *module = nullptr, *file = nullptr;
    unsigned line = 0;
    libvlc_log_get_context(context, &module, &file, &line);
    const bool failure = level == LIBVLC_ERROR && MeansFailedConversion(module);
    if (!vlc->talkative && !failure) return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, arguments);
    if (vlc->talkative) std::fprintf(stderr, "%s\n", text);
    if (!failure) return;
    const std::lock_guard<std::mutex> hold(vlc->listenerLock);
    if (vlc->listener) vlc->listener->NoteConverterError(text);
}

CVLCControl::CVLCControl(VlcInstance& vlc) : vlc(vlc)
{
}

CVLCControl::~CVLCControl()
{
    playlistClear();
}

void CVLCControl::OnPlayerEvent(const libvlc_event_t* event, void* self)
{
    auto* control = static_cast<CVLCControl*>(self);
    switch (event->type) {
    case libvlc_MediaPlayerPositionChanged:
        if (event->u.media_player_position_changed.new_position > 0) control->advanced = true;
        return;
    case libvlc_MediaPlayerEncounteredError:
        control->errorSeen = true;
        break;
    case libvlc_MediaPlayerEndReached:
        control->endReached = true;
        break;
    default:
        break;
    }
    control->finished = true;
}

void CVLCControl::ShowPicturesIn(int width, int height, std::function<void()> ready)
{
    pictureWidth = width;
    pictureHeight = height;
    pictureReady = std::move(ready);
}

void* CVLCControl::LockPicture(void* self, void** planes)
{
    auto* control = static_cast<CVLCControl*>(self);
    control->drawing.resize(std::size_t(control->pictureWidth) * control->pictureHeight * 4);
    planes[0] = control->drawing.data();
    return nullptr;
}

void CVLCControl::ShowPicture(void* self, void*)
{
    auto* control = static_cast<CVLCControl*>(self);
    {
        const std::lock_guard<std::mutex> hold(control->pictureLock);
        control->shown.swap(control->drawing);
    }
    if (control->pictureReady) control->pictureReady();
}

std::vector<uint8_t> CVLCControl::LatestPicture() const
{
    const std::lock_guard<std::mutex> hold(pictureLock);
    return shown;
}

void CVLCControl::NoteConverterError(const std::string& text)
{
    const std::lock_guard<std::mutex> hold(reportLock);
    if (converterError.empty()) converterError = text;
}

void CVLCControl::addTarget(const std::string& locator, const std::vector<std::string>& options, int, int)
{
    playlistClear();
    if (!vlc.get()) throw VlcError("libvlc could not be started");
    {
        const std::lock_guard<std::mutex> hold(reportLock);
        converterError.clear();
        discError.clear();
        discReachedEnd = false;
        discDelivered = 0;
    }
    openProblem.clear();
    finalFailure = false;
    finished = false;
    endReached = false;
    errorSeen = false;
    advanced = false;
    libvlc_media_t* media = nullptr;
    readsDisc = DiscOfLocator(locator).has_value();
    if (readsDisc) {
        DiscProblem problem;
        disc = OpenDiscPart(*DiscOfLocator(locator), PartOfLocator(locator), problem);
        if (!disc) {
            // As a disc that cannot be played: the item ends at once, failed.
            openProblem = problem.reason;
            finalFailure = problem.encrypted;
            finished = true;
            errorSeen = true;
            return;
        }
        // A stream that can seek also lets libvlc convert at its own pace rather than in real time.
        media = libvlc_media_new_callbacks(vlc.get(), OpenDisc, ReadDisc, SeekDisc, CloseDisc, disc.get());
        if (media) {
            libvlc_media_add_option(media, ":demux=ps");
            // The demuxer reads headers of a few bytes; without a cache each is a call
            // here, and libvlc's threads wake each other three times as often.
            libvlc_media_add_option(media, ":stream-filter=cache_read");
        }
    } else {
        media = libvlc_media_new_location(vlc.get(), locator.c_str());
    }
    if (!media) throw VlcError("libvlc refused the locator " + locator);
    for (const std::string& option : options) libvlc_media_add_option(media, option.c_str());
    player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    if (!player) throw VlcError("libvlc could not make a player");
    if (pictureWidth > 0 && pictureHeight > 0) {
        libvlc_video_set_callbacks(player, &CVLCControl::LockPicture, nullptr, &CVLCControl::ShowPicture, this);
        libvlc_video_set_format(player, "RV32", pictureWidth, pictureHeight, pictureWidth * 4);
    }

    libvlc_event_manager_t* events = libvlc_media_player_event_manager(player);
    for (libvlc_event_type_t type : kWatchedEvents) libvlc_event_attach(events, type, &CVLCControl::OnPlayerEvent, this);
    vlc.Listen(this);
    if (libvlc_media_player_play(player) != 0) {
        playlistClear();
        throw VlcError("libvlc could not start " + locator);
    }
}

void CVLCControl::stop()
{
    if (!player) return;
    // libvlc waits for its reading thread, which may sit in a slow read of the disc.
    if (disc) disc->Cancel();
    libvlc_media_player_stop(player);
    finished = true;
}

void CVLCControl::KeepDiscReport()
{
    if (!disc) return;
    const std::lock_guard<std::mutex> hold(reportLock);
    discError = disc->Error();
    discReachedEnd = disc->ReachedEnd();
    discDelivered = disc->Delivered();
}

void CVLCControl::playlistClear()
{
    if (!player) {
        disc.reset();
        return;
    }
    if (disc) disc->Cancel();
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(player);
    for (libvlc_event_type_t type : kWatchedEvents) libvlc_event_detach(events, type, &CVLCControl::OnPlayerEvent, this);
    libvlc_media_player_release(player);
    vlc.StopListening(this);
    player = nullptr;
    KeepDiscReport();
    disc.reset();  // only once the player that reads it is gone
    finished = true;
}

bool CVLCControl::Playing() const
{
    return player && !finished;
}

float CVLCControl::GetPosition() const
{
    return Playing() ? libvlc_media_player_get_position(player) : -1.0f;
}

int CVLCControl::GetTime() const
{
    if (!Playing()) return -1;
    const libvlc_time_t ms = libvlc_media_player_get_time(player);
    return ms < 0 ? -1 : static_cast<int>(ms / 1000);
}

bool CVLCControl::Advanced() const
{
    if (!readsDisc) return advanced;
    if (disc) return disc->Delivered() > 0;
    const std::lock_guard<std::mutex> hold(reportLock);
    return discDelivered > 0;
}

std::string CVLCControl::Failure() const
{
    if (!openProblem.empty()) return openProblem;
    std::string readError, writeError;
    bool readToTheEnd = false;
    {
        const std::lock_guard<std::mutex> hold(reportLock);
        readError = disc ? disc->Error() : discError;
        readToTheEnd = disc ? disc->ReachedEnd() : discReachedEnd;
        writeError = converterError;
    }
    if (!readError.empty()) return readError;
    if (!writeError.empty()) return "libvlc: " + writeError;
    if (errorSeen) return "libvlc could not convert the item";
    if (readsDisc && endReached && !readToTheEnd) return "the conversion ended before the end of the disc";
    return {};
}
