#pragma once
// How the rip command shows its job: lines for a person on stderr (the
// files' paths on stdout), or with --progress json one JSON object a line
// on stdout, each flushed as it is written.
#include "rip/rip_job.h"

#include <chrono>
#include <string>
#include <vector>

class RipReport {
public:
    // `labels`: each item's, as the summary names it. `printPaths`: a
    // person's report puts each file's path on stdout (watch tells its own lines there).
    RipReport(bool json, std::vector<std::string> labels, bool printPaths = true);

    void Started(int item, const std::string& disc, const std::string& path);
    // The job's state after a poll: shown when it changed enough to say.
    void Progress(const JobState& state);
    void Ended(int item, const ItemResult& result);
    // After the last item: each item's outcome (a person reads it only for several).
    void Summary(const std::vector<ItemResult>& results);

private:
    void ProgressLine(const JobState& state);
    void Write(const std::string& line);

    const bool json;
    const bool printPaths;
    const bool terminal;
    const std::vector<std::string> labels;
    std::chrono::steady_clock::time_point itemStart = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shownAt{};
    int shownItem = 0;
    long shownTenths = -1;  // the item's percent last shown, in tenths
    bool lineOpen = false;  // a terminal's progress line waits for its end
};

// The job's events shown by `report`, for the disc at `disc`.
JobEvents ReportedEvents(RipReport& report, const std::string& disc);
