#include "TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// These tests run the real program, as a script would.
namespace {

QByteArrayList names(const QString &root) { return bytesTree(root.toUtf8()).keys(); }
class Batch : public ::testing::Test {
protected:
    TempDir tmp;
    QString left = tmp.filePath("left"), right = tmp.filePath("right"), home = tmp.filePath("settings");
    QString homeEnv = tmp.path(), out, err;
    QStringList asUser; // a command to run the program as another user
    void SetUp() override
    {
        makeFile(left.toUtf8() + "/a.txt", "a");
        makeFile(left.toUtf8() + "/sub/b.doc", "bb");
        makeFile(right.toUtf8() + "/r.txt", "rrr");
        QDir().mkpath(home);
    }
    // The program on both sources; later flags override earlier ones.
    QProcess *start(const QStringList &args)
    {
        auto *p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", homeEnv); // the home folder is one of the roots
        p->setProcessEnvironment(env);
        const QStringList all = QStringList{ORVANEL_EXE, "--batch", "--home", home, "--left", left, "--right", right} + args;
        p->start(asUser.isEmpty() ? all[0] : asUser[0], asUser.isEmpty() ? all.mid(1) : asUser.mid(1) + all);
        p->closeWriteChannel();
        return p;
    }
    int run(const QStringList &args)
    {
        std::unique_ptr<QProcess> p(start(args));
        EXPECT_TRUE(p->waitForFinished(60000));
        out = QString::fromUtf8(p->readAllStandardOutput());
        err = QString::fromUtf8(p->readAllStandardError());
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    }
};

TEST_F(Batch, ACopyPrintsEachStepADryRunWhatEachSideWouldGiveAndASwapExchanges)
{
    EXPECT_EQ(run({"--target", tmp.filePath("T"), "--lang", "en"}), 0) << err.toStdString();
    EXPECT_EQ(names(tmp.filePath("T")), (QByteArrayList{"a.txt", "r.txt", "sub", "sub/b.doc"}));
    const QStringList lines = out.trimmed().split('\n');
    EXPECT_EQ(lines.size(), 11) << out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("1st Step: left: Folders: 1. Files: 2."));
    EXPECT_EQ(lines.last(), "Folders: 1. Files: 3. File size in bytes: 6.");
    EXPECT_EQ(entriesOf(home), QStringList()) << "nothing written to the settings folder";
    EXPECT_EQ(run({"--swap", "--dry-run"}), 0);
    EXPECT_TRUE(out.endsWith("L -a.txt\nL +sub\nL -sub/b.doc\nR -r.txt\n")) << out.toStdString();
    EXPECT_EQ(names(right), QByteArrayList{"r.txt"});
    EXPECT_EQ(run({"--target", tmp.filePath("D"), "--dry-run"}), 0);
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("D")));
    EXPECT_EQ(run({"--swap"}), 0);
    EXPECT_EQ(names(right), (QByteArrayList{"a.txt", "r.txt", "sub", "sub/b.doc"}));
    EXPECT_EQ(readBytes(left + "/r.txt"), "rrr");
    EXPECT_EQ(run({"--swap", "--which", "noncommon", "--lang", "en"}), 1) << "nothing left to do";
    EXPECT_TRUE(out.contains("No items for synchronization have been located")) << out.toStdString();
}

TEST_F(Batch, FlagsOverrideTheSettingsForOneRunAndARootAsSourceNeedsYes)
{
    writeBytes(home + "/Orvanel.ini", "[Options]\nWhichItemsToCopy=3\n");
    EXPECT_EQ(run({"--target", tmp.filePath("T1")}), 0);
    EXPECT_EQ(names(tmp.filePath("T1")), (QByteArrayList{"a.txt", "sub", "sub/b.doc"})) << "left only, from the file";
    EXPECT_EQ(run({"--target", tmp.filePath("T2"), "--which", "right"}), 0);
    EXPECT_EQ(names(tmp.filePath("T2")), QByteArrayList{"r.txt"});
    EXPECT_EQ(run({"--target", tmp.filePath("T3"), "--levels", "1", "--filter-left", "*.doc;*.txt"}), 0);
    EXPECT_EQ(names(tmp.filePath("T3")), (QByteArrayList{"a.txt", "sub"}));
    EXPECT_EQ(run({"--target", tmp.filePath("T4"), "--structure-only"}), 0);
    EXPECT_EQ(names(tmp.filePath("T4")), QByteArrayList{"sub"});
    // The home folder is a root: without a terminal to ask on, a source there needs --yes.
    homeEnv = left;
    EXPECT_EQ(run({"--target", tmp.filePath("T5")}), 1);
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("T5")));
    EXPECT_EQ(run({"--target", tmp.filePath("T5"), "--yes"}), 0);
    EXPECT_EQ(names(tmp.filePath("T5")), (QByteArrayList{"a.txt", "sub", "sub/b.doc"}));
    EXPECT_EQ(readBytes(home + "/Orvanel.ini"), "[Options]\nWhichItemsToCopy=3\n");
}

TEST_F(Batch, UsageErrorsExitWithTwoAndChangeNothing)
{
    QDir().mkpath(tmp.filePath("exists"));
    const QString link = tmp.filePath("Llink"); // the left folder under another name
    ASSERT_TRUE(QFile::link(left, link));
    const QList<QStringList> bad = {
        {"--bogus"}, {"--left", tmp.filePath("missing"), "--swap"}, {}, {"--target", tmp.filePath("exists")},
        {"--target", tmp.filePath("no/parent")}, {"--target", left + "/inside"}, {"--target", link + "/T"},
        {"--left", link, "--target", left + "/T"}, {"--left", left + "/sub", "--target", left},
        {"--swap", "--when-exists", "ask"},
        {"--swap", "--which", "some"}, {"--swap", "--exclude-within", "1:24:0:0"},
    };
    for (const QStringList &args : bad) {
        EXPECT_EQ(run(args), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(err.startsWith("orvanel: ")) << err.toStdString();
    }
    EXPECT_EQ(names(left), (QByteArrayList{"a.txt", "sub", "sub/b.doc"}));
    EXPECT_EQ(names(tmp.filePath("exists")), QByteArrayList());
}

TEST_F(Batch, SkippedItemsAreListedOnStandardErrorAndExitWithThree)
{
    // The right holds A and a: a is a case clash. A name with control characters
    // must never reach the terminal raw.
    writeBytes(right + "/A", "1");
    writeBytes(right + "/a", "2");
    makeFile(left.toUtf8() + "/bell\x07\x1b]0;title\x07.txt", "b");
    EXPECT_EQ(run({"--swap", "--dry-run", "--lang", "en"}), 3);
    EXPECT_TRUE(out.contains("L -bell\\x07\\x1B]0;title\\x07.txt\n")) << out.toStdString();
    EXPECT_TRUE(err.contains("1 item was skipped.\n  " + right + "/a: another item differs only in letter case"))
        << err.toStdString();
    EXPECT_FALSE(out.contains(QChar(0x1b)) || err.contains(QChar(0x1b)) || out.contains(QChar(7)));
    // A folder the run cannot read: reported, never a silent success. Root reads
    // everything, so the run is made by nobody then.
    makeFile(left.toUtf8() + "/locked/secret.txt", "s");
    makeFile(left.toUtf8() + "/names-only/inside.txt", "i"); // listed, but nothing in it may be looked at
    // Files that cannot be read, among enough others to be copied on several
    // threads: reported in the order of the list all the same.
    for (int i = 0; i < 80; ++i)
        makeFile(left.toUtf8() + QString("/many/f%1").arg(i, 2, 10, QChar('0')).toUtf8(), "m");
    for (int i = 0; i < 40; ++i)
        makeFile(left.toUtf8() + QString("/more/g%1").arg(i, 2, 10, QChar('0')).toUtf8(), "g");
    const QStringList unreadable = {left + "/many/f05", left + "/many/f50", left + "/more/g07"};
    const QString target = tmp.filePath("T");
    if (::geteuid() == 0) {
        asUser = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ::chmod(tmp.path().toUtf8().constData(), 0755);
        QProcess::execute("chown", {"-R", "65534:65534", tmp.path()});
    }
    ::chmod((left + "/locked").toUtf8().constData(), 0);
    ::chmod((left + "/names-only").toUtf8().constData(), 0444);
    for (const QString &f : unreadable)
        ::chmod(f.toUtf8().constData(), 0);
    EXPECT_EQ(run({"--target", target, "--lang", "el"}), 3) << err.toStdString();
    qsizetype at = 0;
    for (const QString &f : unreadable) {
        const qsizetype next = err.indexOf(f + ": δεν ήταν δυνατόν να διαβασθεί (");
        EXPECT_GT(next, at) << f.toStdString() << "\n" << err.toStdString();
        at = next;
    }
    EXPECT_EQ(QDir(target + "/many").count() + QDir(target + "/more").count(), 2u * 2 + 117) << "every other file";
    EXPECT_TRUE(out.startsWith("1ο Βήμα: αριστερά: Φάκελλοι: ") && out.contains("Μέγεθος αρχείων σε χαρακτήρες: ")) << out.toStdString();
    EXPECT_TRUE(err.contains(left + "/locked: δεν ήταν δυνατόν να διαβασθεί (")) << err.toStdString();
    EXPECT_TRUE(err.contains(left + "/names-only/inside.txt: δεν ήταν δυνατόν να διαβασθεί (")) << err.toStdString();
    EXPECT_TRUE(QFileInfo(target + "/locked").isDir()) << "the folder itself is there, empty";
    ::chmod((left + "/locked").toUtf8().constData(), 0755);
    ::chmod((left + "/names-only").toUtf8().constData(), 0755);
}

TEST_F(Batch, SigtermStopsASwapBetweenCopiesWithoutLeavingHalfFiles)
{
    const QByteArray chunk(256 * 1024, 'z');
    for (int i = 0; i < 300; ++i)
        writeBytes(left + QString("/f%1.bin").arg(i, 3, 10, QChar('0')), chunk);
    std::unique_ptr<QProcess> p(start({"--swap"}));
    ASSERT_TRUE(p->waitForStarted());
    for (int i = 0; i < 3000 && entriesOf(right).size() < 5; ++i)
        QThread::msleep(2);
    ::kill(pid_t(p->processId()), SIGTERM);
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 1);
    const QMap<QByteArray, QByteArray> now = bytesTree(right.toUtf8());
    EXPECT_LT(now.size(), 300) << "stopped before the end";
    for (auto it = now.begin(); it != now.end(); ++it) {
        EXPECT_FALSE(it.key().startsWith(".orvanel-tmp-")) << it.key().toStdString();
        EXPECT_TRUE(!it.key().endsWith(".bin") || it.value() == chunk) << it.key().toStdString();
    }
}

} // namespace
