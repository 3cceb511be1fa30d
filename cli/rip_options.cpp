#include "cli/rip_options.h"

#include "cli/command_line.h"
#include "rip/containers.h"
#include "rip/part_checks.h"
#include "settings/codecs_ini.h"
#include "settings/qsettings_profile.h"
#include "settings/setting_table.h"
#include "settings/value_tables.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

namespace {

std::string ModuleFolder()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string() + "/";
}

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

std::optional<int> ReadRunChoices(const QCommandLineParser& parser, const RipOptions& options, RunChoices& choices)
{
    if (parser.isSet(options.output) && parser.value(options.output).isEmpty())
        return Fail(kExitUsage, "--output needs a folder (an empty name would be the root of the file system)");
    if (const auto status = SettingsForRun(parser, options, choices.settings)) return *status;
    const char* home = std::getenv("HOME");
    if (!parser.isSet(options.output) && (!home || !*home))
        return Fail(kExitUsage, "HOME is not set, so there is no default output folder: name one with --output");
    choices.folder =
        parser.isSet(options.output) ? Bytes(parser.value(options.output)) : (fs::path(home) / "Converted Videos").string();
    choices.json = parser.isSet(options.progress);
    if (choices.json && parser.value(options.progress) != "json")
        return Fail(kExitUsage, "--progress takes json, not " + Bytes(parser.value(options.progress)));
    const auto minLength = MinLength(parser, options.minLength);
    if (!minLength) return kExitUsage;
    auto value = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? std::optional(Bytes(parser.value(option))) : std::nullopt;
    };
    choices.parts = {value(options.title), value(options.chapters), value(options.audio), double(*minLength)};
    return std::nullopt;
}

DiscRip ChooseForDisc(const DvdSource& source, const RunChoices& choices, const QCommandLineParser& parser,
                      const RipOptions& options, std::string& wrong)
{
    DiscRip rip;
    rip.parts = ChosenParts(source, choices.parts, wrong);
    if (!wrong.empty()) return rip;
    rip.streams = ChosenStreams(source, rip.parts, choices.settings, parser,
                                {options.audio, options.subtitles, options.burn, options.forced}, wrong);
    if (!wrong.empty() || !parser.isSet(options.copy)) return rip;
    // Each part is a file of its own: only what one file joins must agree.
    for (const RipPart& part : rip.parts)
        if (wrong = PartStreams(source, {part}).CopyProblem(rip.streams, MuxOf(choices.settings)); !wrong.empty()) break;
    return rip;
}

JobPlan PlanFor(const RunChoices& choices, const std::string& videoTsPath, const DiscRip& rip)
{
    JobPlan plan;
    plan.videoTsPath = videoTsPath;
    plan.folder = choices.folder;
    plan.settings = choices.settings;
    plan.streams = rip.streams;
    return plan;
}

std::vector<std::string> PartLabels(const std::vector<RipPart>& parts)
{
    std::vector<std::string> labels;
    for (const RipPart& part : parts) labels.push_back(part ? SelectionLabel(*part) : "");
    return labels;
}
