#include "RunFixture.h"
#include "engine/run/RunText.h"
#include "engine/run/TargetFolder.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

class Run : public RunFixture {
protected:
    // The left side's items, and what was counted as they were collected.
    std::vector<QString> collected()
    {
        SyncRun run(host, in);
        EXPECT_TRUE(run.collectItems(0));
        const SideCounters &c = run.Counters[0];
        counted = {c.FoldersFound, c.FilesFound, c.BytesFound, c.FoldersKept, c.FilesKept, c.BytesKept};
        return run.lstItems[0].texts();
    }
    std::vector<std::int64_t> counted;
};

TEST_F(Run, CollectsRootFilesThenEachFolderWithItsFilesAndLevelsLimitWhatIsKept)
{
    files(left, {{"b.txt", "12345"}, {"A.doc", "123"}, {"sub/x.txt", "1"}, {"sub/deeper/y.txt", "22"}});
    QDir().mkpath(left + "/sub/empty");
    QDir().mkpath(left + "/zeta");
    EXPECT_EQ(collected(), E({"-A.doc", "-b.txt", "+sub", "-sub/x.txt", "+sub/deeper", "-sub/deeper/y.txt",
                              "+sub/empty", "+zeta"}));
    EXPECT_EQ(host.lastPath[0], "") << "the path line is emptied when the side is done";
    App().OptionValues.Levels = 1;
    EXPECT_EQ(collected(), E({"-A.doc", "-b.txt", "+sub", "+zeta"}));
    EXPECT_EQ(counted, (std::vector<std::int64_t>{4, 4, 11, 2, 2, 8})) << "all counted, not all kept";
    App().OptionValues.Levels = 2;
    EXPECT_EQ(collected(), E({"-A.doc", "-b.txt", "+sub", "-sub/x.txt", "+sub/deeper", "+sub/empty", "+zeta"}));
    App().OptionValues.Levels = 0;
    App().OptionValues.CopyStructureOnly = true;
    EXPECT_EQ(collected(), E({"+sub", "+sub/deeper", "+sub/empty", "+zeta"}));
    EXPECT_EQ(counted, (std::vector<std::int64_t>{4, 0, 0, 4, 0, 0}));
}

TEST_F(Run, FileTypeFiltersUseWildcardsAndIgnoreCaseLinksAreItemsNeverFollowedAndFifosAreSkipped)
{
    for (const char *n : {"a.txt", "B.TXT", "c.doc", "abc.md", "axc", "README", "d.txt.bak", "dir/e.doc"})
        file(left + "/" + n);
    ASSERT_TRUE(QFile::link(left, left + "/dir/loop")); // a link to an ancestor
    ASSERT_TRUE(QFile::link("/nonexistent", left + "/dangling"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(left + "/dir/pipe").constData(), 0644), 0);
    auto names = [&](const char *pattern) {
        in.Pattern[0] = pattern;
        return collected();
    };
    EXPECT_EQ(names("*.*"), E({"-a.txt", "-abc.md", "-axc", "-B.TXT", "-c.doc", "-d.txt.bak", "-dangling", "-README",
                               "+dir", "-dir/e.doc", "-dir/loop"}));
    EXPECT_EQ(names("*.txt"), E({"-a.txt", "-B.TXT", "+dir"}));
    EXPECT_EQ(names("*.txt;*.doc"), E({"-a.txt", "-B.TXT", "-c.doc", "+dir", "-dir/e.doc"}));
    EXPECT_EQ(names("a?c.*"), E({"-abc.md", "+dir"}));
    App().OptionValues.CaseSensitive = true;
    EXPECT_EQ(names("*.txt"), E({"-a.txt", "+dir"}));
}

TEST_F(Run, SelectionKeepsWhatTheChoiceAsksFor)
{
    files(left, {{"Docs/a.txt", ""}, {"only-left.txt", ""}, {"x", "a file x"}});
    files(right, {{"docs/A.TXT", ""}, {"only-right.txt", ""}});
    QDir().mkpath(right + "/x"); // a folder x: not common with the left's file x
    using Lists = std::pair<std::vector<QString>, std::vector<QString>>;
    auto selected = [&](int choice, bool caseSensitive) {
        App().OptionValues.WhichItemsToCopy = choice;
        App().OptionValues.CaseSensitive = caseSensitive;
        SyncRun run(host, in);
        EXPECT_TRUE(run.collectItems(0) && run.collectItems(1));
        run.decideCaseRule();
        run.pairByCase();
        EXPECT_TRUE(run.selectItems(0) && run.selectItems(1));
        return Lists{run.lstFilteredItems[0].texts(), run.lstFilteredItems[1].texts()};
    };
    EXPECT_EQ(selected(1, false), Lists(E({"+Docs", "-Docs/a.txt"}), E({"+docs", "-docs/A.TXT"})))
        << "each side keeps its own spelling";
    EXPECT_EQ(selected(1, true), Lists());
    EXPECT_EQ(selected(2, false), Lists(E({"-only-left.txt", "-x"}), E({"-only-right.txt", "+x"})));
}

TEST_F(Run, ARootAsSourceAsksAndNoOrNoTargetEndsTheRunBeforeAnything)
{
    file(targets + "/r.txt");
    in.SourcePath[0] = in.SourcePath[1] = targets;
    box.answer(Msg::No);
    App().OptionValues.SwapItems = false;
    EXPECT_EQ(SyncRun(host, in).run(), SyncRun::Outcome::Abandoned);
    EXPECT_EQ(box.shown.size(), 1u) << "the second side is not asked after a No";
    EXPECT_EQ(box.text(0), ("<--  Folder synchronization | 52 | The starting point of the synchronization process "
                            "is the top level of drive '" + targets + "'.\r\n\r\nDo you really want to continue?")
                               .toStdString());
    EXPECT_EQ(host.targetRequests, 0);
    EXPECT_TRUE(host.states.empty());
    // The target window cancelled: nothing is created.
    host.chooseTarget = nullptr;
    box.answer(Msg::Yes);
    box.answer(Msg::Yes);
    SyncRun run(host, in);
    EXPECT_EQ(run.run(), SyncRun::Outcome::Abandoned);
    EXPECT_EQ(host.reminders, std::vector<int>{2});
    EXPECT_EQ(run.targetFolder(), "");
    run.close();
    EXPECT_EQ(entriesOf(targets), QStringList{"r.txt"});
}

TEST_F(Run, CancelFromTheWindowThreadHoldsTheRunWhileItAsksNoGoesOnYesStopsBeforeTheNextItem)
{
    for (int i = 0; i < 100; ++i)
        file(left + "/f" + QString::number(i));
    App().OptionValues.SwapItems = false;
    const QString target = targets + "/Backup";
    host.chooseTarget = [&] {
        file(target + "/partial.txt");
        return target;
    };
    SyncRun run(host, in);
    // The run waits at step 5's first checkpoint and 300 later until Cancel is pressed on this thread.
    std::mutex m;
    std::condition_variable changed;
    int first = 0, waiting = 0;
    host.onCheckpoint = [&](int n) {
        std::unique_lock lock(m);
        first = first ? first : host.titles.size() == 5 ? n : 0;
        if (first && (n == first || n == first + 300)) {
            waiting = n;
            changed.notify_all();
            changed.wait(lock, [&] { return waiting == 0; });
        }
        return false;
    };
    QList<QByteArray> copied[2];
    int reached[2] = {0, 0};
    box.whileShown = [&](std::size_t k) {
        {
            const std::lock_guard lock(m);
            waiting = 0;
        }
        changed.notify_all();
        for (int i = 0; i < 5000 && !run.control().holding(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(run.control().holding()) << "the run did not wait for the answer";
        const int at = reached[k] = host.checkpoints;
        copied[k] = tree(target).keys();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(host.checkpoints, at) << "the run moved on while the question was open";
        EXPECT_EQ(tree(target).keys(), copied[k]);
    };
    SyncRun::Outcome outcome = SyncRun::Outcome::Finished;
    std::thread worker([&] { outcome = run.run(); });
    for (const int answer : {Msg::No, Msg::Yes}) {
        {
            std::unique_lock lock(m);
            changed.wait(lock, [&] { return waiting != 0; });
        }
        box.answer(answer);
        EXPECT_EQ(run.cancel(), answer == Msg::Yes);
    }
    worker.join();
    box.whileShown = nullptr;
    EXPECT_EQ(outcome, SyncRun::Outcome::Interrupted);
    EXPECT_EQ(host.checkpoints, first + 300) << "Yes stopped the run at the checkpoint where it waited";
    EXPECT_GT(reached[1], reached[0]) << "No let the run go on";
    EXPECT_EQ(tree(target).keys(), copied[1]) << "nothing was copied after Yes, nor put in place by a copying thread";
    EXPECT_EQ(box.text(1), "Synchronization process | 36 | Do you really want to interrupt the synchronization process?");
    EXPECT_TRUE(QFileInfo::exists(target)) << "nothing is deleted while the run still works";
    run.close();
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(box.shown.size(), 2u) << "DeleteOnCancel deletes without asking";
}

TEST_F(Run, ASwapStopsWithAMessageOverNothingOrAVanishedSourceAndWithoutOneWhenCancelled)
{
    EXPECT_EQ(SyncRun(host, in).run(), SyncRun::Outcome::Interrupted);
    EXPECT_TRUE(box.text(0).starts_with("No items to synchronize | 64 |")) << box.text(0);
    EXPECT_TRUE(box.shown[0].prompt.contains("SWAPPING")) << "swap mode adds its paragraph";
    in.SourcePath[0] = tmp.filePath("gone");
    EXPECT_EQ(SyncRun(host, in).run(), SyncRun::Outcome::Interrupted);
    EXPECT_TRUE(box.text(1).starts_with(", 170. | 64 | Error condition 53")) << box.text(1);
    in.SourcePath[0] = left;
    host.checkpoints = 0;
    // Folders are read ahead of the walk; a stop must not wait for the rest.
    for (int i = 0; i < 300; ++i)
        QDir().mkpath(left + "/d" + QString::number(i) + "/e");
    SyncRun run(host, in);
    host.onCheckpoint = [&](int n) { return n == 3 && run.cancel(); };
    EXPECT_EQ(run.run(), SyncRun::Outcome::Interrupted);
    EXPECT_EQ(host.checkpoints, 3);
    EXPECT_LT(run.Counters[0].FoldersFound, 300);
    run.close();
    EXPECT_EQ(box.shown.size(), 2u) << "no question";
    EXPECT_EQ(host.states.back(), RunState::Closed);
}

TEST(RunHelpers, ProgressRoundsHalvesToEvenAndATargetNeverHoldsOrLiesInASource)
{
    EXPECT_EQ(RunText::progressPercent(0, 0), 100);
    EXPECT_EQ(RunText::progressPercent(1, 8), 12) << "12.5 rounds to even";
    EXPECT_EQ(RunText::progressPercent(3, 8), 38) << "37.5 rounds to even";
    EXPECT_EQ(RunText::progressPercent(9, 8), 100);
    EXPECT_EQ(RunText::progressPercent(-1, 8), 0);
    // A target never holds or lies in a source.
    EXPECT_TRUE(TargetFolder::endangersSource("/data", {"/data/photos", "/other"}));
    EXPECT_TRUE(TargetFolder::endangersSource("/data/photos", {"/data/photos"}));
    EXPECT_FALSE(TargetFolder::endangersSource("/data/ph", {"/data/photos"}));
    EXPECT_FALSE(TargetFolder::endangersSource("/backup", {"/data/photos", ""}));
}

TEST_F(Run, DeleteTargetRemovesTheTreeButOnlyTheLinkOfAFolderOutsideAndAsksUnlessToldNot)
{
    const QString target = tmp.filePath("T"), outside = tmp.filePath("outside");
    makeFile(FileNames::toBytes(outside + "/keep.txt"), "k");
    file(target + "/a/b/f.txt", "f", 0, 0444);
    ASSERT_TRUE(QFile::link(outside, target + "/a/link"));
    EXPECT_TRUE(DeleteTargetFolder("", false, "174")) << "an empty path deletes nothing";
    box.answer(Msg::No);
    EXPECT_TRUE(DeleteTargetFolder(target, false, "174"));
    EXPECT_TRUE(QFileInfo::exists(target + "/a/b/f.txt"));
    box.answer(Msg::Yes);
    EXPECT_TRUE(DeleteTargetFolder(target, false, "174"));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(readBytes(outside + "/keep.txt"), "k");
    EXPECT_EQ(box.shown.size(), 2u);
    // A folder that cannot be opened: here the path names something under a regular file.
    EXPECT_FALSE(DeleteTargetFolder(outside + "/keep.txt/inside", true, "174"));
    EXPECT_TRUE(box.text(2).starts_with("Delete target folder, 174. | 16 |")) << box.text(2);
    EXPECT_TRUE(box.shown[2].prompt.contains("Error number: 76."));
}

} // namespace
