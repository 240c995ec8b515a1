#include "TestFiles.h"

#include "engine/fs/FileNames.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <dirent.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

// By the path's bytes, so that tests can reach names in legacy encodings.
QByteArray readBytes(const QString &path)
{
    QFile f;
    const int fd = ::open(FileNames::toBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return QByteArray("<missing>");
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &data) { makeFile(FileNames::toBytes(path), data); }

// Calls visit(folder, name) for each entry of an open folder, which it then
// closes. Relative to descriptors, so trees deeper than PATH_MAX go too.
template <class Visit>
static void eachEntry(int dirFd, Visit visit)
{
    DIR *d = ::fdopendir(dirFd);
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            visit(::dirfd(d), name);
    }
    ::closedir(d);
}

static void removeBelow(int dirFd)
{
    eachEntry(dirFd, [](int folder, const QByteArray &name) {
        const int sub = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0)
            removeBelow(sub);
        ::unlinkat(folder, name, sub >= 0 ? AT_REMOVEDIR : 0);
    });
}

TempDir::~TempDir()
{
    if (!isValid())
        return;
    const QByteArray p = FileNames::toBytes(path());
    const int fd = ::open(p.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        removeBelow(fd);
    ::rmdir(p.constData());
}

std::vector<QString> E(std::initializer_list<const char *> texts)
{
    std::vector<QString> v;
    for (const char *s : texts)
        v.push_back(QString::fromUtf8(s));
    return v;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The folders a path lies in, each made unless it is there.
static void makeFolders(const QByteArray &path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0755);
}

void makeFile(const QByteArray &path, const QByteArray &data, std::int64_t mtime)
{
    makeFolders(path);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, data.constData(), std::size_t(data.size())) != data.size() || ::close(fd) != 0)
        throw std::runtime_error("cannot write test file " + path.toStdString());
    if (mtime >= 0) {
        const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ::utimensat(AT_FDCWD, path.constData(), times, 0);
    }
}

static void listInto(int dirFd, const QByteArray &rel, QMap<QByteArray, QByteArray> &tree)
{
    eachEntry(dirFd, [&](int folder, const QByteArray &name) {
        const QByteArray path = rel.isEmpty() ? name : rel + '/' + name;
        struct stat st {};
        ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW);
        if (S_ISDIR(st.st_mode)) {
            tree[path] = "/";
            listInto(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), path, tree);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlinkat(folder, name, target, sizeof target);
            tree[path] = "-> " + QByteArray(target, n > 0 ? n : 0);
        } else {
            const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC);
            QByteArray content;
            char buffer[4096];
            for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                content.append(buffer, n);
            if (fd >= 0)
                ::close(fd);
            tree[path] = content;
        }
    });
}

QMap<QByteArray, QByteArray> bytesTree(const QByteArray &root)
{
    QMap<QByteArray, QByteArray> tree;
    listInto(::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), QByteArray(), tree);
    // The user's items: the undo data a swap keeps at a root is the program's.
    for (auto it = tree.begin(); it != tree.end();)
        it = it.key() == ".orvanel-undo" || it.key().startsWith(".orvanel-undo/") ? tree.erase(it) : std::next(it);
    return tree;
}

void makeTree(const QString &root, std::initializer_list<Item> items)
{
    for (const Item &item : items) {
        const QByteArray path = FileNames::toBytes(root) + '/' + item.path;
        item.path.endsWith('/') ? makeFolders(path) : makeFile(path, item.data);
        if (item.mode >= 0)
            ::chmod(path.constData(), mode_t(item.mode));
        if (item.seconds >= 0) {
            const struct timespec times[2] = {{item.seconds, item.nanoseconds}, {item.seconds, item.nanoseconds}};
            ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
        }
    }
}

QByteArray stampOf(const QString &path)
{
    struct stat st {};
    if (::lstat(FileNames::toBytes(path).constData(), &st) != 0)
        return "<missing>";
    return QByteArray::number(st.st_mode & 07777, 8).rightJustified(4, '0') + ' '
           + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
           + QByteArray::number(qint64(st.st_mtim.tv_nsec)).rightJustified(9, '0');
}

Tree TempTree::snapshot(const QString &relative) const { return bytesTree(FileNames::toBytes(filePath(relative))); }
