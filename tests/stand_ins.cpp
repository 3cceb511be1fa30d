#include "tests/stand_ins.h"

MbResult ScriptedMessageBoxes::Show(QWidget*, const std::string& text, const std::string& caption,
                                    MbButtons buttons, MbIcon icon, const std::string& details)
{
    asked.push_back({text, caption, buttons, icon, details});
    if (onShow) onShow(asked.back());
    if (!answers.empty()) {
        MbResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    switch (buttons) {
    case MbButtons::Ok: return MbResult::Ok;
    case MbButtons::YesNo: return MbResult::No;
    default: return MbResult::Cancel;
    }
}

std::optional<std::string> ScriptedFileDialogs::BrowseForFolder(QWidget*, const std::string& title, const std::string& startFolder)
{
    folderTitles.push_back(title);
    folderStarts.push_back(startFolder);
    if (folderAnswers.empty()) return std::nullopt;
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedFileDialogs::SaveAs(QWidget*, const std::string& proposedPath,
                                                       const std::string& defaultExtension, const std::string& filter)
{
    saveAsCalls.push_back({proposedPath, defaultExtension, filter});
    if (saveAsAnswers.empty()) return std::nullopt;
    auto answer = saveAsAnswers.front();
    saveAsAnswers.pop_front();
    return answer;
}

StandIns::StandIns()
{
    auto boxesOwned = std::make_unique<ScriptedMessageBoxes>();
    auto dialogsOwned = std::make_unique<ScriptedFileDialogs>();
    auto shellOwned = std::make_unique<RecordingShell>(*actions);
    auto powerOwned = std::make_unique<RecordingPower>(*actions);
    power = powerOwned.get();
    auto volumesOwned = std::make_unique<FixedVolumeTable>();
    volumes = volumesOwned.get();
    boxes = boxesOwned.get();
    dialogs = dialogsOwned.get();
    shell = shellOwned.get();
    services.messageBoxes = std::move(boxesOwned);
    services.fileDialogs = std::move(dialogsOwned);
    services.shell = std::move(shellOwned);
    services.volumes = std::move(volumesOwned);
    services.drives = std::make_unique<RecordingDriveControl>(*actions);
    services.power = std::move(powerOwned);
    auto moverOwned = std::make_unique<RecordingWindowMover>();
    mover = moverOwned.get();
    services.windowMover = std::move(moverOwned);
}

PlatformServices StandIns::Take()
{
    return std::move(services);
}

int RecordingDriveControl::SetDoor(const std::string& device, bool open)
{
    log.push_back("door " + device + (open ? " open" : " close"));
    return 0;
}

bool RecordingDriveControl::Lock(const std::string& device, bool prevent)
{
    log.push_back("lock " + device + (prevent ? " 1" : " 0"));
    return true;
}

void RecordingPower::PowerOff(std::function<void(const std::string& failure)> done)
{
    log.push_back("power off");
    done(failure);
}
