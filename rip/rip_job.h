#pragma once
// A rip job: the parts of one loaded disc to rip, each an item with a file
// of its own, prepared and converted in turn by the job's own converter.
// Both front ends drive it alike: Start, then Poll on their own clock; when
// the job stops to ask (phase Asking) they answer, and it goes on. Nothing
// is asked from inside the job's calls, and Stop never waits for the
// converter: the file is finished and put in place on a thread of its own,
// and the job ends once it is.
#include "read/play_list.h"
#include "read/stream_routes.h"
#include "settings/rip_settings.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CVLCControl;
class DvdSource;
class IVolumeTable;
class SafeOutput;

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

// Asking: the job waits for an answer to its request. Stopping: its file is
// being finished and put in place.
enum class JobPhase { Preparing, Converting, Asking, Stopping, Ended };

struct JobState {
    JobPhase phase = JobPhase::Preparing;
    int item = 0, items = 0;              // the item worked on, from 1; items + 1 once all are over
    int retry = 0;                        // the silent retries of the item so far; -1 after one asked for
    double percent = 0, itemPercent = 0;  // the job's (never going down) and the attempt's, 0..100
    double elapsed = 0, eta = -1;         // seconds; eta -1 while unknown
    std::string damage;                   // what the running item passed over so far
    std::string error;                    // why the item's last attempt failed, while it is tried again
};

// What the job stops to ask, or to tell before it goes on.
struct JobRequest {
    enum class Kind {
        Overwrite,  // something is at `path`: Answer with where to write, or nothing to skip the item
        Retry,      // the silent retries are spent (`reason`): Answer true to try the item again
        Notice,     // the item failed (`notice`, `reason`): Acknowledge
    };
    enum class Notice { PrepareFailed, LaunchFailed, FinalFailure };
    Kind kind = Kind::Notice;
    Notice notice = Notice::PrepareFailed;
    std::string path;    // the item's file, when known
    std::string reason;
};

// Where an item is written, as the overwrite question answers it: the
// path, and whether the user chose it in Save As (its extension then says
// the container and codecs, as any name chosen there does).
struct WriteTo {
    std::string path;
    bool chosenAs = false;
};

// What the job tells as it goes; never a question, and nothing is asked from them.
struct JobEvents {
    // An attempt has its converter: with the preview, its pictures come now.
    std::function<void()> attemptStarted;
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
    // Nobody to ask: a file at an item's name stays, and the item takes
    // the next free name, "NAME (2).EXT", never replacing anything.
    bool neverOverwrite = false;
    // With the preview, the pictures' size, and what is told (from a
    // converter's thread) as each one comes.
    int pictureWidth = 0, pictureHeight = 0;
    std::function<void()> pictureReady;
};

class RipJob {
public:
    // The items' play lists are taken from `source` now; the volumes are
    // listed as each item is prepared.
    RipJob(const DvdSource& source, JobPlan plan, std::vector<RipPart> items, JobEvents events = {});
    // Waits for a stopped item's file to be in place.
    ~RipJob();
    RipJob(const RipJob&) = delete;
    RipJob& operator=(const RipJob&) = delete;

    // Prepares the first item: it converts, or the job asks, or it ends.
    void Start();
    // Takes the job's next step: an attempt's progress or end, after which
    // the item is tried again or the next one prepared; a stopped item's
    // file in place. Nothing while the job asks.
    void Poll();
    // Waits until the job may have a step to take (an attempt ended, a
    // stopped item's file is in place) or `limit` passed: a front end
    // that polls need not wait a whole period for the end.
    void WaitForStep(std::chrono::milliseconds limit);
    // Ends the job at once: an item converting is stopped, and its file
    // finished and put in place on a thread (Stopping until Poll sees it
    // done); items not begun are not ripped.
    void Stop();

    // The request of a job that asks; its answers. An answer the job does
    // not wait for (it was stopped meanwhile) changes nothing.
    const JobRequest& Request() const { return request; }
    void Answer(std::optional<WriteTo> writeTo);
    void Answer(bool tryAgain);
    void Acknowledge();

    const JobState& State() const { return state; }
    bool Ended() const { return state.phase == JobPhase::Ended; }
    const std::vector<ItemResult>& Results() const { return results; }
    // The preview's newest picture, RGB32 rows; empty before the first.
    std::vector<uint8_t> LatestPicture() const;

private:
    struct Item {
        RipPart selection;
        PlayList playList;
        std::string problem;
    };
    struct Finishing;
    // Raised from the converter's threads, which may outlive the job.
    struct StepSignal {
        std::mutex lock;
        std::condition_variable raised;
        bool up = false;
        void Raise();
    };

    // Prepares the current item, or ends the job when none is left.
    void PrepareNext();
    // Prepares the current item: it converts, or the job asks.
    void Prepare();
    // The item's path is settled: its file is claimed and its attempt
    // launched, or the item fails and the job says why.
    void Launch();
    // The current item is over: its result is kept and the next one is current.
    void EndItem(ItemOutcome outcome, std::string file, std::string reason, std::string notes = {});
    // The current item failed: it ends, and the job tells why before it goes on.
    void Fail(JobRequest::Notice notice, std::string file, const std::string& reason);
    void Ask(JobRequest asked);
    // The attempt that just ended failed: tried again, asked about, or the item given up.
    void AttemptFailed(const std::string& failure);
    // What the attempt wrote is kept apart; the item fails with `reason`.
    void GiveUp(const std::string& reason);
    void UpdateProgress(float position);

    const IVolumeTable& volumes;
    const std::string discLabel, frameRate;
    JobPlan plan;
    JobEvents events;
    std::vector<Item> items;
    std::vector<ItemResult> results;
    JobState state;
    JobRequest request;
    // The item's file and settings, chosen on its first attempt (the plan's,
    // or a name the user chose) and kept for each attempt after it.
    bool itemChosen = false;
    RipSettings itemSettings;
    std::string itemPath;
    std::unique_ptr<SafeOutput> itemFile;
    std::unique_ptr<CVLCControl> converter;  // the attempt's
    std::shared_ptr<Finishing> finishing;    // a stopped item's file being put in place
    const std::shared_ptr<StepSignal> stepSignal = std::make_shared<StepSignal>();
    bool progressSeen = false;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

namespace rip_text {
inline constexpr char kNothingConverted[] = "Nothing was converted: the disc gave no data.";
inline constexpr char kNothingConvertedBecause[] = "nothing was converted: ";
inline constexpr char kExistingFileStays[] = "not converted; the existing file stays";
inline constexpr char kStoppedReason[] = "stopped";
}  // namespace rip_text

// How a job ended, as a process says it: 0 when every item was ripped
// whole, 3 when some were ripped with damage and none failed, 1 otherwise.
int JobExitStatus(const std::vector<ItemResult>& results);
