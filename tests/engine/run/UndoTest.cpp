#include "RunFixture.h"

#include "engine/run/UndoData.h"
#include "engine/settings/MessageService.h"

#include <QProcess>
#include <dirent.h>
#include <sys/mount.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Everything undo must give back, entry by entry: kind, mode, size, times to
// the nanosecond, content or link target, user attributes; folders too, the
// root included.
QByteArrayList exactly(const QByteArray &path, const QByteArray &rel = {})
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return {rel + " missing"};
    QByteArray line = rel + ' ' + QByteArray::number(st.st_mode, 8) + ' ' + QByteArray::number(qint64(st.st_size))
                      + ' ' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
                      + QByteArray::number(qint64(st.st_mtim.tv_nsec));
    char value[256];
    const ssize_t n = ::lgetxattr(path.constData(), "user.tag", value, sizeof value);
    if (n >= 0)
        line += " tag=" + QByteArray(value, n);
    if (S_ISLNK(st.st_mode)) {
        const ssize_t k = ::readlink(path.constData(), value, sizeof value);
        line += " -> " + QByteArray(value, k < 0 ? 0 : k);
    } else if (S_ISREG(st.st_mode)) {
        line += ' ' + readBytes(FileNames::fromBytes(path));
    }
    QByteArrayList all{line};
    if (S_ISDIR(st.st_mode)) {
        QByteArrayList names;
        if (DIR *d = ::opendir(path.constData())) {
            while (const dirent *e = ::readdir(d))
                if (qstrcmp(e->d_name, ".") && qstrcmp(e->d_name, "..") && (!rel.isEmpty() || qstrcmp(e->d_name, Undo::kTop)))
                    names << e->d_name;
            ::closedir(d);
        }
        std::sort(names.begin(), names.end());
        for (const QByteArray &name : names)
            all += exactly(path + '/' + name, rel + '/' + name);
    }
    return all;
}

} // namespace

class UndoRun : public RunFixture {
protected:
    // A pair with something of every kind a swap does: a file replaced on
    // each side, files and folders made, a link, attributes, a legacy name.
    void makePair(const QString &name, int manyFiles = 0)
    {
        left = tmp.filePath(name + "-L");
        right = tmp.filePath(name + "-R");
        in.SourcePath[0] = left;
        in.SourcePath[1] = right;
        file(left + "/same.txt", "same");
        file(right + "/same.txt", "same");
        file(left + "/newer-left.txt", "left is newer", 100, 0600);
        file(right + "/newer-left.txt", "right is older", 0, 0640);
        ::setxattr(FileNames::toBytes(right + "/newer-left.txt").constData(), "user.tag", "right", 5, 0);
        file(left + "/newer-right.txt", "left is older", 0);
        file(right + "/newer-right.txt", "right is newer", 100);
        file(left + "/only/left/deep.txt", "deep", 5);
        makeFile(FileNames::toBytes(left) + "/" + kLegacyName, "legacy", kBase);
        file(right + "/only-right.txt", "r", 7);
        ::symlink("same.txt", FileNames::toBytes(right + "/link").constData());
        for (int i = 0; i < manyFiles; ++i)
            file(left + QString("/many/f%1.txt").arg(i), "m", 9);
        // Folders get times of their own, so that a change shows.
        for (const QString &d : {left + "/only/left", left + "/only", left + "/many", left, right}) {
            const timespec t[2] = {{kBase, 5}, {kBase, 5}};
            ::utimensat(AT_FDCWD, FileNames::toBytes(d).constData(), t, AT_SYMLINK_NOFOLLOW);
        }
    }
    std::string both()
    {
        return (exactly(FileNames::toBytes(left)).join('\n') + "\n|\n" + exactly(FileNames::toBytes(right)).join('\n'))
            .toStdString();
    }
    int batch(const QStringList &args, int killAfter = 0)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (killAfter > 0)
            env.insert("ORVANEL_TEST_KILL_AFTER_RECORDS", QString::number(killAfter));
        p.setProcessEnvironment(env);
        p.start(ORVANEL_EXE, QStringList{"--batch", "--home", tmp.filePath("home"), "--left", left, "--right", right,
                                         "--lang", "en", "--yes"} + args);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        out = QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString out, err;
};

TEST_F(UndoRun, ASwapUndoneGivesBothTreesBackExactlyWhereverACancelStoppedIt)
{
    // 0: never stopped; 1-5: at the first checkpoint of that step; 6: halfway through step 5.
    for (int stop = 0; stop <= 6; ++stop) {
        makePair(QString::number(stop));
        const std::string before = both();
        int inStep5 = 0;
        host.titles.clear();
        host.onCheckpoint = [&](int) {
            return stop > 0 && host.titles.size() >= std::min(stop, 5) && (stop < 6 || ++inStep5 == 4);
        };
        EXPECT_EQ(run(true), stop == 0 ? SyncRun::Outcome::Finished : SyncRun::Outcome::Interrupted) << stop;
        const std::optional<Undo::RunInfo> last = Undo::lastRun(left, right);
        ASSERT_EQ(last.has_value(), stop == 0 || stop == 6) << stop << ": only a run that changed something keeps data";
        if (last) {
            EXPECT_NE(both(), before);
            EXPECT_EQ(last->state, stop == 0 ? Undo::RunInfo::State::Finished : Undo::RunInfo::State::Stopped);
            SkippedItems report;
            if (stop == 0) {
                // Interrupted, then taken up again where it stopped.
                int actions = 0;
                EXPECT_FALSE(Undo::undo(*last, report, [&] { return ++actions <= 3; }));
                EXPECT_NE(both(), before);
            }
            EXPECT_TRUE(Undo::undo(*last, report));
            EXPECT_EQ(lines(report), "") << stop;
        }
        EXPECT_EQ(both(), before) << stop;
        EXPECT_FALSE(QFileInfo::exists(left + "/.orvanel-undo") || QFileInfo::exists(right + "/.orvanel-undo"));
        EXPECT_FALSE(Undo::lastRun(left, right)) << "undone runs are not offered again";
    }
}

TEST_F(UndoRun, AfterAKillAtAnyRecordOfTheJournalUndoPutsBothTreesBack)
{
    // 300 files: the last kill falls inside the journal's second batch.
    for (int n : {1, 2, 3, 5, 8, 260}) {
        makePair(QString::number(n), 300);
        const std::string before = both();
        EXPECT_EQ(batch({"--swap"}, n), -1) << n << ": killed";
        const std::optional<Undo::RunInfo> cut = Undo::lastRun(left, right);
        ASSERT_TRUE(cut && cut->state == Undo::RunInfo::State::CutShort) << n;
        if (n == 2) {
            // The next run asks; No keeps the result, and it is not asked again.
            box.answer(Msg::No);
            host.onCheckpoint = [](int) { return true; };
            EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted);
            ASSERT_EQ(box.shown.size(), 1u);
            EXPECT_TRUE(box.shown[0].prompt.contains("was cut short")) << box.text(0);
            EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted);
            EXPECT_EQ(box.shown.size(), 1u);
        } else if (n == 3) {
            // Yes undoes it before the new run reads anything.
            box.answer(Msg::Yes);
            host.titles.clear();
            host.onCheckpoint = [&](int) { return !host.titles.isEmpty(); };
            EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted);
            EXPECT_EQ(both(), before);
            continue;
        }
        EXPECT_EQ(batch({"--undo"}), 0) << n << err.toStdString();
        EXPECT_EQ(both(), before) << n;
    }
}

TEST_F(UndoRun, UndoKeepsWhatChangedSinceTheRunAndOlderRunsComeBackInOrder)
{
    makePair("keep");
    const std::string before = both();
    ASSERT_EQ(batch({"--swap", "--keep-undo", "2"}), 0) << err.toStdString();
    batch({"--swap", "--dry-run"});
    EXPECT_TRUE(out.contains("L +only\n") && !out.contains(".orvanel")) << "undo data is no item" << out.toStdString();
    file(left + "/same.txt", "changed on the left", 300);
    const QByteArrayList leftBeforeSecond = exactly(FileNames::toBytes(left));
    ASSERT_EQ(batch({"--swap", "--keep-undo", "2"}), 0);
    file(right + "/only-right.txt", "changed on the right", 400); // the user's, undo keeps it
    const std::string beforeThird = both();
    ASSERT_EQ(batch({"--swap", "--keep-undo", "2"}), 0);
    EXPECT_EQ(Undo::runsOf(left, right).size(), 2u) << "the oldest went";
    EXPECT_EQ(batch({"--undo"}), 0);
    EXPECT_EQ(both(), beforeThird);
    EXPECT_EQ(batch({"--undo"}), 0);
    EXPECT_EQ(exactly(FileNames::toBytes(left)).join('\n').toStdString(), leftBeforeSecond.join('\n').toStdString());
    EXPECT_EQ(batch({"--undo"}), 1) << "nothing older is kept";
    EXPECT_EQ(batch({"--swap", "--no-undo"}), 0);
    EXPECT_FALSE(QFileInfo::exists(left + "/.orvanel-undo") || QFileInfo::exists(right + "/.orvanel-undo"));

    // Files changed since the run are kept and reported; the old version stays held.
    makePair("edited");
    const std::string original = both();
    ASSERT_EQ(batch({"--swap"}), 0);
    file(right + "/newer-left.txt", "edited after the run", 500);
    file(right + "/only/left/deep.txt", "edited too", 500);
    EXPECT_EQ(batch({"--undo"}), 3);
    EXPECT_TRUE(err.contains(right + "/newer-left.txt: changed after the run")) << err.toStdString();
    EXPECT_TRUE(err.contains(right + "/only/left/deep.txt: changed after the run")) << err.toStdString();
    EXPECT_TRUE(err.contains(right + "/only/left: a folder the run made holds other items now")) << err.toStdString();
    EXPECT_EQ(readBytes(right + "/newer-left.txt"), "edited after the run");
    EXPECT_EQ(readBytes(left + "/newer-right.txt"), "left is older") << "the rest is undone";
    const QStringList held = entriesOf(right + "/.orvanel-undo");
    ASSERT_EQ(held.size(), 1);
    EXPECT_EQ(readBytes(right + "/.orvanel-undo/" + held[0] + "/newer-left.txt"), "right is older");
    EXPECT_FALSE(Undo::lastRun(left, right)) << "a partly undone run is not undone twice";
    EXPECT_NE(both(), original);
}

TEST_F(UndoRun, ADiskWithoutRoomForTheOldVersionsAsksAndNoStopsBeforeAnyChange)
{
    makePair("room");
    const QString disk = right;
    if (::geteuid() != 0
        || ::mount("none", FileNames::toBytes(disk).constData(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "a small disk (tmpfs) needs root";
    struct Unmount {
        QByteArray at;
        ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
    } unmount{FileNames::toBytes(disk)};
    // Each replacement fits alone; both old versions kept beside the new ones do not.
    for (const char *name : {"/a.bin", "/b.bin"}) {
        file(right + name, QByteArray(150 << 10, 'r'));
        file(left + name, QByteArray(150 << 10, 'l'), 100);
    }
    file(right + "/to-the-left.txt", "r");
    const std::string before = both();
    box.answer(Msg::No);
    EXPECT_EQ(run(true), SyncRun::Outcome::Interrupted);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(box.shown[0].prompt.startsWith("The disk of the right folder has no room")) << box.text(0);
    EXPECT_EQ(both(), before);
    box.answer(Msg::Yes);
    EXPECT_EQ(run(true), SyncRun::Outcome::Finished) << box.text(1);
    EXPECT_EQ(readBytes(right + "/a.bin"), QByteArray(150 << 10, 'l'));
    EXPECT_FALSE(QFileInfo::exists(right + "/.orvanel-undo")) << "no undo data where it does not fit";
    EXPECT_TRUE(QFileInfo::exists(left + "/.orvanel-undo")) << "the other side keeps its own";
}
