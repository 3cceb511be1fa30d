#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_source.h"
#include "dvd/disc_files.h"
#include "platform/volume_table.h"
#include "rip/disc_play_list.h"
#include "rip/output_file.h"
#include "rip/safe_output.h"
#include "rip/stream_routes.h"
#include "rip/transcode_chain.h"
#include "rip/vlc_control.h"
#include "settings/codecs_ini.h"
#include "settings/qsettings_profile.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int)
{
    interrupted = 1;
}

std::string ModuleFolder()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string() + "/";
}

std::string Clock(double seconds)
{
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

// True when the user may overwrite `path`: --yes, or a "y" at the terminal.
bool MayOverwrite(const std::string& path, bool yes)
{
    if (yes) return true;
    if (!isatty(STDIN_FILENO)) {
        std::cerr << "tarvok-rip: " << path << " exists; add --yes to overwrite it\n";
        return false;
    }
    std::cerr << path << " exists. Overwrite it? [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (answer == "y" || answer == "Y" || answer == "yes") return true;
    std::cerr << "tarvok-rip: not converted; the existing file stays\n";
    return false;
}

// Shows how far the conversion is until it ends or a signal stops it.
// False when it was stopped.
bool FollowConversion(const CVLCControl& converter)
{
    const bool terminal = isatty(STDERR_FILENO);
    const auto start = std::chrono::steady_clock::now();
    auto shownAt = start;
    int shownPercent = -1;
    while (!(converter.GetPosition() < 0 && converter.GetTime() < 0)) {
        if (interrupted) return false;
        const float position = converter.GetPosition();
        const auto now = std::chrono::steady_clock::now();
        const double elapsed = std::chrono::duration<double>(now - start).count();
        const int percent = static_cast<int>(position * 100);
        const bool due = terminal ? now - shownAt >= std::chrono::milliseconds(500) : percent / 10 != shownPercent / 10;
        if (position > 0 && due) {
            std::cerr << (terminal ? "\r" : "") << "  " << percent << "%  elapsed " << Clock(elapsed) << "  left "
                      << Clock(elapsed * (1 - position) / position) << (terminal ? "   " : "\n") << std::flush;
            shownPercent = percent;
            shownAt = now;
        }
        // Looked at often: the file is finished only once the converter is stopped.
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    if (terminal) std::cerr << "\n";
    return true;
}

// The part of the disc the options name, checked against the loaded disc;
// nothing for the whole disc. A usage error names what is wrong.
struct PartOptions {
    std::optional<std::string> title, chapters, audio;
};

std::optional<DiscSelection> ChosenPart(const DvdSource& source, const PartOptions& options, std::string& wrong)
{
    if (!options.title) {
        if (options.chapters) wrong = "--chapters goes with --title";
        return std::nullopt;
    }
    DiscSelection selection;
    if (*options.title == "main") {
        auto main = MainFeature(source);
        if (!main) {
            wrong = "the disc has no main feature: no title holds video";
            return std::nullopt;
        }
        selection = *main;
    } else {
        // N, N.M or N.M.K: each a whole number that fits.
        std::vector<int> numbers;
        for (std::size_t at = 0; at <= options.title->size() && numbers.size() <= 3;) {
            const std::size_t dot = std::min(options.title->find('.', at), options.title->size());
            const auto number = ParseNumber(std::string_view(*options.title).substr(at, dot - at));
            if (!number) break;
            numbers.push_back(*number);
            at = dot + 1;
        }
        if (numbers.empty() || numbers.size() > 3 || std::count(options.title->begin(), options.title->end(), '.') + 1 != long(numbers.size())) {
            wrong = "--title takes main, N, N.M or N.M.K, not " + *options.title;
            return std::nullopt;
        }
        selection.titleSet = numbers[0];
        selection.angle = numbers.size() == 3 ? numbers[2] : 1;
        if (numbers.size() >= 2) {
            selection.programChain = numbers[1];
        } else {
            if (const TitleSet* titleSet = TitleSetNumbered(source, selection.titleSet))
                selection.programChain = DefaultProgramChain(*titleSet);
            if (selection.programChain == 0) selection.programChain = 1;  // let the check say what is wrong
        }
    }
    if (options.chapters) {
        auto chapters = ParseChapterList(*options.chapters);
        if (!chapters) {
            wrong = "--chapters takes a list like 3, 2-5 or 1,3,6-7, not " + *options.chapters;
            return std::nullopt;
        }
        selection.chapters = *chapters;
    }
    if (options.audio) {
        const TitleSet* titleSet = TitleSetNumbered(source, selection.titleSet);
        std::string held;
        for (const AudioStream& stream : titleSet ? titleSet->audioStreams : std::vector<AudioStream>{}) {
            held += (held.empty() ? "" : ", ") + std::to_string(stream.index) + (stream.language.empty() ? "" : " (" + stream.language + ")");
            if (ToLower(*options.audio) == stream.language || *options.audio == std::to_string(stream.index))
                selection.audioStream = selection.audioStream ? selection.audioStream : stream.index;
        }
        if (selection.audioStream == 0) {
            wrong = "no audio stream " + *options.audio + " in title set " + std::to_string(selection.titleSet) +
                    (held.empty() ? " (it has none)" : " (it has " + held + ")");
            return std::nullopt;
        }
    }
    if (SelectionPlayList(source, selection, &wrong).empty()) return std::nullopt;
    return selection;
}

// The options naming streams; none set: the profile's subtitle setting.
struct StreamOptions {
    const QCommandLineOption &audio, &subtitles, &burn, &forced;
};

// The streams the options keep or burn, checked against what the part of
// the disc holds. A number needs --title: each title set numbers its own.
StreamChoices ChosenStreams(const DvdSource& source, const std::optional<DiscSelection>& part, const RipSettings& settings,
                            const QCommandLineParser& parser, const StreamOptions& options, std::string& wrong)
{
    StreamChoices streams;
    auto take = [&](const char* option, const QString& value, bool allowAll) {
        const std::string choice = ToLower(Bytes(value));
        if (!IsStreamChoice(choice, allowAll))
            wrong = std::string("--") + option + " takes a stream's number (from 1), a language code (en)" +
                    (allowAll ? " or all" : "") + ", not " + Bytes(value);
        else if (ParseNumber(choice) && !part)
            wrong = std::string("--") + option + " " + choice + ": a stream's number goes with --title; a language works for the whole disc";
        return choice;
    };
    // With --title the part's own audio stream is chosen already, for its name.
    if (parser.isSet(options.audio) && !part) streams.audio = take("audio", parser.value(options.audio), false);
    for (const QString& value : parser.values(options.subtitles)) streams.subtitles.push_back(take("subtitles", value, true));
    if (parser.isSet(options.burn)) streams.burn = take("burn", parser.value(options.burn), false);
    streams.forcedOnly = parser.isSet(options.forced);
    if (!streams.subtitles.empty() && !KeepsSubtitleTracks(settings.mux))
        wrong = std::string(kContainerTable[settings.videoMethod]) +
                " cannot hold DVD subtitles as a track: choose mkv, ps, mpeg1 or mp4, or --burn";
    if (!wrong.empty()) return streams;

    std::string problem;
    PlayList list = part ? SelectionPlayList(source, *part, &problem) : WholeDiscPlayList(source);
    if (streams.subtitles.empty() && streams.burn.empty()) {
        const StreamChoices profile = SubtitleChoices(settings, list);
        streams.subtitles = profile.subtitles;
        streams.burn = profile.burn;
        streams.forcedOnly = streams.forcedOnly || profile.forcedOnly;
        if (const std::string note = SubtitleNote(settings); !note.empty()) std::cerr << note << " (Settings)\n";
    }
    std::vector<std::string> missing;
    RouteStreams(list, streams, &missing);
    for (const std::string& choice : missing) {
        const bool isAudio = choice == streams.audio;
        const std::string held = isAudio ? AudioStreamsHeld(list) : SubpictureStreamsHeld(list);
        wrong = std::string("no ") + (isAudio ? "audio" : "subtitle") + " stream " + choice + " on " +
                (part ? "title set " + std::to_string(part->titleSet) : "the disc") + (held.empty() ? " (it has none)" : " (it has " + held + ")");
    }
    return streams;
}

}  // namespace

int RipCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption outputOption({"o", "output"}, "The folder for the file (default ~/Converted Videos).", "DIR");
    const QCommandLineOption containerOption(
        {"c", "container"},
        "ts, ps, mpeg1, asf, mp4, mov, avi, ogg or mkv (or MPEG TS ... MKV), with that container's first codecs, for this "
        "run only.",
        "NAME");
    const QCommandLineOption yesOption({"y", "yes"}, "Overwrites an existing file without asking.");
    const QCommandLineOption titleOption(
        {"t", "title"},
        "Rips one title instead of the whole disc: main (the angle that plays longest), or title set N, its program "
        "chain M (default: the one the window would choose) and angle K (default 1). The file's name ends in _TN.M.K.",
        "main|N[.M[.K]]");
    const QCommandLineOption chaptersOption("chapters", "With --title: only these chapters of the angle, e.g. 3, 2-5 or 1,3,6-7.", "LIST");
    const QCommandLineOption audioOption(
        "audio", "Only this audio stream: by language code (fr), for the whole disc too, or with --title by number (from 1).",
        "N|LANG");
    const QCommandLineOption subtitlesOption(
        "subtitles",
        "Keeps this subtitle stream as a track (mkv, ps, mpeg1 or mp4): by language code, by number with --title, or all. "
        "May be given more than once.",
        "N|LANG|all");
    const QCommandLineOption burnOption("burn", "Draws this subtitle stream into the picture: by language code, or by number with --title.",
                                        "N|LANG");
    const QCommandLineOption forcedOption("forced", "Only the subtitles the disc marks forced (foreign dialogue), kept or burned.");
    parser.addOptions({outputOption, containerOption, yesOption, titleOption, chaptersOption, audioOption, subtitlesOption,
                       burnOption, forcedOption});
    parser.addPositionalArgument("source", kSourceHelp, "[SOURCE]");
    if (auto status = ParseOrExit(parser, arguments, "tarvok-rip rip [OPTIONS] [SOURCE]",
                                  "Converts the whole disc into one video file with the settings of Tarvok DVD Ripper "
                                  "(~/.config/Tarvok DVD Ripper/DVD Ripper.ini) and prints the file's path. Ctrl-C "
                                  "stops the rip; the part converted so far stays."))
        return *status;
    const QStringList sources = parser.positionalArguments();
    if (sources.size() > 1) return Fail(kExitUsage, "one SOURCE at most (see: tarvok-rip rip --help)");
    const std::optional<std::string> sourcePath = sources.isEmpty() ? std::nullopt : std::optional(Bytes(sources.first()));
    auto value = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? std::optional(Bytes(parser.value(option))) : std::nullopt;
    };
    if (parser.isSet(outputOption) && parser.value(outputOption).isEmpty())
        return Fail(kExitUsage, "--output needs a folder (an empty name would be the root of the file system)");

    // The settings of the window, with the command line's changes for this run only.
    const std::string codecsIni = ModuleFolder() + "codecs.ini";
    QSettingsProfile profile("Tarvok DVD Ripper", "DVD Ripper");
    if (!profile.Problem().empty()) std::cerr << "tarvok-rip: " << profile.Problem() << "\n";
    RipSettings settings;
    LoadSettings(settings, profile, codecsIni);
    if (parser.isSet(containerOption)) {
        const std::string name = Bytes(parser.value(containerOption));
        const auto index = ContainerNamed(name);
        if (!index) return Fail(kExitUsage, "unknown container " + name + " (ts, ps, mpeg1, asf, mp4, mov, avi, ogg or mkv)");
        const CodecLists codecs = ReadCodecLists(*index, codecsIni);
        if (codecs.videoCodecs.empty() || codecs.audioCodecs.empty())
            return Fail(kExitFailed, "no codecs for that container in " + codecsIni);
        settings.videoMethod = *index;
        settings.videoCodec = ToLower(codecs.videoCodecs[0]);
        settings.audioCodec = ToLower(codecs.audioCodecs[0]);
    }
    const char* home = std::getenv("HOME");
    if (!parser.isSet(outputOption) && (!home || !*home))
        return Fail(kExitUsage, "HOME is not set, so there is no default output folder: name one with --output");
    // Nothing is made, not even the folder, before every check has passed.
    const std::string folder = parser.isSet(outputOption) ? Bytes(parser.value(outputOption))
                                                          : (fs::path(home) / "Converted Videos").string();

    MountTableVolumes volumes;
    DvdSource source(volumes);
    const auto videoTs = LocateSource(source, sourcePath);
    if (!videoTs) return kExitNoDisc;
    source.Load(*videoTs);
    std::string wrong;
    const auto part = ChosenPart(source, {value(titleOption), value(chaptersOption), value(audioOption)}, wrong);
    if (!wrong.empty()) return Fail(kExitUsage, wrong);
    GetContainerExtension(settings);
    const StreamChoices streams =
        ChosenStreams(source, part, settings, parser, {audioOption, subtitlesOption, burnOption, forcedOption}, wrong);
    if (!wrong.empty()) return Fail(kExitUsage, wrong);

    const std::vector<Volume> mounted = volumes.List();
    const std::string locator = BuildMediaLocator(*videoTs, mounted, part);
    const std::string output = BuildOutputPath(*videoTs, folder, 1, settings, mounted, part, source.Files()->VolumeLabel());
    if (const std::string problem = OutputProblem(output, *videoTs); !problem.empty())
        return Fail(kExitFailed, problem);
    if (SomethingAt(output) && !MayOverwrite(output, parser.isSet(yesOption))) return kExitFailed;
    if (const std::string problem = PrepareOutputFolder(folder); !problem.empty()) return Fail(kExitFailed, problem);
    // The file there, if any, stays as it is until the rip has ended.
    SafeOutput file(output);
    if (const std::string problem = file.Claim(); !problem.empty()) return Fail(kExitFailed, problem);
    const std::string chain = BuildTranscodeChain(settings, file.WritingPath(), false, DiscFrameRate(source), streams);

    // A stopped rip still finishes its file, so that an MP4 keeps its index.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, OnInterrupt);
    CVLCControl converter;
    std::cerr << "Converting " << *videoTs << (part ? " (" + SelectionLabel(*part) + ")" : "") << " into " << output << "\n";
    const auto start = std::chrono::steady_clock::now();
    try {
        converter.addTarget(locator, {chain}, 10, -666);
    } catch (const ConverterError& failure) {
        return Fail(kExitFailed, failure.what());
    }
    const bool ranToItsEnd = FollowConversion(converter);
    converter.stop();
    converter.playlistClear();
    if (!ranToItsEnd) {
        // A stopped rip keeps what it converted under the file's own name.
        if (file.WrittenBytes() == 0) return Fail(kExitFailed, "stopped");
        const std::string problem = file.Commit();
        return Fail(kExitFailed, problem.empty() ? "stopped; the partial file " + output + " stays" : "stopped; " + problem);
    }

    const std::string failure = file.Named(converter.Failure());
    if (!converter.Advanced()) return Fail(kExitFailed, "nothing was converted: " + (failure.empty() ? "the disc gave no data" : failure));
    if (!failure.empty()) {
        const std::string partial = file.KeepPartial();
        return Fail(kExitFailed, failure + (partial.empty() ? "" : "; what was converted is in " + partial));
    }
    const uint64_t size = file.WrittenBytes();
    if (size == 0) return Fail(kExitFailed, "no video was written to " + output);
    if (const std::string problem = file.Commit(); !problem.empty()) return Fail(kExitFailed, problem);
    std::cout << output << "\n";
    std::cerr << "Converted in " << Clock(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count())
              << ": " << output << " (" << size / 1048576 << " MB)\n";
    // A scratched disc gives what can be read, and says what it could not.
    if (const std::string damage = DescribeDamage(converter.Damage()); !damage.empty()) return Fail(kExitDamaged, damage);
    return kExitOk;
}
