#include "FuseDisk.h"
#include "RunFixture.h"
#include "engine/run/UndoData.h"

#include <unistd.h>

namespace {

using CompleteRun = RunFixture;

TEST_F(CompleteRun, CopyModeMergesBothSidesIntoTheTarget)
{
    files(left, {{"a.txt", "left a"}, {"sub/deep/l.txt", "l"}});
    files(right, {{"b.txt", "right b"}, {"sub/r.txt", "r"}});
    QDir().mkpath(right + "/empty");
    ASSERT_TRUE(QFile::link("a.txt", left + "/link"));
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target), (Tree{{"a.txt", "left a"}, {"b.txt", "right b"}, {"empty", "/"}, {"link", "-> a.txt"},
                                  {"sub", "/"}, {"sub/deep", "/"}, {"sub/deep/l.txt", "l"}, {"sub/r.txt", "r"}}));
    EXPECT_EQ(host.summaryText, "Folders: 3. Files: 5. File size in bytes: 20.") << "the link counts its own size";
    EXPECT_EQ(host.states, (std::vector<RunState>{RunState::Running, RunState::Finished}));
    EXPECT_EQ(host.titles.first(), " 1st STEP: Collecting items. ");
    EXPECT_EQ(std::pair(host.counters.at({1, 0}).FilesFound, host.counters.at({2, 1}).FilesKept),
              (std::pair<std::int64_t, std::int64_t>(3, 2))) << "each step's counters reach the window";
}

TEST_F(CompleteRun, EachChoiceCopiesWhatItSelectsAndMissingParentsAreCreatedButNotCounted)
{
    files(left, {{"common.txt", "L"}, {"onlyleft.txt", "l"}, {"p/q/new.txt", "n"}, {"p/q/both.txt", "b"}}, 5);
    files(right, {{"common.txt", "R"}, {"onlyright.txt", "r"}, {"p/q/both.txt", "b"}}, 1);
    const QByteArrayList expected[] = {
        {"common.txt", "p", "p/q", "p/q/both.txt"}, {"onlyleft.txt", "onlyright.txt", "p", "p/q", "p/q/new.txt"},
        {"common.txt", "onlyleft.txt", "p", "p/q", "p/q/both.txt", "p/q/new.txt"},
        {"common.txt", "onlyright.txt", "p", "p/q", "p/q/both.txt"},
        {"common.txt", "onlyleft.txt", "onlyright.txt", "p", "p/q", "p/q/both.txt", "p/q/new.txt"}};
    for (int choice = 1; choice <= 5; ++choice) {
        target = targets + "/T" + QString::number(choice);
        EXPECT_EQ(run(false, choice), SyncRun::Outcome::Finished) << choice;
        EXPECT_EQ(tree(target).keys(), expected[choice - 1]) << choice;
        if (choice == 2) {
            EXPECT_EQ(host.counters.at({5, 0}).FoldersKept, 0) << "the parents of p/q/new.txt are not items";
        }
    }
    EXPECT_EQ(readBytes(targets + "/T1/common.txt"), "L") << "the newer one";
    EXPECT_EQ(readBytes(targets + "/T4/common.txt"), "R") << "the right's, when the left takes no part";
}

TEST_F(CompleteRun, NewerOlderEqualStampsAndTheToleranceDecideWhichVersionWins)
{
    for (const QString &side : {left, right}) {
        file(side + "/newer-left.txt", side == left ? "L" : "R", side == left ? 100 : 50);
        file(side + "/newer-right.txt", side == left ? "L" : "R", side == left ? 50 : 100);
        file(side + "/same.txt", side == left ? "L" : "R", 70);
    }
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target), (Tree{{"newer-left.txt", "L"}, {"newer-right.txt", "R"}, {"same.txt", "L"}}));
    EXPECT_EQ(host.counters.at({4, 0}).FilesKept, 2) << "left gives its newer file and the equal one";
    EXPECT_EQ(host.counters.at({4, 1}).FilesKept, 1);
    App().OptionValues.WhenFileExists = 2;
    target = targets + "/Older";
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target), (Tree{{"newer-left.txt", "R"}, {"newer-right.txt", "L"}, {"same.txt", "L"}}));
    // Swap mode: the winner overwrites the other side; equal stamps stay untouched.
    App().OptionValues.WhenFileExists = 1;
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(left), (Tree{{"newer-left.txt", "L"}, {"newer-right.txt", "R"}, {"same.txt", "L"}}));
    EXPECT_EQ(tree(right), (Tree{{"newer-left.txt", "L"}, {"newer-right.txt", "R"}, {"same.txt", "R"}}));
    // A tolerance set in the options leaves files alone that are that far apart.
    for (int apart : {3599, 3600, 3601}) {
        file(left + "/d" + QString::number(apart), "L", apart);
        file(right + "/d" + QString::number(apart), "R", 0);
    }
    App().OptionValues.ExcludeFilesFromSwapping = App().OptionValues.Exactly = true;
    App().OptionValues.Hours = 1;
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(right), (Tree{{"d3599", "L"}, {"d3600", "R"}, {"d3601", "L"}, {"newer-left.txt", "L"},
                                 {"newer-right.txt", "R"}, {"same.txt", "R"}})) << "exactly an hour apart: left alone";
}

TEST_F(CompleteRun, AskingFollowsEachAnswerAndTheRuleForTheRest)
{
    files(left, {{"1", "L"}, {"2", "L"}, {"3", "L"}, {"4", "L"}}, 10);
    files(right, {{"1", "R"}, {"2", "R"}, {"3", "R"}, {"4", "R"}}, 20);
    App().OptionValues.WhenFileExists = 3;
    // 1: lower file, keep asking; 2: upper file, keep asking; 3: neither, then "older" for the rest.
    host.fileAnswers = {{1, 3}, {0, 3}, {-1, 2}};
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    ASSERT_EQ(host.questions.size(), 3u);
    EXPECT_EQ(host.questions[0].upper.path + " " + host.questions[0].lower.path, left + "/1 " + right + "/1");
    EXPECT_EQ(host.questions[0].ruleInForce, 3);
    EXPECT_EQ(host.reminders, (std::vector<int>{2, 4, 4, 4}));
    EXPECT_EQ(tree(target), (Tree{{"1", "R"}, {"2", "L"}, {"4", "L"}}));
    host.fileAnswers = {{1, 4}}; // "Nothing, and don't ask me any more"
    target = targets + "/Nothing";
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(host.questions.size(), 4u);
    EXPECT_EQ(tree(target), (Tree{{"1", "R"}}));
}

TEST_F(CompleteRun, AFolderAndAFileOfOneNameStopACopyAndAreSkippedInASwap)
{
    file(left + "/x/inside.txt", "i");
    file(right + "/x", "a file named x");
    EXPECT_EQ(run(false), SyncRun::Outcome::Interrupted);
    EXPECT_TRUE(box.text(0).starts_with("Unsupported function or internal error | 16 | Item '" + right.toStdString()
                                        + "/x', already exists in the target.")) << box.text(0);
    EXPECT_FALSE(QFileInfo::exists(target)) << "the interrupted copy removes its target";
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(skipped, right + "/x not a folder\n" + left + "/x refused\n");
    EXPECT_EQ(tree(right), (Tree{{"x", "a file named x"}}));
    EXPECT_EQ(tree(left), (Tree{{"x", "/"}, {"x/inside.txt", "i"}}));
}

TEST_F(CompleteRun, EmptyFoldersGoDeepestFirstTheTargetStaysAndAnInterruptionAtAnyStepLeavesNoTarget)
{
    QDir().mkpath(left + "/a/b/c");
    file(left + "/keep/f.txt");
    App().OptionValues.DeleteEmptyFolders = true;
    EXPECT_EQ(run(false, 3), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target).keys(), (QByteArrayList{"keep", "keep/f.txt"}));
    EXPECT_EQ(host.summaryText, "Folders: 1. Files: 1. File size in bytes: 1.") << "three removed from four";
    // Structure only: everything created is empty, removed, and the run stops.
    App().OptionValues.CopyStructureOnly = true;
    target = targets + "/Structure";
    EXPECT_EQ(run(false, 3), SyncRun::Outcome::Interrupted);
    EXPECT_TRUE(box.text(0).starts_with("No items to synchronize | ")) << box.text(0);
    EXPECT_FALSE(box.shown[0].prompt.contains("SWAPPING")) << "only a swap adds its paragraph";
    EXPECT_FALSE(QFileInfo::exists(target));
    // An interruption at any step leaves no target.
    App().OptionValues.CopyStructureOnly = false;
    for (int step = 1; step <= 6; ++step) {
        target = targets + "/I" + QString::number(step);
        host.onCheckpoint = [&, step](int) { return host.titles.size() >= step; };
        host.titles.clear();
        EXPECT_EQ(run(false), SyncRun::Outcome::Interrupted) << step;
        EXPECT_FALSE(QFileInfo::exists(target)) << step;
    }
}

TEST_F(CompleteRun, ASwapNeverOverwritesAReadOnlyFileOrOneEditedOrMadeDuringTheRun)
{
    file(left + "/big.bin", QByteArray(9 << 20, 'L'), 100);
    files(left, {{"locked.txt", "new"}, {"other.txt", "o"}, {"later.txt", "left version"}}, 100);
    file(right + "/big.bin", "right version");
    file(right + "/locked.txt", "old", 0, 0444);
    host.onCheckpoint = [&](int) {
        if (host.titles.size() == 2 && !QFileInfo::exists(right + "/later.txt"))
            file(right + "/later.txt", "made after step 1");
        // The user saves while the new version is being written beside it.
        if (host.titles.size() == 5 && readBytes(right + "/big.bin") == "right version"
            && !entriesOf(right).filter(".orvanel-tmp-").isEmpty())
            file(right + "/big.bin", "edited meanwhile");
        return false;
    };
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(right), (Tree{{"big.bin", "edited meanwhile"}, {"later.txt", "made after step 1"},
                                 {"locked.txt", "old"}, {"other.txt", "o"}}));
    EXPECT_EQ(skipped, right + "/big.bin changed\n" + right + "/later.txt changed\n" + right
                           + "/locked.txt refused\n") << "and the report says so";
    EXPECT_TRUE(box.shown.empty());
    // A file saved at a destination that was free when step 5 looked is never replaced.
    file(left + "/new.txt", "left version", 200);
    int inStep5 = 0;
    host.titles.clear();
    host.onCheckpoint = [&](int) {
        // The third look of step 5 comes after the destination was found free, before the copy.
        if (host.titles.size() == 5 && ++inStep5 == 3)
            file(right + "/new.txt", "saved meanwhile");
        return false;
    };
    EXPECT_EQ(run(true, 2), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/new.txt"), "saved meanwhile");
    EXPECT_EQ(skipped, right + "/new.txt changed\n");
}

TEST_F(CompleteRun, TwoSpellingsOnOneSideNeverTakeEachOthersContent)
{
    // The right holds a and A; the left only a, the newest of all.
    file(left + "/a", "left a, newest", 300);
    file(right + "/a", "right a, old", 100);
    file(right + "/A", "right A", 200);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(right), (Tree{{"A", "right A"}, {"a", "left a, newest"}})) << "exact spellings pair first";
    EXPECT_EQ(tree(left), (Tree{{"a", "left a, newest"}})) << "no A beside a";
    EXPECT_EQ(skipped, right + "/A clash\n");
    App().OptionValues.CaseSensitive = true; // then they are two items
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(left), (Tree{{"A", "right A"}, {"a", "left a, newest"}}));
    // A side with only A and a gives the other side the first, whole, and reports
    // the second on every run, also when the rest is in sync.
    App().OptionValues.CaseSensitive = false;
    QDir(right).removeRecursively();
    QDir().mkpath(right);
    file(left + "/A", "upper", 100);
    file(left + "/a", "lower", 200);
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target), (Tree{{"A", "upper"}}));
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(right), (Tree{{"A", "upper"}}));
    EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted) << "nothing left to do";
    EXPECT_EQ(skipped, left + "/a clash\n");
}

TEST_F(CompleteRun, FoldersPairWithTheirOwnSpellingOneLetterFoldsToOneAndLegacyNamesKeepTheirBytes)
{
    // Folders A and a on both sides, with different files: each pairs with its exact twin.
    // Docs and docs: one folder, and a file spelled otherwise in it replaces its partner under
    // the partner's name. Maße is not Masse; final sigma folds with sigma.
    files(left, {{"A/f", "left A/f"}, {"a/g", "left a/g"}, {"Docs/new.txt", "from left"}, {"Maße.txt", "ß"}});
    files(right, {{"A/g", "right A/g"}, {"a/f", "right a/f"}, {"docs/old.txt", "from right"},
                  {"docs/same.txt", "right, older"}, {"Masse.txt", "ss"}, {"ΤΈΛΟΣ", "older"}});
    files(left, {{"Docs/Same.TXT", "left, newer"}, {"τέλος", "newer"}}, 100);
    // Names written by old Windows and old CDs (ISO-8859-7, Windows-1253) arrive under exactly their bytes.
    const QByteArray doc = kLegacyName + "/\xb8\xe3\xe3\xf1\xe1\xf6\xef.txt", note = "\xd3\xe7\xec\xe5\xdf\xf9\xf3\xe7.doc";
    makeFile(left.toUtf8() + "/" + doc, "inside");
    makeFile(right.toUtf8() + "/" + note, "note");
    const Tree common{{"A", "/"}, {"A/f", "left A/f"}, {"A/g", "right A/g"}, {"a", "/"}, {"a/f", "right a/f"},
                      {"a/g", "left a/g"}, {"Maße.txt", "ß"}, {"Masse.txt", "ss"}, {kLegacyName, "/"},
                      {doc, "inside"}, {note, "note"}};
    Tree leftSpelling{{"Docs", "/"}, {"Docs/new.txt", "from left"}, {"Docs/old.txt", "from right"},
                      {"Docs/Same.TXT", "left, newer"}, {"τέλος", "newer"}};
    Tree rightSpelling{{"docs", "/"}, {"docs/new.txt", "from left"}, {"docs/old.txt", "from right"},
                       {"docs/same.txt", "left, newer"}, {"ΤΈΛΟΣ", "newer"}};
    leftSpelling.insert(common);
    rightSpelling.insert(common);
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target), leftSpelling);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(left), leftSpelling);
    EXPECT_EQ(tree(right), rightSpelling);
    EXPECT_EQ(skipped, "");
}

TEST_F(CompleteRun, ADiskThatIgnoresCaseIsComparedSoEvenWhenCaseCounts)
{
    FuseDisk stick(FuseDisk::Kind::ExFat, tmp.filePath("stick"));
    if (!stick.available())
        GTEST_SKIP() << "exFAT through FUSE: " << stick.why().toStdString();
    App().OptionValues.CaseSensitive = true;
    in.SourcePath[1] = stick.path();
    file(left + "/Doc.txt", "left, older", 100);
    file(stick.path() + "/doc.TXT", "stick, newer", 200);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(stick.path()), (Tree{{"doc.TXT", "stick, newer"}})) << "the newer file is kept";
    EXPECT_EQ(tree(left), (Tree{{"Doc.txt", "stick, newer"}}));
    ASSERT_EQ(host.notices.size(), 1);
    EXPECT_TRUE(host.notices[0].contains("the right folder is on a disk that does not tell")) << host.notices[0].toStdString();
    // A copy onto the stick: a and A of the two sides are one file there, not a stop.
    in.SourcePath[1] = right;
    file(right + "/doc.txt", "right, newest", 300);
    target = stick.path() + "/T";
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished) << box.text(0);
    EXPECT_EQ(tree(target), (Tree{{"Doc.txt", "right, newest"}}));
}

TEST_F(CompleteRun, ASwapWithAStickLeavesOutWhatItCannotHoldAndTheNextSwapFindsNothingToDo)
{
    for (const FuseDisk::Kind kind : {FuseDisk::Kind::Fat32, FuseDisk::Kind::ExFat}) {
        const QString name = kind == FuseDisk::Kind::Fat32 ? "FAT32" : "exFAT";
        FuseDisk stick(kind, tmp.filePath(name));
        if (!stick.available())
            GTEST_SKIP() << name.toStdString() << " through FUSE: " << stick.why().toStdString();
        const QString home = tmp.filePath("home" + name);
        in.SourcePath[0] = home;
        in.SourcePath[1] = stick.path();
        files(home, {{"odd.txt", "odd"}, {"sub/deep.txt", "deep"}, {"a:b.txt", "colon"}}, 101); // FAT keeps 100 or 102
        ASSERT_TRUE(QFile::link("odd.txt", home + "/link"));
        file(stick.path() + "/s.txt", "stick", 203);
        file(home + "/old.txt", "home, newer", 101);
        file(stick.path() + "/old.txt", "stick, older", 11); // replaced where there are no hard links
        const auto before = std::pair(tree(home), tree(stick.path()));
        const QByteArray oldStamp = stampOf(stick.path() + "/old.txt");
        EXPECT_EQ(run(true), SyncRun::Outcome::Finished) << name.toStdString() << box.text(0);
        EXPECT_EQ(skipped, home + "/a:b.txt cannot hold\n" + home + "/link cannot hold\n");
        const Tree onStick = tree(stick.path()), atHome = tree(home);
        EXPECT_EQ(onStick, (Tree{{"odd.txt", "odd"}, {"old.txt", "home, newer"}, {"s.txt", "stick"}, {"sub", "/"},
                                 {"sub/deep.txt", "deep"}}));
        EXPECT_EQ(host.counters.at({5, 0}).FilesKept, 3) << "what the stick cannot hold is not counted";
        EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted) << name.toStdString() << ": nothing left to do";
        EXPECT_EQ(std::pair(tree(home), tree(stick.path())), std::pair(atHome, onStick));
        const std::optional<Undo::RunInfo> last = Undo::lastRun(home, stick.path());
        ASSERT_TRUE(last) << name.toStdString();
        SkippedItems report;
        EXPECT_TRUE(Undo::undo(*last, report));
        EXPECT_EQ(lines(report), "") << name.toStdString() << ": the stick's coarse times still match";
        EXPECT_EQ(std::pair(tree(home), tree(stick.path())), before) << name.toStdString();
        EXPECT_EQ(stampOf(stick.path() + "/old.txt"), oldStamp) << "its time too, though the disk renamed it twice";
    }
}

TEST_F(CompleteRun, WhatARunWroteIsOnTheDiskBeforeItSaysFinishedAndAFailedFlushIsAnError)
{
    struct Restore {
        ~Restore() { FileOps::flushForTests = nullptr; }
    } restore;
    int syncs = 0;
    FileOps::flushForTests = [&](int, bool wholeDisk) {
        EXPECT_TRUE(host.summaryText.isEmpty()) << "flushed before the summary";
        syncs += wholeDisk;
        return 0;
    };
    files(left, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(syncs, 1) << "one syncfs for the one disk written";
    FileOps::flushForTests = [](int, bool) {
        errno = EIO;
        return -1;
    };
    host.summaryText.clear();
    file(left + "/c.txt");
    EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted);
    EXPECT_TRUE(host.summaryText.isEmpty());
    EXPECT_NE(box.text(0).find("Input/output error: " + right.toStdString()), std::string::npos) << box.text(0);
}

TEST_F(CompleteRun, AFifoWhereASwapWouldWriteIsReportedAndLeftAsItWas)
{
    file(left + "/a.txt");
    ASSERT_EQ(::mkfifo(FileNames::toBytes(right + "/a.txt").constData(), 0644), 0);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(skipped, right + "/a.txt special\n");
    struct stat st {};
    EXPECT_TRUE(::lstat(FileNames::toBytes(right + "/a.txt").constData(), &st) == 0 && S_ISFIFO(st.st_mode));
}

TEST_F(CompleteRun, ASwapRemovesWhatKilledRunsLeftWhereItWritesButNeverATemporaryBeingWrittenOrAUsersFile)
{
    const QByteArray live = FileOps::temporaryName("c.txt");
    QByteArray dead = FileOps::temporaryName("a.txt");
    dead.replace('-' + QByteArray::number(qint64(::getpid())) + '-', "-999999999-"); // above any pid_max
    files(left, {{"new.txt", "n"}, {".orvanel-tmp-notes.txt", "mine"}});
    files(right, {{dead, "a"}, {".orvanel-tmp-b.txt.Xy12Z9", "b"}, {live, "c"}});
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(right), (Tree{{".orvanel-tmp-notes.txt", "mine"}, {live, "c"}, {"new.txt", "n"}}));
    EXPECT_EQ(tree(left), (Tree{{".orvanel-tmp-notes.txt", "mine"}, {"new.txt", "n"}}));
    EXPECT_EQ(host.notices, QStringList{"2 temporary files left by interrupted runs were removed."});
}

TEST_F(CompleteRun, ManualSelectionNarrowsTheLists)
{
    files(left, {{"a.txt", "a"}, {"b.txt", "b"}});
    file(right + "/c.txt");
    App().OptionValues.FinalSelection = true;
    host.chooseManually = [](ManualSelectionSide *sides) {
        sides[0].selected = {false, true};
        sides[1].selected = {false};
    };
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(host.offered[0], E({"-a.txt", "-b.txt"}));
    EXPECT_EQ(tree(target).keys(), QByteArrayList{"b.txt"});
    EXPECT_EQ(host.counters.at({3, 0}).FilesKept, 1);
    EXPECT_NE(std::find(host.states.begin(), host.states.end(), RunState::Selecting), host.states.end());
}

} // namespace
