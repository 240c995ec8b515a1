#include "core/AppState.h"
#include "mainwindow/TwipsLayout.h"
#include "mainwindow/frmMain.h"
#include "platform/SingleInstance.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class MainWindow : public ::testing::Test {
protected:
    QTemporaryDir home;
    QString settings = home.filePath("settings");
    QString ini = home.filePath("settings/Orvanel.ini");
    ScriptedMessages box;

    void SetUp() override { resetAppState(); }
    void TearDown() override { resetAppState(); }

    std::unique_ptr<frmMain> start()
    {
        resetAppState();
        auto w = std::make_unique<frmMain>();
        EXPECT_TRUE(w->load(settings, home.path()));
        return w;
    }
    template <class T>
    T *find(frmMain &w, const char *name)
    {
        T *c = w.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
};

TEST_F(MainWindow, FirstStartWithoutSettingsIsGreekWithEveryStartUpValue)
{
    auto w = start();
    EXPECT_TRUE(App().LanguageIsGreek);
    EXPECT_EQ(App().OptionValues, Options());
    EXPECT_EQ(App().ReminderSwitches, Reminders());
    EXPECT_EQ(App().MessageTitle, "Συγχρονισμός φακέλλων");
    EXPECT_EQ(w->windowTitle(), "Συγχρονισμός φακέλλων");
    EXPECT_EQ(readBytes(ini), "[General]\nLanguage=0\n");
    EXPECT_EQ(readBytes(home.filePath("settings/SavedLeftPaths.txt")), "");
    EXPECT_EQ(readBytes(home.filePath("settings/SavedRightPaths.txt")), "");
    EXPECT_EQ(App().HelpFilePath, QDir(home.path()).filePath("OrvanelGr.hlp"));
    EXPECT_EQ(find<QToolButton>(*w, "cmdRefresh_1")->toolTip(), "Ανανέωση διαδρομής");
    EXPECT_EQ(find<QLabel>(*w, "lblFileType_0")->text(), "Τύπος αρχείων");
    EXPECT_EQ(find<QLineEdit>(*w, "txtFileType_0")->text(), "*.*");
    EXPECT_EQ(find<QLineEdit>(*w, "txtFileType_1")->text(), "*.*");
    EXPECT_EQ(w->mnuRecallPathItem[0]->text(), "Πρόσφατες");
    EXPECT_TRUE(find<QLabel>(*w, "lblCopyright")->text().contains("©"));
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(MainWindow, LanguageButtonsSwitchEveryTextAndTheNextStartKeepsIt)
{
    auto w = start();
    QTest::mouseClick(find<QToolButton>(*w, "cmdLanguage_1"), Qt::LeftButton);
    EXPECT_FALSE(App().LanguageIsGreek);
    EXPECT_EQ(w->windowTitle(), "Folder synchronization");
    EXPECT_EQ(find<QToolButton>(*w, "cmdSavePath_0")->toolTip(), "Save path");
    EXPECT_EQ(find<QToolButton>(*w, "cmdUpOneLevel_1")->toolTip(), "Up one level");
    EXPECT_EQ(find<QToolButton>(*w, "cmdSynchronize")->toolTip(), "Folder synchronization");
    EXPECT_EQ(find<QToolButton>(*w, "cmdEnd")->toolTip(), "Exit");
    EXPECT_EQ(find<QLabel>(*w, "lblFileType_1")->text(), "File type");
    EXPECT_EQ(w->mnuSavePathItem[3]->text(), "Cancel");
    EXPECT_EQ(find<QToolButton>(*w, "cmdLanguage_0")->toolTip(), "Ελληνικά / Greek");
    EXPECT_EQ(App().HelpFilePath, QDir(home.path()).filePath("OrvanelUk.hlp"));
    EXPECT_EQ(readBytes(ini), "[General]\nLanguage=1\n");

    // English again: same texts, the key written again.
    QTest::mouseClick(find<QToolButton>(*w, "cmdLanguage_1"), Qt::LeftButton);
    EXPECT_EQ(find<QToolButton>(*w, "cmdSavePath_0")->toolTip(), "Save path");
    EXPECT_EQ(readBytes(ini), "[General]\nLanguage=1\n");

    w.reset();
    w = start();
    EXPECT_FALSE(App().LanguageIsGreek);
    EXPECT_EQ(w->windowTitle(), "Folder synchronization");
    EXPECT_EQ(readBytes(ini), "[General]\nLanguage=1\n");
}

TEST_F(MainWindow, StartReadsAnEditedFileAndKeepsItsOtherLines)
{
    QDir().mkpath(settings);
    const QByteArray edited = "; my settings\n[General]\nLanguage=2\nLeftInitialPath=/srv/data\n"
                              "Colour=blue\n\n[Options]\nLevels=12345\nDeleteOnCancel=2\n"
                              "[warnings]\noptions=0\n";
    writeBytes(ini, edited);
    auto w = start();
    EXPECT_FALSE(App().LanguageIsGreek);
    EXPECT_EQ(App().InitialPath[0], "/srv/data");
    EXPECT_EQ(App().InitialPath[1], "");
    EXPECT_EQ(App().OptionValues.Levels, 1234);
    EXPECT_FALSE(App().OptionValues.DeleteOnCancel);
    EXPECT_FALSE(App().ReminderSwitches.Options);
    EXPECT_TRUE(App().ReminderSwitches.Target);
    QByteArray expected = edited;
    expected.replace("Language=2", "Language=1");
    EXPECT_EQ(readBytes(ini), expected);
}

TEST_F(MainWindow, SecondInstanceIsRefusedInEnglishAndTouchesNoFile)
{
    QDir().mkpath(settings);
    SingleInstance running(settings);
    ASSERT_EQ(running.acquire(), SingleInstance::Result::Acquired);
    frmMain w;
    EXPECT_FALSE(w.load(settings, home.path()));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "The application is already active and cannot have more than "
                                   "one instances at the same time.");
    EXPECT_EQ(box.shown[0].title, "");
    EXPECT_EQ(box.shown[0].style, 16);
    EXPECT_EQ(entriesOf(settings), QStringList{SingleInstance::lockFileName()});
}

TEST_F(MainWindow, UnusableSettingsFolderIsReportedAndTheWindowStillStarts)
{
    writeBytes(settings, "a file where the folder should be");
    auto w = start();
    ASSERT_FALSE(box.shown.empty());
    EXPECT_EQ(box.shown[0].title, ", 150.");
    EXPECT_EQ(box.shown[0].style, 64);
    EXPECT_EQ(w->windowTitle(), "Συγχρονισμός φακέλλων");
    EXPECT_EQ(readBytes(settings), "a file where the folder should be");
}

TEST_F(MainWindow, HelpButtonShowsTheHelpMessage)
{
    auto w = start();
    QTest::mouseClick(find<QToolButton>(*w, "cmdHelp"), Qt::LeftButton);
    QTest::mouseClick(find<QToolButton>(*w, "cmdLanguage_1"), Qt::LeftButton);
    QTest::mouseClick(find<QToolButton>(*w, "cmdHelp"), Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].title, "Βοήθεια");
    EXPECT_TRUE(box.shown[0].prompt.startsWith("Για να λάβουμε άμεση βοήθεια"));
    EXPECT_EQ(box.shown[1].title, "Help");
    EXPECT_TRUE(box.shown[1].prompt.endsWith("will be stored."));
    EXPECT_EQ(box.shown[1].prompt.count("\r\n\r\n"), 3);
    EXPECT_EQ(box.shown[1].style, 64);
}

TEST_F(MainWindow, ControlsSitAtTheirDesignPlacesAndScaleWithTheWindow)
{
    auto w = start();
    w->show();
    w->resize(w->layoutHelper()->designSize());
    QApplication::processEvents();
    auto *tree = find<QTreeWidget>(*w, "tvwControl_1");
    auto *star = find<QPushButton>(*w, "cmdAsterisk_0");
    auto *box0 = find<QLineEdit>(*w, "txtFileType_0");
    EXPECT_EQ(tree->geometry(), QRect(384, 8, 353, 265));
    EXPECT_EQ(star->height(), box0->height()) << "the *.* button takes the filter box's height";
    EXPECT_EQ(star->y(), box0->y());
    w->resize(w->layoutHelper()->designSize() * 2);
    QApplication::processEvents();
    EXPECT_NEAR(tree->x(), 768, 1);
    EXPECT_NEAR(tree->width(), 706, 2);
    EXPECT_NEAR(tree->height(), 530, 2);
}

TEST_F(MainWindow, EndClosesTheWindowWithoutAnyQuestion)
{
    auto w = start();
    w->show();
    QTest::mouseClick(find<QToolButton>(*w, "cmdEnd"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(box.shown.empty());
}

} // namespace
