#include "engine/fs/FileOps.h"

#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOpsDetail.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace FileOps {

namespace {

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

bool writeAll(int fd, const QByteArray &data)
{
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// A list reached through a link may itself be named *.bak.
QByteArray companionOf(const QByteArray &path)
{
    const qsizetype nameLength = path.size() - path.lastIndexOf('/') - 1;
    QByteArray bak = nameLength > 3 ? path.chopped(3) + "bak" : path + ".bak";
    if (bak == path)
        bak += ".bak";
    return bak;
}

// Removes everything below an open folder (closed here), depth first.
void removeContents(int dirFd, dev_t device, const QString &shownPath)
{
    DIR *d = ::fdopendir(dirFd);
    if (!d) {
        const int err = errno;
        ::close(dirFd);
        throw AppError::fromErrno(err, shownPath);
    }
    std::unique_ptr<DIR, int (*)(DIR *)> closer(d, ::closedir);
    while (const dirent *e = ::readdir(d)) {
        const char *name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        struct statx sx {};
        if (::statx(::dirfd(d), name, AT_SYMLINK_NOFOLLOW, STATX_TYPE, &sx) != 0)
            continue; // gone meanwhile
        const QString child = shownPath + QLatin1Char('/') + FileNames::fromBytes(name);
        const bool folder = S_ISDIR(sx.stx_mode);
        if (folder) {
            // A bind mount of the same disk keeps the device number; the mount root mark tells.
            if (makedev(sx.stx_dev_major, sx.stx_dev_minor) != device
                || (sx.stx_attributes_mask & sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
                throw AppError(ErrorCode::PathFileAccess, QStringLiteral("A file system is mounted inside: ") + child);
            const int sub = ::openat(::dirfd(d), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0)
                throw AppError::fromErrno(errno, child);
            removeContents(sub, device, child);
        }
        if (::unlinkat(::dirfd(d), name, folder ? AT_REMOVEDIR : 0) != 0)
            throw AppError::fromErrno(errno, child);
    }
}

} // namespace

QByteArray readFile(const QString &path, bool *exists, std::int64_t maxBytes)
{
    if (exists)
        *exists = false;
    const int fd = ::open(FileNames::toBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        throw AppError::fromErrno(errno, path);
    }
    if (exists)
        *exists = true;
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw AppError::fromErrno(errno, path);
    if (!S_ISREG(st.st_mode))
        throw AppError::fromErrno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, path);
    QByteArray data;
    char buffer[65536];
    while (data.size() < maxBytes) {
        const ssize_t n = ::read(fd, buffer, size_t(std::min<std::int64_t>(sizeof buffer, maxBytes - data.size())));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw AppError::fromErrno(errno, path);
        if (n == 0)
            break;
        data.append(buffer, n);
    }
    return data;
}

void replaceFile(const QString &path, const QByteArray &data, bool companion)
{
    QByteArray target = FileNames::toBytes(path);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // A file kept elsewhere through a link stays there, and the link stays.
        char *real = ::realpath(target.constData(), nullptr);
        if (!real)
            throw AppError::fromErrno(errno, path);
        target = real;
        std::free(real);
    }
    const bool existed = ::stat(target.constData(), &st) == 0;
    // A rename would replace a write-protected file; the user protected it, so we don't.
    if (existed && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0))
        throw AppError(ErrorCode::PathFileAccess, errorText(ErrorCode::PathFileAccess) + QStringLiteral(": ") + path);

    const QByteArray name = target.mid(target.lastIndexOf('/') + 1);
    const QByteArray tmp =
        companion ? companionOf(target) : folderOf(target) + '/' + temporaryName(name);
    if (companion)
        ::unlink(tmp.constData()); // left by a crash, or anything else by that name
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw AppError::fromErrno(errno, FileNames::fromBytes(tmp));
    int err = writeAll(fd, data) ? 0 : errno;
    if (!err && existed) {
        if (::geteuid() == 0)
            (void)::fchown(fd, st.st_uid, st.st_gid);
        if (::fchmod(fd, st.st_mode & 07777) != 0)
            err = errno;
    }
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(tmp.constData(), target.constData()) != 0)
        err = errno;
    if (err) {
        ::unlink(tmp.constData());
        throw AppError::fromErrno(err, path);
    }
    // The rename itself must survive a power cut, not only the data.
    const int folder = ::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
}

void ensureFile(const QString &path)
{
    const QByteArray p = FileNames::toBytes(path);
    // O_EXCL: an existing file, or a link to one, is never truncated.
    const int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    const int err = errno;
    struct stat st {};
    if (err != EEXIST || ::stat(p.constData(), &st) != 0)
        throw AppError::fromErrno(err, path);
}

void createFolder(const QString &path)
{
    if (::mkdir(FileNames::toBytes(path).constData(), 0777) != 0)
        throw AppError::fromErrno(errno, path); // EEXIST is 75
}

void createFolders(const QString &path)
{
    // Made one level at a time by its bytes: a legacy name would not survive Qt's own calls.
    const QByteArray p = FileNames::toBytes(QDir::cleanPath(path));
    int err = 0;
    for (qsizetype slash = p.indexOf('/', 1); slash > 0; slash = p.indexOf('/', slash + 1)) {
        if (::mkdir(p.left(slash).constData(), 0777) != 0 && errno != EEXIST)
            err = errno;
    }
    if (::mkdir(p.constData(), 0777) == 0)
        return;
    // A missing level says less than why it could not be made.
    if (errno != ENOENT || err == 0)
        err = errno;
    struct stat st {};
    if (::stat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return;
    throw AppError::fromErrno(err == EEXIST ? ENOTDIR : err, path);
}

Version fileVersion(const QString &path)
{
    struct stat st {};
    if (::stat(FileNames::toBytes(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const auto ns = [](const timespec &t) { return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return {std::int64_t(st.st_dev), std::int64_t(st.st_ino), st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
}

QString nearestFolder(const QString &path, std::uint64_t *device)
{
    QByteArray p = FileNames::toBytes(path);
    for (;;) {
        struct stat st {};
        if (::stat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            *device = st.st_dev;
            return FileNames::fromBytes(p);
        }
        if (!p.contains('/') || p == "/")
            return {};
        p = folderOf(p);
    }
}

int probeIgnoresCase(const QString &folder)
{
    const QByteArray name = temporaryName("case");
    const QByteArray lower = FileNames::toBytes(folder) + '/' + name;
    const int fd = ::open(lower.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    ::close(fd);
    struct stat st {};
    const bool found = ::lstat((FileNames::toBytes(folder) + '/' + name.toUpper()).constData(), &st) == 0;
    ::unlink(lower.constData());
    return found ? 1 : 0;
}

QString resolvedPath(const QString &path)
{
    QByteArray head = FileNames::toBytes(path), rest;
    for (;;) {
        if (char *real = ::realpath(head.isEmpty() ? "." : head.constData(), nullptr)) {
            QByteArray resolved(real);
            std::free(real);
            if (!rest.isEmpty())
                resolved += (resolved.endsWith('/') ? "" : "/") + rest;
            return FileNames::fromBytes(resolved);
        }
        if (head.isEmpty() || head == "/")
            return path;
        const qsizetype slash = head.lastIndexOf('/');
        rest = head.mid(slash + 1) + (rest.isEmpty() ? QByteArray() : '/' + rest);
        head = slash < 0 ? QByteArray() : slash == 0 ? QByteArray("/") : head.left(slash);
    }
}

void removeTree(const QString &path)
{
    const QByteArray p = FileNames::toBytes(path);
    struct stat st {};
    if (::lstat(p.constData(), &st) != 0) {
        if (errno == ENOENT)
            return;
        throw AppError::fromErrno(errno, path);
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(p.constData()) != 0)
            throw AppError::fromErrno(errno, path);
        return;
    }
    const int fd = ::open(p.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw AppError::fromErrno(errno, path);
    removeContents(fd, st.st_dev, path);
    if (::rmdir(p.constData()) != 0)
        throw AppError::fromErrno(errno, path);
}


Kind kindAt(const QString &path)
{
    struct stat st {};
    if (::stat(FileNames::toBytes(path).constData(), &st) != 0)
        return Kind::Missing;
    return S_ISDIR(st.st_mode) ? Kind::Folder : S_ISREG(st.st_mode) ? Kind::File : Kind::Other;
}

QByteArray readDeviceStart(const QString &path, int bytes)
{
    detail::Fd fd(::open(FileNames::toBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return {};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)))
        return {};
    QByteArray data(bytes, '\0');
    const ssize_t n = ::pread(fd.get(), data.data(), std::size_t(bytes), 0);
    data.truncate(n < 0 ? 0 : qsizetype(n));
    return data;
}

} // namespace FileOps
