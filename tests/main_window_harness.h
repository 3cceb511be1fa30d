#pragma once
// The real main window, offscreen, with scripted stand-ins for the
// machine's services and a profile in memory.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"
#include "tests/stand_ins.h"

#include <functional>
#include <map>
#include <memory>

class CShockwaveFlash;

class MainWindowHarness {
public:
    // Volumes present when the window starts, and a disc named on the command
    // line; the window is shown and its start-up probe has run when this returns.
    // `ownsInstance`: the window takes this user's instance lock and listens
    // for later launches, as the program does (the tests' runtime folder must be their own).
    explicit MainWindowHarness(std::vector<Volume> volumes = {}, std::unique_ptr<IProfile> profile = nullptr,
                               const std::string& givenSource = {}, bool ownsInstance = false);
    ~MainWindowHarness();
    CRipperDlg& Window() { return *window; }
    std::string Variable(const char* name) const;
    void Settle(int milliseconds = 30);
    // The output folder chosen as a user does: Browse... and the folder answered.
    void ChooseOutputFolder(const std::string& folder);
    // Settings changed as a user does: the settings window's variables set
    // (a container with its own codecs), then OK.
    void ChangeSettings(const std::map<std::string, std::string>& chosen);

    StandIns standIns;
    std::unique_ptr<CRipperApp> app;

private:
    std::unique_ptr<CRipperDlg> window;
};

// A profile that holds these settings as stored (keys of settings/setting_table.h).
std::unique_ptr<IProfile> ProfileWith(const std::map<std::string, std::string>& stored);

// Runs `act` on the window's settings dialog from inside its modal loop,
// once the dialog is up and has filled in its movie; call it just before
// the command that opens the dialog.
void WhenSettingsOpen(CRipperDlg& window, std::function<void(CShockwaveFlash& settings)> act);

// A click in the chapter list at x (in the list's own coordinates) on a row.
void ClickChapter(CRipperDlg& window, int x, int row);

// A test disc presented as a mounted UDF volume of an optical drive (which the stand-ins act on, never a real one).
Volume DiscVolume(const std::string& disc, const std::string& label = "TEST_DISC", const std::string& device = "/dev/sr0");
