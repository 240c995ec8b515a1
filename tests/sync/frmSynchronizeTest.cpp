#include "core/AppState.h"
#include "core/Language.h"
#include "mainwindow/PathHelpers.h"
#include "sync/frmSynchronize.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

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

    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
        App().ReminderSwitches = Reminders{false, false, false, false, false};
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
    frmSynchronize w(in);
    w.show();
    QTest::mouseClick(w.cmdSynchronize, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.state() == RunState::Finished; }, 10000));
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

TEST_F(SyncWindow, ScreenshotsOfAFinishedRun)
{
    const QString dir = qEnvironmentVariable("ORVANEL_SCREENSHOTS");
    if (dir.isEmpty())
        GTEST_SKIP() << "set ORVANEL_SCREENSHOTS=DIR to save pictures";
    QDir().mkpath(dir);
    App().OptionValues.DeleteEmptyFolders = true;
    for (int lang = 0; lang < 2; ++lang) {
        Language::applyState(lang);
        frmSynchronize::targetChooser = [&, lang](const QStringList &, QWidget *) {
            const QString t = targets + (lang == 0 ? "/Αντίγραφο" : "/Copy");
            QDir().mkpath(t);
            return t;
        };
        frmSynchronize w(in);
        w.show();
        QTest::mouseClick(w.cmdSynchronize, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.state() == RunState::Finished; }, 10000));
        EXPECT_TRUE(w.grab().save(QDir(dir).filePath(lang == 0 ? "frmSynchronize-el.png" : "frmSynchronize-en.png")));
        QTest::mouseClick(w.cmdClose, Qt::LeftButton);
    }
}

} // namespace
