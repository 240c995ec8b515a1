#include "core/AppState.h"
#include "core/Language.h"
#include "core/Texts.h"
#include "mainwindow/PathHelpers.h"
#include "platform/FileNames.h"
#include "sync/frmSkippedItems.h"
#include "sync/frmSynchronize.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

namespace {

class SyncWindow : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString left = tmp.filePath("left");
    QString right = tmp.filePath("right");
    QString targets = tmp.filePath("targets");
    ScriptedMessages box;
    RunInputs in;
    std::function<QString(const QStringList &, QWidget *)> oldChooser = frmSynchronize::targetChooser;
    std::function<void(const SkippedItemsReport &, QWidget *)> oldViewer = frmSynchronize::skippedItemsViewer;

    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
        App().ReminderSwitches = Reminders{false, false, false, false, false};
        App().SettingsFilePath = tmp.filePath("Orvanel.ini");
        for (const QString &d : {left, left + "/sub", right, targets})
            QDir().mkpath(d);
        writeBytes(left + "/big.bin", QByteArray(1234, 'b'));
        writeBytes(left + "/sub/a.txt", "a");
        writeBytes(right + "/r.txt", "r");
        in.SourcePath[0] = left;
        in.SourcePath[1] = right;
        const QString t = targets;
        Roots::setProvider([t] { return QStringList{t}; });
    }
    void TearDown() override
    {
        frmSynchronize::targetChooser = oldChooser;
        frmSynchronize::skippedItemsViewer = oldViewer;
        Roots::setProvider(nullptr);
        resetAppState();
    }
    bool visible(QWidget *w) { return !w->isHidden(); }
};

TEST_F(SyncWindow, OpensWithOnlyCancelAndStartEveryTime)
{
    for (int i = 0; i < 2; ++i) {
        App().TargetFolderPath = "/left/over";
        frmSynchronize w(in);
        EXPECT_EQ(w.windowTitle(), "Synchronization process");
        EXPECT_EQ(w.cmdSynchronize->text(), "S t a r t");
        EXPECT_TRUE(visible(w.cmdSynchronize));
        EXPECT_TRUE(visible(w.cmdCancel));
        EXPECT_FALSE(visible(w.cmdClose));
        EXPECT_FALSE(visible(w.lblPleaseWait));
        EXPECT_FALSE(visible(w.fraStep));
        EXPECT_FALSE(visible(w.proProgressBar));
        EXPECT_FALSE(visible(w.counter[0][1][2]));
        EXPECT_EQ(w.counter[0][1][2]->text(), "");
        EXPECT_EQ(w.counter[0][1][2]->objectName(), "lblStep1InfoBytes_1");
        EXPECT_EQ(App().TargetFolderPath, "");
        EXPECT_FALSE(w.run().InterruptRequested);
        EXPECT_EQ(w.state(), RunState::Ready);
    }
    Language::applyState(Language::Greek);
    frmSynchronize greek(in);
    EXPECT_EQ(greek.lblInfoTitle[1]->text(), "Φάκελλοι - Αρχεία - Μέγεθος αρχείων σε χαρακτήρες");
    EXPECT_EQ(greek.cmdClose->text(), "Κ λ ε ί σ ι μ ο");
}

TEST_F(SyncWindow, ASwapRunEndsFinishedWithEveryStepShown)
{
    App().OptionValues.SwapItems = true;
    writeBytes(SkippedItems::listFilePath(), "/an/earlier/run: could not be read\n");
    frmSynchronize w(in);
    w.show();
    QTest::mouseClick(w.cmdSynchronize, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.state() == RunState::Finished; }, 10000));
    EXPECT_FALSE(visible(w.lblSkipped)) << "nothing was skipped";
    EXPECT_FALSE(visible(w.cmdSkipped));
    EXPECT_FALSE(visible(w.scrNotices));
    EXPECT_EQ(readBytes(SkippedItems::listFilePath()), "") << "an earlier run's list must not speak for this one";
    EXPECT_FALSE(visible(w.cmdSynchronize));
    EXPECT_TRUE(visible(w.cmdClose));
    EXPECT_TRUE(w.cmdClose->isEnabled());
    EXPECT_EQ(w.cmdClose->geometry(), w.cmdSynchronize->geometry());
    EXPECT_FALSE(w.cmdCancel->isEnabled());
    EXPECT_EQ(w.lblPleaseWait->text(), "FINISHED");
    EXPECT_FALSE(visible(w.fraStep));
    for (QLabel *title : w.lblStepTitle)
        EXPECT_TRUE(visible(title));
    EXPECT_TRUE(visible(w.lblStep6Info));
    EXPECT_EQ(w.lblStep6Info->text(), "Folders: 1. Files: 3. File size in bytes: 1,236.");
    EXPECT_EQ(readBytes(right + "/sub/a.txt"), "a") << "the swap happened";
    EXPECT_EQ(readBytes(left + "/r.txt"), "r");
    const QString bytes = w.counter[0][0][2]->text();
    EXPECT_EQ(bytes.size(), 5) << "1235 bytes with a group separator: " << bytes.toStdString();
    EXPECT_TRUE(bytes.startsWith('1') && bytes.endsWith("235"));
    EXPECT_EQ(w.counter[2][1][1]->text(), "1");
    EXPECT_EQ(w.lblFullPath[0]->text(), "");
    EXPECT_EQ(box.beeps, 1);
    QTest::mouseClick(w.cmdClose, Qt::LeftButton);
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
    w.show();
    QTest::mouseClick(w.cmdSynchronize, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.state() == RunState::Finished; }, 10000));
    EXPECT_EQ(bytesTree(target.toUtf8()), (QMap<QByteArray, QByteArray>{{doc, ""}, {"r.txt", "r"}}));
    QTest::mouseClick(w.cmdClose, Qt::LeftButton);
}

TEST_F(SyncWindow, CancelBeforeStartClosesWithoutAQuestion)
{
    frmSynchronize w(in);
    w.show();
    QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SyncWindow, AnInterruptedCopyingRunDeletesItsTargetAfterTheRunHasStopped)
{
    frmSynchronize w(in);
    w.run().Skipped.add(left + "/big.bin", SkipReason::Unreadable);
    w.host().notice("Names were compared ignoring letter case.");
    std::optional<SkippedItemsReport> report;
    frmSynchronize::skippedItemsViewer = [&](const SkippedItemsReport &r, QWidget *) {
        report = r;
        EXPECT_TRUE(w.isVisible()) << "the report comes before the window closes";
        EXPECT_TRUE(QFileInfo::exists(App().TargetFolderPath)) << "and before Close deletes the target";
        frmSkippedItems list(r);
        EXPECT_EQ(list.lblCount->text(), "The synchronization process was interrupted. 1 item was skipped.");
        EXPECT_EQ(list.lblNotices->text(), "Names were compared ignoring letter case.");
    };
    const QString target = targets + "/Backup";
    frmSynchronize::targetChooser = [&](const QStringList &sources, QWidget *) {
        EXPECT_EQ(sources, (QStringList{left, right}));
        QDir().mkpath(target);
        // The user presses Cancel while the target folder is being chosen.
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        return target;
    };
    w.show();
    QTest::mouseClick(w.cmdSynchronize, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 10000));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(QFileInfo::exists(left + "/big.bin"));
    ASSERT_TRUE(report.has_value());
    EXPECT_TRUE(report->stopped);
    EXPECT_EQ(readBytes(SkippedItems::listFilePath()), (left + "/big.bin: could not be read\n").toUtf8());
}

TEST_F(SyncWindow, AFinishedRunCountsItsSkippedItemsAndListsTheFirstHundred)
{
    App().OptionValues.SwapItems = true;
    const QString stray = FileNames::fromBytes(QByteArray("/media/stick/caf\xE9.txt"));
    std::optional<SkippedItemsReport> report;
    frmSynchronize::skippedItemsViewer = [&](const SkippedItemsReport &r, QWidget *) { report = r; };
    for (int language : {Language::English, Language::Greek}) {
        Language::applyState(language);
        const bool greek = language == Language::Greek;
        writeBytes(left + (greek ? "/new-el.txt" : "/new-en.txt"), "n"); // something left to swap
        frmSynchronize w(in);
        w.run().Skipped.add(stray, SkipReason::CannotHold);
        for (int i = 1; i < 150; ++i)
            w.run().Skipped.add(QString("/media/stick/f%1").arg(i), SkipReason::AccessRefused);
        w.host().notice(stray + " is on a disk that ignores letter case.");
        w.show();
        QTest::mouseClick(w.cmdSynchronize, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.state() == RunState::Finished; }, 10000));
        EXPECT_TRUE(visible(w.lblSkipped));
        EXPECT_EQ(w.lblSkipped->text(), greek ? "150 στοιχεία παραλείφθηκαν." : "150 items were skipped.");
        EXPECT_TRUE(visible(w.cmdSkipped));
        EXPECT_EQ(w.cmdSkipped->text(), greek ? "Εμφάνιση λίστας" : "Show the list");
        EXPECT_TRUE(visible(w.scrNotices));
        EXPECT_EQ(w.lblNotices->text(), "/media/stick/caf\\xE9.txt is on a disk that ignores letter case.");

        report.reset();
        QTest::mouseClick(w.cmdSkipped, Qt::LeftButton);
        ASSERT_TRUE(report.has_value());
        EXPECT_FALSE(report->stopped);
        frmSkippedItems list(*report);
        ASSERT_EQ(list.lstSkipped->count(), 100);
        EXPECT_TRUE(list.lstSkipped->item(0)->text().startsWith("/media/stick/caf\\xE9.txt: "));
        EXPECT_EQ(list.lblCount->text(), greek ? "150 στοιχεία παραλείφθηκαν. Εδώ εμφανίζονται τα πρώτα 100."
                                               : "150 items were skipped. The first 100 are listed here.");
        EXPECT_TRUE(list.lblListFile->text().contains(SkippedItems::listFilePath()));

        const QList<QByteArray> lines = readBytes(SkippedItems::listFilePath()).split('\n');
        ASSERT_EQ(lines.size(), 151) << "every item, then the last line break";
        EXPECT_TRUE(lines[0].startsWith("/media/stick/caf\\xE9.txt: "));
        QTest::mouseClick(w.cmdClose, Qt::LeftButton);
    }
}

TEST_F(SyncWindow, NoItemsStopsTheRunAndClosesTheWindow)
{
    App().OptionValues.SwapItems = true;
    App().OptionValues.WhichItemsToCopy = 1; // nothing in common
    frmSynchronize w(in);
    w.show();
    QTest::mouseClick(w.cmdSynchronize, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 10000));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "No items to synchronize");
}

} // namespace

namespace {

} // namespace
