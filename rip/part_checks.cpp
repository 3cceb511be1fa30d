#include "rip/part_checks.h"

#include "read/stream_routes.h"
#include "rip/subtitle_policy.h"

std::string PartProblem(const DvdSource& source, const DiscSelection& part)
{
    std::string problem;
    SelectionPlayList(source, part, &problem);
    return problem;
}

PartStreams::PartStreams(const DvdSource& source, const std::vector<RipPart>& parts)
{
    for (const RipPart& part : parts) {
        PlayList played = part ? SelectionPlayList(source, *part, nullptr) : WholeDiscPlayList(source);
        list.insert(list.end(), played.begin(), played.end());
    }
}

StreamChoices PartStreams::SettingsSubtitles(const RipSettings& settings) const
{
    return SubtitleChoices(settings, list);
}

std::vector<std::string> PartStreams::Missing(const StreamChoices& choices) const
{
    PlayList routed = list;
    std::vector<std::string> missing;
    RouteStreams(routed, choices, &missing);
    return missing;
}

std::string PartStreams::AudioHeld() const
{
    return AudioStreamsHeld(list);
}

std::string PartStreams::SubtitlesHeld() const
{
    return SubpictureStreamsHeld(list);
}
