#pragma once

#include <QString>

// What kind of disk a folder is on, as far as comparing names goes.
namespace Volumes {

struct Info {
    QString type;       // "ext4", "vfat", "fuseblk", "fuse.fusefat", ...; empty when unknown
    QString mountPoint; // where that file system is mounted
    bool ignoresCase = false;
};

// The file system that holds path (or, for a path that does not exist yet,
// its nearest existing folder), from /proc/self/mountinfo, and whether it
// treats names that differ only in letter case as one: FAT, exFAT and NTFS
// do, and so does a folder with the case-folding attribute. A FUSE disk of a
// kind we cannot tell is taken to ignore case unless mayProbe lets us create
// and remove a temporary file in the folder to find out.
Info of(const QString &path, bool mayProbe);

// A path field of /proc/self/mounts or mountinfo, which write blanks, tabs,
// newlines and backslashes as octal escapes.
QByteArray unescapeField(const QByteArray &field);

// Reads a mountinfo text instead of the running system's, for tests.
Info fromMountInfo(const QByteArray &mountinfo, const QString &path, unsigned long device);

} // namespace Volumes
