#include "rip/part_checks.h"

#include "convert/copied_streams.h"
#include "read/stream_routes.h"
#include "rip/stream_policy.h"

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

std::string PartStreams::CopyProblem(const StreamChoices& choices, const std::string& mux) const
{
    PlayList routed = list;
    const StreamPlan plan = RouteStreams(routed, choices);
    for (const AudioStream& track : plan.audio)
        if (!TakesCopiedSound(mux, track.coding))
            return mux + " cannot hold the disc's " + (track.coding.empty() ? std::string("unknown") : track.coding) + " sound (stream " +
                   std::to_string(track.index) + (track.language.empty() ? "" : ", " + track.language) +
                   ") as it is: copy into mkv" + (track.coding == "LPCM" ? " or ps" : ", ps, ts or mp4");
    // One track of the file holds one kind of picture, and one kind of sound each.
    const auto differ = [](const std::string& what) {
        return "the title sets of what is copied differ in " + what + ", which no one track of a file can hold: copy each title "
               "into a file of its own (--title each)";
    };
    for (const TitleRun& run : routed) {
        const TitleRun& first = routed.front();
        if (run.pictureSize != first.pictureSize || run.tvSystem != first.tvSystem)
            return differ("picture size or rate (" + first.pictureSize + " " + first.tvSystem + ", " + run.pictureSize + " " + run.tvSystem + ")");
        for (const AudioStream& stream : run.audioStreams) {
            const int8_t track = stream.carrier >= 0 && stream.carrier < int(run.audioRoute.size()) ? run.audioRoute[stream.carrier] : -1;
            if (track >= 0 && track < int(plan.audio.size()) && stream.coding != plan.audio[track].coding)
                return differ("the sound of one language (" + plan.audio[track].coding + ", " + stream.coding + ")");
        }
    }
    return {};
}
