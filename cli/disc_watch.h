#pragma once
// tarvok-rip watch's work: each video disc that is present or appears is
// ripped once, one at a time, and ejected, and each step is told. It runs
// on the event loop: it looks when the mounts or drives change, polls only
// while a rip runs, and is idle otherwise.
#include "cli/rip_options.h"
#include "cli/rip_report.h"
#include "cli/ripped_record.h"
#include "platform/desktop_notifier.h"
#include "platform/drive_control.h"
#include "platform/optical_drives.h"
#include "platform/volume_table.h"
#include "rip/disc_lock.h"

#include <QTimer>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct WatchServices {
    const IVolumeTable& volumes;
    const IOpticalDrives& drives;
    IDriveControl& drive;
    INotifier& notifier;
};

struct WatchChoices {
    RunChoices run;
    bool eject = true;  // --no-eject: false
    bool again = false;  // --again: a disc ripped before is ripped anyway
    std::string recordPath;
    // The parts and streams of a loaded disc; `wrong` says why it cannot be ripped so.
    std::function<DiscRip(const DvdSource& source, std::string& wrong)> choose;
};

class DiscWatch {
public:
    DiscWatch(WatchServices services, WatchChoices choices);
    ~DiscWatch();

    // Compares the discs present with those known: new ones wait their
    // turn, a disc taken out while it is ripped stops its rip.
    void Look();
    // Ends the watch: a rip running stops as Stop does (its file finished
    // and named); `ended` is called once nothing runs.
    void Stop();
    std::function<void()> ended;

private:
    // A disc where it can be read: a mounted volume's VIDEO_TS folder, or a drive read as a device.
    struct Place {
        std::string where;   // the VIDEO_TS folder, or the drive; empty: the volume holds no video DVD
        std::string device;  // the drive to eject; empty: nothing to eject (a folder standing for a disc)
    };
    struct Running;

    std::map<std::string, Place> PlacesNow() const;
    // Begins the next waiting disc, until one rips or none waits.
    void Next();
    // Prepares the disc at `place` and starts its rip; false when it ended before one began.
    bool Begin(const std::string& key, const Place& place);
    void Poll();
    void Finish();
    // Tells the disc's outcome, and ejects it unless it is taken out, in use or the watch stops.
    void Outcome(const std::string& state, const std::vector<std::string>& files, const std::string& reason,
                 const std::string& device, bool ejectIt);
    void Say(const nlohmann::json& event, const std::string& line);
    // True when the output is full: no room yet since a rip ran out of it.
    bool OutputFull();

    WatchServices services;
    WatchChoices choices;
    RippedRecord record;
    std::map<std::string, Place> present;  // by device (or root), the discs in place now
    std::deque<std::string> waiting;
    std::unique_ptr<Running> running;
    QTimer poller;
    bool stopping = false;
    uint64_t roomNeeded = 0;  // bytes free the output needs before a rip is begun again; 0: no limit known
    std::string label, identity;  // of the disc told of last
};
