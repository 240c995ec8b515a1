#include "engine/fs/FileOps.h"

#include "engine/paths/CaseFold.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOpsDetail.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace FileOps {

using detail::Fd;
using detail::checkWritable;
using detail::fail;
using detail::lastName;
using detail::parentOf;

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr decltype(statfs::f_type) kFuseMagic = 0x65735546;

// The first 8 hex digits of this boot's id: a pid names a process only within one boot.
const QByteArray &bootId()
{
    static const QByteArray id = [] {
        QByteArray hex;
        char text[64];
        const int fd = ::open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
        const ssize_t n = fd < 0 ? -1 : ::read(fd, text, sizeof text);
        if (fd >= 0)
            ::close(fd);
        for (ssize_t i = 0; i < n && hex.size() < 8; ++i)
            if ((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'a' && text[i] <= 'f'))
                hex += text[i];
        return hex.size() == 8 ? hex : QByteArray("00000000");
    }();
    return id;
}

// A stream over the folder from its start, on a descriptor of its own (a
// folder with no search permission has no "." to open). Null with errno set.
DIR *streamOf(const Folder &folder)
{
    const int fd = ::fcntl(folder.descriptor(), F_DUPFD_CLOEXEC, 0);
    DIR *d = fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0 ? nullptr : ::fdopendir(fd);
    if (!d && fd >= 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
    }
    return d;
}

Kind kindOf(mode_t mode)
{
    return S_ISDIR(mode) ? Kind::Folder : S_ISREG(mode) ? Kind::File : S_ISLNK(mode) ? Kind::Link : Kind::Other;
}

// Whether folder rel lies on the way to path (or is it).
bool leadsTo(const QString &rel, const QString &path)
{
    return rel.isEmpty() || path == rel
           || (path.size() > rel.size() && path.startsWith(rel) && path[rel.size()] == QLatin1Char('/'));
}

bool processEnded(std::int64_t pid)
{
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return true;
    // A killed run may linger as a zombie until its parent reaps it: it writes no more.
    char stat[512];
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/stat";
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd < 0 ? -1 : ::read(fd, stat, sizeof stat - 1);
    if (fd >= 0)
        ::close(fd);
    const char *end = n > 0 ? static_cast<const char *>(::memrchr(stat, ')', std::size_t(n))) : nullptr;
    const bool gone = end && end + 2 < stat + n && (end[2] == 'Z' || end[2] == 'X');
    return gone;
}

} // namespace

QByteArray temporaryName(const QByteArray &name)
{
    static const qint64 pid = ::getpid(); // no run forks
    const QByteArray owner = kTempPrefix + bootId() + '-' + QByteArray::number(pid) + '-';
    const qsizetype room = 255 - owner.size() - 7; // "." + 6 characters
    QByteArray base = name.left(room);
    while (base.size() < name.size() && (uchar(name[base.size()]) & 0xC0) == 0x80)
        base.chop(1); // never cut a UTF-8 character in two
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    quint64 r = QRandomGenerator::global()->generate64();
    char suffix[7];
    for (int i = 0; i < 6; ++i, r /= 62)
        suffix[i] = kChars[r % 62];
    suffix[6] = '\0';
    return owner + base + '.' + suffix;
}

Temporary temporaryKind(const char *name)
{
    constexpr std::size_t kPrefix = sizeof kTempPrefix - 1;
    if (std::strncmp(name, kTempPrefix, kPrefix) != 0)
        return Temporary::No;
    // Both the old and the new names end in "." and six letters or digits.
    const std::string_view rest(name + kPrefix);
    if (rest.size() < 7 || rest[rest.size() - 7] != '.'
        || !std::all_of(rest.end() - 6, rest.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
           }))
        return Temporary::No;
    // Only a process of this boot may still be writing it.
    const QByteArray &boot = bootId();
    if (rest.size() < 9 + 7 || rest.substr(0, 8) != std::string_view(boot.constData(), 8) || rest[8] != '-')
        return Temporary::Leftover;
    std::int64_t pid = 0;
    std::size_t i = 9;
    for (; i < rest.size() - 7 && i < 19 && rest[i] >= '0' && rest[i] <= '9'; ++i)
        pid = pid * 10 + (rest[i] - '0');
    if (i == 9 || rest[i] != '-' || pid <= 0 || pid > INT_MAX)
        return Temporary::Leftover;
    return processEnded(pid) ? Temporary::Leftover : Temporary::Live;
}

QByteArray processTag() { return bootId() + '-' + QByteArray::number(qint64(::getpid())); }

bool processGone(const QByteArray &tag)
{
    if (tag.size() < 10 || tag.left(8) != bootId() || tag[8] != '-')
        return true;
    bool ok = false;
    const qint64 pid = tag.mid(9).toLongLong(&ok);
    return !ok || pid <= 0 || pid > INT_MAX || processEnded(pid);
}

Folder::~Folder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Folder::Folder(Folder &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

Folder &Folder::operator=(Folder &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

Folder Folder::open(const QString &path)
{
    const int fd = ::open(FileNames::toBytes(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(errno, path);
    return Folder(fd);
}

Folder Folder::sub(const QByteArray &name, const QString &shownPath) const
{
    if (!detail::plainName(name))
        fail(EINVAL, shownPath);
    const int fd = ::openat(m_fd, name.constData(), kFolderFlags);
    if (fd < 0)
        fail(errno, shownPath);
    return Folder(fd);
}

Folder Folder::again() const
{
    const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        fail(errno, QString());
    return Folder(fd);
}

namespace {

// What a listing needs of a name, and no more: the kernel fills in only that.
bool lookAt(int folder, const char *name, Kind &kind, Stamp &stamp)
{
    static std::atomic<bool> noStatx{false};
    if (!noStatx.load(std::memory_order_relaxed)) {
        struct statx sx {};
        if (::statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_SIZE | STATX_MTIME, &sx)
            == 0) {
            kind = kindOf(sx.stx_mode);
            stamp = {std::int64_t(sx.stx_size), std::int64_t(sx.stx_mtime.tv_sec), std::int64_t(sx.stx_mtime.tv_nsec)};
            return true;
        }
        if (errno != ENOSYS)
            return false;
        noStatx = true;
    }
    struct stat st {};
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    kind = kindOf(st.st_mode);
    stamp = {std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec), std::int64_t(st.st_mtim.tv_nsec)};
    return true;
}

} // namespace

int list(const Folder &folder, bool withStamps, const Visit &visit,
         std::vector<std::pair<QByteArray, int>> *unreadable)
{
    // The folder's own descriptor, read from its start in large pieces: most
    // folders come whole in one read.
    const int fd = folder.descriptor();
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    constexpr std::size_t kBuffer = 64 << 10;
    const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kBuffer);
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer.get(), kBuffer);
        if (got == 0)
            return 0; // the whole listing
        if (got < 0)
            return errno;
        for (ssize_t at = 0; at < got;) {
            const auto *e = reinterpret_cast<const struct dirent64 *>(buffer.get() + at);
            at += e->d_reclen;
            const char *n = e->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            Kind kind = e->d_type == DT_DIR ? Kind::Folder
                        : e->d_type == DT_REG ? Kind::File
                        : e->d_type == DT_LNK ? Kind::Link
                        : e->d_type == DT_UNKNOWN ? Kind::Missing
                                                  : Kind::Other;
            Stamp stamp;
            if (kind == Kind::Missing || (withStamps && (kind == Kind::File || kind == Kind::Link))) {
                if (!lookAt(fd, n, kind, stamp)) {
                    // Gone meanwhile is nothing to report; a name we may not look at is.
                    if (errno != ENOENT && unreadable)
                        unreadable->push_back({QByteArray(n), errno});
                    continue;
                }
            }
            if (kind == Kind::Other || (kind != Kind::Folder && temporaryKind(n) != Temporary::No))
                continue;
            visit(n, kind, stamp);
        }
    }
}

Tree::Tree(const QString &rootPath) : m_root(rootPath)
{
    if (!m_root.endsWith(QLatin1Char('/')))
        m_root += QLatin1Char('/');
    m_chain.push_back({QString(), Folder::open(rootPath)});
}

Tree::Tree(const QString &shownRoot, Folder root) : m_root(shownRoot)
{
    if (!m_root.endsWith(QLatin1Char('/')))
        m_root += QLatin1Char('/');
    m_chain.push_back({QString(), std::move(root)});
}

Tree::~Tree() = default;

const Folder &Tree::folder(const QString &rel, bool create)
{
    if (m_chain.back().rel == rel)
        return m_chain.back().folder; // the usual case: the next item in the same folder
    std::size_t keep = 1;
    while (keep < m_chain.size() && leadsTo(m_chain[keep].rel, rel))
        ++keep;
    m_chain.resize(keep);
    qsizetype pos = m_chain.back().rel.isEmpty() ? 0 : m_chain.back().rel.size() + 1;
    while (pos < rel.size()) {
        qsizetype slash = rel.indexOf(QLatin1Char('/'), pos);
        if (slash < 0)
            slash = rel.size();
        const QString partRel = rel.left(slash);
        const QByteArray name = FileNames::toBytes(rel.mid(pos, slash - pos));
        const int parent = m_chain.back().folder.descriptor();
        if (!detail::plainName(name))
            fail(EINVAL, pathOf(partRel));
        int fd = ::openat(parent, name.constData(), kFolderFlags);
        if (fd < 0 && errno == ENOENT && create) {
            requireWritable(m_chain.back().rel);
            if (beforeCreatingFolder)
                beforeCreatingFolder(partRel);
            if (::mkdirat(parent, name.constData(), 0777) != 0 && errno != EEXIST)
                throw errno == EACCES ? detail::refusal(pathOf(partRel), EACCES)
                                      : AppError::fromErrno(errno, pathOf(partRel));
            fd = ::openat(parent, name.constData(), kFolderFlags);
        }
        if (fd < 0)
            fail(errno, pathOf(partRel));
        m_chain.push_back({partRel, Folder(fd)});
        pos = slash + 1;
    }
    return m_chain.back().folder;
}

Kind Tree::kind(const QString &rel)
{
    return rel.isEmpty() ? Kind::Folder : identity(rel).kind;
}

Stamp Tree::stamp(const QString &rel)
{
    const int parent = folder(parentOf(rel)).descriptor();
    struct stat st {};
    if (::fstatat(parent, lastName(rel).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        fail(errno, pathOf(rel));
    return {std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec), std::int64_t(st.st_mtim.tv_nsec)};
}

void Tree::createFolder(const QString &rel)
{
    const QString up = parentOf(rel);
    const int parent = folder(up).descriptor();
    const QByteArray name = lastName(rel);
    if (!detail::plainName(name))
        fail(EINVAL, pathOf(rel));
    requireWritable(up);
    noteWrite(up);
    if (beforeCreatingFolder)
        beforeCreatingFolder(rel);
    if (::mkdirat(parent, name.constData(), 0777) != 0) {
        if (errno == EACCES)
            throw detail::refusal(pathOf(rel), EACCES);
        fail(errno, pathOf(rel)); // EEXIST is 75
    }
}

void Tree::requireWritable(const QString &relFolder)
{
    const int fd = folder(relFolder).descriptor();
    Open &open = m_chain.back();
    if (!open.writable) {
        checkWritable(fd, pathOf(relFolder));
        open.writable = true;
    }
}

void Tree::removeEmptyFolder(const QString &rel)
{
    std::size_t keep = 1;
    while (keep < m_chain.size() && !leadsTo(rel, m_chain[keep].rel))
        ++keep;
    m_chain.resize(keep); // never hold a folder that is about to go
    const int parent = folder(parentOf(rel)).descriptor();
    noteWrite(parentOf(rel));
    if (::unlinkat(parent, lastName(rel).constData(), AT_REMOVEDIR) != 0)
        fail(errno, pathOf(rel)); // ENOTEMPTY and EEXIST are 75
}

void Tree::removeFile(const QString &rel)
{
    const int parent = folder(parentOf(rel)).descriptor();
    noteWrite(parentOf(rel));
    if (::unlinkat(parent, lastName(rel).constData(), 0) != 0)
        fail(errno, pathOf(rel));
}

Tree::Identity Tree::identity(const QString &rel)
{
    int parent;
    try {
        parent = folder(parentOf(rel)).descriptor();
    } catch (const AppError &e) {
        if (e.systemError() == ENOENT)
            return {};
        throw;
    }
    struct stat st {};
    if (::fstatat(parent, rel.isEmpty() ? "." : lastName(rel).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return {};
        fail(errno, pathOf(rel));
    }
    return {kindOf(st.st_mode), std::uint64_t(st.st_dev), std::uint64_t(st.st_ino),
            {std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec), std::int64_t(st.st_mtim.tv_nsec)}};
}

Tree::Times Tree::times(const QString &rel)
{
    struct stat st {};
    if (::fstat(folder(rel).descriptor(), &st) != 0)
        fail(errno, pathOf(rel));
    auto ns = [](const timespec &t) { return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return {ns(st.st_atim), ns(st.st_mtim)};
}

void Tree::setTimes(const QString &rel, const Times &t)
{
    auto fromNs = [](std::int64_t ns) {
        return timespec{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
    };
    const timespec both[2] = {fromNs(t.accessed), fromNs(t.modified)};
    if (::futimens(folder(rel).descriptor(), both) != 0 && errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        fail(errno, pathOf(rel));
}

bool Tree::noteWrite(const QString &relFolder)
{
    const int fd = folder(relFolder).descriptor();
    Open &open = m_chain.back();
    if (open.noted)
        return open.fuse;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        fail(errno, pathOf(relFolder));
    auto disk = std::find_if(m_disks.begin(), m_disks.end(), [&](const Disk &d) { return d.device == st.st_dev; });
    if (disk == m_disks.end()) {
        struct statfs fs {};
        const bool fuse = ::fstatfs(fd, &fs) == 0 && fs.f_type == kFuseMagic;
        m_disks.push_back({std::uint64_t(st.st_dev), open.folder.again(), fuse});
        disk = m_disks.end() - 1;
    }
    open.noted = true;
    open.fuse = disk->fuse;
    if (open.fuse && !m_fuseNoted.contains(relFolder)) {
        m_fuseNoted.insert(relFolder);
        m_fuseFolders.push_back(relFolder);
    }
    return open.fuse;
}

std::function<int(int fd, bool wholeDisk)> flushForTests;

void Tree::flush()
{
    auto sync = [](int fd, bool wholeDisk) {
        if (flushForTests)
            return flushForTests(fd, wholeDisk);
        return wholeDisk ? ::syncfs(fd) : ::fsync(fd);
    };
    for (const Disk &d : m_disks)
        if (!d.fuse && sync(d.folder.descriptor(), true) != 0)
            fail(errno, m_root);
    for (const QString &rel : m_fuseFolders) {
        int fd;
        try {
            fd = folder(rel).descriptor();
        } catch (const AppError &e) {
            if (e.systemError() == ENOENT || e.systemError() == ELOOP || e.systemError() == ENOTDIR)
                continue; // gone since, with its parent written
            throw;
        }
        if (sync(fd, false) != 0 && errno != EINVAL)
            fail(errno, pathOf(rel));
    }
    m_disks.clear();
    m_fuseFolders.clear();
    m_fuseNoted.clear();
    for (Open &o : m_chain)
        o.noted = false;
}

bool Tree::listsName(const QString &relFolder, const QString &name)
{
    const QByteArray wanted = FileNames::toBytes(name);
    bool found = false;
    try {
        list(folder(relFolder), false, [&](const char *n, Kind, const Stamp &) { found = found || wanted == n; });
    } catch (const AppError &) {
        return false;
    }
    return found;
}

int Tree::removeLeftovers(const QString &relFolder)
{
    const Folder *at;
    try {
        at = &folder(relFolder);
    } catch (const AppError &) {
        return 0; // made later by the run, or not to be written into
    }
    DIR *d = streamOf(*at);
    if (!d)
        return 0;
    std::vector<QByteArray> leftovers; // unlinked after the listing, which they would disturb
    while (const dirent *e = ::readdir(d))
        if (temporaryKind(e->d_name) == Temporary::Leftover)
            leftovers.emplace_back(e->d_name);
    ::closedir(d);
    int removed = 0;
    for (const QByteArray &name : leftovers) {
        struct stat st {};
        if (::fstatat(at->descriptor(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
            && ::unlinkat(at->descriptor(), name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

bool folderExists(const QString &path, bool followLink)
{
    struct stat st {};
    const QByteArray p = FileNames::toBytes(path);
    return (followLink ? ::stat(p.constData(), &st) : ::lstat(p.constData(), &st)) == 0 && S_ISDIR(st.st_mode);
}

bool pathExists(const QString &path)
{
    struct stat st {};
    return ::lstat(FileNames::toBytes(path).constData(), &st) == 0;
}

const FoldedNames::Names *FoldedNames::namesOf(Tree &tree, const QString &relFolder)
{
    const QString key = tree.pathOf(relFolder);
    auto it = m_folders.constFind(key);
    if (it != m_folders.cend())
        return &*it;
    QStringList real;
    try {
        const int err = list(tree.folder(relFolder), false,
                             [&](const char *n, Kind, const Stamp &) { real.append(FileNames::fromBytes(n)); });
        if (err != 0)
            return nullptr; // half a listing would send copies beside existing names
    } catch (const AppError &) {
        return nullptr;
    }
    std::sort(real.begin(), real.end());
    Names names;
    for (const QString &name : std::as_const(real))
        names.add(name);
    return &*m_folders.insert(key, std::move(names));
}

void FoldedNames::Names::add(const QString &name)
{
    exact.insert(name);
    byFold[CaseFold::folded(name)].append(name);
}

QString FoldedNames::resolve(Tree &tree, const QString &relativePath, bool adoptVariant, bool *clash)
{
    *clash = false;
    QString path;
    bool existing = true;
    for (QStringView part : QStringView(relativePath).split(u'/', Qt::SkipEmptyParts)) {
        QString name = part.toString();
        if (existing) {
            const Names *names = namesOf(tree, path);
            if (!names || !names->exact.contains(name)) {
                const auto variants = names ? names->byFold.constFind(CaseFold::folded(name)) : Names::Folded::const_iterator();
                if (names && variants != names->byFold.cend()) {
                    if (!adoptVariant || variants->size() != 1) {
                        *clash = true; // another spelling is there: never a second one beside it
                        return path.isEmpty() ? name : path + QLatin1Char('/') + name;
                    }
                    name = variants->front();
                } else {
                    existing = false;
                }
            }
        }
        path = path.isEmpty() ? name : path + QLatin1Char('/') + name;
    }
    return path;
}

void FoldedNames::noteCreated(const Tree &tree, const QString &relativePath)
{
    auto it = m_folders.find(tree.pathOf(parentOf(relativePath)));
    if (it == m_folders.end())
        return; // not read yet: the listing will show it
    // Only exactly: a spelling the run itself made is one the pairing chose
    // (both sides hold both), not another item to keep away from.
    it->exact.insert(relativePath.mid(relativePath.lastIndexOf(QLatin1Char('/')) + 1));
}

} // namespace FileOps
