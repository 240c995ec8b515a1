#include "engine/fs/Volumes.h"

#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"

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

enum class Family { Other, Fat, ExFat, Ntfs, Folding };

Family familyOf(const QByteArray &type)
{
    static const struct {
        const char *type;
        Family family;
    } kinds[] = {{"vfat", Family::Fat}, {"msdos", Family::Fat}, {"fat", Family::Fat},
                 {"fuse.fusefat", Family::Fat}, {"fuseblk.vfat", Family::Fat},
                 {"exfat", Family::ExFat}, {"fuse.exfat", Family::ExFat}, {"fuseblk.exfat", Family::ExFat},
                 {"ntfs", Family::Ntfs}, {"ntfs3", Family::Ntfs}, {"fuse.ntfs-3g", Family::Ntfs},
                 {"fuse.ntfs", Family::Ntfs}, {"fuseblk.ntfs-3g", Family::Ntfs}, {"fuseblk.ntfs", Family::Ntfs},
                 {"hfs", Family::Folding}, {"hfsplus", Family::Folding}, {"cifs", Family::Folding},
                 {"smb3", Family::Folding}, {"smbfs", Family::Folding}};
    for (const auto &k : kinds)
        if (type == k.type)
            return k.family;
    return Family::Other;
}

// A fuseblk mount names no kind; its device's boot sector does.
Family familyOfDevice(const QByteArray &device)
{
    if (!device.startsWith("/dev/"))
        return Family::Other;
    const QByteArray sector = FileOps::readDeviceStart(FileNames::fromBytes(device), 512);
    if (sector.size() < 90)
        return Family::Other;
    if (sector.mid(3, 8) == "EXFAT   ")
        return Family::ExFat;
    if (sector.mid(3, 8) == "NTFS    ")
        return Family::Ntfs;
    if (sector.mid(82, 5) == "FAT32" || sector.mid(54, 3) == "FAT")
        return Family::Fat;
    return Family::Other;
}

void describe(Info &info, Family family)
{
    info.ignoresCase = family != Family::Other;
    info.windowsNames = family == Family::Fat || family == Family::ExFat || family == Family::Ntfs;
    info.holdsLinks = family != Family::Fat && family != Family::ExFat;
    info.twoSecondTimes = family == Family::Fat;
    info.maxFileSize = family == Family::Fat ? (std::int64_t(1) << 32) - 1 : INT64_MAX;
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

bool forbiddenOnWindowsDisks(const QString &name)
{
    static const QString kForbidden = QStringLiteral(":*?\"<>|\\");
    for (const QChar c : name)
        if (kForbidden.contains(c) || c.unicode() < 0x20)
            return true;
    return name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '));
}

Info fromMountInfo(const QByteArray &mountinfo, const QString &path, unsigned long device)
{
    const QByteArray p = FileNames::toBytes(path);
    const QByteArray dev = QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
    Info best;
    QByteArray source;
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
        source = dash + 2 < f.size() ? unescapeField(f[dash + 2]) : QByteArray();
    }
    Family family = familyOf(best.type.toUtf8());
    const bool fuseblk = family == Family::Other && best.type == QLatin1String("fuseblk");
    if (fuseblk)
        family = familyOfDevice(source);
    describe(best, family);
    // A device we may not read is in practice exFAT or NTFS: better a name reported than a copy refused.
    if (fuseblk && family == Family::Other)
        best.windowsNames = true;
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
