#include "core/AppState.h"
#include "mainwindow/PathHelpers.h"
#include "sync/SyncRun.h"
#include "FakeHost.h"
#include "FuseDisk.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kBase = 1'700'000'000; // a fixed point in time for stamps

// A tree as a map of relative path -> content ("/" marks a folder), with modes
// and whole-second stamps where a test cares.
QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> t;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        const QString rel = p.mid(root.size() + 1);
        const QFileInfo fi(p);
        if (fi.isSymLink())
            t[rel] = "-> " + fi.symLinkTarget().toUtf8();
        else if (fi.isDir())
            t[rel] = "/";
        else
            t[rel] = readBytes(p);
    }
    return t;
}

std::int64_t mtimeOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim.tv_sec;
}

class CompleteRun : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString left = tmp.filePath("left");
    QString right = tmp.filePath("right");
    QString targets = tmp.filePath("targets");
    QString target = tmp.filePath("targets/T");
    FakeHost host;
    ScriptedMessages box;
    RunInputs in;

    void SetUp() override
    {
        resetAppState();
        App().LanguageIsGreek = false;
        App().OptionValues.DeleteOnCancel = true;
        for (const QString &d : {left, right, targets})
            QDir().mkpath(d);
        in.SourcePath[0] = left;
        in.SourcePath[1] = right;
        const QString t = targets;
        Roots::setProvider([t] { return QStringList{t}; });
        host.chooseTarget = [this] {
            QDir().mkpath(target);
            return target;
        };
    }
    void TearDown() override
    {
        Roots::setProvider(nullptr);
        resetAppState();
    }
    // A file with content and a whole-second stamp relative to kBase.
    void file(const QString &path, const QByteArray &data, std::int64_t at = 0, mode_t mode = 0644)
    {
        QDir().mkpath(QFileInfo(path).path());
        writeBytes(path, data);
        const QByteArray p = QFile::encodeName(path);
        ::chmod(p.constData(), mode);
        struct timespec times[2] = {{kBase + at, 0}, {kBase + at, 0}};
        ::utimensat(AT_FDCWD, p.constData(), times, 0);
    }
    SyncRun::Outcome run(bool swap, int choice = 5)
    {
        App().OptionValues.SwapItems = swap;
        App().OptionValues.WhichItemsToCopy = choice;
        SyncRun r(host, in);
        const SyncRun::Outcome o = r.run();
        if (o != SyncRun::Outcome::Finished)
            r.close();
        summary = host.summaryText;
        skipped = r.Skipped.items();
        return o;
    }
    QString summary;
    std::vector<SkippedItem> skipped;
};

TEST_F(CompleteRun, CopyModeMergesBothSidesIntoTheTargetWithModesAndTimes)
{
    file(left + "/a.txt", "left a", 10, 0640);
    file(left + "/sub/deep/l.txt", "l", 20);
    file(right + "/b.txt", "right b", 30, 0600);
    file(right + "/sub/r.txt", "r", 40);
    QDir().mkpath(right + "/empty");
    ASSERT_TRUE(QFile::link("a.txt", left + "/link"));
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{{"a.txt", "left a"}, {"b.txt", "right b"},
                                                         {"empty", "/"}, {"link", "-> " + target.toUtf8() + "/a.txt"},
                                                         {"sub", "/"}, {"sub/deep", "/"}, {"sub/deep/l.txt", "l"},
                                                         {"sub/r.txt", "r"}}));
    EXPECT_EQ(QFileInfo(target + "/link").symLinkTarget(), target + "/a.txt");
    EXPECT_EQ(mtimeOf(target + "/b.txt"), kBase + 30);
    EXPECT_EQ(QFileInfo(target + "/b.txt").permissions() & 0x7777, QFileInfo(right + "/b.txt").permissions() & 0x7777);
    EXPECT_EQ(summary, "Folders: 3. Files: 5. File size in bytes: 20.") << "the link counts its own size";
    EXPECT_EQ(host.states.back(), RunState::Finished);
    EXPECT_EQ(treeOf(left).size(), 5) << "sources untouched";
}

TEST_F(CompleteRun, EachChoiceCopiesWhatItSelects)
{
    file(left + "/common.txt", "L", 5);
    file(left + "/onlyleft.txt", "l");
    file(right + "/common.txt", "R", 1);
    file(right + "/onlyright.txt", "r");
    const QMap<int, QStringList> expected{
        {1, {"common.txt"}},
        {2, {"onlyleft.txt", "onlyright.txt"}},
        {3, {"common.txt", "onlyleft.txt"}},
        {4, {"common.txt", "onlyright.txt"}},
        {5, {"common.txt", "onlyleft.txt", "onlyright.txt"}}};
    for (int choice = 1; choice <= 5; ++choice) {
        target = tmp.filePath(QString("targets/T%1").arg(choice));
        EXPECT_EQ(run(false, choice), SyncRun::Outcome::Finished) << choice;
        EXPECT_EQ(treeOf(target).keys(), expected[choice]) << choice;
    }
    EXPECT_EQ(readBytes(tmp.filePath("targets/T1/common.txt")), "L") << "the newer one";
    EXPECT_EQ(readBytes(tmp.filePath("targets/T4/common.txt")), "R");
}

TEST_F(CompleteRun, NewerOlderAndEqualStampsDecideWhichVersionWins)
{
    file(left + "/newer-left.txt", "L", 100);
    file(right + "/newer-left.txt", "R", 50);
    file(left + "/newer-right.txt", "L", 50);
    file(right + "/newer-right.txt", "R", 100);
    file(left + "/same.txt", "L", 70);
    file(right + "/same.txt", "R", 70);
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{{"newer-left.txt", "L"}, {"newer-right.txt", "R"},
                                                         {"same.txt", "L"}}));
    EXPECT_EQ(host.counters.at({4, 0}).FilesKept, 2) << "left gives its newer file and the equal one";
    EXPECT_EQ(host.counters.at({4, 1}).FilesKept, 1);

    App().OptionValues.WhenFileExists = 2;
    target = tmp.filePath("targets/Older");
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{{"newer-left.txt", "R"}, {"newer-right.txt", "L"},
                                                         {"same.txt", "L"}}));

    // Swap mode: the winner overwrites the other side; equal stamps stay untouched.
    App().OptionValues.WhenFileExists = 1;
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/newer-left.txt"), "L");
    EXPECT_EQ(readBytes(left + "/newer-right.txt"), "R");
    EXPECT_EQ(readBytes(left + "/same.txt"), "L");
    EXPECT_EQ(readBytes(right + "/same.txt"), "R");
    EXPECT_EQ(mtimeOf(right + "/newer-left.txt"), kBase + 100);
}

TEST_F(CompleteRun, AskingFollowsEachAnswerAndTheRuleForTheRest)
{
    for (const char *n : {"1.txt", "2.txt", "3.txt", "4.txt"}) {
        file(left + "/" + n, "L", 10);
        file(right + "/" + n, "R", 20);
    }
    App().OptionValues.WhenFileExists = 3;
    App().ReminderSwitches.Common = true;
    // 1: lower file, keep asking; 2: upper file, keep asking; 3: neither, then "older" for the rest.
    host.fileAnswers = {{1, 3}, {0, 3}, {-1, 2}};
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    ASSERT_EQ(host.questions.size(), 3u);
    EXPECT_EQ(host.questions[0].upper.path, left + "/1.txt");
    EXPECT_EQ(host.questions[0].lower.path, right + "/1.txt");
    EXPECT_EQ(host.questions[0].ruleInForce, 3);
    EXPECT_EQ(host.questions[0].upper.size, 1);
    EXPECT_EQ(host.reminders, (std::vector<int>{2, 4, 4, 4}));
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{{"1.txt", "R"}, {"2.txt", "L"}, {"4.txt", "L"}}));

    // "Nothing, and don't ask me any more".
    host.questions.clear();
    host.fileAnswers = {{1, 4}};
    target = tmp.filePath("targets/Nothing");
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{{"1.txt", "R"}}));
}

TEST_F(CompleteRun, SwapToleranceCountsSecondBoundaries)
{
    file(left + "/d3599.txt", "L", 3599);
    file(left + "/d3600.txt", "L", 3600);
    file(left + "/d3601.txt", "L", 3601);
    for (const char *n : {"d3599.txt", "d3600.txt", "d3601.txt"})
        file(right + "/" + n, "R", 0);
    App().OptionValues.ExcludeFilesFromSwapping = true;
    App().OptionValues.Hours = 1;
    App().OptionValues.Exactly = true;
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/d3599.txt"), "L");
    EXPECT_EQ(readBytes(right + "/d3600.txt"), "R") << "exactly the tolerance apart: left alone";
    EXPECT_EQ(readBytes(right + "/d3601.txt"), "L");

    for (const char *n : {"d3599.txt", "d3600.txt", "d3601.txt"})
        file(right + "/" + n, "R", 0);
    App().OptionValues.Exactly = false;
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/d3599.txt"), "R") << "less than the tolerance: left alone";
    EXPECT_EQ(readBytes(right + "/d3600.txt"), "L");
}

TEST_F(CompleteRun, LeftOnlySwapOverwritesTheRightWhateverTheStamps)
{
    file(left + "/a.txt", "L", 0);
    file(right + "/a.txt", "R", 100);
    file(left + "/x/y/new.txt", "N", 0);
    EXPECT_EQ(run(true, 3), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/a.txt"), "L");
    EXPECT_EQ(readBytes(right + "/x/y/new.txt"), "N");
    EXPECT_EQ(host.counters.count({5, 1}), 0u) << "the right side is not processed";
}

TEST_F(CompleteRun, AFolderAndAFileOfOneNameStopACopyAndHarmNothingInASwap)
{
    file(left + "/x/inside.txt", "i");
    file(right + "/x", "a file named x");
    EXPECT_EQ(run(false), SyncRun::Outcome::Interrupted);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "Unsupported function or internal error");
    EXPECT_TRUE(box.shown[0].prompt.startsWith("Item '" + right + "/x', already exists in the target."));
    EXPECT_FALSE(QFileInfo::exists(target)) << "the interrupted copy removes its target";

    box.shown.clear();
    EXPECT_NE(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/x"), "a file named x");
    EXPECT_EQ(readBytes(left + "/x/inside.txt"), "i");
    EXPECT_TRUE(QFileInfo(left + "/x").isDir());
}

TEST_F(CompleteRun, MissingParentsAreCreatedButNotCounted)
{
    file(left + "/p/q/new.txt", "n");
    file(left + "/p/q/both.txt", "b", 1);
    file(right + "/p/q/both.txt", "b", 1);
    EXPECT_EQ(run(false, 2), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target).keys(), (QStringList{"p", "p/q", "p/q/new.txt"}));
    EXPECT_EQ(host.counters.at({5, 0}).FoldersKept, 0);
    EXPECT_EQ(host.counters.at({5, 0}).FilesKept, 1);
}

TEST_F(CompleteRun, EmptyFoldersGoDeepestFirstAndTheTargetStays)
{
    QDir().mkpath(left + "/a/b/c");
    file(left + "/keep/f.txt", "f");
    App().OptionValues.DeleteEmptyFolders = true;
    EXPECT_EQ(run(false, 3), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target).keys(), (QStringList{"keep", "keep/f.txt"}));
    EXPECT_EQ(summary, "Folders: 1. Files: 1. File size in bytes: 1.") << "three removed from four";

    // Structure only: everything created is empty, removed, and the run stops.
    App().OptionValues.CopyStructureOnly = true;
    target = tmp.filePath("targets/Structure");
    box.shown.clear();
    EXPECT_EQ(run(false, 3), SyncRun::Outcome::Interrupted);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "No items to synchronize");
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(CompleteRun, LevelsAndStructureOnlyLimitWhatIsCopied)
{
    file(left + "/top.txt", "t");
    file(left + "/one/mid.txt", "m");
    file(left + "/one/two/deep.txt", "d");
    App().OptionValues.Levels = 2;
    EXPECT_EQ(run(false, 3), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target).keys(), (QStringList{"one", "one/mid.txt", "one/two", "top.txt"}));
    App().OptionValues.Levels = 0;
    App().OptionValues.CopyStructureOnly = true;
    target = tmp.filePath("targets/S");
    EXPECT_EQ(run(false, 3), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target).keys(), (QStringList{"one", "one/two"}));
}

TEST_F(CompleteRun, AReadOnlyDestinationInASwapIsLeftAloneAndTheRunGoesOn)
{
    file(left + "/locked.txt", "new", 100);
    file(right + "/locked.txt", "old", 0, 0444);
    file(left + "/other.txt", "o", 100);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/locked.txt"), "old");
    EXPECT_EQ(QFileInfo(right + "/locked.txt").permissions() & QFileDevice::WriteOwner, 0);
    EXPECT_EQ(readBytes(right + "/other.txt"), "o");
    EXPECT_TRUE(box.shown.empty());
    ASSERT_EQ(skipped.size(), 1u) << "and the report says so";
    EXPECT_EQ(skipped[0].path, right + "/locked.txt");
    EXPECT_EQ(skipped[0].reason, SkipReason::AccessRefused);
}

TEST_F(CompleteRun, ASwapNeverOverwritesAFileEditedDuringTheRun)
{
    file(left + "/doc.txt", "left version", 100);
    file(right + "/doc.txt", "right version", 0);
    host.onCheckpoint = [&](int) {
        if (host.titles.size() == 5) // step 5 has begun: the user saves the right file now
            if (readBytes(right + "/doc.txt") == "right version")
                file(right + "/doc.txt", "edited meanwhile", 0);
        return false;
    };
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/doc.txt"), "edited meanwhile");
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].reason, SkipReason::Changed);

    // A file saved at a destination that was free when step 5 looked is never replaced.
    QFile::remove(left + "/doc.txt");
    QFile::remove(right + "/doc.txt");
    file(left + "/new.txt", "left version", 100);
    int inStep5 = 0;
    host.titles.clear();
    host.onCheckpoint = [&](int) {
        // The third look of step 5 comes after the destination was found free, before the copy.
        if (host.titles.size() == 5 && ++inStep5 == 3)
            file(right + "/new.txt", "saved meanwhile", 0);
        return false;
    };
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/new.txt"), "saved meanwhile");
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].reason, SkipReason::Changed);
}

TEST_F(CompleteRun, CaseDecidesWhetherTwoNamesAreOneItem)
{
    file(left + "/Data/Readme.TXT", "L", 100);
    file(right + "/data/readme.txt", "R", 0);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/data/readme.txt"), "L") << "the existing name is the destination";
    EXPECT_FALSE(QFileInfo::exists(right + "/Data"));

    App().OptionValues.CaseSensitive = true;
    file(right + "/data/readme.txt", "R", 0);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/Data/Readme.TXT"), "L");
    EXPECT_EQ(readBytes(right + "/data/readme.txt"), "R");
    EXPECT_EQ(readBytes(left + "/data/readme.txt"), "R");
}

TEST_F(CompleteRun, LegacyGreekNamesArriveUnderExactlyTheirBytes)
{
    // Names written by old Windows and old CDs: ISO-8859-7 and Windows-1253.
    const QByteArray folder = "\xd6\xdc\xea\xe5\xeb\xeb\xef\xf2";
    const QByteArray doc = "\xb8\xe3\xe3\xf1\xe1\xf6\xef.txt";
    const QByteArray note = "\xd3\xe7\xec\xe5\xdf\xf9\xf3\xe7.doc";
    makeFile(left.toUtf8() + "/" + folder + "/" + doc, "inside", kBase);
    makeFile(right.toUtf8() + "/" + note, "note", kBase);
    const QMap<QByteArray, QByteArray> merged{{folder, "/"}, {folder + "/" + doc, "inside"}, {note, "note"}};
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(bytesTree(target.toUtf8()), merged);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(bytesTree(left.toUtf8()), merged);
    EXPECT_EQ(bytesTree(right.toUtf8()), merged);
    EXPECT_TRUE(skipped.empty());
}

TEST_F(CompleteRun, TwoSpellingsOnOneSideNeverTakeEachOthersContent)
{
    // The right holds a and A; the left only a, the newest of all.
    file(left + "/a", "left a, newest", 300);
    file(right + "/a", "right a, old", 100);
    file(right + "/A", "right A", 200);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(readBytes(right + "/a"), "left a, newest") << "exact spellings pair first";
    EXPECT_EQ(readBytes(right + "/A"), "right A");
    EXPECT_EQ(treeOf(left), (QMap<QString, QByteArray>{{"a", "left a, newest"}})) << "no A beside a";
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].path, right + "/A");
    EXPECT_EQ(skipped[0].reason, SkipReason::CaseClash);

    // A side with only A and a gives the other side the first, whole, and reports
    // the second on every run, also when the rest is in sync.
    for (const QString &side : {left, right}) {
        QDir(side).removeRecursively();
        QDir().mkpath(side);
    }
    file(left + "/A", "upper", 100);
    file(left + "/a", "lower", 200);
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{{"A", "upper"}}));
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(right), (QMap<QString, QByteArray>{{"A", "upper"}}));
    EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted) << "nothing left to do";
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].path, left + "/a");
}

TEST_F(CompleteRun, FoldersPairWithTheirOwnSpellingAndOneLetterFoldsToOne)
{
    // Both sides hold folders A and a with different files: each pairs with its exact twin.
    file(left + "/A/f", "left A/f");
    file(left + "/a/g", "left a/g");
    file(right + "/A/g", "right A/g");
    file(right + "/a/f", "right a/f");
    // Spelled differently on the two sides, one folder: what one side has goes into it.
    file(left + "/Docs/new.txt", "from left");
    file(right + "/docs/old.txt", "from right");
    // Maße is not Masse; final sigma folds with sigma.
    file(left + "/Maße.txt", "ß");
    file(right + "/Masse.txt", "ss");
    file(left + "/τέλος", "newer", 100);
    file(right + "/ΤΈΛΟΣ", "older", 0);
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{
                                  {"A", "/"}, {"A/f", "left A/f"}, {"A/g", "right A/g"}, {"a", "/"},
                                  {"a/f", "right a/f"}, {"a/g", "left a/g"}, {"Docs", "/"},
                                  {"Docs/new.txt", "from left"}, {"Docs/old.txt", "from right"},
                                  {"Maße.txt", "ß"}, {"Masse.txt", "ss"}, {"τέλος", "newer"}}));
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(treeOf(right), (QMap<QString, QByteArray>{
                                 {"A", "/"}, {"A/f", "left A/f"}, {"A/g", "right A/g"}, {"a", "/"},
                                 {"a/f", "right a/f"}, {"a/g", "left a/g"}, {"docs", "/"},
                                 {"docs/new.txt", "from left"}, {"docs/old.txt", "from right"},
                                 {"Maße.txt", "ß"}, {"Masse.txt", "ss"}, {"ΤΈΛΟΣ", "newer"}}));
    EXPECT_EQ(treeOf(left).keys(), (QStringList{"A", "A/f", "A/g", "Docs", "Docs/new.txt", "Docs/old.txt",
                                                "Masse.txt", "Maße.txt", "a", "a/f", "a/g", "τέλος"}));
    EXPECT_TRUE(skipped.empty());
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
    EXPECT_EQ(readBytes(stick.path() + "/doc.TXT"), "stick, newer") << "the newer file is kept";
    EXPECT_EQ(treeOf(left), (QMap<QString, QByteArray>{{"Doc.txt", "stick, newer"}}));
    ASSERT_EQ(host.notices.size(), 1);
    EXPECT_TRUE(host.notices[0].contains("the right folder is on a disk that does not tell")) << host.notices[0].toStdString();

    // A copy onto the stick: a and A of the two sides are one file there, not a stop.
    in.SourcePath[1] = right;
    file(right + "/doc.txt", "right, newest", 300);
    target = stick.path() + "/T";
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished) << (box.shown.empty() ? "" : box.shown[0].prompt.toStdString());
    EXPECT_EQ(treeOf(target), (QMap<QString, QByteArray>{{"Doc.txt", "right, newest"}}));
}

TEST_F(CompleteRun, ManualSelectionNarrowsTheLists)
{
    file(left + "/a.txt", "a");
    file(left + "/b.txt", "b");
    file(right + "/c.txt", "c");
    App().OptionValues.FinalSelection = true;
    host.chooseManually = [](ManualSelectionSide *sides) {
        sides[0].selected = {false, true};
        sides[1].selected = {false};
    };
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(host.offered[0], (std::vector<QString>{"-a.txt", "-b.txt"}));
    EXPECT_EQ(treeOf(target).keys(), QStringList{"b.txt"});
    EXPECT_EQ(host.counters.at({3, 0}).FilesKept, 1);
    EXPECT_EQ(host.counters.at({3, 1}).FilesKept, 0);
    EXPECT_NE(std::find(host.states.begin(), host.states.end(), RunState::Selecting), host.states.end());

    host.chooseManually = [](ManualSelectionSide *sides) {
        sides[0].selected = {false, false};
        sides[1].selected = {false};
    };
    target = tmp.filePath("targets/None");
    box.shown.clear();
    EXPECT_EQ(run(false), SyncRun::Outcome::Interrupted);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "No items to synchronize");
}

TEST_F(CompleteRun, AnInterruptionAtAnyStepLeavesNoTargetAndNoTemporaryFile)
{
    for (int i = 0; i < 6; ++i)
        file(left + QString("/f%1.txt").arg(i), QByteArray(1000, 'x'));
    for (int step = 1; step <= 6; ++step) {
        App().OptionValues.DeleteEmptyFolders = true;
        target = tmp.filePath(QString("targets/I%1").arg(step));
        host.onCheckpoint = [&, step](int) { return host.titles.size() >= step; };
        host.titles.clear();
        EXPECT_EQ(run(false), SyncRun::Outcome::Interrupted) << step;
        EXPECT_FALSE(QFileInfo::exists(target)) << step;
    }
    host.onCheckpoint = [&](int) { return host.titles.size() >= 5 && QFileInfo::exists(right + "/f2.txt"); };
    host.titles.clear();
    EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted);
    EXPECT_EQ(entriesOf(right).filter(".orvanel-tmp-").size(), 0);
    for (const QString &n : entriesOf(right))
        EXPECT_EQ(readBytes(right + "/" + n), QByteArray(1000, 'x')) << "every copied file is whole";
}

TEST_F(CompleteRun, AKilledSwapLeavesEveryFileOldOrNewAndWhole)
{
    // Large files, so that the kill lands in the middle of a copy.
    const qsizetype size = 16 << 20;
    for (int i = 0; i < 4; ++i) {
        file(left + QString("/big%1.bin").arg(i), QByteArray(size, char('A' + i)), 100);
        file(right + QString("/big%1.bin").arg(i), QByteArray(size / 3, char('a' + i)), 0);
    }
    App().OptionValues.SwapItems = true;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FakeHost quiet;
        SyncRun r(quiet, in);
        r.run();
        ::_exit(0);
    }
    // Wait until a copy is under way, then kill without warning.
    for (int i = 0; i < 2000 && entriesOf(right).filter(".orvanel-tmp-").isEmpty(); ++i)
        ::usleep(1000);
    ::usleep(20000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int i = 0; i < 4; ++i) {
        const QByteArray now = readBytes(right + QString("/big%1.bin").arg(i));
        const bool old = now == QByteArray(size / 3, char('a' + i));
        const bool fresh = now == QByteArray(size, char('A' + i));
        EXPECT_TRUE(old || fresh) << i << " has " << now.size() << " bytes";
        EXPECT_EQ(readBytes(left + QString("/big%1.bin").arg(i)), QByteArray(size, char('A' + i)));
    }
}

} // namespace
