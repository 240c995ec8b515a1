#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QString>
#include <cstdint>
#include <functional>

// The file-system operations of the copying step. Failures throw AppError
// with the program's error numbers; the refusals a user can cause (a
// write-protected destination, a folder that exists or is not empty) are 75.
namespace FileOps {

// Every temporary file we create starts with this, so a walk can skip the
// leftovers of a crash.
inline constexpr char kTempPrefix[] = ".orvanel-tmp-";

// Copies a regular file (content, mode & 07777, access and modification time
// to the nanosecond) or a symlink (same target text, its own times) over
// destination. The copy is written to a temporary file beside destination and
// renamed over it, so destination is either the old file or the whole new one.
// A destination that is a symlink is replaced itself; its target is never
// written. A destination without write permission, a folder, or anything but
// a file or a symlink is refused with 75 and left as it was.
// keepGoing is asked every few MiB of a large file; false abandons the copy
// (destination untouched) and copyFile returns false.
// Run by root, the copy also gets the source's owner and group; when that
// fails it loses its set-user/group-ID bits rather than keep them for root.
// With replace false the destination must be new: anything there by then
// (also a name the disk takes for the same) is refused with 75 (EEXIST).
// Failures to read the source throw SourceError.
bool copyFile(const QString &source, const QString &destination,
              const std::function<bool()> &keepGoing = {}, bool replace = true);

// mkdir with mode 0777 less the umask; an existing entry of any kind is 75.
void createFolder(const QString &path);
// rmdir; a folder that is not empty is 75. A symlink is never followed.
void removeEmptyFolder(const QString &path);

// Whether anything is at path (a dangling symlink counts).
bool pathExists(const QString &path);
// Whether path is a real folder, not a symlink to one; with followLink, a
// symlink to a folder counts (a source or mount point given that way).
bool folderExists(const QString &path, bool followLink = false);

// Whether a folder's listing holds exactly this name (a lookup by name may
// find another spelling on a disk that ignores case).
bool listsName(const QString &folder, const QString &name);

struct Stamp {
    std::int64_t size;
    std::int64_t seconds;     // modification time
    std::int64_t nanoseconds; // 0..999,999,999
};
// Size and modification time of the entry itself (a symlink is not followed).
Stamp stamp(const QString &path);

// Looks at the names a destination folder already holds when letter case is
// ignored, reading each folder's names once. Not thread-safe.
class FoldedNames {
public:
    // root + "/" + relativePath as it exists on disk: a component that exists
    // with exactly its spelling stays; one that exists only in another letter
    // case is a clash (the path is not to be written), unless adoptVariant is
    // set and there is exactly one such spelling, which then stands for it.
    // From the first component that does not exist on, the rest stays as given.
    QString resolve(const QString &root, const QString &relativePath, bool adoptVariant, bool *clash);
    // Records an entry we have just created in folder, so later look-ups find
    // it without reading the folder again; it is never another spelling's clash.
    void noteCreated(const QString &folder, const QString &name);

private:
    struct Names {
        using Folded = QHash<QString, QStringList>;
        QSet<QString> exact;
        Folded byFold; // folded name -> the spellings there, sorted
        void add(const QString &name);
    };
    // Null when the folder cannot be read (it may be made later).
    const Names *namesOf(const QString &folder);

    QHash<QString, Names> m_folders;
};

// ---- Outside runs: settings, lists, help, the target folder's creation and deletion ----
// Failures throw AppError naming the path, unless said otherwise.

// The file at path (a symlink followed), at most maxBytes of it. Opened
// without blocking, so a FIFO by that name cannot hang us. Only a missing
// entry is no error: it reads as empty with *exists false. Anything but a
// regular file is refused.
QByteArray readFile(const QString &path, bool *exists = nullptr, std::int64_t maxBytes = INT64_MAX);

// Replaces the whole file at path by data, so that a crash leaves either the
// old file or the new one: data goes to a temporary beside it, is synced, and
// is renamed over it. A symlink at path is followed and stays a link. The file
// keeps its mode (and, for root, its owner); a new one gets 0666 less the
// umask. One that is not a regular file or is write-protected (also for root:
// the user protected it) is refused with 75. With companion, the temporary is
// path with the name's last three characters made "bak" (".bak" added to a
// short name), replacing anything by that name; else a new name starting
// with kTempPrefix.
void replaceFile(const QString &path, const QByteArray &data, bool companion = false);

// Makes an empty file at path (0666 less the umask) unless an entry is there
// already; a dangling symlink there is EEXIST.
void ensureFile(const QString &path);

// Makes the folder and every missing folder above it, like mkdir -p.
void createFolders(const QString &path);

// What tells a changed file apart without reading it: a rewrite in place
// changes a time or the size, a replacement by rename the inode.
struct Version {
    std::int64_t device = 0, inode = 0, size = 0, modified = 0, changed = 0; // times in ns
    bool operator==(const Version &) const = default;
};
// The regular file at path, a symlink followed; all zero when there is none.
Version fileVersion(const QString &path);

// A folder opened for reading (a symlink followed), closed with the object,
// for calls on the folder itself; fd() is -1 (errno set) when it could not be.
class FolderFd {
public:
    explicit FolderFd(const QString &path);
    FolderFd(const FolderFd &) = delete;
    FolderFd &operator=(const FolderFd &) = delete;
    ~FolderFd();
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// path itself, or its nearest folder above that exists (a target not made
// yet), symlinks followed; empty when none. *device gets its file system.
QString nearestFolder(const QString &path, std::uint64_t *device);

// Whether folder's file system finds a name in another letter case: a new
// lower-case name is looked up in upper case, then removed. -1 when the folder
// cannot be written.
int probeIgnoresCase(const QString &folder);

enum class EntryKind { Folder, File, Other }; // File: a regular file or a symlink
// Calls f with each name in folder but "." and "..", and what it is; symlinks
// are not followed. False, with no call, when the folder cannot be read.
bool listFolder(const QString &folder, const std::function<void(const QString &, EntryKind)> &f);

// The path as the kernel sees it: its longest existing part with every symlink
// resolved, followed by the rest as given.
QString resolvedPath(const QString &path);

// Removes path with everything below it, depth first. Symlinks are removed,
// never followed; a file system mounted below is refused with 75 before it is
// entered. A missing path is nothing to do.
void removeTree(const QString &path);

} // namespace FileOps
