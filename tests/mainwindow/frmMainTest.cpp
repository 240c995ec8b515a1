#include "core/AppState.h"
#include "mainwindow/ContextHelp.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/PathHelpers.h"
#include "mainwindow/TwipsLayout.h"
#include "mainwindow/frmMain.h"
#include "platform/FileNames.h"
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
#include <QTimer>
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

    QString data = home.filePath("data");
    QByteArray oldHome = qgetenv("HOME");

    void SetUp() override
    {
        resetAppState();
        QDir().mkpath(home.filePath("data/Work/Old"));
        QDir().mkpath(home.filePath("data/Music"));
        writeBytes(home.filePath("data/Work/notes.txt"), "n");
        writeBytes(home.filePath("data/Work/plan.doc"), "p");
        writeBytes(home.filePath("data/Work/.hidden"), "h");
        qputenv("HOME", home.path().toUtf8());
        const QString h = home.path();
        Roots::setProvider([h] { return QStringList{h, QStringLiteral("/")}; });
    }
    void TearDown() override
    {
        Roots::setProvider(nullptr);
        qputenv("HOME", oldHome);
        resetAppState();
    }
    // A settings file whose two initial paths exist, so start-up asks nothing.
    void withInitialPaths(const QByteArray &more = QByteArray())
    {
        QDir().mkpath(settings);
        writeBytes(ini, "[General]\nLanguage=0\nLeftInitialPath=" + data.toUtf8()
                            + "/Work\nRightInitialPath=" + data.toUtf8() + "\n" + more);
    }

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
    // Both sides start at the home folder, each after saying so.
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].title, "<--  Ανάκληση διαδρομής");
    EXPECT_EQ(box.shown[1].title, "Ανάκληση διαδρομής  -->");
    EXPECT_EQ(box.shown[0].prompt, "Δεν έχει ορισθεί κάποια αρχική διαδρομή και έτσι, ως αρχική "
                                   "διαδρομή, θα χρησιμοποιηθεί η «" + home.path() + "».");
    EXPECT_EQ(box.shown[0].style, 64);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), home.path());
    EXPECT_EQ(SelectedPath(w->tvwControl[1]), home.path());
    EXPECT_EQ(readBytes(ini), "[General]\nLanguage=0\n") << "the home folder is not stored";
}

TEST_F(MainWindow, LanguageButtonsSwitchEveryTextAndTheNextStartKeepsIt)
{
    auto w = start();
    box.shown.clear();
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
    EXPECT_TRUE(box.shown.empty());

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
    const QByteArray edited = "; my settings\n[General]\nLanguage=2\nLeftInitialPath=" + data.toUtf8() + "\n"
                              "Colour=blue\n\n[Options]\nLevels=12345\nDeleteOnCancel=2\n"
                              "[warnings]\noptions=0\n";
    writeBytes(ini, edited);
    auto w = start();
    EXPECT_FALSE(App().LanguageIsGreek);
    EXPECT_EQ(App().InitialPath[0], data);
    EXPECT_EQ(App().InitialPath[1], home.path()) << "in memory only";
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "'" + home.path() + "' will be used as the default initial path, "
                                   "since an initial path has not been set.");
    EXPECT_EQ(box.shown[0].title, "Recall path  -->");
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
    withInitialPaths();
    auto w = start();
    QTest::mouseClick(find<QToolButton>(*w, "cmdHelp"), Qt::LeftButton);
    QTest::mouseClick(find<QToolButton>(*w, "cmdLanguage_1"), Qt::LeftButton);
    QTest::mouseClick(find<QToolButton>(*w, "cmdHelp"), Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].title, "Βοήθεια");
    EXPECT_TRUE(box.shown[0].prompt.startsWith("Για να λάβουμε άμεση βοήθεια"));
    EXPECT_TRUE(box.shown[0].prompt.contains("\r\n4) Ένα αρχείο ή/και το όνομα ενός αρχείου.\r\n"));
    EXPECT_EQ(box.shown[1].title, "Help");
    EXPECT_TRUE(box.shown[1].prompt.endsWith("will be stored."));
    EXPECT_EQ(box.shown[1].prompt.count("\r\n\r\n"), 3);
    EXPECT_EQ(box.shown[1].style, 64);
}

TEST_F(MainWindow, ControlsSitAtTheirDesignPlacesAndScaleWithTheWindow)
{
    withInitialPaths();
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
    withInitialPaths();
    auto w = start();
    w->show();
    QTest::mouseClick(find<QToolButton>(*w, "cmdEnd"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(MainWindow, FilterRulesApplyWhileTypingAndTidyOnLeaving)
{
    withInitialPaths();
    auto w = start();
    FileList *list = w->filFile[0];
    QLineEdit *filter = w->txtFileType[0];
    ASSERT_EQ(list->folder(), data + "/Work");
    EXPECT_EQ(list->count(), 3) << "hidden files are listed";

    filter->setText("*.txt");
    EXPECT_EQ(list->count(), 1);
    filter->setText("*.doc;");
    EXPECT_EQ(list->pattern(), "*.txt") << "a trailing ; waits for the next pattern";
    filter->setText("*.doc;*.txt");
    EXPECT_EQ(list->count(), 2);

    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    filter->setFocus();
    filter->setText("  *.bak  ");
    w->txtFileType[1]->setFocus();
    EXPECT_EQ(filter->text(), "*.bak");
    filter->setFocus();
    filter->clear();
    w->txtFileType[1]->setFocus();
    EXPECT_EQ(filter->text(), "*.*");
    EXPECT_EQ(list->count(), 3);
}

TEST_F(MainWindow, UpOneLevelClimbsToTheParentAndStopsAtTheTop)
{
    withInitialPaths();
    auto w = start();
    QTest::mouseClick(w->cmdUpOneLevel[0], Qt::LeftButton);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data);
    EXPECT_EQ(w->filFile[0]->folder(), data);

    ASSERT_TRUE(SelectPath("/", w->tvwControl[1], w->filFile[1], w->lstControl[1]));
    QTest::mouseClick(w->cmdUpOneLevel[1], Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "Ένα επίπεδο επάνω");
    EXPECT_EQ(box.shown[0].style, 16);
    EXPECT_EQ(SelectedPath(w->tvwControl[1]), "/");
}

TEST_F(MainWindow, RefreshShowsNewFoldersAndRecallsWhatIsLeftOfARemovedOne)
{
    withInitialPaths();
    auto w = start();
    QDir().mkpath(data + "/Work/Fresh");
    QTest::mouseClick(w->cmdRefresh[0], Qt::LeftButton);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data + "/Work");
    EXPECT_NE(w->tvwControl[0]->node(FolderTree::makeKey(0, data + "/Work/Fresh")), nullptr);

    ASSERT_TRUE(SelectPath(data + "/Work/Old", w->tvwControl[0], w->filFile[0], w->lstControl[0]));
    ASSERT_TRUE(QDir(data + "/Work/Old").removeRecursively());
    box.answer(Msg::Cancel);
    QTest::mouseClick(w->cmdRefresh[0], Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "<--  Ανάκληση διαδρομής");
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data + "/Work");
}

TEST_F(MainWindow, AMissingInitialPathIsRecalledAsFarAsItExists)
{
    withInitialPaths();
    writeBytes(ini, "[General]\nLeftInitialPath=" + data.toUtf8() + "/Music/Gone\nRightInitialPath="
                        + data.toUtf8() + "\n");
    box.answer(Msg::Ok);
    auto w = start();
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].style, 33);
    EXPECT_EQ(box.shown[1].style, 64);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data + "/Music");
    EXPECT_EQ(App().InitialPath[0], data + "/Music/Gone") << "the setting is used as it is";
}

TEST_F(MainWindow, RecallMenuShowsTheInitialPathWhileOpen)
{
    withInitialPaths();
    auto w = start();
    QString whileOpen;
    QTimer::singleShot(50, w.get(), [&] {
        whileOpen = w->mnuRecallPathItem[1]->text();
        w->mnuRecallPath->close();
    });
    QTest::mouseClick(w->cmdRecallPath[1], Qt::LeftButton);
    EXPECT_EQ(whileOpen, "Αρχική  [ " + data + " ]");
    EXPECT_EQ(w->mnuRecallPathItem[1]->text(), "Αρχική");
    EXPECT_EQ(w->mnuRecallPath->property("side").toInt(), 1);
}

TEST_F(MainWindow, NamesOfAnOldGreekDiskShowReadableAndKeepTheirBytes)
{
    const QString shown = "\\xD6\\xDC\\xEA\\xE5\\xEB\\xEB\\xEF\\xF2";
    const QByteArray folder = "R&" + kLegacyName;
    const QByteArray path = FileNames::toBytes(data) + "/" + folder;
    makeTree(data, {folder + "/" + kLegacyName + "/", folder + "/a\x01" "b/",
                    folder + "/" + kLegacyName + ".txt", folder + "/new\nline"});
    // The settings folder has such a name too, and keeps the initial path's bytes.
    settings = home.filePath(FileNames::fromBytes(kLegacyName));
    makeTree(home.path(), {kLegacyName + "/"});
    writeBytes(settings + "/Orvanel.ini", "[General]\nLanguage=0\nLeftInitialPath=" + path
                                              + "\nRightInitialPath=" + data.toUtf8() + "\n");
    auto w = start();
    EXPECT_TRUE(box.shown.empty()) << "the lock, the settings and the initial path were all found";
    EXPECT_EQ(readBytes(settings + "/SavedLeftPaths.txt"), "");
    EXPECT_FALSE(QDir(home.path()).exists(QString(8, QChar::ReplacementCharacter)))
        << "nothing made under the name's mangled spelling";

    FolderTree *tree = w->tvwControl[0];
    QTreeWidgetItem *node = tree->currentItem();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->text(0), "R&" + shown);
    EXPECT_EQ(FileNames::toBytes(SelectedPath(tree)), path);
    QStringList children, files;
    for (int i = 0; i < node->childCount(); ++i)
        children << node->child(i)->text(0);
    for (int i = 0; i < w->filFile[0]->count(); ++i)
        files << w->filFile[0]->item(i)->text();
    EXPECT_EQ(children, QStringList({"a\\x01b", shown}));
    EXPECT_EQ(files, QStringList({"new\\x0Aline", shown + ".txt"}));

    tree->setCurrentItem(node->child(1));
    EXPECT_EQ(FileNames::toBytes(SelectedPath(tree)), path + "/" + kLegacyName);
    EXPECT_TRUE(w->filFile[0]->isVisibleTo(w.get())) << "the folder was read by its bytes";

    QString whileOpen;
    QTimer::singleShot(50, w.get(), [&] {
        whileOpen = w->mnuRecallPathItem[1]->text();
        w->mnuRecallPath->close();
    });
    QTest::mouseClick(w->cmdRecallPath[0], Qt::LeftButton);
    EXPECT_EQ(whileOpen, "Αρχική  [ " + data + "/R&&" + shown + " ]") << "no shortcut mark";
}

TEST_F(MainWindow, SynchronizeOpensTheOptionsFirstOnlyWhenAsked)
{
    withInitialPaths();
    auto w = start();
    QStringList opened;
    App().ReminderSwitches.Options = false;
    w->openOptions = [&] { opened << "options " + QString::number(App().CurrentReminder); };
    w->openSynchronization = [&](const RunInputs &in) {
        opened << "sync " + in.SourcePath[0] + " " + in.Pattern[1];
    };
    w->openAbout = [&] { opened << "about"; };
    w->txtFileType[1]->setText("*.txt");
    QTest::mouseClick(w->cmdSynchronize, Qt::LeftButton);
    App().OptionValues.ShowOptions = false;
    QTest::mouseClick(w->cmdSynchronize, Qt::LeftButton);
    QTest::mouseClick(w->cmdOptions, Qt::LeftButton);
    QTest::mousePress(w->picCopyright, Qt::LeftButton);
    QTest::mousePress(w->lblCopyright, Qt::RightButton);
    const QString sync = "sync " + data + "/Work *.txt";
    EXPECT_EQ(opened, (QStringList{"options 1", sync, sync, "options 1", "about"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindow, SaveMenuStoresTheSidesFolderAndRecallMenuBringsTheInitialPathBack)
{
    withInitialPaths();
    auto w = start();
    w->mnuSavePath->setProperty("side", 1);
    box.answer(Msg::Yes);
    w->mnuSavePathItem[0]->trigger();
    EXPECT_EQ(readBytes(home.filePath("settings/SavedRightPaths.txt")), data.toUtf8() + "\r\n");
    EXPECT_EQ(readBytes(home.filePath("settings/SavedLeftPaths.txt")), "");

    ASSERT_TRUE(SelectPath(data + "/Music", w->tvwControl[0], w->filFile[0], w->lstControl[0]));
    w->mnuSavePath->setProperty("side", 0);
    box.answer(Msg::Yes);
    w->mnuSavePathItem[1]->trigger();
    EXPECT_EQ(App().InitialPath[0], data + "/Music");

    ASSERT_TRUE(SelectPath(data, w->tvwControl[0], w->filFile[0], w->lstControl[0]));
    w->mnuRecallPath->setProperty("side", 0);
    w->mnuRecallPathItem[1]->trigger();
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data + "/Music");
    EXPECT_EQ(box.unexpected, 0);
}

TEST_F(MainWindow, EveryControlHasItsHelpTopicAndTheMenusShowTheButtonsHelp)
{
    withInitialPaths();
    writeBytes(home.filePath("OrvanelGr.hlp"), "[10080]\nΑνάκληση δεξιά\n[10030]\nΑποθήκευση αριστερά\n");
    auto w = start();
    EXPECT_EQ(ContextHelp::topic(w->tvwControl[1]), 10020);
    EXPECT_EQ(ContextHelp::topic(w->txtFileType[1]), 10220);
    EXPECT_EQ(ContextHelp::topic(w->cmdLanguage[0]), 10120);
    EXPECT_EQ(ContextHelp::topic(w->lstControl[0]), 10230);
    EXPECT_EQ(ContextHelp::topic(w->picCopyright), 10180);
    QList<int> shown;
    auto previous = ContextHelp::setDisplay(
        [&](QWidget *, int topic, const QString &, const QPoint &) { shown << topic; });
    w->mnuRecallPath->setProperty("side", 1);
    w->mnuRecallPathItem[2]->trigger();
    w->mnuSavePath->setProperty("side", 0);
    w->mnuSavePathItem[2]->trigger();
    ContextHelp::setDisplay(previous);
    EXPECT_EQ(shown, (QList<int>{10080, 10030}));
}

} // namespace

