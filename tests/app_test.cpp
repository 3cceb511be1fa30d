#include "app/ripper_app.h"
#include "ui/file_dialogs.h"
#include "settings/qsettings_profile.h"
#include "settings/rip_settings.h"
#include "tests/stand_ins.h"
#include "tests/test_discs.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>

#include "settings/setting_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

// Points the user's folders at a fresh scratch home for the rest of the test.
std::string UseScratchHome()
{
    const std::string home = ScratchFolder();
    qputenv("HOME", home.c_str());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").c_str());
    qputenv("XDG_RUNTIME_DIR", (home + "/run").c_str());
    fs::create_directories(home + "/run");
    fs::permissions(home + "/run", fs::perms::owner_all, fs::perm_options::replace);
    return home;
}

}  // namespace

TEST(RipperAppTest, SecondInstanceIsRefusedWithoutTouchingTheProfile)
{
    const std::string home = UseScratchHome();
    StandIns first;
    CRipperApp running(first.Take());
    ASSERT_TRUE(running.PrepareInstance());
    EXPECT_TRUE(first.boxes->asked.empty());

    StandIns second;
    auto* boxes = second.boxes;
    CRipperApp another(second.Take());
    EXPECT_FALSE(another.PrepareInstance());
    EXPECT_FALSE(another.InitInstance());
    ASSERT_EQ(boxes->asked.size(), 2u);
    EXPECT_EQ(boxes->asked[0].text, "There's an instance running of the program so you can't run another instance.");
    EXPECT_EQ(boxes->asked[0].caption, "Tarvok DVD Ripper");
    EXPECT_EQ(boxes->asked[0].buttons, MbButtons::Ok);
    EXPECT_EQ(boxes->asked[0].icon, MbIcon::Information);
    EXPECT_FALSE(fs::exists(home + "/.config/Tarvok DVD Ripper"));
}

TEST(RipperAppTest, LockOfAKilledInstanceIsTakenOver)
{
    UseScratchHome();
    QProcess holder;
    holder.start(QString(TARVOK_RUNTIME_DIR) + "/module_folder_probe", {"hold"});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    EXPECT_EQ(holder.readAllStandardOutput().trimmed(), "locked");

    StandIns blocked;
    CRipperApp whileHeld(blocked.Take());
    whileHeld.productName = "Tarvok DVD Ripper";
    EXPECT_TRUE(whileHeld.CheckSingleInstance());

    holder.kill();  // SIGKILL: the lock file stays behind
    holder.waitForFinished();
    StandIns after;
    auto* boxes = after.boxes;
    CRipperApp next(after.Take());
    next.productName = "Tarvok DVD Ripper";
    EXPECT_FALSE(next.CheckSingleInstance());
    EXPECT_TRUE(boxes->asked.empty());
}

TEST(RipperAppTest, ModuleFolderIsTheCopiedExecutablesFolder)
{
    const std::string folder = ScratchFolder() + "/Tools dir";
    fs::create_directories(folder);
    fs::copy_file(std::string(TARVOK_RUNTIME_DIR) + "/module_folder_probe", folder + "/rip");
    int status = -1;
    const std::string output = RunCommand(ShellQuote(folder + "/rip"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(output, folder + "/\n" + folder + "/codecs.ini\n");
}

TEST(RipperAppTest, HelpOpensThePageBesideTheExecutable)
{
    UseScratchHome();
    StandIns standIns;
    auto* shell = standIns.shell;
    CRipperApp app(standIns.Take());
    ASSERT_TRUE(app.PrepareInstance());
    EXPECT_EQ(app.moduleFolder, std::string(TARVOK_RUNTIME_DIR) + "/");
    EXPECT_EQ(app.codecsIniPath, app.moduleFolder + "codecs.ini");
    app.OnHelp();
    ASSERT_EQ(shell->opened.size(), 1u);
    EXPECT_EQ(shell->opened[0], app.moduleFolder + "ripperhelp.html");
    EXPECT_TRUE(fs::exists(shell->opened[0]));
}

TEST(ProfileTest, RoundTripThroughTheUsersIniFile)
{
    const std::string home = UseScratchHome();
    {
        QSettingsProfile profile("Tarvok DVD Ripper", "DVD Ripper");
        EXPECT_EQ(profile.FileName().toStdString(), home + "/.config/Tarvok DVD Ripper/DVD Ripper.ini");
        const std::map<std::string, std::string> chosen = {
            {settings_var::kVideoMethod, "6"}, {settings_var::kVideoCodec, "1"},   {settings_var::kVideoBitrate, "0"},
            {settings_var::kVideoScale, "1"},  {settings_var::kAudioCodec, "2"},   {settings_var::kAudioBitrate, "5"},
            {settings_var::kAudioChannel, "0"}, {settings_var::kAudioRate, "3"},   {settings_var::kOverwriting, "true"},
            {settings_var::kShutdown, "0"},    {settings_var::kOpenFolder, "1"},   {settings_var::kLockDvd, "false"},
            {settings_var::kEjectDvd, "1"},    {settings_var::kRipSelection, "true"}, {settings_var::kSubtitleMode, "2"},
            {settings_var::kSubtitleLanguage, "1"}, {settings_var::kSubtitleForced, "true"},
        };
        SaveSettings(profile, [&](const char* variable) { return chosen.at(variable); });
    }
    std::ifstream file(home + "/.config/Tarvok DVD Ripper/DVD Ripper.ini");
    std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("[General]"), std::string::npos);
    EXPECT_NE(text.find("ShutdownWhenCompelete=0"), std::string::npos);
    EXPECT_NE(text.find("video_method=6"), std::string::npos);

    QSettingsProfile reopened("Tarvok DVD Ripper", "DVD Ripper");
    RipSettings loaded;
    LoadSettings(loaded, reopened, std::string(TARVOK_RUNTIME_DIR) + "/codecs.ini");
    EXPECT_EQ(loaded.videoMethod, 6);
    EXPECT_EQ(loaded.videoBitrate, 3072);
    EXPECT_EQ(loaded.videoScale, "0.5");
    EXPECT_EQ(loaded.audioBitrate, 64);
    EXPECT_EQ(loaded.audioChannels, 1);
    EXPECT_EQ(loaded.audioRate, 11250);
    EXPECT_EQ(loaded.dontAskOverwrite, 1);
    EXPECT_EQ(loaded.openFolderWhenDone, 1);
    EXPECT_EQ(loaded.lockDvdWhileRipping, 0);
    EXPECT_EQ(loaded.ejectDvdWhenDone, 1);
    EXPECT_EQ(loaded.ripSelection, 1);
    EXPECT_EQ(loaded.subtitleMode, kSubtitlesBurned);
    EXPECT_EQ(loaded.subtitleLanguage, "fr");
    EXPECT_EQ(loaded.subtitleForced, 1);
    EXPECT_EQ(reopened.GetProfileString("missing", "fallback"), "fallback");
}

TEST(FileDialogTest, FilterTextBecomesQtsForm)
{
    EXPECT_EQ(ToQtFileFilter("Movie File (*.mpg;*.mpeg;*.mpe)|*.mpg|Windows Media File (*.asf;*.wmv)|*.asf; "
                             "*.wmv|All Files (*.*)|*.*||"),
              "Movie File (*.mpg;*.mpeg;*.mpe) (*.mpg);;Windows Media File (*.asf;*.wmv) (*.asf *.wmv);;"
              "All Files (*.*) (*.*)");
    EXPECT_EQ(ToQtFileFilter(""), "");
}

TEST(MessageBoxTest, TextsAreShownAsTheyAreNeverAsMarkup)
{
    // A disc labelled "<b>X": the box shows those characters, not bold text.
    QString shownText, shownDetails;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        format = box->textFormat();
        shownText = box->text();
        QTextDocument details;
        details.setHtml(box->informativeText());
        shownDetails = details.toPlainText();
        box->done(QMessageBox::Ok);
    });
    QtMessageBoxes().Show(nullptr, "File Name:/out/<b>X.mpg", "File Already Exist", MbButtons::Ok, MbIcon::None,
                          "cannot write in /out/<i>y</i> & more");
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shownText, "File Name:/out/<b>X.mpg");
    EXPECT_EQ(shownDetails, "cannot write in /out/<i>y</i> & more");
}
