#pragma once

#include <QString>

#include <cstdint>

// What kind of disk a folder is on: how it compares names, what it can hold,
// how finely it keeps times.
namespace Volumes {

struct Info {
    QString type;       // "ext4", "vfat", "fuseblk", "fuse.fusefat", ...; empty when unknown
    QString mountPoint; // where that file system is mounted
    bool ignoresCase = false;
    // FAT keeps modification times in steps of two seconds.
    bool twoSecondTimes = false;
    // FAT and exFAT have no symbolic links.
    bool holdsLinks = true;
    // FAT, exFAT and NTFS refuse : * ? " < > | \ and a name ending in a dot or blank.
    bool windowsNames = false;
    // The largest file it can hold; FAT32 stops one byte short of 4 GiB.
    std::int64_t maxFileSize = INT64_MAX;
};

// Whether a name is one a disk with windowsNames cannot hold.
bool forbiddenOnWindowsDisks(const QString &name);

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

// Reads a mountinfo text instead of the running system's, for tests. A
// fuseblk disk's kind is read from its device's first sector where we may.
Info fromMountInfo(const QByteArray &mountinfo, const QString &path, unsigned long device);

} // namespace Volumes
