#pragma once
// What a front end checks of the parts of a disc before a job rips them:
// that the disc gives each part, and which of the streams chosen they
// hold, played together as the job plays them.
#include "dvd/disc_selection.h"
#include "dvd/stream_choices.h"
#include "read/play_list.h"
#include "rip/rip_job.h"
#include "settings/rip_settings.h"

#include <string>
#include <vector>

// Why the disc cannot give the part (it lacks it, or its chapters hold no
// video); empty when it can.
std::string PartProblem(const DvdSource& source, const DiscSelection& part);

// The streams of a job's parts, taken together as the whole disc's are: a
// language is looked for in all of them.
class PartStreams {
public:
    PartStreams(const DvdSource& source, const std::vector<RipPart>& parts);
    // The settings' subtitle choice for these parts.
    StreamChoices SettingsSubtitles(const RipSettings& settings) const;
    // The choices none of the parts has a stream for.
    std::vector<std::string> Missing(const StreamChoices& choices) const;
    // What they hold to choose from: "1 (en), 2 (fr)"; "" for none.
    std::string AudioHeld() const;
    std::string SubtitlesHeld() const;
    // Why these parts, with these streams, cannot be copied as the disc
    // holds them into the container `mux` (its sound, or title sets whose
    // pictures or sound differ, which no one track can hold); empty when
    // they can.
    std::string CopyProblem(const StreamChoices& choices, const std::string& mux) const;

private:
    PlayList list;
};
