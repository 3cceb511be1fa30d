#include "cli/rip_choices.h"

#include "cli/command_line.h"
#include "dvd/title_model.h"
#include "rip/part_checks.h"
#include "settings/value_tables.h"
#include "rip/containers.h"
#include "rip/stream_policy.h"

#include <algorithm>
#include <iostream>

namespace {

// One title of a --title list: main, or N, N.M or N.M.K, each a whole number that fits.
std::optional<DiscSelection> NamedTitle(const DvdSource& source, const std::string& text, double minSeconds, std::string& wrong)
{
    if (text == "main") {
        const auto main = MainFeature(source, minSeconds);
        if (!main) wrong = "the disc has no main feature: no title holds video";
        return main ? std::optional(main->selection) : std::nullopt;
    }
    const std::vector<std::string> pieces = SplitChoices(text, '.');
    std::vector<int> numbers;
    for (const std::string& piece : pieces)
        if (const auto number = ParseNumber(std::string_view(piece))) numbers.push_back(*number);
    if (pieces.size() > 3 || numbers.size() != pieces.size()) {
        wrong = "--title takes main, each, or a list of N, N.M or N.M.K (1.1,1.2,3), not " + text;
        return std::nullopt;
    }
    DiscSelection selection;
    selection.titleSet = numbers[0];
    selection.angle = numbers.size() == 3 ? numbers[2] : 1;
    if (numbers.size() >= 2) {
        selection.programChain = numbers[1];
    } else {
        if (const TitleSet* titleSet = TitleSetNumbered(source, selection.titleSet))
            selection.programChain = DefaultProgramChain(*titleSet);
        if (selection.programChain == 0) selection.programChain = 1;  // let the check say what is wrong
    }
    return selection;
}

// The titles of --title: a comma-separated list, or each long enough; each named once.
std::vector<DiscSelection> NamedTitles(const DvdSource& source, const PartOptions& options, std::string& wrong)
{
    if (*options.title == "each") {
        double longest = 0;
        auto titles = EveryTitle(source, options.minLength, &longest);
        if (titles.empty())
            wrong = "no title plays " + std::to_string(long(options.minLength)) + " seconds or more (the longest plays " +
                    FormatDuration(longest) + "): lower --min-length";
        return titles;
    }
    std::vector<DiscSelection> titles;
    for (const std::string& text : SplitChoices(*options.title, ',')) {
        const auto title = NamedTitle(source, text, options.minLength, wrong);
        if (!title) return {};
        if (std::find(titles.begin(), titles.end(), *title) == titles.end()) titles.push_back(*title);
    }
    return titles;
}

// The audio stream of a title's program chain that `choice` (a number or a language) names; 0 for none, said in `wrong`.
int AudioStreamNamed(const DvdSource& source, const DiscSelection& title, const std::string& choice, std::string& wrong)
{
    const TitleSet* titleSet = TitleSetNumbered(source, title.titleSet);
    const bool chainHeld = titleSet && title.programChain >= 1 && title.programChain <= int(titleSet->pgcEntries.size());
    const std::vector<AudioStream> offered =
        chainHeld ? OfferedAudio(*titleSet, *titleSet->pgcEntries[title.programChain - 1]) : std::vector<AudioStream>{};
    const int titleSetNumber = title.titleSet;
    std::string held;
    int chosen = 0;
    for (const AudioStream& stream : offered) {
        held += (held.empty() ? "" : ", ") + std::to_string(stream.index) + (stream.language.empty() ? "" : " (" + stream.language + ")");
        if (!chosen && (ToLower(choice) == stream.language || choice == std::to_string(stream.index))) chosen = stream.index;
    }
    if (!chosen)
        wrong = "no audio stream " + choice + " in title set " + std::to_string(titleSetNumber) +
                (held.empty() ? " (it has none)" : " (it has " + held + ")");
    return chosen;
}

}  // namespace

std::vector<RipPart> ChosenParts(const DvdSource& source, const PartOptions& options, std::string& wrong)
{
    if (!options.title) {
        if (options.chapters) wrong = "--chapters goes with --title";
        return {std::nullopt};
    }
    std::vector<DiscSelection> titles = NamedTitles(source, options, wrong);
    if (!wrong.empty()) return {};
    if (titles.size() == 1) {
        DiscSelection& title = titles.front();
        if (options.chapters) {
            auto chapters = ParseChapterList(*options.chapters);
            if (!chapters) {
                wrong = "--chapters takes a list like 3, 2-5 or 1,3,6-7, not " + *options.chapters;
                return {};
            }
            title.chapters = *chapters;
        }
        // One title's audio stream is part of its name.
        if (options.audio && !(title.audioStream = AudioStreamNamed(source, title, *options.audio, wrong))) return {};
    } else if (options.chapters) {
        wrong = "--chapters goes with a single --title";
        return {};
    }
    std::vector<RipPart> parts;
    for (const DiscSelection& title : titles) {
        if (!(wrong = PartProblem(source, title)).empty()) return {};
        parts.push_back(title);
    }
    return parts;
}

StreamChoices ChosenStreams(const DvdSource& source, const std::vector<RipPart>& parts, const RipSettings& settings,
                            const QCommandLineParser& parser, const StreamOptions& options, std::string& wrong)
{
    const bool oneTitle = parts.size() == 1 && parts.front();
    StreamChoices streams;
    auto take = [&](const char* option, const QString& value, bool allowAll) {
        const std::string choice = ToLower(Bytes(value));
        if (!IsStreamChoice(choice, allowAll))
            wrong = std::string("--") + option + " takes a stream's number (from 1), a language code (en)" +
                    (allowAll ? " or all" : "") + ", not " + Bytes(value);
        else if (ParseNumber(choice) && !oneTitle)
            wrong = std::string("--") + option + " " + choice +
                    ": a stream's number goes with --title and one title; a language works for the whole disc and for several";
        return choice;
    };
    // With one title its own audio stream is chosen already, for its name.
    if (parser.isSet(options.audio) && !oneTitle) streams.audio = take("audio", parser.value(options.audio), false);
    for (const QString& value : parser.values(options.subtitles)) streams.subtitles.push_back(take("subtitles", value, true));
    if (parser.isSet(options.burn)) streams.burn = take("burn", parser.value(options.burn), false);
    streams.forcedOnly = parser.isSet(options.forced);
    const bool copy = settings.videoCodec == kCopyCodec;
    if (copy && !streams.burn.empty()) wrong = "--burn draws into a converted picture; --copy keeps the disc's as they are";
    // A copy keeps what the disc holds: every subtitle stream, where the container holds tracks.
    if (copy && streams.subtitles.empty() && KeepsSubtitleTracks(MuxOf(settings))) streams.subtitles = {"all"};
    if (!streams.subtitles.empty() && !KeepsSubtitleTracks(MuxOf(settings)))
        wrong = std::string(kContainerTable[settings.videoMethod]) +
                " cannot hold DVD subtitles as a track: choose mkv, ps, mpeg1 or mp4, or --burn";
    if (!wrong.empty()) return streams;

    // A language is looked for in every part together, as in the whole disc.
    const PartStreams held(source, parts);
    if (streams.subtitles.empty() && streams.burn.empty() && !copy) {
        const StreamChoices profile = held.SettingsSubtitles(settings);
        streams.subtitles = profile.subtitles;
        streams.burn = profile.burn;
        streams.forcedOnly = streams.forcedOnly || profile.forcedOnly;
        if (const std::string note = SubtitleNote(settings); !note.empty()) std::cerr << note << " (Settings)\n";
    }
    for (const std::string& choice : held.Missing(streams)) {
        const bool isAudio = choice == streams.audio;
        const std::string kinds = isAudio ? held.AudioHeld() : held.SubtitlesHeld();
        wrong = std::string("no ") + (isAudio ? "audio" : "subtitle") + " stream " + choice + " on " +
                (oneTitle ? "title set " + std::to_string(parts.front()->titleSet) : parts.size() > 1 ? "these titles" : "the disc") +
                (kinds.empty() ? " (it has none)" : " (it has " + kinds + ")");
    }
    return streams;
}
