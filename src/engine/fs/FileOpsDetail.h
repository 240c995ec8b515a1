#pragma once

// What the two halves of the file-system seam share; not for use elsewhere.
#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"

#include <QString>
#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileOps::detail {

[[noreturn]] inline void fail(int err, const QString &path) { throw AppError::fromErrno(err, path); }

// 75 with the standard text, or with the system's words where there are any.
inline AppError refusal(const QString &path, int err = 0)
{
    return AppError(ErrorCode::PathFileAccess,
                    (err ? systemText(err) : errorText(ErrorCode::PathFileAccess)) + QStringLiteral(": ") + FileNames::shown(path),
                    err);
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(-1); }
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

// "." and ".." are never names of items, and a name never holds "/".
inline bool plainName(const QByteArray &n)
{
    return !n.isEmpty() && n != "." && n != ".." && !n.contains('/');
}

// A folder that may be written into: its mode bits are the user's word, for
// root too, as with files.
inline void checkWritable(int folderFd, const QString &path)
{
    struct stat st {};
    if (::fstat(folderFd, &st) != 0)
        fail(errno, path);
    if ((st.st_mode & 0222) == 0)
        throw refusal(path);
}

inline QString parentOf(const QString &rel)
{
    const qsizetype slash = rel.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : rel.left(slash);
}

inline QByteArray lastName(const QString &rel)
{
    return FileNames::toBytes(rel.mid(rel.lastIndexOf(QLatin1Char('/')) + 1));
}

// rename() that keeps the file's times: fusefat gives a renamed file the
// current time. Returns 0, or -1 with errno set when the rename failed; a
// disk that refuses the times keeps what it has.
inline int renameKeepingTimes(int fromFolder, const char *from, int toFolder, const char *to)
{
    struct stat before {};
    const bool known = ::fstatat(fromFolder, from, &before, AT_SYMLINK_NOFOLLOW) == 0;
    if (::renameat(fromFolder, from, toFolder, to) != 0)
        return -1;
    struct stat after {};
    if (known && ::fstatat(toFolder, to, &after, AT_SYMLINK_NOFOLLOW) == 0
        && (after.st_mtim.tv_sec != before.st_mtim.tv_sec || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec)) {
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(toFolder, to, times, AT_SYMLINK_NOFOLLOW);
    }
    return 0;
}

} // namespace FileOps::detail
