#pragma once
// Scripted stand-ins for the machine's services: they record what the
// program asked and answer from a script, so a window can run headless.
#include "app/platform_services.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct AskedBox {
    std::string text, caption;
    MbButtons buttons;
    MbIcon icon;
    std::string details;
};

class ScriptedMessageBoxes : public IMessageBoxes {
public:
    MbResult Show(QWidget* owner, const std::string& text, const std::string& caption, MbButtons buttons,
                  MbIcon icon, const std::string& details) override;
    // Answers in order; once they run out, a box gets its cancelling answer.
    std::deque<MbResult> answers;
    // Runs when a box is shown, before it is answered (the world may change meanwhile).
    std::function<void(const AskedBox&)> onShow;
    std::vector<AskedBox> asked;
};

class ScriptedFileDialogs : public IFileDialogs {
public:
    std::optional<std::string> BrowseForFolder(QWidget* owner, const std::string& title, const std::string& startFolder = {}) override;
    std::optional<std::string> SaveAs(QWidget* owner, const std::string& proposedPath,
                                      const std::string& defaultExtension, const std::string& filter) override;
    std::deque<std::optional<std::string>> folderAnswers, saveAsAnswers;
    std::vector<std::string> folderTitles, folderStarts;
    struct SaveAsCall {
        std::string proposedPath, defaultExtension, filter;
    };
    std::vector<SaveAsCall> saveAsCalls;
};

class FixedVolumeTable : public IVolumeTable {
public:
    FixedVolumeTable() = default;
    explicit FixedVolumeTable(std::vector<Volume> volumes) : volumes(std::move(volumes)) {}
    std::vector<Volume> List() const override
    {
        if (onList) onList();
        return volumes;
    }
    std::vector<Volume> volumes;
    std::function<void()> onList;  // may throw, to stand for a failing system
};

// Everything done to the machine, in order, as one readable line each:
// "lock /dev/sr0 1", "door /dev/sr0 open", "open /home/x", "power off".
using ActionLog = std::vector<std::string>;

class RecordingDriveControl : public IDriveControl {
public:
    explicit RecordingDriveControl(ActionLog& log) : log(log) {}
    int SetDoor(const std::string& device, bool open) override;
    bool Lock(const std::string& device, bool prevent) override;

private:
    ActionLog& log;
};

class RecordingPower : public IPowerControl {
public:
    explicit RecordingPower(ActionLog& log) : log(log) {}
    // Answers at once.
    void PowerOff(std::function<void(const std::string& failure)> done) override;
    std::string failure;  // what the next power-off answers

private:
    ActionLog& log;
};

class RecordingShell : public IShell {
public:
    explicit RecordingShell(ActionLog& log) : log(log) {}
    bool Open(const std::string& path) override
    {
        opened.push_back(path);
        log.push_back("open " + path);
        return canOpen;
    }
    std::vector<std::string> opened;
    bool canOpen = true;  // false: as a machine with no program to open it

private:
    ActionLog& log;
};

class RecordingWindowMover : public IWindowMover {
public:
    void StartMove(QWidget* window) override { moved.push_back(window); }
    std::vector<QWidget*> moved;
};

// Services made of the stand-ins above; each is reachable through the
// pointers for scripting and checking.
struct StandIns {
    StandIns();
    PlatformServices Take();

    ScriptedMessageBoxes* boxes;
    ScriptedFileDialogs* dialogs;
    RecordingShell* shell;
    FixedVolumeTable* volumes;
    RecordingPower* power;
    RecordingWindowMover* mover;
    // What the drive, the power and the shell were asked, in order.
    std::shared_ptr<ActionLog> actions = std::make_shared<ActionLog>();

private:
    PlatformServices services;
};
