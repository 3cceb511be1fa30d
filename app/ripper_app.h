#pragma once
// The application object: where the program's files are, one instance per
// user, the user's profile, the machine's services, and the main window's run.
#include "app/platform_services.h"
#include "settings/profile.h"

#include <QLockFile>

class InstanceChannel;

#include <memory>
#include <string>

class CRipperApp {
public:
    // Without a profile, the user's own is placed when the instance starts.
    explicit CRipperApp(PlatformServices services, std::unique_ptr<IProfile> profile = nullptr);
    ~CRipperApp();

    // Runs the main window to its end. Always false: the program then ends.
    bool InitInstance();
    int ExitInstance();
    // Everything of the start before the main window: folder, names, the
    // single-instance check and the profile. False when another instance runs.
    bool PrepareInstance();
    void InitModuleFolder();
    // True when another instance already runs: it takes the disc given, if
    // any; otherwise the user is told.
    bool CheckSingleInstance();
    // False when nothing could open the help page.
    bool OnHelp();
    std::string HelpPage() const;

    IProfile& Profile() { return *profile; }
    PlatformServices& Services() { return services; }

    std::string codecsIniPath;
    std::unique_ptr<QLockFile> instanceMutex;
    std::unique_ptr<InstanceChannel> instanceChannel;  // while this instance runs: discs later launches hand over
    std::string productName;
    std::string moduleFolder;  // with its trailing '/'
    std::string givenSource;   // the disc named on the command line; empty: found on the volumes

private:
    PlatformServices services;
    std::unique_ptr<IProfile> profile;
};

namespace app_text {
inline constexpr char kProductName[] = "Tarvok DVD Ripper";
inline constexpr char kProfileName[] = "DVD Ripper";
inline constexpr char kSecondInstance[] = "There's an instance running of the program so you can't run another instance.";
inline constexpr char kCodecsIni[] = "codecs.ini";
inline constexpr char kHelpFile[] = "ripperhelp.html";
}  // namespace app_text
