#pragma once
// A rip job: the parts of one loaded disc to rip, each an item with a file
// of its own, prepared and converted in turn. Both front ends drive it and
// read one state; they keep only their questions and their display.
#include "rip/disc_play_list.h"
#include "rip/safe_output.h"
#include "rip/stream_routes.h"
#include "settings/rip_settings.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CVLCControl;
class DvdSource;
class IVolumeTable;

// The part of the disc an item rips; none: the whole disc.
using RipPart = std::optional<DiscSelection>;

enum class ItemOutcome { NotRipped, Done, Damaged, Failed, Stopped, Skipped };

// "done", "damaged", "failed", "stopped", "not ripped", "skipped".
const char* OutcomeName(ItemOutcome outcome);

struct ItemResult {
    ItemOutcome outcome = ItemOutcome::NotRipped;
    std::string file;    // what the item wrote (a failed one: its partial file); empty for none
    std::string reason;  // why it failed or was stopped, or the damage passed over
    std::string notes;   // what the file leaves out or changes of the disc's subtitles, "; " between; empty for nothing
};

enum class JobPhase { Preparing, Converting, Ended };

struct JobState {
    JobPhase phase = JobPhase::Preparing;
    int item = 0, items = 0;              // the item worked on, from 1; items + 1 once all are over
    int retry = 0;                        // the silent retries of the item so far; -1 after one asked for
    double percent = 0, itemPercent = 0;  // the job's (never going down) and the item's, 0..100
    double elapsed = 0, eta = -1;         // seconds; eta -1 while unknown
    std::string damage;                   // what the running item passed over so far
    std::string error;                    // why the item's last attempt failed, while it is tried again
};

// Where an item is written, as the overwrite question answers it: the
// path, and whether the user chose it in Save As (its extension then says
// the container and codecs, as any name chosen there does).
struct WriteTo {
    std::string path;
    bool chosenAs = false;
};

// What the job tells its front end, and asks it.
struct JobQuestions {
    // Something is at `path`: where to write (there, or where the user
    // chose instead), or nothing to skip the item.
    std::function<std::optional<WriteTo>(const std::string& path)> overwrite;
    // A converter for the next attempt; the front end may make one anew.
    std::function<CVLCControl*()> newConverter;
    // The converter of the running attempt; null when it went away.
    std::function<CVLCControl*()> converter;
    // The silent retries are spent: true to try the item again.
    std::function<bool(const std::string& failure)> retry;
    // Told as they happen, each with the item's file (if known) and why.
    enum class Event { PrepareFailed, LaunchFailed, ConverterLost, FinalFailure };
    std::function<void(Event, const std::string& path, const std::string& reason)> told;
    // An item (from 1) began converting into `path`; an item ended.
    std::function<void(int item, const std::string& path)> itemStarted;
    std::function<void(int item, const ItemResult& result)> itemEnded;
};

struct JobPlan {
    std::string videoTsPath;  // of the loaded disc
    std::string folder;       // where the files go
    RipSettings settings;
    bool preview = false;
    // The streams of every item; none: the settings' subtitles, every audio stream.
    std::optional<StreamChoices> streams;
    int silentRetries = 0;  // attempts made again without asking
};

class RipJob {
public:
    // The items' play lists are taken from `source` now; the volumes are
    // listed as each item is prepared.
    RipJob(const DvdSource& source, JobPlan plan, std::vector<RipPart> items, JobQuestions questions);
    ~RipJob();
    RipJob(const RipJob&) = delete;
    RipJob& operator=(const RipJob&) = delete;

    // Prepares and launches items until one converts or none is left.
    void Advance();
    // Looks at the running conversion: progress, or the end of an attempt,
    // after which the item is tried again or the next one is launched.
    void Poll();
    // Stops the running item, which keeps what it converted under its
    // name; items not begun are not ripped. True when a file was kept.
    bool Stop();

    const JobState& State() const { return state; }
    bool Ended() const { return state.phase == JobPhase::Ended; }
    const std::vector<ItemResult>& Results() const { return results; }

private:
    struct Item {
        RipPart selection;
        PlayList playList;
        std::string problem;
    };
    // Prepares the current item and hands it to a converter; false when it
    // ended instead (skipped, or it could not be prepared or launched).
    bool Launch();
    // The current item is over: its result is kept and the next one is current.
    void EndItem(ItemOutcome outcome, std::string file, std::string reason, std::string notes = {});
    // The attempt that just ended failed: tried again, or the item given up.
    void AttemptFailed(CVLCControl& converter, const std::string& failure);
    void UpdateProgress(float position);

    const IVolumeTable& volumes;
    const std::string discLabel, frameRate;
    JobPlan plan;
    JobQuestions questions;
    std::vector<Item> items;
    std::vector<ItemResult> results;
    JobState state;
    // The item's file and settings, chosen on its first attempt (the plan's,
    // or a name the user chose) and kept for each attempt after it.
    bool itemChosen = false;
    RipSettings itemSettings;
    std::string itemPath;
    std::unique_ptr<SafeOutput> itemFile;
    bool progressSeen = false;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

namespace rip_text {
inline constexpr char kNothingConverted[] = "Nothing was converted: the disc gave no data.";
inline constexpr char kNothingConvertedBecause[] = "nothing was converted: ";
inline constexpr char kExistingFileStays[] = "not converted; the existing file stays";
inline constexpr char kConverterGone[] = "the converter went away";
inline constexpr char kStoppedReason[] = "stopped";
}  // namespace rip_text

// How a job ended, as a process says it: 0 when every item was ripped
// whole, 3 when some were ripped with damage and none failed, 1 otherwise.
int JobExitStatus(const std::vector<ItemResult>& results);
