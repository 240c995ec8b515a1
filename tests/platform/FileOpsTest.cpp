#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray enc(const QString &p) { return QFile::encodeName(p); }

struct stat lstatOf(const QString &path)
{
    struct stat st {};
    if (::lstat(enc(path).constData(), &st) != 0)
        throw std::runtime_error("lstat failed");
    return st;
}

void setTimes(const QString &path, timespec atime, timespec mtime, int flags = 0)
{
    const timespec t[2] = {atime, mtime};
    if (::utimensat(AT_FDCWD, enc(path).constData(), t, flags) != 0)
        throw std::runtime_error("utimensat failed");
}

QByteArray pattern(qsizetype size)
{
    QByteArray data(size, '\0');
    quint32 x = 2463534242u;
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        data[i] = char(x);
    }
    return data;
}

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const AppError &e) {
        return e.number();
    }
    return 0;
}

QString linkTarget(const QString &path)
{
    char buf[4096];
    const ssize_t n = ::readlink(enc(path).constData(), buf, sizeof buf);
    return n < 0 ? QStringLiteral("<no link>") : QFile::decodeName(QByteArray(buf, n));
}

class FileOpsCopy : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString src = dir.filePath("from/file.bin");
    QString dstFolder = dir.filePath("to");
    QString dst = dir.filePath("to/file.bin");

    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(dir.filePath("from")));
        ASSERT_TRUE(QDir().mkpath(dstFolder));
    }
    // What a failed or refused copy must leave: the old file, and nothing else.
    void expectOldDestination(const QByteArray &content)
    {
        EXPECT_EQ(readBytes(dst), content);
        EXPECT_EQ(entriesOf(dstFolder), QStringList{"file.bin"});
    }
};

TEST_F(FileOpsCopy, CopiesContentModeAndBothTimesToTheNanosecond)
{
    // Over a chunk boundary, with an odd tail.
    const QByteArray data = pattern((5 << 20) + 123);
    writeBytes(src, data);
    ASSERT_EQ(::chmod(enc(src).constData(), 0751), 0);
    setTimes(src, {1'600'000'000, 987'654'321}, {1'500'000'000, 123'456'789});

    ASSERT_TRUE(FileOps::copyFile(src, dst));
    const struct stat st = lstatOf(dst); // before reading it moves the access time
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'500'000'000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123'456'789);
    EXPECT_EQ(st.st_atim.tv_sec, 1'600'000'000);
    EXPECT_EQ(st.st_atim.tv_nsec, 987'654'321);
    EXPECT_EQ(readBytes(dst), data);
}

TEST_F(FileOpsCopy, AcrossFileSystemsTheCopyFallsBackToReadAndWrite)
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/fileops-XXXXXX"));
    if (!shm.isValid() || lstatOf(shm.path()).st_dev == lstatOf(dstFolder).st_dev)
        GTEST_SKIP() << "no second file system";
    const QString from = shm.filePath("file.bin");
    const QByteArray data = pattern((9 << 20) + 7);
    writeBytes(from, data);
    setTimes(from, {1'600'000'000, 1}, {1'500'000'000, 2});
    int asked = 0;
    ASSERT_TRUE(FileOps::copyFile(from, dst, [&] { return ++asked > 0; }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(FileOps::stamp(dst).nanoseconds, 2);
    EXPECT_EQ(readBytes(dst), data);
}

TEST_F(FileOpsCopy, ReplacesAnExistingFileAndLeavesNoTemporaryFile)
{
    writeBytes(dst, "old content that is longer than the new one");
    writeBytes(src, "new");
    ASSERT_TRUE(FileOps::copyFile(src, dst));
    EXPECT_EQ(readBytes(dst), "new");

    // The temporary name adds a prefix and suffix; it must still fit NAME_MAX.
    const QString name = QString(120, QChar(0x03B1)) + QStringLiteral(".txt"); // 244 bytes
    writeBytes(dir.filePath("from/" + name), "alpha");
    ASSERT_TRUE(FileOps::copyFile(dir.filePath("from/" + name), dir.filePath("to/" + name)));
    EXPECT_EQ(readBytes(dir.filePath("to/" + name)), "alpha");
    EXPECT_EQ(entriesOf(dstFolder), (QStringList{"file.bin", name}));
}

TEST_F(FileOpsCopy, WriteProtectedDestinationIsRefusedWith75AndUntouched)
{
    // Root passes access(); the mode bits alone must stop the copy.
    writeBytes(dst, "protected");
    ASSERT_EQ(::chmod(enc(dst).constData(), 0444), 0);
    const struct stat before = lstatOf(dst);
    writeBytes(src, "new");

    EXPECT_EQ(errorOf([&] { FileOps::copyFile(src, dst); }), ErrorCode::PathFileAccess);
    const struct stat after = lstatOf(dst);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    expectOldDestination("protected");

    // A symlink source is refused the same way; a FIFO is never opened.
    const QString link = dir.filePath("from/link"), fifo = dir.filePath("from/fifo");
    ASSERT_EQ(::symlink("somewhere", enc(link).constData()), 0);
    ASSERT_EQ(::mkfifo(enc(fifo).constData(), 0644), 0);
    EXPECT_EQ(errorOf([&] { FileOps::copyFile(link, dst); }), ErrorCode::PathFileAccess);
    EXPECT_EQ(errorOf([&] { FileOps::copyFile(fifo, dir.filePath("to/fifo")); }),
              ErrorCode::PathFileAccess);
    expectOldDestination("protected");

    ASSERT_TRUE(QDir().mkdir(dir.filePath("to/sub")));
    EXPECT_EQ(errorOf([&] { FileOps::copyFile(src, dir.filePath("to/sub")); }),
              ErrorCode::PathFileAccess);
}

TEST_F(FileOpsCopy, DestinationSymlinkIsReplacedAndItsTargetUntouched)
{
    const QString target = dir.filePath("target.txt");
    writeBytes(target, "target content");
    ASSERT_EQ(::chmod(enc(target).constData(), 0444), 0);
    ASSERT_EQ(::symlink(enc(target).constData(), enc(dst).constData()), 0);
    writeBytes(src, "new");

    ASSERT_TRUE(FileOps::copyFile(src, dst));
    EXPECT_TRUE(S_ISREG(lstatOf(dst).st_mode));
    EXPECT_EQ(readBytes(dst), "new");
    EXPECT_EQ(readBytes(target), "target content");
    EXPECT_EQ(entriesOf(dstFolder), QStringList{"file.bin"});
}

TEST_F(FileOpsCopy, SourceSymlinkIsCopiedAsALinkWithItsOwnTime)
{
    writeBytes(dir.filePath("from/real.txt"), "real");
    const QString good = dir.filePath("from/good"), dangling = dir.filePath("from/dangling");
    ASSERT_EQ(::symlink("real.txt", enc(good).constData()), 0);
    ASSERT_EQ(::symlink("../no/such/file", enc(dangling).constData()), 0);
    setTimes(dangling, {1'400'000'000, 5}, {1'300'000'000, 999'999'999}, AT_SYMLINK_NOFOLLOW);

    writeBytes(dir.filePath("to/good"), "a file the link replaces");
    ASSERT_TRUE(FileOps::copyFile(good, dir.filePath("to/good")));
    ASSERT_TRUE(FileOps::copyFile(dangling, dir.filePath("to/dangling")));

    EXPECT_EQ(linkTarget(dir.filePath("to/good")), "real.txt");
    EXPECT_EQ(linkTarget(dir.filePath("to/dangling")), "../no/such/file");
    const FileOps::Stamp s = FileOps::stamp(dir.filePath("to/dangling"));
    EXPECT_EQ(s.seconds, 1'300'000'000);
    EXPECT_EQ(s.nanoseconds, 999'999'999);
    EXPECT_EQ(entriesOf(dstFolder), (QStringList{"dangling", "good"}));
    EXPECT_EQ(readBytes(dir.filePath("from/real.txt")), "real");
}

TEST_F(FileOpsCopy, StoppingOrThrowingMidCopyLeavesTheOldFile)
{
    const QByteArray big = pattern(32 << 20);
    writeBytes(src, big);
    writeBytes(dst, "old");

    int asked = 0;
    EXPECT_FALSE(FileOps::copyFile(src, dst, [&] { return ++asked < 2; }));
    EXPECT_EQ(asked, 2);
    expectOldDestination("old");

    EXPECT_THROW(FileOps::copyFile(src, dst, []() -> bool { throw std::runtime_error("x"); }),
                 std::runtime_error);
    expectOldDestination("old");

    // Asked every few MiB, not once per file or per buffer.
    asked = 0;
    ASSERT_TRUE(FileOps::copyFile(src, dst, [&] { return ++asked > 0; }));
    EXPECT_GE(asked, 4);
    EXPECT_LE(asked, 32);
    EXPECT_EQ(readBytes(dst), big);
}

TEST_F(FileOpsCopy, AFullDiskFailsWithAnErrorAndLeavesTheOldFile)
{
    writeBytes(src, pattern(4 << 20));
    writeBytes(dst, "old");
    // A file-size limit makes the writes fail the way a full disk does.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int error = errorOf([&] { FileOps::copyFile(src, dst); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error, ErrorCode::DiskFull);
    expectOldDestination("old");
}

TEST(FileOpsFolders, CreateRemoveAndExistenceFollowNoLinks)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("new");
    FileOps::createFolder(folder);
    EXPECT_TRUE(FileOps::folderExists(folder));
    EXPECT_EQ(errorOf([&] { FileOps::createFolder(folder); }), ErrorCode::PathFileAccess);
    writeBytes(dir.filePath("file"), "x");
    EXPECT_EQ(errorOf([&] { FileOps::createFolder(dir.filePath("file")); }),
              ErrorCode::PathFileAccess);

    writeBytes(folder + "/inside", "x");
    EXPECT_EQ(errorOf([&] { FileOps::removeEmptyFolder(folder); }), ErrorCode::PathFileAccess);
    EXPECT_EQ(readBytes(folder + "/inside"), "x");

    const QString link = dir.filePath("link");
    ASSERT_EQ(::symlink("new", enc(link).constData()), 0);
    EXPECT_TRUE(FileOps::pathExists(link));
    EXPECT_FALSE(FileOps::folderExists(link));
    EXPECT_NE(errorOf([&] { FileOps::removeEmptyFolder(link); }), 0);
    EXPECT_TRUE(FileOps::folderExists(folder));

    ASSERT_TRUE(QFile::remove(folder + "/inside"));
    FileOps::removeEmptyFolder(folder);
    EXPECT_FALSE(FileOps::pathExists(folder));
    EXPECT_TRUE(FileOps::pathExists(link)) << "a dangling link is still there";
}

class FoldedNamesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString root = dir.path();
    FileOps::FoldedNames names;

    void SetUp() override
    {
        ASSERT_TRUE(QDir(root).mkpath("Data/Αρχεία"));
        writeBytes(root + "/Data/readme.TXT", "r");
        writeBytes(root + "/Data/Αρχεία/Οδός", "g");
    }
};

TEST_F(FoldedNamesTest, AnExactNameStandsAnotherSpellingIsAClashOrTheOnlyVariantAdopted)
{
    bool clash = true;
    EXPECT_EQ(names.resolve(root, "Data/Αρχεία/Οδός", false, &clash), root + "/Data/Αρχεία/Οδός");
    EXPECT_FALSE(clash);
    EXPECT_EQ(names.resolve(root + "/", "Data/New/x", false, &clash), root + "/Data/New/x");
    EXPECT_FALSE(clash);
    // Another spelling is there: never write beside it, unless it is the only one and adopted.
    EXPECT_EQ(names.resolve(root, "DATA/αρχεία/ΟΔΌΣ", false, &clash), root + "/DATA");
    EXPECT_TRUE(clash);
    EXPECT_EQ(names.resolve(root, "DATA/αρχεία/ΟΔΌΣ", true, &clash), root + "/Data/Αρχεία/Οδός");
    EXPECT_FALSE(clash);

    writeBytes(root + "/Data/README.TXT", "a second name that folds alike");
    FileOps::FoldedNames again;
    EXPECT_EQ(again.resolve(root, "Data/README.TXT", false, &clash), root + "/Data/README.TXT");
    EXPECT_FALSE(clash) << "the exact spelling wins over the first in sorted order";
    again.resolve(root, "Data/Readme.txt", true, &clash);
    EXPECT_TRUE(clash) << "two variants: none is adopted";

    // A folder is read once; what the run creates there is known exactly and is
    // no clash for a spelling the run chose to create too.
    writeBytes(root + "/Data/LATER.txt", "made behind its back");
    again.resolve(root, "Data/Later.txt", false, &clash);
    EXPECT_FALSE(clash) << "the folder is not read again";
    again.noteCreated(root + "/Data/", "Later.txt");
    again.noteCreated(root + "/Data/", "later.TXT");
    EXPECT_EQ(again.resolve(root, "Data/later.TXT/x", false, &clash), root + "/Data/later.TXT/x");
    EXPECT_FALSE(clash);
}

} // namespace
