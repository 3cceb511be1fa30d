#include "settings/setting_table.h"
#include "tests/main_window_harness.h"

#include "app/settings_dlg.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

MainWindowHarness::MainWindowHarness(std::vector<Volume> volumes, std::unique_ptr<IProfile> profile, const std::string& givenSource,
                                     bool ownsInstance)
{
    standIns.volumes->volumes = std::move(volumes);
    app = std::make_unique<CRipperApp>(standIns.Take(), profile ? std::move(profile) : std::make_unique<MemoryProfile>());
    // What the start prepares, without the instance lock: tests run side by side.
    app->InitModuleFolder();
    app->productName = app_text::kProductName;
    app->codecsIniPath = app->moduleFolder + app_text::kCodecsIni;
    app->givenSource = givenSource;
    if (ownsInstance) app->CheckSingleInstance();
    window = std::make_unique<CRipperDlg>(*app);
    window->OnInitDialog();
    window->show();
    // The start-up probe runs on the window's first timer.
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->StartupProbeDone(); }, 10000));
}

MainWindowHarness::~MainWindowHarness()
{
    window.reset();
}

std::string MainWindowHarness::Variable(const char* name) const
{
    return window->Movie().GetVariable(name);
}

void MainWindowHarness::ChooseOutputFolder(const std::string& folder)
{
    standIns.dialogs->folderAnswers.push_back(folder);
    window->Movie().Store().fscommand(main_cmd::kBrowse, "");
}

void MainWindowHarness::ChangeSettings(const std::map<std::string, std::string>& chosen)
{
    WhenSettingsOpen(*window, [chosen](CShockwaveFlash& settings) {
        // The container first: choosing it sends its codec lists and starts their choices over.
        if (auto container = chosen.find(settings_var::kVideoMethod); container != chosen.end()) {
            settings.Store().set(settings_var::kVideoMethod, QString::fromStdString(container->second));
            settings.Store().fscommand(settings_cmd::kContainerChanged, "");
        }
        for (const auto& [variable, value] : chosen) settings.Store().set(QString::fromStdString(variable), QString::fromStdString(value));
        settings.Store().fscommand(settings_cmd::kOk, "");
    });
    window->Movie().Store().fscommand(main_cmd::kSetting, "");
}

std::unique_ptr<IProfile> ProfileWith(const std::map<std::string, std::string>& stored)
{
    auto profile = std::make_unique<MemoryProfile>();
    for (const auto& [key, text] : stored) profile->WriteProfileString(key, text);
    return profile;
}

void MainWindowHarness::Settle(int milliseconds)
{
    QTest::qWait(milliseconds);
}

void WhenSettingsOpen(CRipperDlg& window, std::function<void(CShockwaveFlash& settings)> act)
{
    QTimer::singleShot(0, [&window, act] {
        const bool ready = QTest::qWaitFor(
            [&] { return &window.SettingsWindow() && window.SettingsWindow().isVisible() && window.SettingsWindow().initTimerId == 0; }, 10000);
        if (!ready) {
            ADD_FAILURE() << "the settings window did not open";
            return;
        }
        act(*window.SettingsWindow().flash);
    });
}

void ClickChapter(CRipperDlg& window, int x, int row)
{
    const QRect rect = window.ChapterList().visualItemRect(window.ChapterList().item(row));
    QTest::mouseClick(window.ChapterList().viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x - window.ChapterList().viewport()->x(), rect.center().y()));
}

Volume DiscVolume(const std::string& disc, const std::string& label, const std::string& device)
{
    return Volume{disc, device, "UDF", label, true};
}
