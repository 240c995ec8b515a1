#include "engine/settings/Texts.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"
#include "engine/run/RunText.h"
#include "ui/run/frmSkippedItems.h"
#include "ui/run/frmSynchronize.h"
#include "WindowTesting.h"

#include <QProcess>
#include <QProgressBar>
#include <QScrollArea>
#include <QSignalSpy>
#include <cerrno>
#include <optional>

namespace {

class SyncWindow : public WindowTest {
protected:
    TempDir tmp;
    QString left = tmp.filePath("left"), right = tmp.filePath("right"), targets = tmp.filePath("targets");
    RunInputs in{{left, right}};
    TestRoots roots{targets, {targets}};
    Keep<decltype(frmSynchronize::targetChooser), decltype(frmSynchronize::manualSelector),
         decltype(frmSynchronize::fileChooser), decltype(frmSynchronize::skippedItemsViewer),
         decltype(FileOps::flushForTests)>
        hooks{frmSynchronize::targetChooser, frmSynchronize::manualSelector, frmSynchronize::fileChooser,
              frmSynchronize::skippedItemsViewer, FileOps::flushForTests};

    void SetUp() override
    {
        App().ReminderSwitches = Reminders{false, false, false, false, false};
        App().SettingsFilePath = tmp.filePath("Orvanel.ini");
        makeTree(tmp.path(), {{"left/big.bin", QByteArray(1234, 'b')}, {"left/sub/a.txt", "a"}, {"right/r.txt", "r"},
                              {"targets/"}});
    }
    static bool visible(QWidget *w) { return !w->isHidden(); }
    // Presses Start and waits until the window has dealt with the end of the run.
    static void start(frmSynchronize &w)
    {
        QSignalSpy ended(&w, &frmSynchronize::runEnded);
        w.show();
        click(w.cmdSynchronize);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 10000));
    }
    std::vector<Tree> trees() const { return {bytesTree(left.toUtf8()), bytesTree(right.toUtf8())}; }
    // The prompts of the messages titled as undo's, from the first'th message on.
    QStringList undoQuestions(std::size_t first = 0) const
    {
        QStringList prompts;
        for (std::size_t i = first; i < box.shown.size(); ++i)
            if (box.shown[i].title == RunText::undoTitle() && Msg::buttons(box.shown[i].style) == Msg::YesNo)
                prompts << box.shown[i].prompt;
        return prompts;
    }
};

TEST_F(SyncWindow, ASwapRunEndsFinishedWithEveryStepShown)
{
    App().OptionValues.SwapItems = true;
    App().OptionValues.FinalSelection = true;
    App().OptionValues.WhenFileExists = 3; // ask
    makeFile((right + "/big.bin").toUtf8(), "older", 1);
    writeBytes(SkippedItems::listFilePath(), "/an/earlier/run: could not be read\n");
    frmSynchronize w(in);
    frmSynchronize::manualSelector = [&](ManualSelectionSide *sides, QWidget *) {
        EXPECT_FALSE(w.cmdCancel->isEnabled()) << "no interruption while the user selects";
        for (int s = 0; s < 2; ++s)
            sides[s].selected.assign(sides[s].entries.size(), true);
    };
    frmSynchronize::fileChooser = [&](const FileChoiceFile &, const FileChoiceFile &, int &, QWidget *) {
        EXPECT_TRUE(w.cmdCancel->isEnabled()) << "but while the run works";
        return 0; // the left one
    };
    std::optional<bool> cancelWhileFlushing;
    FileOps::flushForTests = [&](int, bool) {
        QMetaObject::invokeMethod(&w, [&] { cancelWhileFlushing = w.cmdCancel->isEnabled(); }, Qt::BlockingQueuedConnection);
        return 0;
    };
    start(w);
    EXPECT_EQ(cancelWhileFlushing, false) << "a flush cannot be cancelled";
    EXPECT_EQ(readBytes(SkippedItems::listFilePath()), "") << "an earlier run's list must not speak for this one";
    for (QWidget *x : std::initializer_list<QWidget *>{w.cmdSynchronize, w.fraStep, w.lblSkipped, w.cmdSkipped,
                                                       w.scrNotices})
        EXPECT_FALSE(visible(x)) << x->objectName().toStdString() << ": nothing was skipped";
    for (QLabel *title : w.lblStepTitle)
        EXPECT_TRUE(visible(title));
    EXPECT_TRUE(visible(w.cmdClose) && !w.cmdCancel->isEnabled());
    EXPECT_EQ(w.lblPleaseWait->text(), "FINISHED");
    EXPECT_TRUE(visible(w.lblStep6Info));
    EXPECT_EQ(w.lblStep6Info->text(), "Folders: 1. Files: 3. File size in bytes: 1,236.");
    EXPECT_EQ(w.counter[2][1][1]->text(), "2");
    EXPECT_EQ(readBytes(right + "/sub/a.txt"), "a") << "the swap happened";
    EXPECT_EQ(box.beeps, 1);
    click(w.cmdClose);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SyncWindow, ACopyFromAFolderWithALegacyNameKeepsEveryByte)
{
    // A source picked in the tree by its ISO-8859-7 name, with a Windows-1253 file inside.
    const QByteArray doc = "\xb8\xe3\xe3\xf1\xe1\xf6\xef.txt";
    makeTree(left, {kLegacyName + "/" + doc});
    in.SourcePath[0] = left + "/" + FileNames::fromBytes(kLegacyName);
    const QString target = targets + "/T";
    frmSynchronize::targetChooser = [&](const QStringList &, QWidget *) {
        QDir().mkpath(target);
        return target;
    };
    frmSynchronize w(in);
    start(w);
    EXPECT_EQ(bytesTree(target.toUtf8()), (QMap<QByteArray, QByteArray>{{doc, ""}, {"r.txt", "r"}}));
    click(w.cmdClose);
    EXPECT_TRUE(QFileInfo::exists(target)) << "Close after a finished run deletes nothing";
}

TEST_F(SyncWindow, AnInterruptedCopyingRunDeletesItsTargetAfterTheRunHasStopped)
{
    frmSynchronize w(in);
    for (QWidget *x : std::initializer_list<QWidget *>{w.cmdClose, w.lblPleaseWait, w.fraStep, w.proProgressBar,
                                                       w.counter[0][1][2], w.lblStepTitle[0], w.lblSkipped})
        EXPECT_FALSE(visible(x)) << x->objectName().toStdString() << " before Start";
    w.run().Skipped.add(left + "/big.bin", SkipReason::Unreadable);
    w.host().notice("Names were compared ignoring letter case.");
    std::optional<SkippedItemsReport> report;
    frmSynchronize::skippedItemsViewer = [&](const SkippedItemsReport &r, QWidget *) {
        report = r;
        EXPECT_TRUE(w.isVisible()) << "the report comes before the window closes";
        EXPECT_TRUE(QFileInfo::exists(w.run().targetFolder())) << "and before Close deletes the target";
        frmSkippedItems list(r);
        EXPECT_EQ(list.lblCount->text(), "The synchronization process was interrupted. 1 item was skipped.");
        EXPECT_EQ(list.lblNotices->text(), "Names were compared ignoring letter case.");
    };
    const QString target = targets + "/Backup";
    frmSynchronize::targetChooser = [&](const QStringList &sources, QWidget *) {
        EXPECT_EQ(sources, (QStringList{left, right}));
        QDir().mkpath(target);
        // The user presses Cancel while the target folder is being chosen.
        click(w.cmdCancel);
        return target;
    };
    start(w);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(QFileInfo::exists(left + "/big.bin"));
    EXPECT_TRUE(report.has_value() && report->stopped);
    EXPECT_EQ(readBytes(SkippedItems::listFilePath()), (left + "/big.bin: could not be read\n").toUtf8());
}

TEST_F(SyncWindow, AFinishedRunCountsItsSkippedItemsAndListsTheFirstHundred)
{
    App().OptionValues.SwapItems = true;
    const QString stray = FileNames::fromBytes(QByteArray("/media/stick/caf\xE9.txt"));
    for (const bool greek : {false, true}) {
        std::optional<SkippedItemsReport> report;
        frmSynchronize::skippedItemsViewer = [&](const SkippedItemsReport &r, QWidget *) { report = r; };
        Language::applyState(greek ? Language::Greek : Language::English);
        writeBytes(left + (greek ? "/new-el.txt" : "/new-en.txt"), "n"); // something left to swap
        frmSynchronize w(in);
        w.run().Skipped.add(stray, SkipReason::CannotHold);
        for (int i = 1; i < 150; ++i)
            w.run().Skipped.add(QString("/media/stick/f%1").arg(i), SkipReason::AccessRefused);
        w.host().notice(stray + " is on a disk that ignores letter case.");
        start(w);
        EXPECT_TRUE(visible(w.lblSkipped) && visible(w.cmdSkipped) && visible(w.scrNotices));
        EXPECT_EQ(w.lblSkipped->text(), greek ? "150 στοιχεία παραλείφθηκαν." : "150 items were skipped.");
        EXPECT_EQ(w.cmdSkipped->text(), greek ? "Εμφάνιση λίστας" : "Show the list");
        EXPECT_EQ(w.lblNotices->text(), "/media/stick/caf\\xE9.txt is on a disk that ignores letter case.");
        click(w.cmdSkipped);
        ASSERT_TRUE(report.has_value() && !report->stopped);
        frmSkippedItems list(*report);
        ASSERT_EQ(list.lstSkipped->count(), 100);
        EXPECT_TRUE(list.lstSkipped->item(0)->text().startsWith("/media/stick/caf\\xE9.txt: "));
        EXPECT_EQ(list.lblCount->text(), greek ? "150 στοιχεία παραλείφθηκαν. Εδώ εμφανίζονται τα πρώτα 100."
                                               : "150 items were skipped. The first 100 are listed here.");
        EXPECT_TRUE(list.lblListFile->text().contains(SkippedItems::listFilePath()));
        const QList<QByteArray> lines = readBytes(SkippedItems::listFilePath()).split('\n');
        ASSERT_EQ(lines.size(), 151) << "every item, then the last line break";
        EXPECT_TRUE(lines[0].startsWith("/media/stick/caf\\xE9.txt: "));
        click(w.cmdClose);
    }
}

TEST_F(SyncWindow, CancelBeforeStartNoItemsOrNoTargetEndTheRunDeletingAndReportingNothing)
{
    const QString earlier = targets + "/Earlier"; // an earlier run's target
    QDir().mkpath(earlier);
    int reports = 0;
    frmSynchronize::skippedItemsViewer = [&](const SkippedItemsReport &, QWidget *) { ++reports; };
    frmSynchronize::targetChooser = [](const QStringList &, QWidget *) { return QString(); };
    App().OptionValues.WhichItemsToCopy = 1; // nothing in common
    for (const int way : {0, 1, 2}) { // Cancel before Start, a swap with no items, no target chosen
        App().TargetFolderPath = earlier;
        App().OptionValues.SwapItems = way == 1;
        frmSynchronize w(in);
        w.show();
        way > 0 ? start(w) : click(w.cmdCancel);
        EXPECT_FALSE(w.isVisible()) << way;
    }
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "No items to synchronize");
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(entriesOf(targets), QStringList{"Earlier"});
}

TEST_F(SyncWindow, AFinishedSwapIsUndoneFromItsWindowACopyOrASwapKeepingNoUndoDataOffersNoUndo)
{
    App().OptionValues.SwapItems = true;
    makeFile((right + "/big.bin").toUtf8(), "older", 1); // replaced, so held
    const std::vector<Tree> before = trees();
    for (const bool greek : {false, true}) {
        // Greek in a large desktop font: the end area still shows everything whole, side by side.
        const LargerFont font(greek ? 1.5 : 1.0);
        Language::applyState(greek ? Language::Greek : Language::English);
        frmSynchronize w(in);
        w.run().Skipped.add(left + "/lost.txt", SkipReason::Unreadable);
        start(w);
        ASSERT_TRUE(visible(w.cmdUndo) && visible(w.lblUndoSize) && visible(w.cmdSkipped));
        EXPECT_EQ(w.cmdUndo->text(), greek ? "Αναίρεση" : "Undo this run");
        EXPECT_EQ(w.lblUndoSize->text(), (greek ? "Δεδομένα αναίρεσης: " : "Undo data kept: ")
                                             + RunText::bytes(Undo::bytesHeld(*Undo::lastRun(left, right))));
        const QList<QWidget *> end{w.cmdCancel, w.lblPleaseWait, w.cmdUndo, w.cmdClose,
                                   w.lblUndoSize, w.lblSkipped, w.cmdSkipped};
        for (QWidget *a : end) {
            EXPECT_TRUE(w.rect().contains(a->geometry())) << a->objectName().toStdString();
            EXPECT_LE(a->fontMetrics().horizontalAdvance(a->property("text").toString()) + 8, a->width())
                << a->objectName().toStdString();
            for (QWidget *b : end)
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " " << b->objectName().toStdString();
        }
        const std::size_t asked = box.shown.size();
        box.answer(Msg::Yes);
        QSignalSpy undone(&w, &frmSynchronize::undoEnded);
        click(w.cmdUndo);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !undone.isEmpty(); }, 10000));
        EXPECT_EQ(trees(), before) << greek;
        ASSERT_EQ(undoQuestions(asked).size(), 1);
        if (!greek) {
            EXPECT_EQ(undoQuestions(asked)[0], "Put both folders back as they were before this run? "
                                               "Files changed since the run are kept and listed.");
            EXPECT_EQ(box.shown.back().prompt, "The run was undone: both folders are as they were before it.");
        }
        EXPECT_FALSE(visible(w.cmdUndo) || visible(w.lblUndoSize) || visible(w.cmdSkipped)) << "the list was the run's";
        EXPECT_TRUE(visible(w.cmdClose) && w.cmdClose->isEnabled());
        click(w.cmdClose);
    }
    Language::applyState(Language::English);
    frmSynchronize::targetChooser = [&](const QStringList &, QWidget *) {
        QDir().mkpath(targets + "/T");
        return targets + "/T";
    };
    for (const bool swap : {false, true}) {
        App().OptionValues.SwapItems = swap;
        writeBytes(App().SettingsFilePath, "[Undo]\nKeepRuns=0\n");
        frmSynchronize w(in);
        start(w);
        EXPECT_EQ(w.lblPleaseWait->text(), "FINISHED");
        EXPECT_FALSE(visible(w.cmdUndo) || visible(w.lblUndoSize)) << swap;
        click(w.cmdClose);
    }
}

TEST_F(SyncWindow, ASwapStoppedAfterItChangedTheFoldersAsksToUndoThatBeforeItsWindowCloses)
{
    App().OptionValues.SwapItems = true;
    makeFile((right + "/big.bin").toUtf8(), "older", 1);
    const std::vector<Tree> before = trees();
    for (const bool undo : {true, false}) {
        int failures = 1; // the disk fails once the swap is done: the run stops with an error
        FileOps::flushForTests = [&](int, bool) {
            errno = EIO;
            return failures-- > 0 ? -1 : 0;
        };
        box.answer(Msg::Ok);
        box.answer(undo ? Msg::Yes : Msg::No);
        frmSynchronize w(in);
        start(w);
        EXPECT_FALSE(w.isVisible());
        ASSERT_EQ(undoQuestions().size(), 1);
        EXPECT_TRUE(undoQuestions()[0].startsWith("The synchronization stopped after it had changed your folders."));
        box.shown.clear();
        if (undo)
            EXPECT_EQ(trees(), before);
        else
            EXPECT_EQ(readBytes(right + "/big.bin"), QByteArray(1234, 'b')) << "No keeps what the run did";
    }
}

TEST_F(SyncWindow, ASwapCutShortOnTheSameFoldersIsUndoneBeforeTheNextOrKeptAndNotOfferedAgain)
{
    App().OptionValues.SwapItems = true;
    App().OptionValues.FinalSelection = true;
    makeFile((right + "/big.bin").toUtf8(), "older", 1);
    const std::vector<Tree> before = trees();
    std::vector<Tree> seen; // when the next run lists its items
    frmSynchronize::manualSelector = [&](ManualSelectionSide *sides, QWidget *) {
        seen = trees();
        for (int s = 0; s < 2; ++s)
            sides[s].selected.assign(sides[s].entries.size(), false); // so it changes nothing
    };
    for (const bool undo : {true, false}) {
        // A swap in a program of its own, killed in the middle.
        QProcess killed;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORVANEL_TEST_KILL_AFTER_RECORDS", "4");
        killed.setProcessEnvironment(env);
        killed.start(ORVANEL_EXE, {"--batch", "--swap", "--yes", "--left", left, "--right", right, "--home", tmp.path()});
        ASSERT_TRUE(killed.waitForFinished(60000));
        ASSERT_EQ(killed.exitStatus(), QProcess::CrashExit);
        const std::vector<Tree> cut = trees();
        ASSERT_NE(cut, before);
        box.answer(undo ? Msg::Yes : Msg::No);
        box.shown.clear();
        frmSynchronize w(in);
        start(w);
        ASSERT_EQ(undoQuestions().size(), 1);
        EXPECT_TRUE(undoQuestions()[0].startsWith("The last synchronization of these two folders, started "));
        EXPECT_EQ(seen, undo ? before : cut) << undo;
    }
    box.shown.clear();
    frmSynchronize w(in);
    start(w);
    EXPECT_TRUE(undoQuestions().isEmpty()) << "a result kept is not offered again";
}

} // namespace
