#include "settings/setting_table.h"
#include "app/settings_dlg.h"
#include "tests/main_window_harness.h"
#include "tests/movie_harness.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QCursor>
#include <QDir>
#include <QQuickItem>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The settings window of a program run, once its start-up timer has filled it in.
struct SettingsHarness {
    SettingsHarness()
    {
        QObject::connect(&dialog.flash->Store(), &MovieStore::changed,
                         [this](const QString& name) { sent.push_back(name.toStdString()); });
        dialog.OnInitDialog();
        dialog.show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return dialog.initTimerId == 0; }, 10000));
    }
    std::string Variable(const char* name) { return dialog.flash->GetVariable(name); }
    void Set(const char* name, const char* value) { dialog.flash->Store().set(name, value); }
    void Command(const char* command) { dialog.flash->Store().fscommand(command, ""); }
    QString Shown(const char* objectName)
    {
        QQuickItem* item = dialog.flash->rootObject()->findChild<QQuickItem*>(objectName);
        return item ? item->property("currentText").toString() : QString("(missing)");
    }
    IProfile& Profile() { return main.app->Profile(); }
    // Every list shows the entry it was given (none when out of its range): the movie applies them later.
    bool ChoicesApplied()
    {
        for (QQuickItem* item : dialog.flash->rootObject()->findChildren<QQuickItem*>()) {
            const QVariant chosen = item->property("chosen");
            if (!chosen.isValid()) continue;
            const int count = item->property("count").toInt();
            if (item->property("currentIndex").toInt() != (chosen.toInt() < count ? chosen.toInt() : -1)) return false;
        }
        return true;
    }

    MainWindowHarness main;
    CSettingsDlg dialog{*main.app};
    std::vector<std::string> sent;
};

}  // namespace

TEST(SettingsDialogTest, OpensWithTheProfilesChoicesInOrder)
{
    SettingsHarness s;
    EXPECT_EQ(s.dialog.initTimerId, 0);
    const std::vector<std::string> order = {
        "_root.overwriting", "_root.stutdown", "_root.output", "_root.lockDVD", "_root.ejectDVD", "_root.ripSelection",
        "_root.subtitleForced", "_root.subtitle_mode", "_root.subtitle_language", "_root.SelectedSubtitleMode",
        "_root.SelectedSubtitleLanguage",
        "_root.video_method", "_root.video_bitrate", "_root.video_channel", "_root.audio_bitrate", "_root.audio_channel",
        "_root.audio_rate", "_root.SelectedVMethod", "_root.video_codec", "_root.audio_codec", "_root.SelectedCodec",
        "_root.SelectedBitrate", "_root.SelectedChannel", "_root.SelectedRate", "_root.VSelectedCodec",
        "_root.SelectedVBitrate", "_root.SelectedVChannel", "_root.audioSettingFlag", "_root.videoSettingFlag"};
    EXPECT_EQ(s.sent, order);
    EXPECT_EQ(s.Variable(settings_var::kVideoMethodList), "MPEG TS|MPEG PS|MPEG1|ASF|MP4|MOV|AVI|OGG|MKV");
    EXPECT_EQ(s.Variable(settings_var::kAudioRateList), "48000|44100|22500|11250");
    EXPECT_EQ(s.Variable(settings_var::kVideoCodecList), "mp1v|mp2v|h264|copy");
    EXPECT_EQ(s.Variable(settings_var::kLockDvd), "1");
    EXPECT_EQ(s.Variable(settings_var::kShutdown), "0");
    // What the user sees with an empty profile, once every list has taken its choice.
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.ChoicesApplied(); }, 5000));
    EXPECT_EQ(s.Shown("videoBitrateChoice"), "1024");
    EXPECT_EQ(s.Shown("videoScaleChoice"), "1");
    EXPECT_EQ(s.Shown("audioBitrateChoice"), "128");
    EXPECT_EQ(s.Shown("audioChannelChoice"), "2");
    EXPECT_EQ(s.Shown("audioRateChoice"), "48000");
    EXPECT_EQ(s.Shown("videoCodecChoice"), "mp1v");
    EXPECT_EQ(s.Shown("audioCodecChoice"), "mpga");
    EXPECT_EQ(s.Shown("subtitleModeChoice"), "None");
    EXPECT_EQ(s.Shown("subtitleLanguageChoice"), "en");
    QDir().mkpath(TARVOK_SCREENSHOT_DIR);
    // The pointer away from the window: the picture shows no hovered row.
    QCursor::setPos(s.dialog.geometry().bottomRight() + QPoint(40, 40));
    QTest::qWait(300);
    s.dialog.flash->grabFramebuffer().save(QString(TARVOK_SCREENSHOT_DIR) + "/settings-window.png");
}

// The longest list, the video bitrates, opens inside the window with every
// entry shown (a longer one would scroll, with a bar that stays).
TEST(SettingsDialogTest, EveryEntryOfTheLongestListIsInReach)
{
    SettingsHarness s;
    QQuickItem* box = s.dialog.flash->rootObject()->findChild<QQuickItem*>("videoBitrateChoice");
    ASSERT_NE(box, nullptr);
    auto* popup = box->property("popup").value<QObject*>();
    ASSERT_NE(popup, nullptr);
    QMetaObject::invokeMethod(popup, "open");
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->property("opened").toBool(); }, 5000));
    auto* list = popup->property("contentItem").value<QQuickItem*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->property("count").toInt(), TableSize(kVideoBitrateTable));
    const QRectF shown = list->mapRectToScene(QRectF(0, 0, list->width(), list->height()));
    EXPECT_GE(shown.top(), 0);
    EXPECT_LE(shown.bottom(), s.dialog.flash->height());
    const bool allShown = list->property("contentHeight").toDouble() <= list->height() + 1;
    EXPECT_TRUE(allShown) << list->height() << " of " << list->property("contentHeight").toDouble();
}

TEST(SettingsDialogTest, AnotherContainerReloadsItsCodecs)
{
    SettingsHarness s;
    s.Set(settings_var::kVideoCodec, "2");
    s.Set(settings_var::kVideoMethod, "6");
    s.Command("ID_FS_VMethod");
    EXPECT_EQ(s.Variable(settings_var::kVideoCodecList), "mp1v|div3|h264");
    EXPECT_EQ(s.Variable(settings_var::kAudioCodecList), "mpga|mp3|a52|s16l");
    EXPECT_EQ(s.Variable(settings_var::kVideoCodec), "0");
    EXPECT_EQ(s.Variable(settings_var::kAudioCodec), "0");
    EXPECT_EQ(s.dialog.videoCodecs, (std::vector<std::string>{"mp1v", "div3", "h264"}));
    EXPECT_EQ(s.dialog.audioCodecs.size(), 4u);
    EXPECT_EQ(s.sent.back(), "_root.videoSettingFlag");
}

TEST(SettingsDialogTest, OkTakesTheChoicesAndStoresThem)
{
    SettingsHarness s;
    s.Set(settings_var::kVideoMethod, "6");
    s.Command("id_fs_vmethod");  // case does not matter
    s.Set(settings_var::kVideoCodec, "1");
    s.Set(settings_var::kAudioCodec, "1");
    s.Set(settings_var::kVideoScale, "1");
    s.Set(settings_var::kAudioRate, "2");
    s.Set(settings_var::kLockDvd, "TRUE");  // capitals: not "true"
    s.Set(settings_var::kOverwriting, "true");
    s.Set(settings_var::kOpenFolder, "1");
    s.Command("ID_FS_Ok");
    EXPECT_EQ(s.dialog.result(), QDialog::Accepted);
    const RipSettings& r = s.dialog.settings;
    EXPECT_EQ(r.videoMethod, 6);
    EXPECT_EQ(r.videoCodec, "div3");
    EXPECT_EQ(r.audioCodec, "mp3");
    EXPECT_EQ(r.videoScale, "0.5");
    EXPECT_EQ(r.videoBitrate, 1024);
    EXPECT_EQ(r.audioRate, 22500);
    EXPECT_EQ(r.audioChannels, 2);
    EXPECT_EQ(r.lockDvdWhileRipping, 0);
    EXPECT_EQ(r.dontAskOverwrite, 1);
    EXPECT_EQ(r.openFolderWhenDone, 1);
    EXPECT_EQ(r.mux, "");
    EXPECT_EQ(s.Profile().GetProfileString("video_scale", "?"), "1");
    EXPECT_EQ(s.Profile().GetProfileString("video_method", "?"), "6");
    EXPECT_EQ(s.Profile().GetProfileString("video_codec", "?"), "1");
    EXPECT_EQ(s.Profile().GetProfileString("LockDVDWhileRipping", "?"), "0");
    EXPECT_EQ(s.Profile().GetProfileString("DonotAskWhenOverwriteExistingFiles", "?"), "1");

    // A later start loads the same codec from the profile.
    RipSettings loaded;
    LoadSettings(loaded, s.Profile(), s.main.app->codecsIniPath);
    EXPECT_EQ(loaded.videoCodec, "div3");
    EXPECT_EQ(loaded.audioCodec, "mp3");
}

TEST(SettingsDialogTest, IndexesOutsideTheListsTakeTheFirstEntry)
{
    SettingsHarness s;
    s.Set(settings_var::kVideoBitrate, "99");
    s.Set(settings_var::kAudioCodec, "-4");
    s.Set(settings_var::kAudioRate, "abc");
    s.Set(settings_var::kVideoScale, "8");
    s.Command("ID_FS_Ok");
    EXPECT_EQ(s.dialog.settings.videoBitrate, 3072);
    EXPECT_EQ(s.dialog.settings.audioCodec, "mpga");
    EXPECT_EQ(s.dialog.settings.audioRate, 48000);
    EXPECT_EQ(s.dialog.settings.videoScale, "0.25");
}

TEST(SettingsDialogTest, CancelQuitDragAndKeys)
{
    SettingsHarness s;
    s.Set(settings_var::kVideoScale, "0");
    s.Command("ID_FS_Drag");  // not a command of this movie
    EXPECT_TRUE(s.main.standIns.mover->moved.empty());
    s.Command("Drag");
    EXPECT_EQ(s.main.standIns.mover->moved, std::vector<QWidget*>{&s.dialog});
    QTest::keyClick(&s.dialog, Qt::Key_Escape);
    QTest::keyClick(s.dialog.flash, Qt::Key_Enter);
    EXPECT_TRUE(s.dialog.isVisible());

    s.Command("ID_FS_Cancel");
    EXPECT_FALSE(s.dialog.isVisible());
    EXPECT_EQ(s.dialog.result(), QDialog::Rejected);
    EXPECT_EQ(s.Profile().GetProfileString("video_scale", "none"), "none");

    s.dialog.show();
    s.Command("ID_FS_Quit");
    EXPECT_FALSE(s.dialog.isVisible());
    EXPECT_EQ(s.dialog.result(), QDialog::Rejected);
    EXPECT_EQ(s.Profile().GetProfileString("video_scale", "none"), "none");
}
