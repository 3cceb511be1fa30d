#include "ui/title_tree.h"
#include "platform/mount_watcher.h"
#include "tests/ifo_builder.h"
#include "tests/main_window_harness.h"
#include "tests/test_discs.h"
#include "ui/movie_vocabulary.h"
#include "ui/movie_window_filter.h"
#include "ui/shockwave_flash.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char* const kPanelVariables[] = {main_var::kCoding, main_var::kTvSystem, main_var::kAspect,
                                       main_var::kPanScan, main_var::kResolution, main_var::kLetterbox,
                                       main_var::kFilmMode, main_var::kVolume, main_var::kRegion};

std::vector<std::string> TopRows(const QTreeWidget& tree)
{
    std::vector<std::string> rows;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) rows.push_back(tree.topLevelItem(i)->text(0).toStdString());
    return rows;
}

}  // namespace

TEST(MainWindowTest, StartWithADiscShowsItsTitlesChaptersAndFacts)
{
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}, DiscVolume(TestDisc("ntsc-2vts"))});
    CRipperDlg& window = harness.Window();
    EXPECT_EQ(window.geometry(), QRect(50, 50, 550, 440));
    EXPECT_EQ(window.windowTitle(), "Tarvok DVD Ripper");
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.StartupProbeDone(), true);

    // The default angle is the one with most sectors: the 9 s title of set 1.
    const auto rows = TopRows(window.TitleTree());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].starts_with("Title 1 [") && rows[0].ends_with(" MB]")) << rows[0];
    QTreeWidgetItem* current = window.TitleTree().currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->text(0), "Angle 1 [00:00:09]");
    EXPECT_EQ(current->parent()->text(0), "Program Chain 1");
    EXPECT_EQ(current->parent()->parent(), window.TitleTree().topLevelItem(0));
    EXPECT_TRUE(current->parent()->isExpanded());
    EXPECT_EQ(window.Source().currentAngle, window.Source().TitleSets()[0]->pgcEntries[0]->angles[0].get());
    EXPECT_EQ(window.Source().currentTitleSet, window.Source().TitleSets()[0].get());

    ASSERT_EQ(window.ChapterList().count(), 3);
    EXPECT_EQ(window.ChapterList().item(2)->text(), "Chapter 3");
    EXPECT_TRUE(window.ChapterList().item(0)->isSelected());
    EXPECT_EQ(window.ChapterList().ItemState(0), StateImageBits(kAllCellsSelected));
    EXPECT_EQ(window.Source().currentChapter, window.Source().currentAngle->chapters[0].get());

    EXPECT_EQ(harness.Variable(main_var::kCoding), "MPEG 2");
    EXPECT_EQ(harness.Variable(main_var::kTvSystem), "NTSC");
    EXPECT_EQ(harness.Variable(main_var::kAspect), "4:3");
    EXPECT_EQ(harness.Variable(main_var::kResolution), "720x480");
    EXPECT_EQ(harness.Variable(main_var::kFilmMode), "");
    EXPECT_EQ(harness.Variable(main_var::kVolume), "1/1");
    EXPECT_EQ(harness.Variable(main_var::kRegion), "1-2-3-4-5-6-7-8");
    EXPECT_EQ(harness.Variable(main_var::kDiscLabel), "TEST_DISC");  // the Volume value's tooltip

    // The movie's first variables.
    const std::string folder = std::string(std::getenv("HOME")) + "/Converted Videos";
    EXPECT_EQ(window.OutputFolder(), folder);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(harness.Variable(main_var::kOutputDir), folder);
    EXPECT_EQ(harness.Variable(main_var::kMovieClip), "1");
    EXPECT_EQ(harness.Variable(main_var::kEntire), "0");
    EXPECT_EQ(harness.Variable(main_var::kPreview), "false");
    const std::string about = harness.Variable(main_var::kAboutText);
    EXPECT_EQ(std::count(about.begin(), about.end(), '\n'), 5);
    EXPECT_TRUE(about.starts_with("Tarvok DVD Ripper\n Version  1.0.0.0\n "));
    EXPECT_NE(about.find("\n Web site: <a href="), std::string::npos);
    EXPECT_NE(about.find("\n Contact mail: "), std::string::npos);
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());

    // The native controls lie over the movie at their places.
    EXPECT_EQ(window.TitleTree().geometry(), QRect(144, 140, 243, 215));
    EXPECT_EQ(window.ChapterList().geometry(), QRect(399, 140, 147, 215));
    EXPECT_EQ(window.TitlesLabel().text(), "Titles");
    EXPECT_EQ(window.ChaptersLabel().text(), "Chapters");
    EXPECT_GT(window.children().indexOf(&window.TitleTree()), window.children().indexOf(&window.Movie()));

    QDir().mkpath(TARVOK_SCREENSHOT_DIR);
    QTest::qWait(500);
    window.grab().save(QString(TARVOK_SCREENSHOT_DIR) + "/main-window.png");
}

TEST(MainWindowTest, NoDiscAtStartShowsNothing)
{
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}, {"/media/stick", "/dev/sdb1", "vfat", "STICK"}});
    CRipperDlg& window = harness.Window();
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 0);
    EXPECT_EQ(window.ChapterList().count(), 0);
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());
    for (const char* variable : kPanelVariables) EXPECT_EQ(harness.Variable(variable), "") << variable;
}

TEST(MainWindowTest, ArrivalWithoutADiscAsksAndRetryFindsOneThatCameMeanwhile)
{
    MainWindowHarness harness({{"/", "/dev/vda1", "ext4", ""}});
    auto& volumes = harness.standIns.volumes->volumes;
    auto* boxes = harness.standIns.boxes;
    boxes->answers = {MbResult::Retry, MbResult::Retry};
    int shown = 0;
    boxes->onShow = [&](const AskedBox&) {
        // While the second question is open, the disc is mounted.
        if (++shown == 2) volumes.push_back(DiscVolume(TestDisc("pal-3ch")));
    };
    volumes.push_back({"/media/stick", "/dev/sdb1", "vfat", "STICK"});  // a memory stick: no DVD on it
    harness.Window().DeviceWatcher()->Check();

    ASSERT_EQ(boxes->asked.size(), 2u);
    EXPECT_EQ(boxes->asked[0].text, "DVD not found !. or There is no Video DVD present.\n Try select Correct DVD drive from load button.");
    EXPECT_EQ(boxes->asked[0].caption, "Tarvok DVD Ripper");
    EXPECT_EQ(boxes->asked[0].buttons, MbButtons::RetryCancel);
    EXPECT_EQ(boxes->asked[0].icon, MbIcon::Error);
    EXPECT_EQ(harness.Window().TitleTree().topLevelItemCount(), 1);
    EXPECT_EQ(harness.Window().ChapterList().count(), 3);
    EXPECT_EQ(harness.Variable(main_var::kTvSystem), "PAL");
}

TEST(MainWindowTest, CancelLeavesTheWindowAsItWas)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch"))});
    CRipperDlg& window = harness.Window();
    harness.standIns.boxes->answers = {MbResult::Cancel};
    window.LoadSourceFromDrive("/dev/sr9", false);
    EXPECT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 1);
    EXPECT_EQ(window.ChapterList().count(), 3);
}

TEST(MainWindowTest, RemovalEmptiesTreeListAndPanel)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch")), {"/media/stick", "/dev/sdb1", "vfat", "STICK"}});
    CRipperDlg& window = harness.Window();
    ASSERT_EQ(window.ChapterList().count(), 3);
    // The stick goes; the DVD stays in its drive, but the window forgets it.
    harness.standIns.volumes->volumes.pop_back();
    window.DeviceWatcher()->Check();
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 0);
    EXPECT_EQ(window.ChapterList().count(), 0);
    EXPECT_TRUE(window.Source().TitleSets().empty());
    EXPECT_EQ(window.Source().currentAngle, nullptr);
    for (const char* variable : kPanelVariables) EXPECT_EQ(harness.Variable(variable), "") << variable;
    EXPECT_TRUE(harness.standIns.boxes->asked.empty());
}

TEST(MainWindowTest, TreeRowsSetTheSelection)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-16x9-menu"))});
    CRipperDlg& window = harness.Window();
    QTreeWidgetItem* title = window.TitleTree().topLevelItem(0);
    QTreeWidgetItem* secondChain = title->child(1);
    ASSERT_EQ(secondChain->text(0), "Program Chain 2");

    window.TitleTree().setCurrentItem(title);
    EXPECT_EQ(window.Source().currentTitleSet, nullptr);
    EXPECT_EQ(window.Source().currentAngle, nullptr);
    EXPECT_EQ(window.ChapterList().count(), 0);

    window.TitleTree().setCurrentItem(secondChain);
    EXPECT_EQ(window.Source().currentTitleSet, window.Source().TitleSets()[0].get());
    EXPECT_EQ(window.Source().currentAngle, nullptr);
    EXPECT_EQ(window.ChapterList().count(), 0);

    window.TitleTree().setCurrentItem(secondChain->child(0));
    EXPECT_EQ(window.Source().currentAngle, window.Source().TitleSets()[0]->pgcEntries[1]->angles[0].get());
    EXPECT_EQ(window.ChapterList().count(), 1);
    EXPECT_EQ(harness.Variable(main_var::kAspect), "16:9");
}

TEST(MainWindowTest, ClickLeftOfFourteenPixelsTogglesTheChapter)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch"))});
    CRipperDlg& window = harness.Window();
    ASSERT_EQ(window.ChapterList().ItemState(1), StateImageBits(kAllCellsSelected));

    ClickChapter(window, 13, 1);
    EXPECT_EQ(window.ChapterList().ItemState(1), StateImageBits(kNoCellSelected));
    for (const auto& cell : window.Source().currentAngle->chapters[1]->cells) EXPECT_EQ(cell->selected, 0);
    EXPECT_EQ(window.Source().currentChapter, window.Source().currentAngle->chapters[1].get());

    ClickChapter(window, 14, 2);
    EXPECT_EQ(window.ChapterList().ItemState(2), StateImageBits(kAllCellsSelected));
    EXPECT_EQ(window.ChapterList().ItemState(1), StateImageBits(kNoCellSelected));
    EXPECT_EQ(window.Source().currentChapter, window.Source().currentAngle->chapters[2].get());

    ClickChapter(window, 5, 1);  // and back
    EXPECT_EQ(window.ChapterList().ItemState(1), StateImageBits(kAllCellsSelected));
    // The angle's totals and label stay as loaded.
    EXPECT_EQ(window.TitleTree().currentItem()->text(0), "Angle 1 [00:00:06]");
}

TEST(MainWindowTest, FolderWithoutSectorsIsAnInvalidDirectoryAfterThePanelUpdate)
{
    const std::string folder = ScratchFolder() + "/VIDEO_TS";
    fs::create_directories(folder);
    WriteBytes(folder + "/VIDEO_TS.IFO", IfoBuilder::ManagerFile(0xFD, 1, 1));
    IfoBuilder ifo;
    TestPgc pgc;
    pgc.cells = {{0, 10, 10}};  // one sector: counts none
    ifo.pgcs = {pgc};
    ifo.addresses = {{1, 1, 10, 10}};
    WriteBytes(folder + "/VTS_01_0.IFO", ifo.TitleSetFile());
    std::ofstream(folder + "/VTS_01_1.VOB") << std::string(2048, '\0');

    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch"))});
    CRipperDlg& window = harness.Window();
    std::string regionWhenAsked;
    harness.standIns.boxes->onShow = [&](const AskedBox&) { regionWhenAsked = harness.Variable(main_var::kRegion); };
    window.LoadSourceFromPath(folder);
    ASSERT_EQ(harness.standIns.boxes->asked.size(), 1u);
    EXPECT_EQ(harness.standIns.boxes->asked[0].text, "Invalid directory !");
    EXPECT_EQ(harness.standIns.boxes->asked[0].buttons, MbButtons::Ok);
    EXPECT_EQ(harness.standIns.boxes->asked[0].icon, MbIcon::Error);
    EXPECT_EQ(regionWhenAsked, "2");
    EXPECT_EQ(window.ChapterList().count(), 0);
    // The title row is shown, but with no angle to choose the video facts stay the previous disc's.
    EXPECT_EQ(window.TitleTree().topLevelItemCount(), 1);
    EXPECT_EQ(harness.Variable(main_var::kTvSystem), "PAL");
}

TEST(MainWindowTest, KeysAndClicksThatMustNotCloseOrOpenAnything)
{
    MainWindowHarness harness({DiscVolume(TestDisc("pal-3ch"))});
    CRipperDlg& window = harness.Window();
    for (QWidget* target : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&window.TitleTree()),
                            static_cast<QWidget*>(&window.Movie()), static_cast<QWidget*>(&window.ChapterList())}) {
        QTest::keyClick(target, Qt::Key_Escape);
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
    }
    harness.Settle();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);

    // The movie gets no right click and no context-menu key.
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(100, 100), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    auto* filter = window.findChild<MovieWindowFilter*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->eventFilter(&window.Movie(), &right));
    QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    EXPECT_TRUE(filter->eventFilter(&window.Movie(), &menuKey));
    EXPECT_FALSE(filter->eventFilter(&window.TitleTree(), &right));

    // F1 opens the help page; the window menu holds the about entry.
    QTest::keyClick(&window, Qt::Key_F1);
    ASSERT_EQ(harness.standIns.shell->opened.size(), 1u);
    EXPECT_EQ(harness.standIns.shell->opened[0], harness.app->moduleFolder + "ripperhelp.html");
    QMenu* menu = window.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "&About DVDRipper...");
    EXPECT_FALSE(window.windowIcon().isNull());
}

namespace {

// How the texts of a dialog look: colour and weight of each label, and the background.
std::vector<std::string> LookOf(QDialog& dialog)
{
    std::vector<std::string> look = {dialog.palette().color(QPalette::Window).name().toStdString()};
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        look.push_back(label->palette().color(label->foregroundRole()).name().toStdString() +
                       (label->font().bold() ? " bold " : " ") + std::to_string(label->font().pointSizeF()) + " " +
                       label->palette().color(label->backgroundRole()).name().toStdString());
    return look;
}

}  // namespace

// The panel's colours belong to the lists and their labels: a box or a file
// dialog the main window owns looks like one that has no owner.
TEST(MainWindowTest, BoxesAndFileDialogsOfTheWindowLookLikeTheDesktops)
{
    MainWindowHarness harness;
    QMessageBox owned(QMessageBox::Warning, "File Already Exist", "File Name:x \nAlready Exist", QMessageBox::Yes, &harness.Window());
    QMessageBox alone(QMessageBox::Warning, "File Already Exist", "File Name:x \nAlready Exist", QMessageBox::Yes);
    owned.show();
    alone.show();
    EXPECT_EQ(LookOf(owned), LookOf(alone));
    QFileDialog ownedDialog(&harness.Window()), aloneDialog;
    for (QFileDialog* dialog : {&ownedDialog, &aloneDialog}) {
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->show();
    }
    EXPECT_EQ(LookOf(ownedDialog), LookOf(aloneDialog));
    // The lists keep their panel colours.
    EXPECT_EQ(harness.Window().TitleTree().palette().color(QPalette::Base), QColor(0, 102, 153));
    EXPECT_EQ(harness.Window().TitlesLabel().palette().color(QPalette::WindowText), QColor(255, 255, 255));
}
