#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_source.h"
#include "dvd/disc_files.h"
#include "platform/volume_table.h"
#include "rip/transcode_chain.h"
#include "rip/vlc_control.h"
#include "settings/codecs_ini.h"
#include "settings/qsettings_profile.h"

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

// The container a name means: a mux name ("avi") or a settings name ("MPEG TS"), in any case.
std::optional<int> ContainerIndex(const std::string& name)
{
    static const char* const kMuxNames[] = {"ts", "ps", "mpeg1", "asf", "mp4", "mov", "avi", "ogg"};
    const std::string wanted = ToLower(name);
    for (int i = 0; i < TableSize(kContainerTable); ++i)
        if (wanted == kMuxNames[i] || wanted == ToLower(kContainerTable[i])) return i;
    return std::nullopt;
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

}  // namespace

int RipCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption outputOption({"o", "output"}, "The folder for the file (default ~/Converted Videos).", "DIR");
    const QCommandLineOption containerOption(
        {"c", "container"},
        "ts, ps, mpeg1, asf, mp4, mov, avi or ogg (or MPEG TS ... OGG), with that container's first codecs, for this "
        "run only.",
        "NAME");
    const QCommandLineOption yesOption({"y", "yes"}, "Overwrites an existing file without asking.");
    parser.addOptions({outputOption, containerOption, yesOption});
    parser.addPositionalArgument("source", kSourceHelp, "[SOURCE]");
    if (auto status = ParseOrExit(parser, arguments, "tarvok-rip rip [OPTIONS] [SOURCE]",
                                  "Converts the whole disc into one video file with the settings of Tarvok DVD Ripper "
                                  "(~/.config/Tarvok DVD Ripper/DVD Ripper.ini) and prints the file's path. Ctrl-C "
                                  "stops the rip; the part converted so far stays."))
        return *status;
    const QStringList sources = parser.positionalArguments();
    if (sources.size() > 1) return Fail(kExitUsage, "one SOURCE at most (see: tarvok-rip rip --help)");
    auto value = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? std::optional(Bytes(parser.value(option))) : std::nullopt;
    };
    const std::optional<std::string> sourcePath = sources.isEmpty() ? std::nullopt : std::optional(Bytes(sources.first()));
    const std::optional<std::string> outputFolder = value(outputOption), container = value(containerOption);

    // The settings of the window, with the command line's changes for this run only.
    const std::string codecsIni = ModuleFolder() + "codecs.ini";
    QSettingsProfile profile("Tarvok DVD Ripper", "DVD Ripper");
    RipSettings settings;
    LoadSettings(settings, profile, codecsIni);
    if (container) {
        const auto index = ContainerIndex(*container);
        if (!index) return Fail(kExitUsage, "unknown container " + *container + " (ts, ps, mpeg1, asf, mp4, mov, avi or ogg)");
        const CodecLists codecs = ReadCodecLists(*index, codecsIni);
        if (codecs.videoCodecs.empty() || codecs.audioCodecs.empty()) return Fail(kExitFailed, "no codecs for that container in " + codecsIni);
        settings.videoMethod = *index;
        settings.videoCodec = ToLower(codecs.videoCodecs[0]);
        settings.audioCodec = ToLower(codecs.audioCodecs[0]);
    }
    const char* home = std::getenv("HOME");
    const std::string folder = outputFolder.value_or((fs::path(home ? home : ".") / "Converted Videos").string());
    std::error_code error;
    fs::create_directories(folder, error);

    MountTableVolumes volumes;
    DvdSource source(volumes);
    const auto videoTs = LocateSource(source, sourcePath);
    if (!videoTs) return kExitNoDisc;
    source.Load(*videoTs);

    const std::vector<Volume> mounted = volumes.List();
    const std::string locator = BuildMediaLocator(*videoTs, mounted);
    const std::string output = BuildOutputPath(*videoTs, folder, 1, settings, mounted);
    if (fs::exists(output, error) && !MayOverwrite(output, parser.isSet(yesOption))) return kExitFailed;
    const std::string chain = BuildTranscodeChain(settings, output, false, DiscFrameRate(source));

    std::signal(SIGINT, OnInterrupt);
    VlcInstance vlc(false);
    CVLCControl converter(vlc);
    std::cerr << "Converting " << *videoTs << " into " << output << "\n";
    try {
        converter.addTarget(locator, {chain}, 10, -666);
    } catch (const VlcError& failure) {
        return Fail(kExitFailed, failure.what());
    }

    const bool terminal = isatty(STDERR_FILENO);
    const auto start = std::chrono::steady_clock::now();
    auto shownAt = start;
    int shownPercent = -1;
    while (!(converter.GetPosition() < 0 && converter.GetTime() < 0)) {
        if (interrupted) {
            converter.stop();
            converter.playlistClear();
            std::cerr << "\ntarvok-rip: stopped; the partial file " << output << " stays\n";
            return kExitFailed;
        }
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
    // The file is complete once the converter has stopped.
    converter.stop();
    converter.playlistClear();
    if (terminal) std::cerr << "\n";

    if (!converter.Advanced()) return Fail(kExitFailed, "the conversion never began: the disc could not be read");
    if (converter.EncounteredError()) return Fail(kExitFailed, "libvlc reported an error; " + output + " may be incomplete");
    const auto size = fs::file_size(output, error);
    if (error || size == 0) return Fail(kExitFailed, "no video was written to " + output);
    std::cout << output << "\n";
    std::cerr << "Converted in " << Clock(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count())
              << ": " << output << " (" << size / 1048576 << " MB)\n";
    return kExitOk;
}
