// The disk side of undo data: holding folders, journals, putting files back.
#include "engine/fs/FileOps.h"

#include "engine/fs/FileNames.h"
#include "engine/fs/FileOpsDetail.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace FileOps {

using detail::Fd;
using detail::fail;

namespace {

std::int64_t bytesIn(const Folder &folder, const QString &path)
{
    std::int64_t total = 0;
    std::vector<QByteArray> folders;
    list(folder, true, [&](const char *name, Kind kind, const Stamp &stamp) {
        if (kind == Kind::Folder)
            folders.emplace_back(name);
        else
            total += stamp.size;
    });
    for (const QByteArray &name : folders) {
        try {
            total += bytesIn(folder.sub(name, path), path);
        } catch (const AppError &) {
            // gone meanwhile, or not to be entered: not counted
        }
    }
    return total;
}

} // namespace

Folder makeHoldingFolder(Tree &tree, const QByteArray &top, const QByteArray &name)
{
    const Folder &root = tree.folder(QString());
    const QString topPath = tree.pathOf(FileNames::fromBytes(top));
    if (::mkdirat(root.descriptor(), top.constData(), 0700) != 0 && errno != EEXIST)
        throw errno == EACCES ? detail::refusal(topPath, EACCES) : AppError::fromErrno(errno, topPath);
    const Folder holding = root.sub(top, topPath);
    const QString path = topPath + QLatin1Char('/') + FileNames::fromBytes(name);
    if (::mkdirat(holding.descriptor(), name.constData(), 0700) != 0)
        fail(errno, path);
    return holding.sub(name, path);
}

void putBack(Tree &hold, Tree &tree, const QString &rel)
{
    const QString up = detail::parentOf(rel);
    const QByteArray name = detail::lastName(rel);
    const int from = hold.folder(up).descriptor();
    const int to = tree.folder(up, true).descriptor();
    tree.noteWrite(up);
    if (detail::renameKeepingTimes(from, name.constData(), to, name.constData()) == 0)
        return;
    if (errno != EXDEV)
        fail(errno, tree.pathOf(rel));
    copyFile(hold, rel, tree, rel, Replace::Yes);
    hold.removeFile(rel);
}

std::int64_t freeBytes(const QString &path)
{
    struct statvfs fs {};
    // Some FUSE disks report no size at all: unknown, not full.
    if (::statvfs(FileNames::toBytes(path).constData(), &fs) != 0 || fs.f_blocks == 0)
        return -1;
    return std::int64_t(fs.f_bavail) * std::int64_t(fs.f_frsize);
}

QByteArray readFileEnd(const QString &path, int bytes)
{
    Fd fd(::open(FileNames::toBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const off_t at = std::max<off_t>(0, st.st_size - bytes);
    QByteArray data(qsizetype(st.st_size - at), '\0');
    const ssize_t n = ::pread(fd.get(), data.data(), std::size_t(data.size()), at);
    data.truncate(n < 0 ? 0 : qsizetype(n));
    return data;
}

std::int64_t bytesUnder(const QString &path)
{
    try {
        return bytesIn(Folder::open(path), path);
    } catch (const AppError &) {
        return 0;
    }
}

Journal::Journal(const Folder &folder, const QByteArray &name, const QString &shownPath) : m_path(shownPath)
{
    m_fd = ::openat(folder.descriptor(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC,
                    0600);
    if (m_fd < 0)
        fail(errno, shownPath);
}

Journal::~Journal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Journal::Journal(Journal &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

void Journal::append(const QByteArray &line)
{
    // One write: a line is in the file whole or not at all, as long as the
    // kernel holds it (a crash of the disk may still cut the last one).
    const ssize_t n = ::write(m_fd, line.constData(), std::size_t(line.size()));
    if (n < 0)
        fail(errno, m_path);
    if (n != line.size())
        fail(ENOSPC, m_path);
}

void Journal::sync()
{
    if (::fdatasync(m_fd) != 0 && errno != EINVAL)
        fail(errno, m_path);
}

} // namespace FileOps
