#include "engine/fs/Errors.h"
#include "engine/fs/FileOps.h"
#include "engine/run/TargetFolder.h"
#include "AppFixture.h"
#include "Faults.h"
#include "FuseDisk.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QByteArray enc(const QString &p) { return QFile::encodeName(p); }
struct stat lstatOf(const QString &path)
{
    struct stat st {};
    ::lstat(enc(path).constData(), &st);
    return st;
}

void setTimes(const QString &path, timespec atime, timespec mtime, int flags = 0)
{
    const timespec t[2] = {atime, mtime};
    ::utimensat(AT_FDCWD, enc(path).constData(), t, flags);
}

QByteArray pattern(qsizetype size)
{
    QByteArray data(size, 'x');
    QRandomGenerator random(7);
    for (char &c : data)
        c = char(random.generate());
    return data;
}

// Copies as a run does, between two trees rooted at the files' folders.
bool copy(const QString &from, const QString &to, const std::function<bool()> &keepGoing = {},
          FileOps::Replace how = FileOps::Replace::Yes, const FileOps::Stamp &expected = {})
{
    FileOps::Tree a(QFileInfo(from).path()), b(QFileInfo(to).path());
    return FileOps::copyFile(a, QFileInfo(from).fileName(), b, QFileInfo(to).fileName(), how, expected, keepGoing);
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

class FileOpsCopy : public ::testing::Test {
protected:
    TempTree dir{{"from/"}, {"to/"}};
    QString src = dir.filePath("from/file.bin"), to = dir.filePath("to"), dst = dir.filePath("to/file.bin");
    // What a failed or refused copy must leave: the old file, and nothing else.
    void expectOldDestination(const QByteArray &content)
    {
        EXPECT_EQ(readBytes(dst), content);
        EXPECT_EQ(entriesOf(to), QStringList{"file.bin"});
    }
};

TEST_F(FileOpsCopy, CopiesContentModeAndBothTimesToTheNanosecondAndReplacesTheOldFile)
{
    // Over a chunk boundary, with an odd tail, over a longer old file.
    const QByteArray data = pattern((5 << 20) + 123);
    dir.add({{"from/file.bin", data, -1, 0, 0751}, {"to/file.bin", pattern(6 << 20)}});
    setTimes(src, {1'600'000'000, 987'654'321}, {1'500'000'000, 123'456'789});
    ASSERT_TRUE(copy(src, dst));
    const struct stat st = lstatOf(dst); // before reading it moves the access time
    EXPECT_EQ(st.st_mode, S_IFREG | 0751u);
    EXPECT_EQ(std::tuple(st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_atim.tv_sec, st.st_atim.tv_nsec),
              (std::tuple(1'500'000'000L, 123'456'789L, 1'600'000'000L, 987'654'321L)));
    expectOldDestination(data);
    // The temporary name adds a prefix and suffix; it must still fit NAME_MAX.
    const QString name = QString(120, QChar(0x03B1)) + ".txt"; // 244 bytes
    writeBytes(dir.filePath("from/" + name), "alpha");
    ASSERT_TRUE(copy(dir.filePath("from/" + name), dir.filePath("to/" + name)));
    EXPECT_EQ(readBytes(dir.filePath("to/" + name)), "alpha");
}

TEST_F(FileOpsCopy, WriteProtectedDestinationLinksFifosAndFoldersAreRefusedWith75)
{
    // Root passes access(); the mode bits alone must stop the copy.
    dir.add({{"to/file.bin", "protected", -1, 0, 0444}, {"from/file.bin", "new"}});
    const struct stat before = lstatOf(dst);
    EXPECT_EQ(errorOf([&] { copy(src, dst); }), ErrorCode::PathFileAccess);
    EXPECT_EQ(std::pair(lstatOf(dst).st_ino, lstatOf(dst).st_mode), (std::pair(before.st_ino, before.st_mode)));
    expectOldDestination("protected");
    // A link is refused there the same way; a FIFO is never opened; a folder is no destination.
    const QString link = dir.filePath("from/link"), fifo = dir.filePath("from/fifo");
    ASSERT_EQ(::symlink("somewhere", enc(link).constData()), 0);
    ASSERT_EQ(::mkfifo(enc(fifo).constData(), 0644), 0);
    EXPECT_EQ(errorOf([&] { copy(link, dst); }), ErrorCode::PathFileAccess);
    expectOldDestination("protected");
    EXPECT_EQ(errorOf([&] { copy(fifo, dir.filePath("to/fifo")); }), ErrorCode::PathFileAccess);
    ASSERT_TRUE(QDir().mkdir(dir.filePath("to/sub")));
    EXPECT_EQ(errorOf([&] { copy(src, dir.filePath("to/sub")); }), ErrorCode::PathFileAccess);
}

TEST_F(FileOpsCopy, LinksAreCopiedAsLinksReplacedNotFollowedAndNeverTakenForFolders)
{
    const QString target = dir.filePath("target.txt");
    dir.add({{"target.txt", "target content", -1, 0, 0444}, {"from/file.bin", "new"}});
    ASSERT_EQ(::symlink(enc(target).constData(), enc(dst).constData()), 0);
    ASSERT_TRUE(copy(src, dst));
    EXPECT_TRUE(S_ISREG(lstatOf(dst).st_mode));
    expectOldDestination("new");
    EXPECT_EQ(readBytes(target), "target content");
    const QString dangling = dir.filePath("from/dangling");
    ASSERT_EQ(::symlink("../no/such/file", enc(dangling).constData()), 0);
    setTimes(dangling, {1'400'000'000, 5}, {1'300'000'000, 999'999'999}, AT_SYMLINK_NOFOLLOW);
    ASSERT_TRUE(copy(dangling, dst));
    EXPECT_EQ(bytesTree(enc(to)), (QMap<QByteArray, QByteArray>{{"file.bin", "-> ../no/such/file"}}));
    EXPECT_EQ(FileOps::Tree(to).stamp("file.bin").seconds, 1'300'000'000);
    EXPECT_EQ(FileOps::Tree(to).stamp("file.bin").nanoseconds, 999'999'999);
    // A link is no folder, and is never removed as one.
    const QString folder = dir.filePath("new"), link = dir.filePath("link");
    FileOps::Tree tree(dir.path());
    tree.createFolder("new");
    ASSERT_EQ(::symlink("new", enc(link).constData()), 0);
    EXPECT_TRUE(FileOps::folderExists(folder));
    EXPECT_FALSE(FileOps::folderExists(link));
    EXPECT_NE(errorOf([&] { tree.removeEmptyFolder("link"); }), 0);
    tree.removeEmptyFolder("new");
    EXPECT_FALSE(FileOps::pathExists(folder));
    EXPECT_TRUE(FileOps::pathExists(link)) << "a dangling link is still there";
}

TEST_F(FileOpsCopy, StoppingThrowingOrAFullDiskMidCopyLeavesTheOldFile)
{
    const QByteArray big = pattern(32 << 20);
    dir.add({{"from/file.bin", big}, {"to/file.bin", "old"}});
    int asked = 0;
    EXPECT_FALSE(copy(src, dst, [&] { return ++asked < 2; }));
    EXPECT_EQ(asked, 2);
    expectOldDestination("old");
    EXPECT_THROW(copy(src, dst, []() -> bool { throw std::runtime_error("x"); }), std::runtime_error);
    expectOldDestination("old");
    // A file-size limit makes the writes fail the way a full disk does.
    EXPECT_EQ(underFileSizeLimit(1 << 20, [&] { return errorOf([&] { copy(src, dst); }); }),
              ErrorCode::DiskFull);
    expectOldDestination("old");
    // Asked every few MiB, not once per file or per buffer.
    asked = 0;
    ASSERT_TRUE(copy(src, dst, [&] { return ++asked > 0; }));
    EXPECT_GE(asked, 4);
    EXPECT_LE(asked, 32);
    EXPECT_EQ(readBytes(dst), big);
}

TEST_F(FileOpsCopy, ASparseFileCopiesOnlyItsDataAndKeepsItsHoles)
{
    const QByteArray data = pattern(4096);
    const int fd = ::open(enc(src).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_TRUE(::pwrite(fd, data.data(), 2048, 0) == 2048 && ::pwrite(fd, data.data() + 2048, 2048, 512 << 20) == 2048
                && ::ftruncate(fd, 1 << 30) == 0 && ::close(fd) == 0);
    ASSERT_TRUE(copy(src, dst));
    auto block = [](const QString &path, qint64 at) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.seek(at) ? f.read(4096) : QByteArray();
    };
    for (const qint64 at : {0, 512 << 20, (1 << 30) - 4096})
        EXPECT_EQ(block(dst, at), block(src, at)) << at;
    EXPECT_EQ(lstatOf(dst).st_size, qint64(1) << 30);
    EXPECT_LE(lstatOf(dst).st_blocks, 4 * lstatOf(src).st_blocks) << "holes became blocks of zeros";
}

TEST_F(FileOpsCopy, UserAttributesAndTheAclGoAlongWhereTheAclCannotTheGroupGetsNoMoreThanItHad)
{
    struct Entry { std::uint16_t tag, perm; std::uint32_t id; }; // as the kernel stores them, little-endian
    const Entry acl[] = {{1, 6, 0}, {2, 6, 65534}, {4, 4, 0}, {0x10, 6, 0}, {0x20, 0, 0}}; // u::rw u:nobody:rw g::r m::rw o::-
    const QByteArray value = QByteArray("\2\0\0\0", 4) + QByteArray(reinterpret_cast<const char *>(acl), sizeof acl);
    auto attribute = [](const QString &path, const char *name) {
        QByteArray got(256, '\0');
        return got.left(std::max<qsizetype>(0, ::getxattr(enc(path).constData(), name, got.data(), 256)));
    };
    writeBytes(src, "data");
    if (::setxattr(enc(src).constData(), "system.posix_acl_access", value.data(), value.size(), 0) != 0
        || ::setxattr(enc(src).constData(), "user.x", "1", 1, 0) != 0)
        GTEST_SKIP() << "no ACLs or user attributes in " << dir.path().toStdString();
    ASSERT_TRUE(copy(src, dst));
    EXPECT_EQ(attribute(dst, "user.x"), "1");
    EXPECT_EQ(attribute(dst, "system.posix_acl_access"), attribute(src, "system.posix_acl_access"));
    EXPECT_EQ(lstatOf(dst).st_mode, S_IFREG | 0660u);
    // ramfs keeps modes but no attributes at all.
    if (::geteuid() != 0 || ::mount("none", enc(to).constData(), "ramfs", 0, nullptr) != 0)
        GTEST_SKIP() << "mounting a file system without ACLs (ramfs) needs root";
    const int error = errorOf([&] { copy(src, dst); });
    const mode_t mode = lstatOf(dst).st_mode;
    ::umount2(enc(to).constData(), MNT_DETACH);
    EXPECT_EQ(std::pair(error, mode), std::pair(0, S_IFREG | 0640u)) << "the mask granted rw-, the group itself r--";
}

// fusefat refuses modes and links and stamps a renamed file with the time of the rename.
TEST_F(FileOpsCopy, OntoAFatDiskAFileKeepsItsTimeToTwoSecondsAndALinkCannotBeHeld)
{
    FuseDisk fat(FuseDisk::Kind::Fat32, dir.filePath("fat"));
    if (!fat.available())
        GTEST_SKIP() << "FAT32 through FUSE: " << fat.why().toStdString();
    dir.add({{"from/file.bin", "data", 1'500'000'001, 0, 0640}});
    ASSERT_TRUE(copy(src, fat.path() + "/file.bin"));
    EXPECT_LT(std::abs(lstatOf(fat.path() + "/file.bin").st_mtime - 1'500'000'001), 2);
    ASSERT_EQ(::symlink("file.bin", enc(dir.filePath("from/link")).constData()), 0);
    EXPECT_THROW(copy(dir.filePath("from/link"), fat.path() + "/link"), FileOps::CannotHold);
    EXPECT_EQ(entriesOf(fat.path()), QStringList{"file.bin"});
}

// A file system mounted inside a target is no part of it: the deletion stops there.
TEST_F(AppFixture, DeletingATargetNeverEntersAFileSystemMountedInside)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    // A tmpfs, and a bind mount of this very disk, which keeps its device number.
    const QString target = tmp.filePath("T"), mnt = target + "/sub/mnt", other = tmp.filePath("other");
    makeTree(other, {{"keep/deep.txt", "k"}, {"top.txt", "t"}});
    for (const bool bind : {false, true}) {
        makeTree(target, {{"a.txt", "a"}, {"sub/mnt/"}, {"z.txt", "z"}});
        ASSERT_EQ(bind ? ::mount(enc(other).constData(), enc(mnt).constData(), nullptr, MS_BIND, nullptr)
                       : ::mount("none", enc(mnt).constData(), "tmpfs", 0, nullptr), 0);
        const struct Unmount {
            QByteArray at;
            ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
        } unmount{enc(mnt)};
        if (!bind)
            makeTree(mnt, {{"keep/deep.txt", "k"}, {"top.txt", "t"}});
        const Tree mounted = bytesTree(enc(mnt));
        EXPECT_EQ(errorOf([&] { FileOps::removeTree(target); }), ErrorCode::PathFileAccess);
        box.shown.clear();
        EXPECT_FALSE(DeleteTargetFolder(target, true, "174"));
        EXPECT_EQ(bytesTree(enc(mnt)), mounted) << "bind " << bind;
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_TRUE(box.shown[0].title.endsWith(", 174.") && box.shown[0].prompt.contains("Error number: 75.")
                    && box.shown[0].prompt.contains(mnt)) << box.text(0);
    }
}

TEST(FoldedNames, AnExactNameStandsAnotherSpellingIsAClashOrTheOnlyVariantAdopted)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    makeTree(root, {"Data/readme.TXT", "Data/Αρχεία/Οδός"});
    // Where a relative path lands below root, after "clash " where another spelling is there.
    FileOps::Tree tree(root);
    auto at = [&](FileOps::FoldedNames &names, const char *relative, bool adoptVariant) {
        bool clash = false;
        const QString path = names.resolve(tree, relative, adoptVariant, &clash);
        return (clash ? "clash /" : "/") + path;
    };
    FileOps::FoldedNames names;
    EXPECT_EQ(at(names, "Data/Αρχεία/Οδός", false), "/Data/Αρχεία/Οδός");
    bool clash = true;
    EXPECT_EQ(names.resolve(tree, "Data/New/x", false, &clash), "Data/New/x");
    EXPECT_FALSE(clash);
    // Never write beside another spelling, unless it is the only one and adopted.
    EXPECT_EQ(at(names, "DATA/αρχεία/ΟΔΌΣ", false), "clash /DATA");
    EXPECT_EQ(at(names, "DATA/αρχεία/ΟΔΌΣ", true), "/Data/Αρχεία/Οδός");
    writeBytes(root + "/Data/README.TXT", "a second name that folds alike");
    FileOps::FoldedNames again;
    EXPECT_EQ(at(again, "Data/README.TXT", false), "/Data/README.TXT") << "the exact spelling wins";
    EXPECT_EQ(at(again, "Data/Readme.txt", true), "clash /Data/Readme.txt") << "two variants: none is adopted";
    // A folder is read once; what the run creates there is known exactly and is
    // no clash for a spelling the run chose to create too.
    writeBytes(root + "/Data/LATER.txt", "made behind its back");
    EXPECT_EQ(at(again, "Data/Later.txt", false), "/Data/Later.txt") << "the folder is not read again";
    again.noteCreated(tree, "Data/Later.txt");
    again.noteCreated(tree, "Data/later.TXT");
    EXPECT_EQ(at(again, "Data/later.TXT/x", false), "/Data/later.TXT/x");
}

// Every path the program touches goes through FileOps: a raw call elsewhere escapes its checks.
TEST(FileOpsTemporaries, APidOfAnotherBootOwnsNothingAndOnlyOurExactEndingMakesANameOurs)
{
    QByteArray otherBoot = FileOps::temporaryName("x");
    otherBoot[13] = otherBoot[13] == '0' ? '1' : '0'; // the boot id's first digit
    EXPECT_EQ(FileOps::temporaryKind(otherBoot), FileOps::Temporary::Leftover);
    for (const char *name : {".orvanel-tmp-x.abcdefg", ".orvanel-tmp-x.abc-12", ".orvanel-tmp-.abc12"})
        EXPECT_EQ(FileOps::temporaryKind(name), FileOps::Temporary::No) << name;
    // A run killed a moment ago may not be reaped yet: a zombie writes no more.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    siginfo_t info {};
    ASSERT_EQ(::waitid(P_PID, id_t(child), &info, WEXITED | WNOWAIT), 0); // exited, left a zombie
    QByteArray zombie = FileOps::temporaryName("x");
    zombie.replace('-' + QByteArray::number(qint64(::getpid())) + '-', '-' + QByteArray::number(child) + '-');
    EXPECT_EQ(FileOps::temporaryKind(zombie), FileOps::Temporary::Leftover);
    ::waitpid(child, nullptr, 0);
}

} // namespace
