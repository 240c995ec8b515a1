#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

// These tests run the real program, as a script would.
namespace {

class Batch : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString left = tmp.filePath("left");
    QString right = tmp.filePath("right");
    QString home = tmp.filePath("settings");
    QString out, err;
    QString homeEnv = tmp.path();

    void SetUp() override
    {
        QDir().mkpath(left + "/sub");
        QDir().mkpath(right);
        QDir().mkpath(home);
        writeBytes(left + "/a.txt", "a");
        writeBytes(left + "/sub/b.doc", "bb");
        writeBytes(right + "/r.txt", "rrr");
    }
    QStringList asUser; // a command to run the program as another user
    QProcess *start(QStringList args)
    {
        auto *p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", homeEnv); // the home folder is one of the roots
        p->setProcessEnvironment(env);
        args = QStringList{"--batch", "--home", home} + args;
        if (asUser.isEmpty())
            p->start(QStringLiteral(ORVANEL_EXE), args);
        else
            p->start(asUser[0], asUser.mid(1) + QStringList{QStringLiteral(ORVANEL_EXE)} + args);
        p->closeWriteChannel();
        return p;
    }
    int run(QStringList args)
    {
        std::unique_ptr<QProcess> p(start(args));
        EXPECT_TRUE(p->waitForFinished(60000));
        out = QString::fromUtf8(p->readAllStandardOutput());
        err = QString::fromUtf8(p->readAllStandardError());
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    }
    QStringList tree(const QString &root)
    {
        QStringList t;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            t << it.next().mid(root.size() + 1);
        t.sort();
        return t;
    }
};

TEST_F(Batch, ACopyRunPrintsEachStepAndLeavesTheSettingsAlone)
{
    const QString target = tmp.filePath("T");
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", target, "--lang", "en"}), 0) << err.toStdString();
    EXPECT_EQ(tree(target), (QStringList{"a.txt", "r.txt", "sub", "sub/b.doc"}));
    const QStringList lines = out.trimmed().split('\n');
    EXPECT_EQ(lines.size(), 11) << out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("1st Step: left: Folders: 1. Files: 2."));
    EXPECT_EQ(lines.last(), "Folders: 1. Files: 3. File size in bytes: 6.");
    EXPECT_EQ(entriesOf(home), QStringList()) << "nothing written to the settings folder";

    const QString greek = tmp.filePath("Τ2");
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", greek, "--lang", "el"}), 0);
    EXPECT_TRUE(out.startsWith("1ο Βήμα: αριστερά: Φάκελλοι: 1."));
    EXPECT_TRUE(out.trimmed().endsWith("Μέγεθος αρχείων σε χαρακτήρες: 6."));
}

TEST_F(Batch, FlagsOverrideTheSettingsForOneRun)
{
    writeBytes(home + "/Orvanel.ini", "[Options]\nWhichItemsToCopy=3\n");
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", tmp.filePath("T1")}), 0);
    EXPECT_EQ(tree(tmp.filePath("T1")), (QStringList{"a.txt", "sub", "sub/b.doc"})) << "left only, from the file";
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", tmp.filePath("T2"), "--which", "right"}), 0);
    EXPECT_EQ(tree(tmp.filePath("T2")), (QStringList{"r.txt"}));
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", tmp.filePath("T3"), "--levels", "1",
                   "--filter-left", "*.doc;*.txt"}), 0);
    EXPECT_EQ(tree(tmp.filePath("T3")), (QStringList{"a.txt", "sub"}));
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", tmp.filePath("T4"), "--structure-only"}), 0);
    EXPECT_EQ(tree(tmp.filePath("T4")), (QStringList{"sub"}));
    EXPECT_EQ(readBytes(home + "/Orvanel.ini"), "[Options]\nWhichItemsToCopy=3\n");
}

TEST_F(Batch, DryRunListsWhatEachSideWouldGiveAndChangesNothing)
{
    EXPECT_EQ(run({"--left", left, "--right", right, "--swap", "--dry-run"}), 0);
    EXPECT_TRUE(out.endsWith("L -a.txt\nL +sub\nL -sub/b.doc\nR -r.txt\n")) << out.toStdString();
    EXPECT_EQ(tree(left), (QStringList{"a.txt", "sub", "sub/b.doc"}));
    EXPECT_EQ(tree(right), QStringList{"r.txt"});
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", tmp.filePath("T"), "--dry-run"}), 0);
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("T")));
}

TEST_F(Batch, SwapExchangesTheItemsAndStopsWithCodeOneWhenThereIsNothingToDo)
{
    EXPECT_EQ(run({"--left", left, "--right", right, "--swap"}), 0);
    EXPECT_EQ(tree(right), (QStringList{"a.txt", "r.txt", "sub", "sub/b.doc"}));
    EXPECT_EQ(readBytes(left + "/r.txt"), "rrr");
    EXPECT_EQ(run({"--left", left, "--right", right, "--swap", "--which", "noncommon", "--lang", "en"}), 1);
    EXPECT_TRUE(out.contains("No items for synchronization have been located")) << out.toStdString();
}

TEST_F(Batch, UsageErrorsExitWithTwoAndChangeNothing)
{
    QDir().mkpath(tmp.filePath("exists"));
    const QList<QStringList> bad = {
        {"--left", left, "--right", right, "--bogus"},
        {"--left", tmp.filePath("missing"), "--right", right, "--swap"},
        {"--left", left, "--right", right},
        {"--left", left, "--right", right, "--target", tmp.filePath("exists")},
        {"--left", left, "--right", right, "--target", tmp.filePath("no/parent")},
        {"--left", left, "--right", right, "--target", left + "/inside"},
        {"--left", left + "/sub", "--right", right, "--target", left},
        {"--left", left, "--right", right, "--swap", "--when-exists", "ask"},
        {"--left", left, "--right", right, "--swap", "--which", "some"},
        {"--left", left, "--right", right, "--swap", "--exclude-within", "1:24:0:0"},
    };
    for (const QStringList &args : bad) {
        EXPECT_EQ(run(args), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(err.startsWith("orvanel: ")) << err.toStdString();
    }
    EXPECT_EQ(tree(left), (QStringList{"a.txt", "sub", "sub/b.doc"}));
    EXPECT_EQ(tree(tmp.filePath("exists")), QStringList());
}

TEST_F(Batch, SkippedItemsAreListedOnStandardErrorAndExitWithThree)
{
    // The right holds A and a: a is a case clash. A name with control characters
    // must never reach the terminal raw.
    writeBytes(right + "/A", "1");
    writeBytes(right + "/a", "2");
    makeFile(left.toUtf8() + "/bell\x07\x1b]0;title\x07.txt", "b");
    EXPECT_EQ(run({"--left", left, "--right", right, "--swap", "--dry-run", "--lang", "en"}), 3);
    EXPECT_TRUE(out.contains("L -bell\\x07\\x1B]0;title\\x07.txt\n")) << out.toStdString();
    EXPECT_TRUE(err.contains("1 item was skipped.\n  " + right + "/a: another item differs only in letter case"))
        << err.toStdString();
    EXPECT_FALSE(out.contains(QChar(0x1b)) || err.contains(QChar(0x1b)) || out.contains(QChar(7)));

    // A folder the run cannot read: reported, never a silent success. Root reads
    // everything, so the run is made by nobody then.
    QDir().mkpath(left + "/locked");
    writeBytes(left + "/locked/secret.txt", "s");
    QDir().mkpath(left + "/names-only"); // listed, but nothing in it may be looked at
    writeBytes(left + "/names-only/inside.txt", "i");
    const QString targets = tmp.filePath("targets");
    QDir().mkpath(targets);
    if (::geteuid() == 0) {
        asUser = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ::chmod(tmp.path().toUtf8().constData(), 0755);
        QProcess::execute("chown", {"-R", "65534:65534", left, right, home, targets});
    }
    ::chmod((left + "/locked").toUtf8().constData(), 0);
    ::chmod((left + "/names-only").toUtf8().constData(), 0444);
    const QString target = targets + "/T";
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", target, "--lang", "el"}), 3) << err.toStdString();
    EXPECT_TRUE(err.contains(left + "/locked: δεν ήταν δυνατόν να διαβασθεί (")) << err.toStdString();
    EXPECT_TRUE(err.contains(left + "/names-only/inside.txt: δεν ήταν δυνατόν να διαβασθεί (")) << err.toStdString();
    EXPECT_TRUE(QFileInfo(target + "/locked").isDir()) << "the folder itself is there, empty";
    ::chmod((left + "/locked").toUtf8().constData(), 0755);
    ::chmod((left + "/names-only").toUtf8().constData(), 0755);
}

TEST_F(Batch, ARootAsSourceNeedsYesWhenNoOneCanBeAsked)
{
    const QString target = tmp.filePath("T");
    // The home folder is a root: without a terminal the question's answer is no.
    homeEnv = left;
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", target, "--which", "left"}), 1);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(run({"--left", left, "--right", right, "--target", target, "--which", "left", "--yes"}), 0);
    EXPECT_EQ(tree(target), (QStringList{"a.txt", "sub", "sub/b.doc"}));
}

TEST_F(Batch, SigtermStopsASwapBetweenCopiesWithoutLeavingHalfFiles)
{
    const QByteArray chunk(256 * 1024, 'z');
    for (int i = 0; i < 300; ++i)
        writeBytes(left + QString("/f%1.bin").arg(i, 3, 10, QChar('0')), chunk);
    std::unique_ptr<QProcess> p(start({"--left", left, "--right", right, "--swap"}));
    ASSERT_TRUE(p->waitForStarted());
    for (int i = 0; i < 3000 && tree(right).size() < 5; ++i)
        QThread::msleep(2);
    ::kill(pid_t(p->processId()), SIGTERM);
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 1);
    const QStringList now = tree(right);
    EXPECT_LT(now.size(), 300) << "stopped before the end";
    for (const QString &n : now) {
        EXPECT_FALSE(n.startsWith(".orvanel-tmp-")) << n.toStdString();
        if (n.endsWith(".bin")) {
            EXPECT_EQ(readBytes(right + "/" + n), chunk) << n.toStdString();
        }
    }
}

} // namespace
