#include "RunFixture.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// Runs on trees with a folder outside them that must never change, and links
// that lead there.
class RunBounds : public RunFixture {
protected:
    QString outside = tmp.filePath("outside");
    Tree before;

    void SetUp() override
    {
        RunFixture::SetUp();
        files(outside, {{"secret.txt", "outside secret"}, {"s/f.txt", "outside f"}}, 9);
        before = tree(outside);
    }
    void TearDown() override
    {
        EXPECT_EQ(tree(outside), before) << "nothing outside the trees is written or deleted";
        RunFixture::TearDown();
    }
    // The folder moves aside (inside its tree) and a link to the outside takes its name.
    void linkOut(const QString &folder)
    {
        ASSERT_TRUE(QFile::rename(folder, folder + ".moved"));
        ASSERT_TRUE(QFile::link(outside, folder));
    }
    // Whether anything read from outside reached a tree.
    static bool holdsOutsideData(const Tree &t)
    {
        return std::any_of(t.begin(), t.end(), [](const QByteArray &v) { return v.startsWith("outside"); });
    }
};

TEST_F(RunBounds, ASwapNeverWritesThroughALinkedFolder)
{
    file(left + "/d/secret.txt", "old left copy");
    file(left + "/d/new.txt", "new");
    ASSERT_TRUE(QFile::link(outside, right + "/d"));
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(skipped, right + "/d not a folder\n" + left + "/d refused\n");
    EXPECT_EQ(tree(right), (Tree{{"d", "-> " + FileNames::toBytes(outside)}}));
}

TEST_F(RunBounds, FoldersReplacedByLinksDuringARunAreNeverCrossed)
{
    // The folder is replaced at the first checkpoint of step atStep; the run reports it so.
    struct Case { bool swap; int atStep; QString folder, report; };
    const Case cases[] = {
        {false, 1, left + "/s", left + "/s not a folder\n"},          // collection: read-ahead off
        {false, 5, left + "/s", left + "/s/f.txt not a folder\n"},    // a source while copying
        // the target while copying
        {false, 5, target + "/s", target + "/s/f.txt not a folder\n" + target + "/s/r.txt not a folder\n"},
        {true, 2, right + "/s", right + "/s not a folder\n" + right + "/s/r.txt not a folder\n"}, // a swap's destination
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        for (const QString &d : {left, right, targets})
            QDir(d).removeRecursively(), QDir().mkpath(d);
        file(left + "/s/f.txt", "left f");
        file(right + "/s/r.txt", "right r");
        bool done = false;
        host.titles.clear();
        host.onCheckpoint = [&](int) {
            if (!done && host.titles.size() == c.atStep && (c.atStep < 5 || QFileInfo::exists(target + "/s"))) {
                done = true;
                linkOut(c.folder);
            }
            return false;
        };
        EXPECT_EQ(run(c.swap, 5, false), SyncRun::Outcome::Finished);
        EXPECT_TRUE(done);
        EXPECT_EQ(skipped.toStdString(), c.report.toStdString());
        for (const QString &t : {left, right, target})
            EXPECT_FALSE(holdsOutsideData(tree(t))) << "read from outside into " << t.toStdString();
    }
}

TEST_F(RunBounds, InASwapAFileAFilterHidIsComparedAsAPair)
{
    in.Pattern[0] = "*.txt";
    files(left, {{"a.doc", "left newer"}, {"x.txt", "x"}}, 5);
    files(right, {{"a.doc", "right older"}, {"x.txt", "x"}}, 0);
    file(left + "/c.doc", "left older", 0);
    file(right + "/c.doc", "right newer", 5);
    for (int choice : {5, 2}) {
        EXPECT_EQ(run(true, choice), SyncRun::Outcome::Finished);
        EXPECT_EQ(readBytes(left + "/a.doc"), "left newer") << "a newer file a filter hid is kept";
        EXPECT_EQ(readBytes(left + "/c.doc"), "right newer") << choice;
        EXPECT_EQ(host.counters.at({4, 1}).FilesKept, host.counters.at({5, 1}).FilesKept);
        file(left + "/c.doc", "left older", 0);
    }
}

// A file below levels folders of 200-byte names, made one name at a time.
void deepFile(const QString &root, int levels, const QByteArray &content)
{
    int fd = ::open(FileNames::toBytes(root).constData(), O_RDONLY | O_DIRECTORY);
    const QByteArray name(200, 'd');
    for (int i = 0; i < levels; ++i) {
        ::mkdirat(fd, name.constData(), 0755);
        const int sub = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = sub;
    }
    const int f = ::openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(f, content.constData(), std::size_t(content.size())), content.size());
    ::close(f);
    ::close(fd);
}

TEST_F(RunBounds, PathsLongerThanTheSystemLimitAreCopiedAndSwapped)
{
    deepFile(left, 41, "deep"); // 8,241 bytes below the root
    const QByteArray deepest = (QByteArray(200, 'd') + '/').repeated(41) + "deep.txt";
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target).value(deepest), "deep");
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(right).value(deepest), "deep");
    EXPECT_EQ(skipped, "");
}

TEST_F(RunBounds, AFolderWithoutWritePermissionIsRefusedAlsoForRoot)
{
    file(left + "/ro/new.txt", "n");
    file(left + "/ro/sub/f.txt", "f");
    QDir().mkpath(right + "/ro");
    ASSERT_EQ(::chmod(FileNames::toBytes(right + "/ro").constData(), 0555), 0);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(right), (Tree{{"ro", "/"}}));
    EXPECT_EQ(skipped, right + "/ro/sub refused\n" + right + "/ro/new.txt refused\n");
}

} // namespace
