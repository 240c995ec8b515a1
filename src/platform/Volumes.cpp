#include "Volumes.h"

#include "FileNames.h"
#include "FileOps.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif

namespace Volumes {

QByteArray unescapeField(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int c = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(c));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return out;
}

namespace {

bool under(const QByteArray &path, const QByteArray &mountPoint)
{
    if (mountPoint == "/")
        return true;
    return path == mountPoint || (path.startsWith(mountPoint) && path[mountPoint.size()] == '/');
}

bool typeIgnoresCase(const QByteArray &type)
{
    static const char *const kinds[] = {"vfat", "msdos", "fat", "exfat", "ntfs", "ntfs3", "hfs", "hfsplus",
                                        "cifs", "smb3", "smbfs", "fuse.exfat", "fuse.fusefat",
                                        "fuse.ntfs-3g", "fuse.ntfs", "fuseblk.exfat", "fuseblk.ntfs-3g"};
    for (const char *k : kinds)
        if (type == k)
            return true;
    return false;
}

// FUSE disks whose kind the type alone does not tell.
bool typeIsUnknownFuse(const QByteArray &type) { return type == "fuse" || type == "fuseblk" || type.startsWith("fuseblk."); }

// The path itself, or its nearest folder that exists (a target not made yet).
QByteArray existingFolderOf(QByteArray path, struct stat *st)
{
    for (;;) {
        if (::stat(path.constData(), st) == 0 && S_ISDIR(st->st_mode))
            return path;
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0 || path == "/")
            return {};
        path = slash == 0 ? QByteArray("/") : path.left(slash);
    }
}

bool hasCaseFoldAttribute(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool folded = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
    ::close(fd);
    return folded;
}

// Creates a temporary name in lower case and looks for it in upper case.
// Nothing is left behind; -1 when the folder cannot be written.
int probeIgnoresCase(const QByteArray &folder)
{
    QByteArray name = QByteArray(FileOps::kTempPrefix) + "case-";
    quint64 r = QRandomGenerator::global()->generate64();
    for (int i = 0; i < 10; ++i, r /= 26)
        name += char('a' + r % 26);
    const QByteArray lower = folder + '/' + name;
    const int fd = ::open(lower.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    ::close(fd);
    struct stat st {};
    const bool found = ::lstat((folder + '/' + name.toUpper()).constData(), &st) == 0;
    ::unlink(lower.constData());
    return found ? 1 : 0;
}

} // namespace

Info fromMountInfo(const QByteArray &mountinfo, const QString &path, unsigned long device)
{
    const QByteArray p = FileNames::toBytes(path);
    const QByteArray dev = QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
    Info best;
    qsizetype bestLength = -1;
    for (const QByteArray &line : mountinfo.split('\n')) {
        // ID parent major:minor root mount-point options [optional...] - type source super-options
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (f.size() < 5 || dash < 0 || dash + 1 >= f.size() || f[2] != dev)
            continue;
        const QByteArray point = unescapeField(f[4]);
        if (!under(p, point) || point.size() <= bestLength)
            continue;
        bestLength = point.size();
        best.type = QString::fromUtf8(f[dash + 1]);
        best.mountPoint = FileNames::fromBytes(point);
    }
    best.ignoresCase = typeIgnoresCase(best.type.toUtf8());
    return best;
}

Info of(const QString &path, bool mayProbe)
{
    struct stat st {};
    const QByteArray folder = existingFolderOf(FileNames::toBytes(path), &st);
    if (folder.isEmpty())
        return {};
    QFile mountinfo(QStringLiteral("/proc/self/mountinfo"));
    const QByteArray table = mountinfo.open(QIODevice::ReadOnly) ? mountinfo.readAll() : QByteArray();
    Info info = fromMountInfo(table, FileNames::fromBytes(folder), st.st_dev);
    if (!info.ignoresCase && hasCaseFoldAttribute(folder))
        info.ignoresCase = true;
    if (!info.ignoresCase && typeIsUnknownFuse(info.type.toUtf8())) {
        // Taken to ignore case until a probe says otherwise: folding names on
        // a disk that tells case apart only reports more, never loses a file.
        const int probed = mayProbe ? probeIgnoresCase(folder) : -1;
        info.ignoresCase = probed != 0;
    }
    return info;
}

} // namespace Volumes
