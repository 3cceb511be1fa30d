#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_source.h"
#include "cli/job_step.h"
#include "cli/rip_options.h"
#include "cli/rip_report.h"
#include "platform/volume_table.h"
#include "rip/rip_job.h"

#include <chrono>
#include <csignal>
#include <iostream>

#include <unistd.h>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int)
{
    interrupted = 1;
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
        const bool asking = job.State().phase == JobPhase::Asking;
        StepJob(job, report, [yes](const std::string& path) { return MayOverwrite(path, yes); });
        // Looked at often: an item's file is finished only once its converter is stopped.
        if (!asking && !job.Ended()) job.WaitForStep(std::chrono::milliseconds(40));
    }
    report.Summary(job.Results());
    return JobExitStatus(job.Results());
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
    // Nothing is made, not even the folder, before every check has passed.
    RunChoices choices;
    if (const auto status = ReadRunChoices(parser, options, choices)) return *status;

    MountTableVolumes volumes;
    DvdSource source(volumes);
    const auto videoTs = LocateSource(source, sourcePath);
    if (!videoTs) return kExitNoDisc;
    source.Load(*videoTs);
    std::string wrong;
    DiscRip rip = ChooseForDisc(source, choices, parser, options, wrong);
    if (!wrong.empty()) return Fail(kExitUsage, wrong);
    const std::vector<RipPart>& parts = rip.parts;

    RipReport report(choices.json, PartLabels(parts));
    // The disc is read once, here; the job plays what was read.
    RipJob job(source, PlanFor(choices, *videoTs, rip), parts, ReportedEvents(report, *videoTs));
    // A stopped rip still finishes its file, so that an MP4 keeps its index.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, OnInterrupt);
    return RunJob(job, report, parser.isSet(options.yes));
}
