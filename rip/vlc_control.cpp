#include "rip/vlc_control.h"

#include <vlc/vlc.h>

#include <cstdio>
#include <cstdlib>

namespace {

void LogToStderr(void*, int, const libvlc_log_t*, const char* format, va_list arguments)
{
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

void DropLog(void*, int, const libvlc_log_t*, const char*, va_list)
{
}

}  // namespace

VlcInstance::VlcInstance(bool withDisplay)
{
    // No hardware decoding: it needs a GPU, and probing one costs time on machines without.
    std::vector<const char*> arguments = {"--no-video-title-show", "--aout=dummy", "--no-sub-autodetect-file", "--avcodec-hw=none"};
    if (!withDisplay) arguments.push_back("--vout=dummy");
    instance = libvlc_new(static_cast<int>(arguments.size()), arguments.data());
    if (!instance) return;
    const char* verbose = std::getenv("TARVOK_VLC_VERBOSE");
    libvlc_log_set(instance, verbose && *verbose ? LogToStderr : DropLog, nullptr);
}

VlcInstance::~VlcInstance()
{
    if (instance) libvlc_release(instance);
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
    if (event->type == libvlc_MediaPlayerEncounteredError) control->errorSeen = true;
    control->finished = true;
}

void CVLCControl::addTarget(const std::string& locator, const std::vector<std::string>& options, int, int)
{
    playlistClear();
    if (!vlc.get()) throw VlcError("libvlc could not be started");
    libvlc_media_t* media = libvlc_media_new_location(vlc.get(), locator.c_str());
    if (!media) throw VlcError("libvlc refused the locator " + locator);
    for (const std::string& option : options) libvlc_media_add_option(media, option.c_str());
    player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    if (!player) throw VlcError("libvlc could not make a player");
    if (window) libvlc_media_player_set_xwindow(player, static_cast<uint32_t>(window));

    finished = false;
    errorSeen = false;
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(player);
    for (libvlc_event_type_t type : {libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerStopped})
        libvlc_event_attach(events, type, &CVLCControl::OnPlayerEvent, this);
    if (libvlc_media_player_play(player) != 0) {
        playlistClear();
        throw VlcError("libvlc could not start " + locator);
    }
}

void CVLCControl::stop()
{
    if (!player) return;
    libvlc_media_player_stop(player);
    finished = true;
}

void CVLCControl::playlistClear()
{
    if (!player) return;
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(player);
    for (libvlc_event_type_t type : {libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerStopped})
        libvlc_event_detach(events, type, &CVLCControl::OnPlayerEvent, this);
    libvlc_media_player_release(player);
    player = nullptr;
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
