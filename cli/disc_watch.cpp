#include "cli/disc_watch.h"

#include "cli/job_step.h"
#include "dvd/disc_files.h"
#include "dvd/dvd_source.h"
#include "rip/disc_identity.h"
#include "rip/disc_location.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include <sys/statvfs.h>

namespace fs = std::filesystem;

namespace {

constexpr int kPollMs = 40;
// After a full output, at least this much must be free again (or what the failed rip wrote, if more).
constexpr uint64_t kLeastRoom = 64 << 10;

namespace watch_text {
constexpr char kNotVideo[] = "not a video DVD";
constexpr char kTakenOut[] = "the disc was taken out during the rip";
constexpr char kAlreadyRipped[] = "already ripped";
constexpr char kOutputFull[] = "output full";
constexpr char kInUse[] = "in use";
constexpr char kNoLabel[] = "(no label)";
}  // namespace watch_text

// How a job's results read as one disc's outcome.
std::string DiscState(const std::vector<ItemResult>& results)
{
    for (const ItemResult& result : results)
        if (result.outcome == ItemOutcome::Stopped) return OutcomeName(ItemOutcome::Stopped);
    const int status = JobExitStatus(results);
    return OutcomeName(status == 0 ? ItemOutcome::Done : status == 3 ? ItemOutcome::Damaged : ItemOutcome::Failed);
}

uint64_t FreeBytes(const std::string& folder)
{
    struct statvfs room {};
    // The folder may not exist yet: its nearest existing parent is where the file goes.
    fs::path at(folder);
    while (statvfs(at.c_str(), &room) != 0) {
        if (!at.has_parent_path() || at.parent_path() == at) return UINT64_MAX;
        at = at.parent_path();
    }
    return uint64_t(room.f_bavail) * room.f_frsize;
}

}  // namespace

struct DiscWatch::Running {
    std::string key, device;
    std::unique_ptr<DvdSource> source;
    std::unique_ptr<RipReport> report;
    std::unique_ptr<RipJob> job;
    DiscLock lock;
    bool takenOut = false;
};

DiscWatch::DiscWatch(WatchServices services, WatchChoices choices)
    : services(services), choices(std::move(choices)), record(this->choices.recordPath)
{
    poller.setInterval(kPollMs);
    poller.callOnTimeout([this] { Poll(); });
}

DiscWatch::~DiscWatch() = default;

std::map<std::string, DiscWatch::Place> DiscWatch::PlacesNow() const
{
    std::map<std::string, Place> places;
    // Only volumes with a block device: tmpfs, FUSE and the like hold no disc.
    for (const Volume& volume : services.volumes.List()) {
        if (volume.device.empty()) continue;
        const auto videoTs = FindVideoTsFolder(volume.root);
        // A volume without a video DVD matters only in an optical drive: that disc is told of and ejected.
        if (videoTs || volume.optical) places[volume.device] = {videoTs ? videoTs->string() : "", volume.optical ? volume.device : ""};
    }
    // A drive nothing mounted is read as a device.
    for (const std::string& drive : services.drives.WithDisc())
        if (!places.count(drive)) places[drive] = {drive, IsOpticalDrive(drive) ? drive : ""};
    return places;
}

void DiscWatch::Look()
{
    if (stopping) return;
    const auto now = PlacesNow();
    for (auto it = present.begin(); it != present.end();) {
        if (now.count(it->first)) {
            ++it;
            continue;
        }
        if (running && running->key == it->first && !running->takenOut) {
            running->takenOut = true;
            running->job->Stop();
        }
        std::erase(waiting, it->first);
        it = present.erase(it);
    }
    for (const auto& [key, place] : now)
        if (present.emplace(key, place).second) waiting.push_back(key);
    if (!running) Next();
}

void DiscWatch::Next()
{
    while (!running && !stopping && !waiting.empty()) {
        const std::string key = waiting.front();
        waiting.pop_front();
        if (const auto place = present.find(key); place != present.end() && Begin(key, place->second)) return;
    }
}

bool DiscWatch::Begin(const std::string& key, const Place& place)
{
    label.clear();
    identity.clear();
    std::string why = watch_text::kNotVideo;
    const auto videoTs = place.where.empty() ? std::nullopt : LocateDisc(place.where, &why);
    auto source = std::make_unique<DvdSource>(services.volumes);
    if (videoTs) {
        source->Load(*videoTs);
        identity = source->Files() ? DiscIdentity(*source->Files()) : std::string();
        label = DiscLabel(*videoTs, services.volumes.List(), source->Files() ? source->Files()->VolumeLabel() : "");
    }
    Say({{"event", "disc"}, {"label", label}, {"id", identity}},
        "Disc found: " + (label.empty() ? watch_text::kNoLabel : label) + (identity.empty() ? "" : " (" + identity + ")"));
    if (!videoTs || identity.empty() || source->TitleSets().empty()) {
        Outcome(OutcomeName(ItemOutcome::Failed), {}, videoTs ? watch_text::kNotVideo : why, place.device, true);
        return false;
    }
    if (!choices.again && record.Holds(identity)) {
        Outcome(watch_text::kAlreadyRipped, {}, "", place.device, true);
        return false;
    }
    if (OutputFull()) {
        Outcome(watch_text::kOutputFull, {}, "", place.device, true);
        return false;
    }
    auto started = std::make_unique<Running>();
    // The window may rip this disc now: it is left alone, in its drive.
    if (std::string held = started->lock.Take(identity); !held.empty()) {
        Outcome(watch_text::kInUse, {}, held, place.device, false);
        return false;
    }
    std::string wrong;
    const DiscRip rip = choices.choose(*source, wrong);
    if (!wrong.empty()) {
        Outcome(OutcomeName(ItemOutcome::Failed), {}, wrong, place.device, true);
        return false;
    }
    started->key = key;
    started->device = place.device;
    started->report = std::make_unique<RipReport>(choices.run.json, PartLabels(rip.parts), false);
    JobPlan plan = PlanFor(choices.run, *videoTs, rip);
    plan.neverOverwrite = true;
    started->job = std::make_unique<RipJob>(*source, std::move(plan), rip.parts, ReportedEvents(*started->report, *videoTs));
    started->source = std::move(source);
    running = std::move(started);
    Say({{"event", "begun"}, {"label", label}, {"id", identity}, {"items", rip.parts.size()}},
        "Ripping " + (label.empty() ? watch_text::kNoLabel : label) + " into " + choices.run.folder);
    running->job->Start();
    poller.start();
    return true;
}

void DiscWatch::Poll()
{
    if (!running) return;
    StepJob(*running->job, *running->report, [](const std::string&) { return false; });  // never asked: free names are taken
    if (running->job->Ended()) Finish();
}

void DiscWatch::Finish()
{
    poller.stop();
    const std::unique_ptr<Running> over = std::move(running);
    const auto& results = over->job->Results();
    over->report->Summary(results);
    std::vector<std::string> files;
    std::string reason;
    for (const ItemResult& result : results) {
        if (!result.file.empty()) files.push_back(result.file);
        if (reason.empty()) reason = result.reason;
    }
    const std::string file = files.empty() ? std::string() : files.front();
    const std::string state = DiscState(results);
    if (over->takenOut) reason = watch_text::kTakenOut;
    if (state == OutcomeName(ItemOutcome::Done) || state == OutcomeName(ItemOutcome::Damaged)) {
        if (std::string why = record.Add({identity, label, RecordDate(), state, file}); !why.empty())
            std::cerr << "tarvok-rip: " << why << "\n";
    }
    // A full output: no disc is begun again until there is room for at least what this one wrote.
    if (reason.find(std::strerror(ENOSPC)) != std::string::npos) {
        std::error_code error;
        const uint64_t written = file.empty() ? 0 : fs::file_size(file, error);
        roomNeeded = std::max<uint64_t>(kLeastRoom, error ? 0 : written);
    }
    Outcome(state, files, reason, over->device, !over->takenOut && !stopping);
    if (stopping) {
        if (ended) ended();
        return;
    }
    Next();
}

void DiscWatch::Outcome(const std::string& state, const std::vector<std::string>& files, const std::string& reason,
                        const std::string& device, bool ejectIt)
{
    const std::string name = label.empty() ? watch_text::kNoLabel : label;
    std::string named;
    for (const std::string& file : files) named += (named.empty() ? "" : ", ") + file;
    Say({{"event", "outcome"}, {"state", state}, {"file", files.empty() ? "" : files.front()}, {"files", files}, {"label", label},
         {"id", identity}, {"reason", reason}},
        "Outcome: " + name + ": " + state + (named.empty() ? "" : ": " + named) +
            (reason.empty() || state == OutcomeName(ItemOutcome::Done) ? "" : " (" + reason + ")"));
    services.notifier.Notify("DVD " + name + ": " + state, named.empty() ? reason : named);
    if (ejectIt && choices.eject && !device.empty()) services.drive.SetDoor(device, true);
}

void DiscWatch::Say(const nlohmann::json& event, const std::string& line)
{
    // Flushed: whoever reads the lines hears of each step as it happens.
    if (choices.run.json) std::cout << event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
    else std::cout << line << std::endl;
}

bool DiscWatch::OutputFull()
{
    if (roomNeeded == 0) return false;
    if (FreeBytes(choices.run.folder) < roomNeeded) return true;
    roomNeeded = 0;
    return false;
}

void DiscWatch::Stop()
{
    if (stopping) return;
    stopping = true;
    if (running) {
        running->job->Stop();  // its file is finished and named; Finish tells it and ends the watch
        return;
    }
    if (ended) ended();
}
