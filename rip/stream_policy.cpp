#include "rip/stream_policy.h"

#include "read/stream_routes.h"
#include "rip/containers.h"
#include "settings/setting_table.h"
#include "settings/value_tables.h"

namespace {

// The subtitle mode a rip carries out: a copied picture takes none burned in, and keeps them as tracks.
int ModeDone(const RipSettings& settings)
{
    return settings.subtitleMode == kSubtitlesBurned && CopiesVideo(settings) ? kSubtitlesKept : settings.subtitleMode;
}

}  // namespace

bool CopiesVideo(const RipSettings& settings)
{
    return settings.videoCodec == kCopyCodec;
}

bool CopiesAudio(const RipSettings& settings)
{
    return settings.audioCodec == kCopyCodec;
}

StreamChoices SubtitleChoices(const RipSettings& settings, const PlayList& playList)
{
    StreamChoices choices;
    const int mode = ModeDone(settings);
    if (mode == kSubtitlesNone || (mode == kSubtitlesKept && !KeepsSubtitleTracks(MuxOf(settings)))) return choices;
    for (const std::string& stream : {settings.subtitleLanguage, std::string("1")}) {
        PlayList routed = playList;
        std::vector<std::string> missing;
        RouteStreams(routed, {{}, {stream}, {}, false}, &missing);
        if (!missing.empty()) continue;
        if (mode == kSubtitlesKept) choices.subtitles = {stream};
        else choices.burn = stream;
        choices.forcedOnly = settings.subtitleForced == 1;
        break;
    }
    return choices;
}

std::string SubtitleNote(const RipSettings& settings)
{
    if (settings.subtitleMode == kSubtitlesNone) return {};
    // The settings' own container, whatever a Save As chose for one rip.
    RipSettings container = settings;
    GetContainerExtension(container);
    const int mode = ModeDone(settings);
    if (mode == kSubtitlesKept && !KeepsSubtitleTracks(container.mux))
        return std::string("Subtitles: none, ") + kContainerTable[ContainerOrDefault(container.videoMethod)] + " holds no track.";
    const std::string kept = mode != settings.subtitleMode ? ", kept as a track: a copied picture takes none burned in." : ", kept as a track.";
    return std::string("Subtitles: ") + (settings.subtitleForced ? "forced " : "") + settings.subtitleLanguage +
           (mode == kSubtitlesKept ? kept : ", burned in.");
}

std::string CopyNote(const RipSettings& settings)
{
    if (CopiesVideo(settings) && CopiesAudio(settings)) return "Picture and sound copied as on the disc: bitrates, scale, channels and rate do not apply.";
    if (CopiesVideo(settings)) return "Picture copied as on the disc: its bitrate and scale do not apply.";
    if (CopiesAudio(settings)) return "Sound copied as on the disc: its bitrate, channels and rate do not apply.";
    return {};
}
