#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_source.h"
#include "cli/rip_choices.h"
#include "cli/rip_report.h"
#include "platform/volume_table.h"
#include "rip/containers.h"
#include "rip/part_checks.h"
#include "rip/rip_job.h"
#include "settings/codecs_ini.h"
#include "settings/setting_table.h"
#include "settings/value_tables.h"
#include "settings/qsettings_profile.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>

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

// Runs the job to its end, or until a signal stops it, showing it as it
// goes and answering what it asks.
int RunJob(RipJob& job, RipReport& report, bool yes)
{
    job.Start();
    while (!job.Ended()) {
        if (interrupted) job.Stop();  // its file is finished and put in place before it ends
        if (job.State().phase == JobPhase::Asking) {
            const JobRequest& asked = job.Request();
            if (asked.kind == JobRequest::Kind::Overwrite)
                job.Answer(MayOverwrite(asked.path, yes) ? std::optional(WriteTo{asked.path}) : std::nullopt);
            else if (asked.kind == JobRequest::Kind::Retry)
                job.Answer(false);  // nobody to ask: the failure is told as the item ends
            else
                job.Acknowledge();
            continue;
        }
        job.Poll();
        report.Progress(job.State());
        // Looked at often: an item's file is finished only once its converter is stopped.
        if (!job.Ended()) job.WaitForStep(std::chrono::milliseconds(40));
    }
    report.Summary(job.Results());
    return JobExitStatus(job.Results());
}

// The rip command's options, for parsing and for its help.
struct RipOptions {
    const QCommandLineOption output{{"o", "output"}, "The folder for the file (default ~/Converted Videos).", "DIR"};
    const QCommandLineOption container{
        {"c", "container"},
        "ts, ps, mpeg1, asf, mp4, mov, avi, ogg or mkv (or MPEG TS ... MKV), with that container's first codecs, for this "
        "run only.",
        "NAME"};
    const QCommandLineOption yes{{"y", "yes"}, "Overwrites an existing file without asking."};
    const QCommandLineOption title{
        {"t", "title"},
        "Rips titles instead of the whole disc, each into a file of its own: main (the first title of at least "
        "--min-length seconds that the disc's own navigation plays, from its first-play program through each menu's "
        "highlighted button; else the angle that plays longest); each "
        "(every program chain's longest angle of at least --min-length seconds, a chain that plays the same cells as "
        "another once); or a list of title set N, its program chain M (default: the one the window would choose) and "
        "angle K (default 1), such as 1.1,1.2,3. A file's name ends in _TN.M.K.",
        "main|each|N[.M[.K]],..."};
    const QCommandLineOption minLength =
        MinLengthOption("With --title each or main: the seconds a title plays at least (default 60; warnings and logos are shorter).");
    const QCommandLineOption progress{
        "progress", "json: one JSON object a line on standard output for each change, and nothing else there.", "FORMAT"};
    const QCommandLineOption chapters{"chapters", "With one --title: only these chapters of the angle, e.g. 3, 2-5 or 1,3,6-7.", "LIST"};
    const QCommandLineOption audio{
        "audio", "Only this audio stream: by language code (fr), for every title, or with one --title by number (from 1).",
        "N|LANG"};
    const QCommandLineOption subtitles{
        "subtitles",
        "Keeps this subtitle stream as a track (mkv, ps, mpeg1 or mp4): by language code, by number with one --title, or all. "
        "May be given more than once.",
        "N|LANG|all"};
    const QCommandLineOption burn{"burn", "Draws this subtitle stream into the picture: by language code, or by number with one --title.",
                                  "N|LANG"};
    const QCommandLineOption forced{"forced", "Only the subtitles the disc marks forced (foreign dialogue), kept or burned."};
    const QCommandLineOption copy{
        "copy",
        "Copies the disc's pictures and sound as they are, with nothing lost, in the time the disc takes to read: into MKV, "
        "or the --container ps, ts or mp4. Every subtitle stream is kept as a track unless --subtitles or --forced choose; the "
        "settings' subtitle choice is not consulted."};
    QList<QCommandLineOption> All() const
    {
        return {output, container, yes, title, minLength, chapters, audio, subtitles, burn, forced, copy, progress};
    }
};

// The window's settings with the command line's changes, for this run only;
// an exit status when they cannot be had.
std::optional<int> SettingsForRun(const QCommandLineParser& parser, const RipOptions& options, RipSettings& settings)
{
    const std::string codecsIni = ModuleFolder() + "codecs.ini";
    QSettingsProfile profile("Tarvok DVD Ripper", "DVD Ripper");
    if (!profile.Problem().empty()) std::cerr << "tarvok-rip: " << profile.Problem() << "\n";
    LoadSettings(settings, profile, codecsIni);
    const bool copy = parser.isSet(options.copy);
    if (!parser.isSet(options.container) && !copy) return std::nullopt;
    const std::string name = parser.isSet(options.container) ? Bytes(parser.value(options.container)) : std::string(kCopyContainer);
    const auto index = ContainerNamed(name);
    if (!index) return Fail(kExitUsage, "unknown container " + name + " (ts, ps, mpeg1, asf, mp4, mov, avi, ogg or mkv)");
    if (copy) {
        settings.videoMethod = *index;
        if (!HoldsCopies(MuxOf(settings)))
            return Fail(kExitUsage, MuxOf(settings) + " cannot hold the disc's MPEG-2 pictures as they are: copy into mkv, ps, ts or mp4");
        settings.videoCodec = settings.audioCodec = kCopyCodec;
        return std::nullopt;
    }
    const CodecLists codecs = ReadCodecLists(*index, codecsIni);
    if (codecs.videoCodecs.empty() || codecs.audioCodecs.empty()) return Fail(kExitFailed, "no codecs for that container in " + codecsIni);
    settings.videoMethod = *index;
    settings.videoCodec = ToLower(codecs.videoCodecs[0]);
    settings.audioCodec = ToLower(codecs.audioCodecs[0]);
    return std::nullopt;
}

}  // namespace

int RipCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const RipOptions options;
    parser.addOptions(options.All());
    parser.addPositionalArgument("source", kSourceHelp, "[SOURCE]");
    if (auto status = ParseOrExit(parser, arguments, "tarvok-rip rip [OPTIONS] [SOURCE]",
                                  "Converts the whole disc, or each title named, into a video file with the settings of "
                                  "Tarvok DVD Ripper (~/.config/Tarvok DVD Ripper/DVD Ripper.ini) and prints each "
                                  "file's path. Ctrl-C stops the rip; the part converted so far stays."))
        return *status;
    const QStringList sources = parser.positionalArguments();
    if (sources.size() > 1) return Fail(kExitUsage, "one SOURCE at most (see: tarvok-rip rip --help)");
    const std::optional<std::string> sourcePath = sources.isEmpty() ? std::nullopt : std::optional(Bytes(sources.first()));
    auto value = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? std::optional(Bytes(parser.value(option))) : std::nullopt;
    };
    if (parser.isSet(options.output) && parser.value(options.output).isEmpty())
        return Fail(kExitUsage, "--output needs a folder (an empty name would be the root of the file system)");

    RipSettings settings;
    if (const auto status = SettingsForRun(parser, options, settings)) return *status;
    const char* home = std::getenv("HOME");
    if (!parser.isSet(options.output) && (!home || !*home))
        return Fail(kExitUsage, "HOME is not set, so there is no default output folder: name one with --output");
    // Nothing is made, not even the folder, before every check has passed.
    const std::string folder =
        parser.isSet(options.output) ? Bytes(parser.value(options.output)) : (fs::path(home) / "Converted Videos").string();

    const bool json = parser.isSet(options.progress);
    if (json && parser.value(options.progress) != "json")
        return Fail(kExitUsage, "--progress takes json, not " + Bytes(parser.value(options.progress)));
    const auto minLength = MinLength(parser, options.minLength);
    if (!minLength) return kExitUsage;
    const PartOptions partOptions{value(options.title), value(options.chapters), value(options.audio), double(*minLength)};

    MountTableVolumes volumes;
    DvdSource source(volumes);
    const auto videoTs = LocateSource(source, sourcePath);
    if (!videoTs) return kExitNoDisc;
    source.Load(*videoTs);
    std::string wrong;
    const std::vector<RipPart> parts = ChosenParts(source, partOptions, wrong);
    if (!wrong.empty()) return Fail(kExitUsage, wrong);
    const StreamChoices streams =
        ChosenStreams(source, parts, settings, parser, {options.audio, options.subtitles, options.burn, options.forced}, wrong);
    if (!wrong.empty()) return Fail(kExitUsage, wrong);
    // Each part is a file of its own: only what one file joins must agree.
    if (parser.isSet(options.copy))
        for (const RipPart& part : parts)
            if (const std::string problem = PartStreams(source, {part}).CopyProblem(streams, MuxOf(settings)); !problem.empty())
                return Fail(kExitUsage, problem);

    std::vector<std::string> labels;
    for (const RipPart& part : parts) labels.push_back(part ? SelectionLabel(*part) : "");
    RipReport report(json, labels);
    JobEvents events;
    events.itemStarted = [&](int item, const std::string& path) { report.Started(item, *videoTs, path); };
    events.itemEnded = [&](int item, const ItemResult& result) { report.Ended(item, result); };
    JobPlan plan;
    plan.videoTsPath = *videoTs;
    plan.folder = folder;
    plan.settings = settings;
    plan.streams = streams;
    // The disc is read once, here; the job plays what was read.
    RipJob job(source, std::move(plan), parts, std::move(events));
    // A stopped rip still finishes its file, so that an MP4 keeps its index.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, OnInterrupt);
    return RunJob(job, report, parser.isSet(options.yes));
}
