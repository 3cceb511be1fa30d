#include "rip/subtitle_policy.h"

#include "read/stream_routes.h"
#include "rip/containers.h"
#include "settings/setting_table.h"

StreamChoices SubtitleChoices(const RipSettings& settings, const PlayList& playList)
{
    StreamChoices choices;
    if (settings.subtitleMode == kSubtitlesNone || (settings.subtitleMode == kSubtitlesKept && !KeepsSubtitleTracks(MuxOf(settings))))
        return choices;
    for (const std::string& stream : {settings.subtitleLanguage, std::string("1")}) {
        PlayList routed = playList;
        std::vector<std::string> missing;
        RouteStreams(routed, {{}, {stream}, {}, false}, &missing);
        if (!missing.empty()) continue;
        if (settings.subtitleMode == kSubtitlesKept) choices.subtitles = {stream};
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
    if (settings.subtitleMode == kSubtitlesKept && !KeepsSubtitleTracks(container.mux))
        return std::string("Subtitles: none, ") + kContainerTable[ContainerOrDefault(container.videoMethod)] + " holds no track.";
    return std::string("Subtitles: ") + (settings.subtitleForced ? "forced " : "") + settings.subtitleLanguage +
           (settings.subtitleMode == kSubtitlesKept ? ", kept as a track." : ", burned in.");
}
