#include "Volumes.h"

#include "FileNames.h"
#include "FileOps.h"

#include <QFile>
#include <QList>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>

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

bool hasCaseFoldAttribute(const QString &folder)
{
    try {
        const FileOps::Folder dir = FileOps::Folder::open(folder);
        int flags = 0;
        return ::ioctl(dir.descriptor(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
    } catch (const AppError &) {
        return false;
    }
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
    std::uint64_t device = 0;
    const QString folder = FileOps::nearestFolder(path, &device);
    if (folder.isEmpty())
        return {};
    QFile mountinfo(QStringLiteral("/proc/self/mountinfo"));
    const QByteArray table = mountinfo.open(QIODevice::ReadOnly) ? mountinfo.readAll() : QByteArray();
    Info info = fromMountInfo(table, folder, device);
    if (!info.ignoresCase && hasCaseFoldAttribute(folder))
        info.ignoresCase = true;
    if (!info.ignoresCase && typeIsUnknownFuse(info.type.toUtf8())) {
        // Taken to ignore case until a probe says otherwise: folding names on
        // a disk that tells case apart only reports more, never loses a file.
        const int probed = mayProbe ? FileOps::probeIgnoresCase(folder) : -1;
        info.ignoresCase = probed != 0;
    }
    return info;
}

} // namespace Volumes
