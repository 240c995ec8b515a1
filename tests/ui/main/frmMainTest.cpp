#include "ui/common/FolderTree.h"
#include "ui/common/TwipsLayout.h"
#include "ui/main/frmMain.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/SingleInstance.h"
#include "WindowTesting.h"

#include <QMenu>
#include <QToolButton>

namespace {

class MainWindow : public WindowTest {
protected:
    const TempDir &home = dir;
    QString settings = home.filePath("settings");
    QString ini = home.filePath("settings/Orvanel.ini");
    QString data = home.filePath("data");
    TestRoots roots{home.path(), {home.path(), QStringLiteral("/")}};

    void SetUp() override
    {
        makeTree(home.path(), {"data/Work/notes.txt", "data/Work/plan.doc", "data/Work/.h", "data/Music/"});
    }
    std::unique_ptr<frmMain> start()
    {
        resetAppState();
        auto w = std::make_unique<frmMain>();
        EXPECT_TRUE(w->load(settings, home.path()));
        return w;
    }
    // The left side starts in data/Work, the right one in data, without a question.
    std::unique_ptr<frmMain> startAtWork()
    {
        writeBytes(ini, "[General]\nLeftInitialPath=" + data.toUtf8() + "/Work\nRightInitialPath="
                            + data.toUtf8() + "\n");
        return start();
    }
    // Clicks the button, picks the item (if any) from the menu it pops up and
    // gives the Initial item's caption while the menu was open.
    static QString pick(frmMain &w, QToolButton *button, QMenu *menu, QAction *item = nullptr)
    {
        QString caption;
        QTimer::singleShot(50, &w, [&] {
            caption = w.mnuRecallPathItem[1]->text();
            if (item)
                item->trigger();
            menu->close();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        return caption;
    }
};

TEST_F(MainWindow, FirstStartIsGreekAndTheLanguageButtonsSwitchTextsAndHelpForTheNextStartToo)
{
    auto w = start();
    EXPECT_EQ(w->windowTitle(), "Συγχρονισμός φακέλλων");
    EXPECT_TRUE(w->lblCopyright->text().contains("©"));
    EXPECT_EQ(readBytes(ini), "[General]\nLanguage=0\n") << "the home folder is not stored";
    EXPECT_EQ(readBytes(settings + "/SavedLeftPaths.txt") + readBytes(settings + "/SavedRightPaths.txt"), "");
    for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(w->txtFileType[side]->text(), "*.*");
        EXPECT_EQ(SelectedPath(w->tvwControl[side]), home.path());
    }
    ASSERT_EQ(box.shown.size(), 2u) << "each side says where it starts";
    EXPECT_EQ(box.text(0), ("<--  Ανάκληση διαδρομής | 64 | Δεν έχει ορισθεί κάποια αρχική διαδρομή και έτσι, ως "
                            "αρχική διαδρομή, θα χρησιμοποιηθεί η «" + home.path() + "».").toStdString());
    EXPECT_TRUE(box.text(1).starts_with("Ανάκληση διαδρομής  --> | 64 |"));
    QTest::mouseClick(w->cmdHelp, Qt::LeftButton);
    QTest::mouseClick(w->cmdLanguage[1], Qt::LeftButton);
    EXPECT_EQ(w->windowTitle(), "Folder synchronization");
    EXPECT_EQ(w->cmdSavePath[0]->toolTip(), "Save path");
    EXPECT_EQ(App().HelpFilePath, QDir(home.path()).filePath("OrvanelUk.hlp"));
    EXPECT_EQ(readBytes(ini), "[General]\nLanguage=1\n");
    QTest::mouseClick(w->cmdHelp, Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 4u) << "the switch itself says nothing";
    EXPECT_TRUE(box.shown[2].prompt.contains("\r\n4) Ένα αρχείο ή/και το όνομα ενός αρχείου.\r\n"));
    EXPECT_TRUE(box.text(3).starts_with("Help | 64 |"));
    w.reset();
    w = start();
    EXPECT_EQ(w->windowTitle(), "Folder synchronization");
}

TEST_F(MainWindow, StartReadsAnEditedFileKeepsItsOtherLinesAndRecallsWhatIsLeftOfAPath)
{
    const QByteArray edited = "; mine\n[General]\nLanguage=2\nLeftInitialPath=" + data.toUtf8()
                              + "/Music/Gone\nColour=red\n\n[Options]\nLevels=12345\n[warnings]\noptions=0\n";
    writeBytes(ini, edited);
    box.answer(Msg::Ok);
    auto w = start();
    EXPECT_EQ(App().OptionValues.Levels, 1234);
    EXPECT_FALSE(App().ReminderSwitches.Options);
    QByteArray expected = edited;
    EXPECT_EQ(readBytes(ini), expected.replace("Language=2", "Language=1"));
    // The left side asks, retries and stays as deep as its path exists; the right one starts at home.
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data + "/Music");
    EXPECT_EQ(App().InitialPath[0], data + "/Music/Gone") << "the setting is used as it is";
    ASSERT_EQ(box.shown.size(), 3u);
    EXPECT_TRUE(box.text(0).starts_with(("<--  Recall path | 33 | You are trying to recall path '" + data
                                         + "/Music/Gone', which could not be located on your computer. The path "
                                           "that has been recalled so far, is '" + data + "/Music'.").toStdString()));
    EXPECT_EQ(box.text(1), ("<--  Recall path | 64 | Path '" + data + "/Music/Gone', could not be recalled after "
                            "all. The path that has been recalled, is '" + data + "/Music'.").toStdString());
    EXPECT_TRUE(box.text(2).starts_with("Recall path  --> | 64 |"));
}

TEST_F(MainWindow, AnUnusableSettingsFolderIsReportedAndASecondInstanceRefusedInEnglish)
{
    writeBytes(settings, "a file where the folder should be");
    auto w = start();
    ASSERT_FALSE(box.shown.empty());
    EXPECT_EQ(box.shown[0].title, ", 150.");
    EXPECT_EQ(w->windowTitle(), "Συγχρονισμός φακέλλων") << "the window still starts";
    EXPECT_EQ(readBytes(settings), "a file where the folder should be");
    // A start beside a running instance touches no file.
    QFile::remove(settings);
    QDir().mkpath(settings);
    SingleInstance running(settings);
    ASSERT_EQ(running.acquire(), SingleInstance::Result::Acquired);
    box.shown.clear();
    frmMain second;
    EXPECT_FALSE(second.load(settings, home.path()));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(box.text(0).ends_with(" | 16 | The application is already active and cannot have more than "
                                      "one instances at the same time.")) << box.text(0);
    EXPECT_EQ(entriesOf(settings), QStringList{SingleInstance::lockFileName()});
}

TEST_F(MainWindow, ControlsScaleWithTheWindowFiltersApplyWhileTypingAndTidyOnLeavingEndAsksNothing)
{
    auto w = startAtWork();
    activate(w.get());
    w->resize(w->layoutHelper()->designSize() * 2);
    QApplication::processEvents();
    EXPECT_NEAR(w->tvwControl[1]->x(), 768, 1);
    EXPECT_NEAR(w->tvwControl[1]->width(), 706, 2);
    EXPECT_NEAR(w->tvwControl[1]->height(), 530, 2);
    FileList *list = w->filFile[0];
    QLineEdit *filter = w->txtFileType[0];
    filter->setText("*.txt");
    EXPECT_EQ(list->count(), 1);
    filter->setText("*.doc;");
    EXPECT_EQ(list->pattern(), "*.txt") << "a trailing ; waits for the next pattern";
    for (auto [typed, left] : {std::pair{"  *.bak  ", "*.bak"}, std::pair{"", "*.*"}}) {
        filter->setFocus();
        filter->setText(typed);
        w->txtFileType[1]->setFocus();
        EXPECT_EQ(filter->text(), left);
    }
    EXPECT_EQ(list->count(), 3);
    QTest::mouseClick(w->cmdEnd, Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(MainWindow, UpOneLevelStopsAtTheTopAndRefreshShowsNewFolders)
{
    auto w = startAtWork();
    QTest::mouseClick(w->cmdUpOneLevel[0], Qt::LeftButton);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data);
    ASSERT_TRUE(SelectPath("/", w->tvwControl[1], w->filFile[1], w->lstControl[1]));
    QTest::mouseClick(w->cmdUpOneLevel[1], Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(box.text(0).starts_with("Ένα επίπεδο επάνω | 16 |"));
    EXPECT_EQ(SelectedPath(w->tvwControl[1]), "/");
    QDir().mkpath(data + "/Fresh");
    QTest::mouseClick(w->cmdRefresh[0], Qt::LeftButton);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data);
    EXPECT_NE(w->tvwControl[0]->node(FolderTree::makeKey(0, data + "/Fresh")), nullptr);
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
    writeBytes(settings + "/Orvanel.ini", "[General]\nLeftInitialPath=" + path + "\nRightInitialPath="
                                              + data.toUtf8() + "\n");
    auto w = start();
    EXPECT_TRUE(box.shown.empty()) << "the lock, the settings and the initial path were all found";
    EXPECT_EQ(readBytes(settings + "/SavedLeftPaths.txt"), "");
    EXPECT_FALSE(QDir(home.path()).exists(QString(8, QChar::ReplacementCharacter)))
        << "nothing made under the name's mangled spelling";
    FolderTree *tree = w->tvwControl[0];
    QTreeWidgetItem *node = tree->currentItem();
    EXPECT_EQ(node->text(0), "R&" + shown);
    EXPECT_EQ(FileNames::toBytes(SelectedPath(tree)), path);
    EXPECT_EQ(textsOf(node), QStringList({"a\\x01b", shown}));
    EXPECT_EQ(textsOf(w->filFile[0]), QStringList({"new\\x0Aline", shown + ".txt"}));
    tree->setCurrentItem(node->child(1));
    EXPECT_EQ(FileNames::toBytes(SelectedPath(tree)), path + "/" + kLegacyName);
    EXPECT_TRUE(w->filFile[0]->isVisibleTo(w.get()) && w->filFile[0]->count() == 0) << "read by its bytes";
    EXPECT_EQ(pick(*w, w->cmdRecallPath[0], w->mnuRecallPath), "Αρχική  [ " + data + "/R&&" + shown + " ]")
        << "no shortcut mark";
}

TEST_F(MainWindow, SynchronizeOpensTheOptionsFirstOnlyWhenAsked)
{
    auto w = startAtWork();
    QStringList opened;
    App().ReminderSwitches = {false, false, false, false, false}; // none may block
    w->openOptions = [&] { opened << "options " + QString::number(App().CurrentReminder); };
    w->openSynchronization = [&](const RunInputs &in) { opened << in.SourcePath[0] + " " + in.Pattern[1]; };
    w->openAbout = [&] { opened << "about"; };
    w->txtFileType[1]->setText("*.txt");
    QTest::mouseClick(w->cmdSynchronize, Qt::LeftButton);
    App().OptionValues.ShowOptions = false;
    QTest::mouseClick(w->cmdSynchronize, Qt::LeftButton);
    QTest::mouseClick(w->cmdOptions, Qt::LeftButton);
    QTest::mousePress(w->picCopyright, Qt::LeftButton);
    QTest::mousePress(w->lblCopyright, Qt::RightButton);
    const QString sync = data + "/Work *.txt";
    EXPECT_EQ(opened, (QStringList{"options 1", sync, sync, "options 1", "about"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A run changes both sides; the window shows it on return, where the user was.
TEST_F(MainWindow, AfterARunBothSidesAreReadAgainKeepingTheSelectedFolderAndTheOpenNodes)
{
    auto w = startAtWork();
    App().OptionValues.ShowOptions = false;
    FolderTree *right = w->tvwControl[1];
    const QString music = data + "/Music";
    right->node(FolderTree::makeKey(0, music))->setExpanded(true);
    w->openSynchronization = [&](const RunInputs &) {
        makeTree(home.path(), {"data/Work/made by the run.txt", "data/Music/Sub/", "Target/"});
    };
    QTest::mouseClick(w->cmdSynchronize, Qt::LeftButton);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data + "/Work");
    EXPECT_TRUE(textsOf(w->filFile[0]).contains("made by the run.txt"));
    EXPECT_EQ(SelectedPath(right), data);
    QTreeWidgetItem *node = right->node(FolderTree::makeKey(0, music));
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->isExpanded());
    EXPECT_EQ(textsOf(node), QStringList({"Sub"}));
    EXPECT_NE(right->node(FolderTree::makeKey(0, home.filePath("Target"))), nullptr) << "a new target folder";
    // Names cut at the edge show whole in their tooltips: a node its whole path.
    EXPECT_EQ(node->toolTip(0), music);
    EXPECT_EQ(w->filFile[0]->item(0)->toolTip(), w->filFile[0]->item(0)->text());
}

// Tab visits every control that acts, side by side and then the common buttons;
// the display-only file lists and the picture are passed by.
TEST_F(MainWindow, TabReachesEveryButtonInOrder)
{
    auto w = startAtWork();
    activate(w.get());
    w->tvwControl[0]->setFocus();
    const QString expected = "cmdSavePath_0 cmdRecallPath_0 cmdRefresh_0 cmdUpOneLevel_0 txtFileType_0 "
                             "cmdAsterisk_0 tvwControl_1 cmdSavePath_1 cmdRecallPath_1 cmdRefresh_1 "
                             "cmdUpOneLevel_1 txtFileType_1 cmdAsterisk_1 cmdHelp cmdLanguage_0 cmdLanguage_1 "
                             "cmdOptions cmdSynchronize cmdEnd tvwControl_0";
    EXPECT_EQ(tabChain().join(" "), expected);
}

TEST_F(MainWindow, PathMenusActOnTheSideWhoseButtonOpenedThem)
{
    writeBytes(home.filePath("OrvanelGr.hlp"), "[10080]\nΑνάκληση δεξιά\n[10030]\nΑποθήκευση αριστερά\n");
    auto w = startAtWork();
    RecordedHelp help;
    box.answer(Msg::Yes);
    pick(*w, w->cmdSavePath[1], w->mnuSavePath, w->mnuSavePathItem[0]);
    EXPECT_EQ(readBytes(settings + "/SavedRightPaths.txt"), data.toUtf8() + "\r\n");
    EXPECT_EQ(readBytes(settings + "/SavedLeftPaths.txt"), "");
    ASSERT_TRUE(SelectPath(data + "/Music", w->tvwControl[0], w->filFile[0], w->lstControl[0]));
    box.answer(Msg::Yes);
    pick(*w, w->cmdSavePath[0], w->mnuSavePath, w->mnuSavePathItem[1]);
    EXPECT_EQ(App().InitialPath[0], data + "/Music");
    w->cmdUpOneLevel[0]->click();
    pick(*w, w->cmdRecallPath[0], w->mnuRecallPath, w->mnuRecallPathItem[1]);
    EXPECT_EQ(SelectedPath(w->tvwControl[0]), data + "/Music");
    EXPECT_EQ(pick(*w, w->cmdRecallPath[1], w->mnuRecallPath, w->mnuRecallPathItem[2]),
              "Αρχική  [ " + data + " ]");
    EXPECT_EQ(w->mnuRecallPathItem[1]->text(), "Αρχική");
    pick(*w, w->cmdSavePath[0], w->mnuSavePath, w->mnuSavePathItem[2]);
    ASSERT_EQ(help.shown.size(), 2u);
    EXPECT_EQ(help.shown[0].topic, 10080);
    EXPECT_EQ(help.shown[1].topic, 10030);
    EXPECT_EQ(box.unexpected, 0);
}

} // namespace
