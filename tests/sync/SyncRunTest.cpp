#include "core/AppState.h"
#include "mainwindow/PathHelpers.h"
#include "sync/RunText.h"
#include "sync/SyncRun.h"
#include "sync/TargetFolder.h"
#include "FakeHost.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class Run : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString left = tmp.filePath("left");
    QString right = tmp.filePath("right");
    QString targets = tmp.filePath("targets");
    FakeHost host;
    ScriptedMessages box;
    RunInputs in;

    void SetUp() override
    {
        resetAppState();
        App().LanguageIsGreek = false;
        App().OptionValues.SwapItems = true; // no target folder unless a test wants one
        QDir().mkpath(left);
        QDir().mkpath(right);
        QDir().mkpath(targets);
        in.SourcePath[0] = left;
        in.SourcePath[1] = right;
        const QString t = targets;
        Roots::setProvider([t] { return QStringList{t}; });
    }
    void TearDown() override
    {
        Roots::setProvider(nullptr);
        resetAppState();
    }
    void file(const QString &path, const QByteArray &data = "x")
    {
        QDir().mkpath(QFileInfo(path).path());
        writeBytes(path, data);
    }
    // The left tree: files at the root, nested folders, files inside them.
    void nested()
    {
        file(left + "/b.txt", "12345");
        file(left + "/A.doc", "123");
        file(left + "/sub/x.txt", "1");
        file(left + "/sub/deeper/y.txt", "22");
        QDir().mkpath(left + "/sub/empty");
        QDir().mkpath(left + "/zeta");
    }
    std::unique_ptr<SyncRun> makeRun() { return std::make_unique<SyncRun>(host, in); }
};

TEST_F(Run, CollectsRootFilesThenEachFolderFollowedByItsFilesInWalkOrder)
{
    nested();
    auto run = makeRun();
    ASSERT_TRUE(run->collectItems(0));
    EXPECT_EQ(run->lstItems[0].RootPath, left + "/");
    EXPECT_EQ(run->lstItems[0].entries,
              E({"-A.doc", "-b.txt", "+sub", "-sub/x.txt", "+sub/deeper", "-sub/deeper/y.txt",
                 "+sub/empty", "+zeta"}));
    const SideCounters &c = run->Counters[0];
    EXPECT_EQ(c.FoldersFound, 4);
    EXPECT_EQ(c.FilesFound, 4);
    EXPECT_EQ(c.BytesFound, 11);
    EXPECT_EQ(c.FoldersKept, c.FoldersFound);
    EXPECT_EQ(c.BytesKept, c.BytesFound);
    EXPECT_EQ(host.lastPath[0], "") << "the path line is emptied when the side is done";
}

TEST_F(Run, LevelsLimitWhatIsKeptNotWhatIsCounted)
{
    nested();
    for (int levels : {1, 2}) {
        App().OptionValues.Levels = levels;
        auto run = makeRun();
        ASSERT_TRUE(run->collectItems(0));
        const SideCounters &c = run->Counters[0];
        EXPECT_EQ(c.FoldersFound, 4);
        EXPECT_EQ(c.FilesFound, 4);
        if (levels == 1) {
            EXPECT_EQ(run->lstItems[0].entries, E({"-A.doc", "-b.txt", "+sub", "+zeta"}));
            EXPECT_EQ(c.FilesKept, 2);
            EXPECT_EQ(c.BytesKept, 8);
        } else {
            EXPECT_EQ(run->lstItems[0].entries,
                      E({"-A.doc", "-b.txt", "+sub", "-sub/x.txt", "+sub/deeper", "+sub/empty", "+zeta"}));
            EXPECT_EQ(c.FoldersKept, 4);
        }
    }
    App().OptionValues.Levels = 0;
    App().OptionValues.CopyStructureOnly = true;
    auto run = makeRun();
    ASSERT_TRUE(run->collectItems(0));
    EXPECT_EQ(run->lstItems[0].entries, E({"+sub", "+sub/deeper", "+sub/empty", "+zeta"}));
    EXPECT_EQ(run->Counters[0].FilesFound, 0);
    EXPECT_EQ(run->Counters[0].BytesFound, 0);
}

TEST_F(Run, FileTypeFiltersUseWildcardsAndIgnoreCase)
{
    for (const char *n : {"a.txt", "B.TXT", "c.doc", "abc.md", "axc", "README", "d.txt.bak"})
        file(left + "/" + n);
    file(left + "/dir/e.doc");
    auto names = [&](const char *pattern) {
        in.Pattern[0] = pattern;
        auto run = makeRun();
        EXPECT_TRUE(run->collectItems(0));
        QStringList out;
        for (const QString &e : run->lstItems[0].entries)
            out << e;
        return out;
    };
    EXPECT_EQ(names("*.txt"), (QStringList{"-a.txt", "-B.TXT", "+dir"}));
    EXPECT_EQ(names("*.txt;*.doc"), (QStringList{"-a.txt", "-B.TXT", "-c.doc", "+dir", "-dir/e.doc"}));
    EXPECT_EQ(names("a?c.*"), (QStringList{"-abc.md"}) << "+dir");
    EXPECT_TRUE(names("*.*").contains("-README"));
    App().OptionValues.CaseSensitive = true;
    EXPECT_EQ(names("*.txt"), (QStringList{"-a.txt", "+dir"}));
}

TEST_F(Run, LinksAreItemsNeverFollowedAndFifosAreSkipped)
{
    file(left + "/sub/x.txt");
    ASSERT_TRUE(QFile::link(left, left + "/sub/loop"));      // a link to an ancestor
    ASSERT_TRUE(QFile::link("/nonexistent", left + "/dangling"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(left + "/sub/pipe").constData(), 0644), 0);
    auto run = makeRun();
    ASSERT_TRUE(run->collectItems(0));
    EXPECT_EQ(run->lstItems[0].entries, E({"-dangling", "+sub", "-sub/loop", "-sub/x.txt"}));
}

TEST_F(Run, SelectionKeepsWhatTheChoiceAsksFor)
{
    file(left + "/Docs/a.txt");
    file(left + "/only-left.txt");
    file(left + "/x"); // a file x on the left ...
    file(right + "/docs/A.TXT");
    file(right + "/only-right.txt");
    QDir().mkpath(right + "/x"); // ... and a folder x on the right: not common

    auto selected = [&](int choice, bool caseSensitive) {
        App().OptionValues.WhichItemsToCopy = choice;
        App().OptionValues.CaseSensitive = caseSensitive;
        auto run = makeRun();
        run->FirstSide = choice == 4 ? 1 : 0;
        run->LastSide = choice == 3 ? 0 : 1;
        for (int s = run->FirstSide; s <= run->LastSide; ++s)
            EXPECT_TRUE(run->collectItems(s));
        for (int s = 0; s < 2; ++s)
            run->Counters[s].resetKept();
        run->decideCaseRule();
        run->pairByCase();
        for (int s = run->FirstSide; s <= run->LastSide; ++s)
            EXPECT_TRUE(run->selectItems(s));
        return std::make_pair(run->lstFilteredItems[0].entries, run->lstFilteredItems[1].entries);
    };
    auto [l1, r1] = selected(1, false);
    EXPECT_EQ(l1, E({"+Docs", "-Docs/a.txt"}));
    EXPECT_EQ(r1, E({"+docs", "-docs/A.TXT"})) << "each side keeps its own spelling";
    auto [l1s, r1s] = selected(1, true);
    EXPECT_TRUE(l1s.empty());
    EXPECT_TRUE(r1s.empty());
    auto [l2, r2] = selected(2, false);
    EXPECT_EQ(l2, E({"-only-left.txt", "-x"}));
    EXPECT_EQ(r2, E({"-only-right.txt", "+x"}));
    auto [l3, r3] = selected(3, false);
    EXPECT_EQ(l3.size(), 4u);
    EXPECT_TRUE(r3.empty());
    auto [l4, r4] = selected(4, false);
    EXPECT_TRUE(l4.empty());
    EXPECT_EQ(r4.size(), 4u);
    auto [l5, r5] = selected(5, true);
    EXPECT_EQ(l5.size(), 4u);
    EXPECT_EQ(r5.size(), 4u);
}

TEST_F(Run, AWholeSwapRunEndsFinishedWithCountersForEachStep)
{
    nested();
    file(right + "/b.txt");
    auto run = makeRun();
    EXPECT_EQ(run->run(), SyncRun::Outcome::Finished);
    EXPECT_EQ(host.states, (std::vector<RunState>{RunState::Running, RunState::Finished}));
    EXPECT_EQ(host.titles.first(), " 1st STEP: Collecting items. ");
    EXPECT_EQ(host.counters.at({1, 0}).FilesFound, 4);
    EXPECT_EQ(host.counters.at({2, 1}).FilesKept, 1);
    EXPECT_EQ(host.progressValues.back(), 0);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_TRUE(host.reminders.empty()) << "no target folder when swapping";
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(Run, NoItemsStopsTheRunWithTheMessage)
{
    auto run = makeRun();
    EXPECT_EQ(run->run(), SyncRun::Outcome::Interrupted);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "No items to synchronize");
    EXPECT_TRUE(box.shown[0].prompt.contains("SWAPPING")) << "swap mode adds its paragraph";

    // Identical trees with "not common": nothing survives step 2.
    file(left + "/same.txt");
    file(right + "/same.txt");
    App().OptionValues.SwapItems = false;
    App().OptionValues.WhichItemsToCopy = 2;
    QDir().mkpath(targets + "/T");
    host.chooseTarget = [&] { return targets + "/T"; };
    box.shown.clear();
    auto again = makeRun();
    EXPECT_EQ(again->run(), SyncRun::Outcome::Interrupted);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_FALSE(box.shown[0].prompt.contains("SWAPPING"));
    again->close();
    EXPECT_FALSE(QFileInfo::exists(targets + "/T")) << "an interrupted copying run removes its target";
}

TEST_F(Run, ARootAsSourceAsksAndNoEndsTheRunBeforeAnything)
{
    file(targets + "/r.txt");
    in.SourcePath[0] = targets;
    in.SourcePath[1] = targets;
    box.answer(Msg::No);
    App().OptionValues.SwapItems = false;
    auto run = makeRun();
    EXPECT_EQ(run->run(), SyncRun::Outcome::Abandoned);
    ASSERT_EQ(box.shown.size(), 1u) << "the second side is not asked after a No";
    EXPECT_EQ(box.shown[0].title, "<--  Folder synchronization");
    EXPECT_EQ(box.shown[0].style, 48 + 4);
    EXPECT_EQ(box.shown[0].prompt, "The starting point of the synchronization process is the top level of drive '"
                                   + targets + "'.\r\n\r\nDo you really want to continue?");
    EXPECT_EQ(host.targetRequests, 0);
    EXPECT_TRUE(host.states.empty());
}

TEST_F(Run, CancellingTheTargetWindowEndsTheRunWithNothingCreated)
{
    file(left + "/a.txt");
    App().OptionValues.SwapItems = false;
    auto run = makeRun();
    EXPECT_EQ(run->run(), SyncRun::Outcome::Abandoned);
    EXPECT_EQ(host.reminders, std::vector<int>{2});
    EXPECT_EQ(App().TargetFolderPath, "");
    run->close();
    EXPECT_EQ(entriesOf(targets), QStringList());
}

TEST_F(Run, CancelDuringACopyingRunAsksAndYesDeletesTheTargetNoGoesOn)
{
    for (int i = 0; i < 20; ++i)
        file(left + QString("/f%1.txt").arg(i));
    App().OptionValues.SwapItems = false;
    const QString target = targets + "/Backup";
    host.chooseTarget = [&] {
        QDir().mkpath(target);
        file(target + "/partial.txt");
        return target;
    };
    std::unique_ptr<SyncRun> run = makeRun();
    SyncRun *r = run.get();
    int asked = 0;
    host.onCheckpoint = [&](int n) {
        if (n == 5 || n == 10) {
            ++asked;
            box.answer(n == 5 ? Msg::No : Msg::Yes);
            return r->cancel();
        }
        return false;
    };
    EXPECT_EQ(run->run(), SyncRun::Outcome::Interrupted);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(host.checkpoints, 10) << "No let the run go on; Yes stopped it at once";
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].prompt, "Do you really want to interrupt the synchronization process?");
    EXPECT_EQ(box.shown[0].title, "Synchronization process");
    EXPECT_TRUE(QFileInfo::exists(target)) << "nothing is deleted while the run still works";
    run->close();
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(box.shown.size(), 2u) << "DeleteOnCancel deletes without asking";
    EXPECT_TRUE(QFileInfo::exists(left + "/f0.txt"));
}

TEST_F(Run, CancelDuringASwappingRunStopsWithoutAQuestionAndDeletesNothing)
{
    file(left + "/a.txt");
    file(left + "/b.txt");
    auto run = makeRun();
    SyncRun *r = run.get();
    host.onCheckpoint = [&](int n) { return n == 2 && r->cancel(); };
    EXPECT_EQ(run->run(), SyncRun::Outcome::Interrupted);
    run->close();
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(QFileInfo::exists(left + "/a.txt"));
    EXPECT_EQ(host.states.back(), RunState::Closed);
}

TEST_F(Run, StoppingInTheMiddleOfAWideTreeEndsTheWalkAtOnce)
{
    // Folders are read ahead of the walk; a stop must not wait for the rest.
    for (int i = 0; i < 300; ++i)
        QDir().mkpath(left + QString("/d%1/e").arg(i));
    auto run = makeRun();
    SyncRun *r = run.get();
    host.onCheckpoint = [&](int n) { return n == 3 && r->cancel(); };
    EXPECT_EQ(run->run(), SyncRun::Outcome::Interrupted);
    EXPECT_EQ(host.checkpoints, 3);
    EXPECT_LT(run->Counters[0].FoldersFound, 300);
    // The same run object collects the whole tree once asked again.
    host.onCheckpoint = nullptr;
    r->InterruptRequested = false;
    r->Counters[0] = SideCounters();
    r->lstItems[0].clear();
    ASSERT_TRUE(r->collectItems(0));
    EXPECT_EQ(r->Counters[0].FoldersFound, 600);
    EXPECT_EQ(r->lstItems[0].entries.front(), "+d0");
    EXPECT_EQ(r->lstItems[0].entries[1], "+d0/e");
}

TEST_F(Run, AVanishedSourceIsReportedAndInterrupts)
{
    in.SourcePath[0] = tmp.filePath("gone");
    auto run = makeRun();
    EXPECT_EQ(run->run(), SyncRun::Outcome::Interrupted);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, ", 170.");
    EXPECT_TRUE(box.shown[0].prompt.startsWith("Error condition 53"));
}

TEST(RunTextTest, CountsAndProgress)
{
    EXPECT_EQ(RunText::formatCount(0), "0");
    EXPECT_EQ(RunText::formatCount(999), "999");
    EXPECT_EQ(RunText::formatCount(1234567).remove(QRegularExpression("[^0-9]")), "1234567");
    EXPECT_EQ(RunText::formatCount(1234567).size(), 9) << "two group separators";
    EXPECT_EQ(RunText::progressPercent(0, 0), 100);
    EXPECT_EQ(RunText::progressPercent(1, 8), 12) << "12.5 rounds to even";
    EXPECT_EQ(RunText::progressPercent(3, 8), 38) << "37.5 rounds to even";
    EXPECT_EQ(RunText::progressPercent(9, 8), 100);
    EXPECT_EQ(RunText::progressPercent(-1, 8), 0);
}

class Delete : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    ScriptedMessages box;
    void SetUp() override
    {
        resetAppState();
        App().LanguageIsGreek = false;
    }
};

TEST_F(Delete, RemovesTheTreeButOnlyTheLinkOfAFolderOutside)
{
    const QString outside = tmp.filePath("outside");
    const QString target = tmp.filePath("T");
    QDir().mkpath(outside);
    writeBytes(outside + "/keep.txt", "k");
    QDir().mkpath(target + "/a/b");
    writeBytes(target + "/a/b/f.txt", "f");
    ASSERT_TRUE(QFile::link(outside, target + "/a/link"));
    ASSERT_EQ(::chmod(QFile::encodeName(target + "/a/b/f.txt").constData(), 0444), 0);
    EXPECT_TRUE(DeleteTargetFolder(target, true, "174"));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(QFileInfo::exists(outside + "/keep.txt"));
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(Delete, AsksFirstUnlessToldNotToAndAnEmptyPathDeletesNothing)
{
    const QString target = tmp.filePath("T");
    QDir().mkpath(target);
    EXPECT_TRUE(DeleteTargetFolder("", false, "174"));
    EXPECT_TRUE(box.shown.empty());
    box.answer(Msg::No);
    EXPECT_TRUE(DeleteTargetFolder(target, false, "174"));
    EXPECT_TRUE(QFileInfo::exists(target));
    box.answer(Msg::Yes);
    EXPECT_TRUE(DeleteTargetFolder(target, false, "174"));
    EXPECT_FALSE(QFileInfo::exists(target));
    writeBytes(target, "a file of that name");
    EXPECT_TRUE(DeleteTargetFolder(target, true, "173"));
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(Delete, AFailureIsReportedWithTheLocationCode)
{
    const QString target = tmp.filePath("T");
    QDir().mkpath(target + "/sub");
    // A folder that cannot be opened, even by root: a mount point elsewhere would do
    // the same; here the path names something under a regular file.
    writeBytes(tmp.filePath("file"), "x");
    EXPECT_FALSE(DeleteTargetFolder(tmp.filePath("file/inside"), true, "174"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "Delete target folder, 174.");
    EXPECT_EQ(box.shown[0].style, 16);
    EXPECT_TRUE(box.shown[0].prompt.contains("Error number: 76."));
}

TEST(TargetName, OneLiteralFolderNameAndNeverASource)
{
    EXPECT_TRUE(TargetFolder::validName("Backup 2026"));
    for (const char *bad : {"", ".", "..", "a/b", "/"})
        EXPECT_FALSE(TargetFolder::validName(bad)) << bad;
    EXPECT_TRUE(TargetFolder::endangersSource("/data", {"/data/photos", "/other"}));
    EXPECT_TRUE(TargetFolder::endangersSource("/data/photos", {"/data/photos"}));
    EXPECT_FALSE(TargetFolder::endangersSource("/data/ph", {"/data/photos"}));
    EXPECT_FALSE(TargetFolder::endangersSource("/backup", {"/data/photos", ""}));
}

} // namespace
