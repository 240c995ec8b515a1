#include "FileOps.h"

#include "CaseFold.h"
#include "Errors.h"
#include "FileNames.h"

#include <QRandomGenerator>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace FileOps {

namespace {

// Large enough for the kernel to copy efficiently, small enough that Cancel
// is noticed within a fraction of a second even on a slow disk.
constexpr std::int64_t kChunk = 4 << 20;
constexpr std::size_t kBuffer = 1 << 20;
constexpr int kTempAttempts = 100;

QByteArray encoded(const QString &path) { return FileNames::toBytes(path); }

[[noreturn]] void fail(int err, const QString &path) { throw AppError::fromErrno(err, path); }
// The item being copied could not be read: the run skips it, it does not stop.
[[noreturn]] void failSource(int err, const QString &path) { throw SourceError(AppError::fromErrno(err, path)); }

// Puts the finished temporary file in place. A destination that must be new
// is never replaced, not even by a name the disk takes for the same one (a
// case-insensitive disk may fold letters we tell apart).
void putInPlace(const QByteArray &tmp, const QByteArray &dst, bool replace, const QString &destination)
{
    if (replace) {
        if (::rename(tmp.constData(), dst.constData()) != 0)
            fail(errno, destination);
        return;
    }
    if (::renameat2(AT_FDCWD, tmp.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno == EEXIST)
        throw AppError::fromErrno(EEXIST, destination);
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != ENOTSUP)
        fail(errno, destination);
    // Without the kernel's help (some FUSE disks), a last look right before the rename.
    struct stat st {};
    if (::lstat(dst.constData(), &st) == 0)
        throw AppError::fromErrno(EEXIST, destination);
    if (::rename(tmp.constData(), dst.constData()) != 0)
        fail(errno, destination);
}

AppError refusal(const QString &path)
{
    return AppError(ErrorCode::PathFileAccess,
                    errorText(ErrorCode::PathFileAccess) + QStringLiteral(": ") + path);
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// Removes the temporary entry on every way out, unless it was renamed into place.
struct TempEntry {
    QByteArray path;
    bool armed = false;
    TempEntry() = default;
    TempEntry(const TempEntry &) = delete;
    TempEntry &operator=(const TempEntry &) = delete;
    ~TempEntry()
    {
        if (armed)
            ::unlink(path.constData());
    }
};

// A fresh temporary name beside destination. The destination's own name is
// kept (cut to fit NAME_MAX) so a leftover tells the user what it was.
QByteArray tempPath(const QByteArray &destination)
{
    const qsizetype slash = destination.lastIndexOf('/');
    const QByteArray folder = destination.left(slash + 1);
    const QByteArray name = destination.mid(slash + 1);
    constexpr qsizetype kRoom = 255 - (sizeof kTempPrefix - 1) - 7; // "." + 6 characters
    QByteArray base = name.left(kRoom);
    while (base.size() < name.size() && (uchar(name[base.size()]) & 0xC0) == 0x80)
        base.chop(1); // never cut a UTF-8 character in two

    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    quint64 r = QRandomGenerator::global()->generate64();
    char suffix[7];
    for (int i = 0; i < 6; ++i, r /= 62)
        suffix[i] = kChars[r % 62];
    suffix[6] = '\0';
    return folder + kTempPrefix + base + '.' + suffix;
}

// Refuses a destination the copy must not replace.
void checkDestination(const QByteArray &dst, const QString &destination)
{
    struct stat st {};
    if (::lstat(dst.constData(), &st) != 0) {
        if (errno == ENOENT)
            return;
        fail(errno, destination);
    }
    if (S_ISLNK(st.st_mode))
        return; // the link itself is replaced; where it points is none of our business
    if (!S_ISREG(st.st_mode))
        throw refusal(destination);
    // rename() would replace a write-protected file, and root passes every
    // access() check: the mode bits are the user's word, so they decide.
    if ((st.st_mode & 0222) == 0)
        throw refusal(destination);
    if (::access(dst.constData(), W_OK) != 0) {
        if (errno == EACCES)
            throw refusal(destination);
        fail(errno, destination);
    }
}

void writeAll(int fd, const char *p, std::size_t left, const QString &destination)
{
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno, destination);
        if (n == 0)
            fail(ENOSPC, destination);
        p += n;
        left -= std::size_t(n);
    }
}

bool copyContent(int in, int out, std::int64_t size, const std::function<bool()> &keepGoing,
                 const QString &source, const QString &destination)
{
    bool kernelCopy = true;
    std::unique_ptr<char[]> buffer;
    std::int64_t copied = 0, sinceCheck = 0;
    for (;;) {
        ssize_t n;
        if (kernelCopy) {
            n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t(kChunk), 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL
                          || errno == EOPNOTSUPP)) {
                kernelCopy = false; // both offsets stay where they were
                continue;
            }
            if (n == 0 && copied < size) {
                kernelCopy = false; // some file systems end early; let read() decide
                continue;
            }
            if (n < 0 && errno != EINTR)
                fail(errno, destination);
        } else {
            if (!buffer)
                buffer.reset(new char[kBuffer]);
            n = ::read(in, buffer.get(), kBuffer);
            if (n < 0 && errno != EINTR)
                failSource(errno, source);
            if (n > 0)
                writeAll(out, buffer.get(), std::size_t(n), destination);
        }
        if (n < 0)
            continue; // EINTR
        if (n == 0)
            return true;
        copied += n;
        sinceCheck += n;
        if (keepGoing && sinceCheck >= kChunk && copied < size) {
            sinceCheck = 0;
            if (!keepGoing())
                return false;
        }
    }
}

QByteArray readLink(const QByteArray &src, const QString &source, std::int64_t sizeHint)
{
    QByteArray target(qsizetype(std::max<std::int64_t>(sizeHint, 255) + 1), '\0');
    for (;;) {
        const ssize_t n = ::readlink(src.constData(), target.data(), std::size_t(target.size()));
        if (n < 0)
            failSource(errno, source);
        if (n < target.size()) {
            target.truncate(n);
            return target;
        }
        target.resize(target.size() * 2); // the link grew since lstat
    }
}

void copyLink(const QByteArray &src, const struct stat &st, const QByteArray &dst,
              const QString &source, const QString &destination, bool replace)
{
    const QByteArray target = readLink(src, source, st.st_size);
    TempEntry tmp;
    for (int attempt = 0;; ++attempt) {
        tmp.path = tempPath(dst);
        if (::symlink(target.constData(), tmp.path.constData()) == 0)
            break;
        if (errno != EEXIST || attempt == kTempAttempts)
            fail(errno, destination);
    }
    tmp.armed = true;
    if (::geteuid() == 0 && ::lchown(tmp.path.constData(), st.st_uid, st.st_gid) != 0) {
        // a link has no mode to misuse, so root's ownership is harmless
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, tmp.path.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail(errno, destination);
    putInPlace(tmp.path, dst, replace, destination);
    tmp.armed = false;
}

} // namespace

bool copyFile(const QString &source, const QString &destination,
              const std::function<bool()> &keepGoing, bool replace)
{
    const QByteArray src = encoded(source), dst = encoded(destination);
    if (dst.isEmpty() || dst.endsWith('/'))
        throw refusal(destination);

    struct stat st {};
    if (::lstat(src.constData(), &st) != 0)
        failSource(errno, source);
    if (S_ISLNK(st.st_mode)) {
        checkDestination(dst, destination);
        copyLink(src, st, dst, source, destination, replace);
        return true;
    }
    if (!S_ISREG(st.st_mode))
        throw refusal(source); // folders, FIFOs and devices are never opened
    checkDestination(dst, destination);

    // O_NONBLOCK: a FIFO swapped in after lstat must not hang the run.
    Fd in(::open(src.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.get() < 0)
        failSource(errno, source);
    if (::fstat(in.get(), &st) != 0)
        failSource(errno, source);
    if (!S_ISREG(st.st_mode))
        throw refusal(source);

    TempEntry tmp; // declared before out: the file is closed, then removed
    Fd out;
    for (int attempt = 0;; ++attempt) {
        tmp.path = tempPath(dst);
        const int fd = ::open(tmp.path.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            out.reset(fd);
            break;
        }
        if (errno != EEXIST || attempt == kTempAttempts)
            fail(errno, destination);
    }
    tmp.armed = true;

    if (!copyContent(in.get(), out.get(), st.st_size, keepGoing, source, destination))
        return false;

    mode_t mode = st.st_mode & 07777;
    // A copy made by root keeps its owner; a set-user-ID file must never
    // become root's by being copied.
    if (::geteuid() == 0 && ::fchown(out.get(), st.st_uid, st.st_gid) != 0)
        mode &= ~mode_t(06000);
    if (::fchmod(out.get(), mode) != 0)
        fail(errno, destination);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.get(), times) != 0)
        fail(errno, destination);
    // No flush per file: the rename already makes the replacement atomic, and
    // ext4 writes a file's data before a rename replaces another with it. A
    // flush per file made small copies up to fifteen times slower.
    if (::close(out.release()) != 0)
        fail(errno, destination);
    putInPlace(tmp.path, dst, replace, destination);
    tmp.armed = false;
    return true;
}

void createFolder(const QString &path)
{
    if (::mkdir(encoded(path).constData(), 0777) != 0)
        fail(errno, path); // EEXIST is 75
}

void removeEmptyFolder(const QString &path)
{
    if (::rmdir(encoded(path).constData()) != 0)
        fail(errno, path); // ENOTEMPTY and EEXIST are 75
}

bool pathExists(const QString &path)
{
    struct stat st {};
    return ::lstat(encoded(path).constData(), &st) == 0;
}

bool folderExists(const QString &path, bool followLink)
{
    struct stat st {};
    const QByteArray p = encoded(path);
    return (followLink ? ::stat(p.constData(), &st) : ::lstat(p.constData(), &st)) == 0 && S_ISDIR(st.st_mode);
}

bool listsName(const QString &folder, const QString &name)
{
    DIR *dir = ::opendir(encoded(folder).constData());
    if (!dir)
        return false;
    const QByteArray wanted = encoded(name);
    bool found = false;
    while (const dirent *e = ::readdir(dir))
        if (wanted == e->d_name) {
            found = true;
            break;
        }
    ::closedir(dir);
    return found;
}

Stamp stamp(const QString &path)
{
    struct stat st {};
    if (::lstat(encoded(path).constData(), &st) != 0)
        fail(errno, path);
    return {std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec),
            std::int64_t(st.st_mtim.tv_nsec)};
}

namespace {

QString tidyFolder(const QString &folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    return f;
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

const FoldedNames::Names *FoldedNames::namesOf(const QString &folder)
{
    auto it = m_folders.constFind(folder);
    if (it != m_folders.cend())
        return &*it;

    DIR *dir = ::opendir(encoded(folder).constData());
    if (!dir)
        return nullptr;
    QStringList real;
    int err = 0;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(dir);
        if (!e) {
            err = errno;
            break;
        }
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        real.append(FileNames::fromBytes(n));
    }
    ::closedir(dir);
    if (err != 0)
        return nullptr; // half a listing would send copies beside existing names

    std::sort(real.begin(), real.end());
    Names names;
    for (const QString &name : std::as_const(real))
        names.add(name);
    return &*m_folders.insert(folder, std::move(names));
}

void FoldedNames::Names::add(const QString &name)
{
    exact.insert(name);
    byFold[CaseFold::folded(name)].append(name);
}

QString FoldedNames::resolve(const QString &root, const QString &relativePath, bool adoptVariant,
                             bool *clash)
{
    *clash = false;
    QString path = tidyFolder(root);
    bool existing = true;
    for (QStringView part : QStringView(relativePath).split(u'/', Qt::SkipEmptyParts)) {
        QString name = part.toString();
        if (existing) {
            const Names *names = namesOf(path);
            if (!names || !names->exact.contains(name)) {
                const auto variants = names ? names->byFold.constFind(CaseFold::folded(name)) : Names::Folded::const_iterator();
                if (names && variants != names->byFold.cend()) {
                    if (!adoptVariant || variants->size() != 1) {
                        *clash = true; // another spelling is there: never a second one beside it
                        return joined(path, name);
                    }
                    name = variants->front();
                } else {
                    existing = false;
                }
            }
        }
        path = joined(path, name);
    }
    return path;
}

void FoldedNames::noteCreated(const QString &folder, const QString &name)
{
    auto it = m_folders.find(tidyFolder(folder));
    if (it == m_folders.end())
        return; // not read yet: the listing will show it
    // Only exactly: a spelling the run itself made is one the pairing chose
    // (both sides hold both), not another item to keep away from.
    it->exact.insert(name);
}

} // namespace FileOps
