#include "app/ripper_app.h"

#include "app/instance_channel.h"
#include "app/ripper_dlg.h"
#include "platform/rip_process.h"
#include "platform/signal_watcher.h"
#include "settings/qsettings_profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

CRipperApp::CRipperApp(PlatformServices services, std::unique_ptr<IProfile> profile)
    : services(std::move(services)), profile(std::move(profile))
{
    // Made after the QApplication, which took the user's locale: numbers for the converter stay "C".
    PrepareProcessForRips();
}

CRipperApp::~CRipperApp() = default;

bool CRipperApp::InitInstance()
{
    if (!PrepareInstance()) return false;
    {
        CRipperDlg dialog(*this);
        SignalWatcher stopSignals;
        QObject::connect(&stopSignals, &SignalWatcher::received, &dialog, &CRipperDlg::EndProgram);
        dialog.DoModal();
    }
    return false;
}

int CRipperApp::ExitInstance()
{
    return 0;
}

bool CRipperApp::PrepareInstance()
{
    InitModuleFolder();
    productName = app_text::kProductName;
    codecsIniPath = moduleFolder + app_text::kCodecsIni;
    if (CheckSingleInstance()) return false;
    if (!profile) {
        auto own = std::make_unique<QSettingsProfile>(QString::fromStdString(productName), app_text::kProfileName);
        if (!own->Problem().empty()) std::fprintf(stderr, "%s\n", own->Problem().c_str());
        profile = std::move(own);
    }
    return true;
}

void CRipperApp::InitModuleFolder()
{
    const std::string executable = QCoreApplication::applicationFilePath().toStdString();
    const auto slash = executable.rfind('/');
    moduleFolder = slash == std::string::npos ? std::string() : executable.substr(0, slash + 1);
}

bool CRipperApp::CheckSingleInstance()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QDir().mkpath(folder);
    instanceMutex = std::make_unique<QLockFile>(folder + "/" + QString::fromStdString(productName) + ".lock");
    // A running instance may hold its lock for days; only a dead holder's lock is stale.
    instanceMutex->setStaleLockTime(0);
    const QString channelName = folder + "/" + QString::fromStdString(productName) + ".socket";
    if (instanceMutex->tryLock(0)) {
        instanceChannel = std::make_unique<InstanceChannel>(channelName);
        instanceChannel->Listen();
        return false;
    }
    if (instanceMutex->error() != QLockFile::LockFailedError) return false;
    // A disc given to a later launch goes to the window that runs.
    if (!givenSource.empty() && InstanceChannel::HandOver(channelName, givenSource)) return true;
    services.messageBoxes->Show(nullptr, app_text::kSecondInstance, productName, MbButtons::Ok, MbIcon::Information);
    return true;
}

bool CRipperApp::OnHelp()
{
    return services.shell->Open(HelpPage());
}

std::string CRipperApp::HelpPage() const
{
    return moduleFolder + app_text::kHelpFile;
}
