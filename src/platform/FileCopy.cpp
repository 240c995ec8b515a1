#include "FileOps.h"

#include "FileNames.h"
#include "FileOpsDetail.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace FileOps {

using detail::Fd;
using detail::fail;

namespace {

// Large enough for the kernel to copy efficiently, small enough that Cancel
// is noticed within a fraction of a second even on a slow disk.
constexpr std::int64_t kChunk = 4 << 20;
constexpr std::size_t kBuffer = 1 << 20;
constexpr int kTempAttempts = 100;

// The item being copied could not be read: the run skips it, it does not stop.
[[noreturn]] void failSource(int err, const QString &path) { throw SourceError(AppError::fromErrno(err, path)); }

bool refusesLinks(int err) { return err == EPERM || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK; }

// Removes the temporary entry on every way out, unless it was put in place.
struct TempEntry {
    int folder = -1;
    QByteArray name;
    bool armed = false;
    TempEntry() = default;
    TempEntry(const TempEntry &) = delete;
    TempEntry &operator=(const TempEntry &) = delete;
    ~TempEntry()
    {
        if (armed)
            ::unlinkat(folder, name.constData(), 0);
    }
};

Stamp stampOf(const struct stat &st)
{
    return {std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec), std::int64_t(st.st_mtim.tv_nsec)};
}

// Refuses a destination the copy must not replace.
void checkDestination(int folder, const QByteArray &name, const QString &destination)
{
    struct stat st {};
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return;
        fail(errno, destination);
    }
    if (S_ISLNK(st.st_mode))
        return; // the link itself is replaced; where it points is none of our business
    if (!S_ISREG(st.st_mode))
        throw detail::refusal(destination);
    // rename() would replace a write-protected file, and root passes every
    // access() check: the mode bits are the user's word, so they decide.
    if ((st.st_mode & 0222) == 0)
        throw detail::refusal(destination);
    if (::faccessat(folder, name.constData(), W_OK, 0) != 0) {
        if (errno == EACCES)
            throw detail::refusal(destination, EACCES);
        fail(errno, destination);
    }
}

// Puts the finished temporary file in place. A destination that must be new
// is never replaced, not even by a name the disk takes for the same one (a
// case-insensitive disk may fold letters we tell apart); one that must be
// unchanged is looked at once more right before the rename.
void putInPlace(TempEntry &tmp, const QByteArray &name, Replace how, const Stamp &expected,
                const QString &destination)
{
    const int folder = tmp.folder;
    auto rename = [&] {
        if (::renameat(folder, tmp.name.constData(), folder, name.constData()) != 0)
            fail(errno, destination);
        tmp.armed = false;
    };
    if (how == Replace::Yes)
        return rename();
    if (how == Replace::IfUnchanged) {
        struct stat st {};
        if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || stampOf(st) != expected)
            throw ChangedSinceLooked(destination);
        return rename();
    }
    if (::renameat2(folder, tmp.name.constData(), folder, name.constData(), RENAME_NOREPLACE) == 0) {
        tmp.armed = false;
        return;
    }
    if (errno == EEXIST)
        fail(EEXIST, destination);
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        fail(errno, destination);
    // Without the kernel's flag (FUSE disks often refuse it), a hard link
    // cannot replace anything either.
    if (::linkat(folder, tmp.name.constData(), folder, name.constData(), 0) == 0) {
        ::unlinkat(folder, tmp.name.constData(), 0);
        tmp.armed = false;
        return;
    }
    if (!refusesLinks(errno))
        fail(errno, destination);
    // No hard links either (FAT, exFAT): a last look right before the rename.
    struct stat st {};
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        fail(EEXIST, destination);
    rename();
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
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
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

QByteArray readLink(int folder, const QByteArray &name, const QString &source, std::int64_t sizeHint)
{
    QByteArray target(qsizetype(std::max<std::int64_t>(sizeHint, 255) + 1), '\0');
    for (;;) {
        const ssize_t n = ::readlinkat(folder, name.constData(), target.data(), std::size_t(target.size()));
        if (n < 0)
            failSource(errno, source);
        if (n < target.size()) {
            target.truncate(n);
            return target;
        }
        target.resize(target.size() * 2); // the link grew since it was looked at
    }
}

// A temporary entry of ours in the destination folder, made by make(name),
// which returns -1 with errno set when it could not.
template <class Make>
int makeTemporary(TempEntry &tmp, const QByteArray &name, const QString &destination, Make make)
{
    for (int attempt = 0;; ++attempt) {
        tmp.name = temporaryName(name);
        const int r = make(tmp.name);
        if (r >= 0) {
            tmp.armed = true;
            return r;
        }
        if (errno == EACCES)
            throw detail::refusal(destination, EACCES); // a folder we may not write into
        if (errno != EEXIST || attempt == kTempAttempts)
            fail(errno, destination);
    }
}

} // namespace

ChangedSinceLooked::ChangedSinceLooked(const QString &path)
    : AppError(ErrorCode::PathFileAccess, errorText(ErrorCode::PathFileAccess) + QStringLiteral(": ") + FileNames::shown(path))
{
}

bool copyFile(Tree &from, const QString &fromRel, Tree &to, const QString &toRel, Replace how,
              const Stamp &expected, const std::function<bool()> &keepGoing)
{
    const QString source = from.pathOf(fromRel), destination = to.pathOf(toRel);
    const QByteArray srcName = detail::lastName(fromRel), dstName = detail::lastName(toRel);
    if (!detail::plainName(dstName))
        throw detail::refusal(destination);
    int srcFolder;
    try {
        srcFolder = from.folder(detail::parentOf(fromRel)).descriptor();
    } catch (const AppError &e) {
        throw SourceError(e);
    }
    to.requireWritable(detail::parentOf(toRel));
    const int dstFolder = to.folder(detail::parentOf(toRel)).descriptor();

    struct stat st {};
    if (::fstatat(srcFolder, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        failSource(errno, source);
    if (!S_ISLNK(st.st_mode) && !S_ISREG(st.st_mode))
        throw detail::refusal(source); // folders, FIFOs and devices are never opened
    checkDestination(dstFolder, dstName, destination);
    TempEntry tmp; // declared before out: the file is closed, then removed
    tmp.folder = dstFolder;

    if (S_ISLNK(st.st_mode)) {
        const QByteArray target = readLink(srcFolder, srcName, source, st.st_size);
        makeTemporary(tmp, dstName, destination, [&](const QByteArray &n) {
            return ::symlinkat(target.constData(), dstFolder, n.constData());
        });
        if (::geteuid() == 0 && ::fchownat(dstFolder, tmp.name.constData(), st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0) {
            // a link has no mode to misuse, so root's ownership is harmless
        }
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::utimensat(dstFolder, tmp.name.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
            fail(errno, destination);
        putInPlace(tmp, dstName, how, expected, destination);
        return true;
    }

    // O_NONBLOCK: a FIFO swapped in after the look must not hang the run.
    Fd in(::openat(srcFolder, srcName.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.get() < 0)
        failSource(errno, source);
    if (::fstat(in.get(), &st) != 0)
        failSource(errno, source);
    if (!S_ISREG(st.st_mode))
        throw detail::refusal(source);

    Fd out(makeTemporary(tmp, dstName, destination, [&](const QByteArray &n) {
        return ::openat(dstFolder, n.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    }));
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
    putInPlace(tmp, dstName, how, expected, destination);
    return true;
}

} // namespace FileOps
