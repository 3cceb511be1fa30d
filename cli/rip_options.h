#pragma once
// What the rip options ask of every rip of a run (rip, and watch for each
// disc): the settings, the output folder, the titles and the streams.
#include "cli/command_line.h"
#include "cli/rip_choices.h"
#include "dvd/dvd_source.h"
#include "rip/rip_job.h"
#include "settings/rip_settings.h"

#include <QCommandLineParser>

#include <optional>
#include <string>
#include <vector>

// The rip options, for parsing and for the commands' help.
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

// What the options choose for the whole run.
struct RunChoices {
    RipSettings settings;  // the window's, with the command line's changes, for this run only
    std::string folder;
    bool json = false;
    PartOptions parts;
};

// Reads the options that do not depend on the disc; an exit status (the
// reason said on stderr) when they cannot be had. Nothing is made yet.
std::optional<int> ReadRunChoices(const QCommandLineParser& parser, const RipOptions& options, RunChoices& choices);

// What one disc's rip takes: its parts, each an item, and their streams.
struct DiscRip {
    std::vector<RipPart> parts;
    StreamChoices streams;
};

// The parts and streams the options choose of the loaded disc; `wrong`
// says what does not fit it.
DiscRip ChooseForDisc(const DvdSource& source, const RunChoices& choices, const QCommandLineParser& parser,
                      const RipOptions& options, std::string& wrong);

// The job's plan for the disc at `videoTsPath`.
JobPlan PlanFor(const RunChoices& choices, const std::string& videoTsPath, const DiscRip& rip);
// Each part's label, as the report names it ("" for the whole disc).
std::vector<std::string> PartLabels(const std::vector<RipPart>& parts);
