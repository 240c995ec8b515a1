#include "engine/fs/FileOps.h"

#include "engine/fs/FileNames.h"
#include "engine/fs/FileOpsDetail.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace FileOps {

using detail::Fd;
using detail::fail;

namespace {

// Large enough for the kernel to copy efficiently, small enough that Cancel
// is noticed within a fraction of a second even on a slow disk.
constexpr std::int64_t kChunk = 4 << 20;
constexpr std::size_t kBuffer = 1 << 20;
constexpr std::int64_t kStartWriting = 1 << 20;
constexpr int kTempAttempts = 100;

// The item being copied could not be read: the run skips it, it does not stop.
[[noreturn]] void failSource(int err, const QString &path) { throw SourceError(AppError::fromErrno(err, path)); }

bool runByRoot()
{
    static const bool root = ::geteuid() == 0;
    return root;
}

// Files made without a name are linked in through /proc.
bool unnamedFiles()
{
    static const bool proc = ::access("/proc/self/fd", X_OK) == 0;
    return proc;
}

bool refusesLinks(int err) { return err == EPERM || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK; }

// How FAT, exFAT and NTFS disks refuse what they cannot record: the copy
// goes on without it.
bool refusedByDisk(int err) { return err == EPERM || err == ENOSYS || err == EOPNOTSUPP; }

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

Stamp stampAt(int folder, const QByteArray &name, const QString &destination)
{
    struct stat st {};
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        fail(errno, destination);
    return stampOf(st);
}

// Makes sure a file is on the disk, not just in memory.
void syncFile(int folder, const QByteArray &name, const QString &path)
{
    Fd fd(::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() >= 0 && ::fsync(fd.get()) != 0 && errno != EINVAL)
        fail(errno, path);
    if (::fsync(folder) != 0 && errno != EINVAL)
        fail(errno, path);
}

// Where the file about to be replaced went, so that the name never stays
// empty for long and a failed rename can give it back.
struct Held {
    enum { Nothing, Linked, Moved } how = Nothing;
    int folder = -1;
};

Held keepOld(Keeper &keeper, Tree &to, const QString &toRel, int folder, const QByteArray &name)
{
    Tree &hold = keeper.holding();
    const QString up = detail::parentOf(toRel);
    const int held = hold.folder(up, true).descriptor();
    hold.noteWrite(up);
    if (::linkat(folder, name.constData(), held, name.constData(), 0) == 0)
        return {Held::Linked, held};
    int err = errno;
    if (err == ENOENT)
        return {};
    // FAT and exFAT have no hard links: the old file moves over, and the new
    // one follows it into the name within the next system call.
    if (refusesLinks(err)) {
        if (detail::renameKeepingTimes(folder, name.constData(), held, name.constData()) == 0)
            return {Held::Moved, held};
        err = errno;
    }
    if (err != EXDEV)
        fail(err, hold.pathOf(toRel));
    // A folder mounted below the root: the old file is copied over, and on
    // the disk before it is replaced.
    copyFile(to, toRel, hold, toRel, Replace::No);
    syncFile(hold.folder(up).descriptor(), name, hold.pathOf(toRel));
    return {Held::Linked, held};
}

// Puts the finished temporary file in place. A destination that must be new
// is never replaced, not even by a name the disk takes for the same one (a
// case-insensitive disk may fold letters we tell apart); one that must be
// unchanged is looked at once more right before the rename.
void putInPlace(TempEntry &tmp, const QByteArray &name, Replace how, const Stamp &expected,
                const QString &destination, Keeper *keeper, Tree *to, const QString &toRel)
{
    const int folder = tmp.folder;
    auto rename = [&] {
        Held held;
        if (keeper) {
            const Stamp made = stampAt(folder, tmp.name, destination);
            keeper->replacing(toRel, made);
            held = keepOld(*keeper, *to, toRel, folder, name);
            if (held.how == Held::Nothing)
                keeper->creating(toRel, made); // gone meanwhile: nothing was replaced
        }
        if (::renameat(folder, tmp.name.constData(), folder, name.constData()) != 0) {
            const int err = errno;
            if (held.how == Held::Moved)
                ::renameat(held.folder, name.constData(), folder, name.constData());
            fail(err, destination);
        }
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
    if (keeper)
        keeper->creating(toRel, stampAt(folder, tmp.name, destination));
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
    if (::renameat(folder, tmp.name.constData(), folder, name.constData()) != 0)
        fail(errno, destination);
    tmp.armed = false;
}

// at < 0: at the file's position.
void writeAll(int fd, const char *p, std::size_t left, const QString &destination, off_t at = -1)
{
    while (left > 0) {
        const ssize_t n = at < 0 ? ::write(fd, p, left) : ::pwrite(fd, p, left, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno, destination);
        if (n == 0)
            fail(ENOSPC, destination);
        p += n;
        left -= std::size_t(n);
        if (at >= 0)
            at += n;
    }
}

// Copies a piece of a file, by the kernel while it can, else through a
// buffer. at < 0: at both files' positions. Returns the bytes copied, 0 at
// the source's end, -1 when interrupted by a signal.
class Pieces {
public:
    Pieces(int in, int out, const QString &source, const QString &destination)
        : m_in(in), m_out(out), m_source(source), m_destination(destination)
    {
    }
    // mayEnd: whether the source may end here; where it should not, an early
    // end of the kernel's copy is checked by read().
    ssize_t copy(off_t at, std::int64_t want, bool mayEnd)
    {
        if (m_kernel) {
            loff_t from = at, to = at;
            const std::size_t n = std::size_t(std::min(want, kChunk));
            const ssize_t r = at < 0 ? ::copy_file_range(m_in, nullptr, m_out, nullptr, n, 0)
                                     : ::copy_file_range(m_in, &from, m_out, &to, n, 0);
            if (r > 0 || (r == 0 && mayEnd))
                return r;
            if (r < 0 && errno == EINTR)
                return -1;
            if (r < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                fail(errno, m_destination);
            m_kernel = false; // the offsets stay where they were
        }
        if (!m_buffer)
            m_buffer.reset(new char[kBuffer]);
        const std::size_t n = std::size_t(std::min<std::int64_t>(want, kBuffer));
        const ssize_t r = at < 0 ? ::read(m_in, m_buffer.get(), n) : ::pread(m_in, m_buffer.get(), n, at);
        if (r < 0 && errno == EINTR)
            return -1;
        if (r < 0)
            failSource(errno, m_source);
        writeAll(m_out, m_buffer.get(), std::size_t(r), m_destination, at);
        return r;
    }

private:
    int m_in, m_out;
    const QString &m_source, &m_destination;
    bool m_kernel = true;
    std::unique_ptr<char[]> m_buffer;
};

bool copyContent(int in, int out, std::int64_t size, const std::function<bool()> &keepGoing,
                 const QString &source, const QString &destination)
{
    Pieces pieces(in, out, source, destination);
    std::int64_t copied = 0, sinceCheck = 0;
    for (;;) {
        const ssize_t n = pieces.copy(-1, kChunk, copied >= size);
        if (n < 0)
            continue;
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

// fusefat gives a file renamed after writing the time of the rename, so on
// FUSE disks the final name is looked at once more. FAT keeps times in 2-second steps: less
// than that off is all the disk can hold.
void keepModified(int folder, const QByteArray &name, const struct stat &src, const QString &destination)
{
    struct stat st {};
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        fail(errno, destination);
    const std::int64_t seconds = std::int64_t(st.st_mtim.tv_sec) - src.st_mtim.tv_sec;
    if (seconds > -3 && seconds < 3
        && std::abs(seconds * 1'000'000'000 + (st.st_mtim.tv_nsec - src.st_mtim.tv_nsec)) < 2'000'000'000)
        return;
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    if (::utimensat(folder, name.constData(), times, AT_SYMLINK_NOFOLLOW) != 0 && !refusedByDisk(errno))
        fail(errno, destination);
}

constexpr char kAccessAcl[] = "system.posix_acl_access";

// The source's user attributes and POSIX ACLs. Other namespaces belong to the
// system (security labels) or to root's own tools.
std::vector<std::pair<QByteArray, QByteArray>> attributesOf(int fd, const QString &source)
{
    QByteArray names(256, '\0'); // most files have none, or a few short names
    for (;;) {
        ssize_t n = ::flistxattr(fd, names.data(), std::size_t(names.size()));
        if (n < 0 && errno == ERANGE) {
            n = ::flistxattr(fd, nullptr, 0);
            if (n >= 0) {
                names.resize(n);
                n = ::flistxattr(fd, names.data(), std::size_t(names.size()));
            }
        }
        if (n >= 0) {
            names.truncate(n);
            break;
        }
        if (refusedByDisk(errno))
            return {};
        if (errno != ERANGE) // ERANGE: one was added meanwhile
            failSource(errno, source);
    }
    std::vector<std::pair<QByteArray, QByteArray>> attributes;
    for (const QByteArray &name : names.split('\0')) {
        if (!name.startsWith("user.") && name != kAccessAcl && name != "system.posix_acl_default")
            continue;
        QByteArray value;
        ssize_t n;
        do {
            n = ::fgetxattr(fd, name.constData(), nullptr, 0);
            if (n >= 0) {
                value.resize(n);
                n = ::fgetxattr(fd, name.constData(), value.data(), std::size_t(value.size()));
            }
        } while (n < 0 && errno == ERANGE);
        if (n >= 0)
            attributes.emplace_back(name, value.left(n));
        else if (errno != ENODATA && !refusedByDisk(errno)) // ENODATA: removed meanwhile
            failSource(errno, source);
    }
    return attributes;
}

// A disk without room for the attribute's kind goes without it.
void setAttribute(int fd, const std::pair<QByteArray, QByteArray> &a, const QString &destination)
{
    if (::fsetxattr(fd, a.first.constData(), a.second.constData(), std::size_t(a.second.size()), 0) != 0
        && !refusedByDisk(errno))
        fail(errno, destination);
}

// The mode of a copy that cannot take its source's access ACL along. Its
// group bits show the ACL's mask, which may grant the owning group more than
// its own entry does, so they become what the owning group really had. The
// format: little-endian u32 version 2, then {u16 tag, u16 perm, u32 id}.
mode_t withoutAcl(mode_t mode, const QByteArray &acl)
{
    auto u16 = [&](qsizetype at) { return unsigned(uchar(acl[at])) | unsigned(uchar(acl[at + 1])) << 8; };
    unsigned group = 0, mask = 7; // a broken ACL grants the group nothing
    if (acl.size() >= 4 && u16(0) == 2 && u16(2) == 0) {
        for (qsizetype at = 4; at + 8 <= acl.size(); at += 8) {
            if (u16(at) == 0x04) // GROUP_OBJ
                group = u16(at + 2) & 7;
            else if (u16(at) == 0x10) // MASK
                mask = u16(at + 2) & 7;
        }
    }
    return (mode & ~mode_t(S_IRWXG)) | mode_t((group & mask) << 3);
}

enum class Copied { Whole, Stopped, NoHoles };

// A sparse file's data ranges alone, each at its own offset, so its holes
// stay holes instead of becoming blocks of zeros. NoHoles, before anything is
// written, where the source's file system cannot tell where they are.
Copied copyDataRanges(int in, int out, std::int64_t size, const std::function<bool()> &keepGoing,
                      const QString &source, const QString &destination)
{
    Pieces pieces(in, out, source, destination);
    std::int64_t sinceCheck = 0;
    off_t at = 0;
    for (bool more = true; more;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // the rest is a hole
        if (data < 0 && errno == EINVAL && at == 0)
            return Copied::NoHoles;
        if (data < 0)
            failSource(errno, source);
        const off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            failSource(errno, source);
        for (at = data; at < hole;) {
            if (keepGoing && sinceCheck >= kChunk) {
                sinceCheck = 0;
                if (!keepGoing())
                    return Copied::Stopped;
            }
            const ssize_t n = pieces.copy(at, hole - at, false);
            if (n == 0) {
                size = at; // the source is shorter now: the copy ends where it did
                more = false;
                break;
            }
            if (n > 0) {
                at += n;
                sinceCheck += n;
            }
        }
    }
    // Data written past the size looked at (the source grew) is kept.
    if (::ftruncate(out, std::max<std::int64_t>(size, at)) != 0)
        fail(errno, destination);
    return Copied::Whole;
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

CannotHold::CannotHold(const QString &path, int err) : AppError(AppError::fromErrno(err, path)) {}

CopyPlace placeCopy(Tree &from, const QString &fromRel, Tree &to, const QString &toRel)
{
    CopyPlace p;
    p.source = from.pathOf(fromRel);
    p.destination = to.pathOf(toRel);
    p.fromName = detail::lastName(fromRel);
    p.toName = detail::lastName(toRel);
    if (!detail::plainName(p.toName))
        throw detail::refusal(p.destination);
    try {
        p.fromFolder = from.folder(detail::parentOf(fromRel)).descriptor();
    } catch (const AppError &e) {
        throw SourceError(e);
    }
    to.requireWritable(detail::parentOf(toRel));
    p.toFolder = to.folder(detail::parentOf(toRel)).descriptor();
    p.syncEachFile = to.noteWrite(detail::parentOf(toRel));
    return p;
}

bool copyFile(Tree &from, const QString &fromRel, Tree &to, const QString &toRel, Replace how,
              const Stamp &expected, const std::function<bool()> &keepGoing, Keeper *keeper)
{
    return copyPlaced(placeCopy(from, fromRel, to, toRel), how, expected, keepGoing, keeper, &to, toRel);
}

bool copyPlaced(const CopyPlace &place, Replace how, const Stamp &expected, const std::function<bool()> &keepGoing,
                Keeper *keeper, Tree *toTree, const QString &toRel, Gate *gate)
{
    struct Inside {
        Gate *gate = nullptr;
        ~Inside()
        {
            if (gate)
                gate->leave();
        }
    } inside;
    auto enter = [&] {
        if (!gate)
            return true;
        if (!gate->enter())
            return false;
        inside.gate = gate;
        return true;
    };
    const QString &source = place.source, &destination = place.destination;
    const QByteArray &srcName = place.fromName, &dstName = place.toName;
    const int srcFolder = place.fromFolder, dstFolder = place.toFolder;
    const bool syncEachFile = place.syncEachFile;

    struct stat st {};
    if (::fstatat(srcFolder, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        failSource(errno, source);
    if (!S_ISLNK(st.st_mode) && !S_ISREG(st.st_mode))
        throw detail::refusal(source); // folders, FIFOs and devices are never opened
    // A destination that must be new needs no look: the rename refuses
    // whatever took the name.
    if (how != Replace::No)
        checkDestination(dstFolder, dstName, destination);
    TempEntry tmp; // declared before out: the file is closed, then removed
    tmp.folder = dstFolder;

    if (S_ISLNK(st.st_mode)) {
        const QByteArray target = readLink(srcFolder, srcName, source, st.st_size);
        makeTemporary(tmp, dstName, destination, [&](const QByteArray &n) {
            const int r = ::symlinkat(target.constData(), dstFolder, n.constData());
            if (r != 0 && refusedByDisk(errno))
                throw CannotHold(destination, errno);
            return r;
        });
        if (runByRoot() && ::fchownat(dstFolder, tmp.name.constData(), st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0) {
            // a link has no mode to misuse, so root's ownership is harmless
        }
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::utimensat(dstFolder, tmp.name.constData(), times, AT_SYMLINK_NOFOLLOW) != 0 && !refusedByDisk(errno))
            fail(errno, destination);
        if (!enter())
            return false;
        putInPlace(tmp, dstName, how, expected, destination, keeper, toTree, toRel);
        if (syncEachFile)
            keepModified(dstFolder, dstName, st, destination);
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

    // A file that must be new is written unnamed and linked in when whole:
    // one change of the folder instead of a create and a rename, and a run
    // killed meanwhile leaves nothing behind. Disks without unnamed files
    // (FUSE, FAT) get a named temporary.
    Fd out(how == Replace::No && unnamedFiles() ? ::openat(dstFolder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600) : -1);
    const bool unnamed = out.get() >= 0;
    if (!unnamed && errno == EACCES)
        throw detail::refusal(destination, EACCES);
    if (!unnamed)
        out.reset(makeTemporary(tmp, dstName, destination, [&](const QByteArray &n) {
            return ::openat(dstFolder, n.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        }));
    // Fewer blocks than bytes hint at holes; SEEK_DATA tells for sure.
    Copied copied = st.st_blocks * 512 < st.st_size
                        ? copyDataRanges(in.get(), out.get(), st.st_size, keepGoing, source, destination)
                        : Copied::NoHoles;
    if (copied == Copied::NoHoles)
        copied = copyContent(in.get(), out.get(), st.st_size, keepGoing, source, destination) ? Copied::Whole
                                                                                               : Copied::Stopped;
    if (copied == Copied::Stopped)
        return false;

    // User attributes go first: once the copy has its mode, its owner may no
    // longer have the write permission they need.
    const auto attributes = attributesOf(in.get(), source);
    const std::pair<QByteArray, QByteArray> *acl = nullptr;
    for (const auto &a : attributes) {
        if (a.first == kAccessAcl)
            acl = &a;
        else if (a.first.startsWith("user."))
            setAttribute(out.get(), a, destination);
    }
    mode_t mode = st.st_mode & 07777;
    // A copy made by root keeps its owner; a set-user-ID file must never
    // become root's by being copied.
    if (runByRoot() && ::fchown(out.get(), st.st_uid, st.st_gid) != 0)
        mode &= ~mode_t(06000);
    // The ACL comes after the mode and widens the group bits back to its
    // mask; a disk that refuses it keeps the narrower mode.
    if (acl)
        mode = withoutAcl(mode, acl->second);
    if (::fchmod(out.get(), mode) != 0 && !refusedByDisk(errno))
        fail(errno, destination);
    for (const auto &a : attributes)
        if (a.first.startsWith("system."))
            setAttribute(out.get(), a, destination);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.get(), times) != 0 && !refusedByDisk(errno))
        fail(errno, destination);
    // The run flushes each disk once at its end (a flush per file made small
    // copies up to fifteen times slower); that flush cannot reach a FUSE
    // disk's data, so there each file is flushed before it gets its name.
    if (syncEachFile && ::fsync(out.get()) != 0)
        fail(errno, destination);
    // The run's flush waits for every byte: a large file starts on its way to
    // the disk now, while the next ones are copied.
    if (!syncEachFile && st.st_size >= kStartWriting)
        ::sync_file_range(out.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    if (!enter())
        return false;
    if (unnamed) {
        // Never over anything: whatever took the name meanwhile is kept.
        if (keeper) {
            struct stat made {};
            if (::fstat(out.get(), &made) != 0)
                fail(errno, destination);
            keeper->creating(toRel, stampOf(made));
        }
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.get());
        if (::linkat(AT_FDCWD, self.constData(), dstFolder, dstName.constData(), AT_SYMLINK_FOLLOW) != 0)
            fail(errno, destination);
    }
    if (::close(out.release()) != 0)
        fail(errno, destination);
    if (!unnamed)
        putInPlace(tmp, dstName, how, expected, destination, keeper, toTree, toRel);
    if (syncEachFile)
        keepModified(dstFolder, dstName, st, destination);
    return true;
}

} // namespace FileOps
