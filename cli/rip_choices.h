#pragma once
// What the rip command's options choose of a loaded disc: its parts, each
// an item of the job, and the streams each keeps or burns. A usage error
// names what is wrong.
#include "dvd/dvd_source.h"
#include "rip/rip_job.h"
#include "dvd/stream_choices.h"
#include "settings/rip_settings.h"

#include <QCommandLineParser>

#include <optional>
#include <string>
#include <vector>

struct PartOptions {
    std::optional<std::string> title, chapters, audio;
    double minLength = 60;  // seconds a title plays at least, for "each"
};

// The parts --title names (a list of main, N, N.M or N.M.K, or each),
// checked against the disc; the whole disc without --title. With one
// title, --chapters and an --audio stream choose within it.
std::vector<RipPart> ChosenParts(const DvdSource& source, const PartOptions& options, std::string& wrong);

// The options naming streams; none set: the profile's subtitle setting.
struct StreamOptions {
    const QCommandLineOption &audio, &subtitles, &burn, &forced;
};

// The streams the options keep or burn in every part, checked against what
// the parts hold. A number needs a single --title: each title set numbers its own.
StreamChoices ChosenStreams(const DvdSource& source, const std::vector<RipPart>& parts, const RipSettings& settings,
                            const QCommandLineParser& parser, const StreamOptions& options, std::string& wrong);
