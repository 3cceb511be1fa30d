#include "read/stream_routes.h"

#include "dvd/disc_files.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::size_t kSubpictureStreams = std::tuple_size_v<SubpictureRoute>;

// A stream named by `choice`: its number, or its language.
template <typename Stream>
bool Names(const std::string& choice, const Stream& stream)
{
    if (const auto number = ParseNumber(choice)) return stream.index == *number;
    return !stream.language.empty() && ToLower(choice) == stream.language;
}

// What names a stream over the whole play list: its language where that
// names one stream of its title set (title sets need not number their
// languages alike), else its number.
template <typename Stream>
std::string WholeDiscKey(const std::vector<Stream>& titleSetStreams, const Stream& stream)
{
    const auto alike = std::count_if(titleSetStreams.begin(), titleSetStreams.end(),
                                     [&](const Stream& other) { return other.language == stream.language; });
    return !stream.language.empty() && alike == 1 ? stream.language : std::to_string(stream.index);
}

// What the play list holds: "1 (en), 2 (fr)"; over several title sets, whose numbers need not
// agree, the languages alone ("en, fr"), which is what works there.
template <typename Stream>
std::string Listed(const PlayList& playList, std::vector<Stream> TitleRun::*streams)
{
    const bool oneTitleSet = std::all_of(playList.begin(), playList.end(),
                                         [&](const TitleRun& run) { return run.titleSet == playList.front().titleSet; });
    std::vector<std::string> entries;
    for (const TitleRun& run : playList)
        for (const Stream& stream : run.*streams) {
            const std::string language = stream.language.empty() ? "" : " (" + stream.language + ")";
            const std::string entry = oneTitleSet ? std::to_string(stream.index) + language : stream.language;
            if (!entry.empty() && std::find(entries.begin(), entries.end(), entry) == entries.end()) entries.push_back(entry);
        }
    std::string text;
    for (const std::string& entry : entries) text += (text.empty() ? "" : ", ") + entry;
    return text;
}

void RouteAudio(PlayList& playList, const std::string& choice, StreamPlan& plan, std::vector<std::string>* missing)
{
    std::vector<std::string> keys;  // every stream: a track for each whole-disc key, in the order met
    if (choice.empty())
        for (const TitleRun& run : playList)
            for (const AudioStream& stream : run.audioStreams)
                if (const std::string key = WholeDiscKey(run.audioStreams, stream); std::find(keys.begin(), keys.end(), key) == keys.end()) {
                    keys.push_back(key);
                    plan.audio.push_back(stream);
                }
    bool found = false;
    for (TitleRun& run : playList) {
        run.audioRoute.fill(-1);
        for (const AudioStream& stream : run.audioStreams) {
            if (stream.carrier < 0 || stream.carrier >= int(run.audioRoute.size())) continue;
            int8_t& route = run.audioRoute[stream.carrier];
            if (choice.empty()) {
                route = static_cast<int8_t>(std::find(keys.begin(), keys.end(), WholeDiscKey(run.audioStreams, stream)) - keys.begin());
            } else if (Names(choice, stream) && std::count(run.audioRoute.begin(), run.audioRoute.end(), 0) == 0) {
                route = 0;  // one stream of each title set, the first that the choice names
                if (!found) plan.audio.push_back(stream);
                found = true;
            }
        }
    }
    if (!choice.empty() && !found && missing) missing->push_back(choice);
}

void RouteSubpictures(PlayList& playList, const StreamChoices& choices, StreamPlan& plan, std::vector<std::string>* missing)
{
    // The tracks in order ("all" as every stream of the play list, by its whole-disc key), then the burned stream.
    std::vector<std::string> tracks;
    auto add = [&](const std::string& choice) {
        if (std::find(tracks.begin(), tracks.end(), choice) == tracks.end()) tracks.push_back(choice);
    };
    for (const std::string& choice : choices.subtitles) {
        if (choice != "all") {
            add(ToLower(choice));
            continue;
        }
        for (const TitleRun& run : playList)
            for (const SubpictureStream& stream : run.subpictureStreams) add(WholeDiscKey(run.subpictureStreams, stream));
    }
    // The title reader renumbers the tracks as sub-streams 0x20 to 0x3F, the burned one last: those past them stay out.
    const std::size_t room = kSubpictureStreams - (choices.burn.empty() ? 0 : 1);
    if (tracks.size() > room) {
        plan.subtitlesLeftOut.assign(tracks.begin() + static_cast<std::ptrdiff_t>(room), tracks.end());
        tracks.resize(room);
    }
    const std::size_t kept = tracks.size();
    if (!choices.burn.empty()) tracks.push_back(ToLower(choices.burn));

    std::vector<std::optional<SubtitleTrack>> found(tracks.size());
    for (TitleRun& run : playList) {
        run.subpictureRoute = NoSubpictures();
        for (std::size_t t = 0; t < tracks.size(); ++t)
            for (const SubpictureStream& stream : run.subpictureStreams) {
                if (stream.carrier < 0 || stream.carrier >= int(run.subpictureRoute.size()) || !Names(tracks[t], stream)) continue;
                int8_t& route = run.subpictureRoute[stream.carrier];
                if (route >= 0) continue;
                route = static_cast<int8_t>(t);
                if (!found[t]) found[t] = SubtitleTrack{stream.language, run.colours};
                break;
            }
    }
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        if (!found[t] && missing) missing->push_back(tracks[t]);
        const SubtitleTrack track = found[t].value_or(SubtitleTrack{});
        if (t < kept) plan.subtitles.push_back(track);
        else plan.burned = track;
    }
}

}  // namespace

StreamPlan RouteStreams(PlayList& playList, const StreamChoices& choices, std::vector<std::string>* missing)
{
    StreamPlan plan;
    RouteAudio(playList, choices.audio, plan, missing);
    RouteSubpictures(playList, choices, plan, missing);
    return plan;
}

std::string AudioStreamsHeld(const PlayList& playList)
{
    return Listed(playList, &TitleRun::audioStreams);
}

std::string SubpictureStreamsHeld(const PlayList& playList)
{
    return Listed(playList, &TitleRun::subpictureStreams);
}
