#pragma once

#include "engine/fs/Errors.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// The one place the program touches the file system. Everything a run does
// works relative to folder descriptors: a root is resolved once, and below it
// each folder is opened by its name inside its parent, never through a
// symlink, so a symlink where a folder is expected can neither lead a run
// outside its trees nor be slipped in while a run goes on. No operation
// depends on a path length limit.
//
// Paths and names are the program's text form of the bytes on disk
// (FileNames). Failures throw AppError with the program's error numbers; the
// refusals a user can cause (a write-protected destination, a folder that
// exists or is not empty) are 75. A symlink or a file where a folder is
// expected fails with ELOOP or ENOTDIR.
namespace FileOps {

// Every temporary file we create is named kTempPrefix, the boot and the
// process writing it, the name it stands for, "." and six letters or digits:
// a walk skips it, and a later run tells one still being written from one a
// killed run left.
inline constexpr char kTempPrefix[] = ".orvanel-tmp-";

// A fresh temporary name of this process for name (cut to fit NAME_MAX).
QByteArray temporaryName(const QByteArray &name);

enum class Temporary {
    No,       // an ordinary item, whatever its name starts with
    Live,     // written by a process that runs now: this one or another run
    Leftover, // its writer is gone; older versions' names, which say no writer, always are
};
Temporary temporaryKind(const char *name);

struct Stamp {
    std::int64_t size = 0;
    std::int64_t seconds = 0;     // modification time
    std::int64_t nanoseconds = 0; // 0..999,999,999
    bool operator==(const Stamp &) const = default;
};

enum class Kind { Missing, Folder, File, Link, Other };

// A folder held open by its descriptor. Move-only.
class Folder {
public:
    Folder() = default;
    ~Folder();
    Folder(Folder &&other) noexcept;
    Folder &operator=(Folder &&other) noexcept;
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    // A root: the kernel resolves path, following symlinks (a source given
    // as a link to a folder is that folder).
    static Folder open(const QString &path);
    // The subfolder name, opened without following a symlink. shownPath names
    // it in errors.
    Folder sub(const QByteArray &name, const QString &shownPath) const;
    // Another descriptor of the same folder, for another thread (listings
    // of the two must not overlap: they share a position).
    Folder again() const;
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }

private:
    friend class Tree;
    explicit Folder(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// One read of a folder: visit is called for each folder, regular file and
// symlink in it, with the stamp of files and links when asked for. FIFOs,
// sockets, devices and our temporary files (live or leftover) are left out. Names it lists but
// cannot look at go into unreadable with their errno. Returns 0, or the errno
// with which the listing stopped part way.
using Visit = std::function<void(const char *name, Kind kind, const Stamp &stamp)>;
int list(const Folder &folder, bool withStamps, const Visit &visit,
         std::vector<std::pair<QByteArray, int>> *unreadable = nullptr);

// A root and the folders below it, each reached one name at a time from the
// root's descriptor. The folders of the path last used stay open, so a walk
// in list order opens each folder once. rel is a "/"-separated relative path;
// "" is the root. Not thread-safe.
class Tree {
public:
    // Opens the root (following a symlink given as the root itself).
    explicit Tree(const QString &rootPath);
    // A root already open (a folder the run made itself); shownRoot names it.
    Tree(const QString &shownRoot, Folder root);
    ~Tree();
    Tree(const Tree &) = delete;
    Tree &operator=(const Tree &) = delete;

    // The path of rel for messages: the root as given, with a trailing "/", and rel.
    QString pathOf(const QString &rel) const { return m_root + rel; }

    // The folder at rel. With create, missing folders on the way are made;
    // a folder without write permission (for root too) refuses that with 75.
    const Folder &folder(const QString &rel, bool create = false);
    // What is at rel, not following a final symlink; Missing also when a
    // folder on the way is missing.
    Kind kind(const QString &rel);
    Stamp stamp(const QString &rel);
    // mkdir; an existing entry of any kind, or a parent without write permission, is 75.
    void createFolder(const QString &rel);
    // rmdir; a folder that is not empty is 75.
    void removeEmptyFolder(const QString &rel);
    // Unlinks a file or a symlink.
    void removeFile(const QString &rel);

    // Which file is at rel and as what; kind Missing when nothing is (also
    // when a folder on the way is missing).
    struct Identity {
        Kind kind = Kind::Missing;
        std::uint64_t device = 0, inode = 0;
        Stamp stamp;
    };
    Identity identity(const QString &rel);
    // A folder's access and modification times, in nanoseconds.
    struct Times {
        std::int64_t accessed = 0, modified = 0;
    };
    Times times(const QString &rel);
    void setTimes(const QString &rel, const Times &times);

    // Called with each folder's rel right before the tree makes it (by
    // folder() or createFolder()): a swap records what it creates.
    std::function<void(const QString &rel)> beforeCreatingFolder;
    // Refuses with 75 a folder without write permission bits (also for root:
    // they are the user's word). Looked at once while the folder stays open.
    void requireWritable(const QString &relFolder);
    // Whether the folder's listing holds exactly this name (a lookup by name
    // may find another spelling on a disk that ignores case).
    bool listsName(const QString &relFolder, const QString &name);
    // Unlinks the leftover temporary files (regular files only, links never
    // followed) in the folder; returns how many went. A folder that cannot be
    // read, or a file that cannot be removed, is left as it is.
    int removeLeftovers(const QString &relFolder);

    // Notes that the folder at relFolder is written into, so that flush()
    // reaches it. Returns whether each file written there must be synced by
    // itself: a FUSE disk, which syncfs does not reach.
    bool noteWrite(const QString &relFolder);
    // Puts everything written into the tree on the disk: one syncfs per file
    // system; on FUSE disks an fsync of each folder written into, in the
    // order written. A failure (a full or failing disk) throws: the data may
    // not be there.
    void flush();

private:
    struct Open {
        QString rel;
        Folder folder;
        bool writable = false; // known to have write permission bits
        bool noted = false;    // written into since the last flush
        bool fuse = false;
    };
    struct Disk {
        std::uint64_t device;
        Folder folder; // any folder of it, for syncfs
        bool fuse;
    };
    QString m_root;
    std::vector<Open> m_chain; // the root, then each folder of the last path
    std::vector<Disk> m_disks; // written into since the last flush
    std::vector<QString> m_fuseFolders;
    QSet<QString> m_fuseNoted;
};

// For tests: when set, stands in for each syncfs (wholeDisk) and fsync of
// Tree::flush, returning 0 or -1 with errno set.
extern std::function<int(int fd, bool wholeDisk)> flushForTests;

// How a copy may treat what is at its destination.
enum class Replace {
    No,          // the destination must be new; whatever took the name meanwhile is kept (75, EEXIST)
    Yes,         // a file or symlink there is replaced
    IfUnchanged, // replaced only while it still has the stamp given; looked at right before the rename
};

// Thrown when a file that was to be replaced changed after it was looked at.
struct ChangedSinceLooked : AppError {
    explicit ChangedSinceLooked(const QString &path);
};

// Thrown when the destination's file system cannot hold what is copied there
// (a symlink on FAT or exFAT); err is the system's refusal.
struct CannotHold : AppError {
    CannotHold(const QString &path, int err);
};

// Copies a regular file (content, holes kept as holes, mode & 07777, access
// and modification time to the nanosecond, user.* attributes and POSIX ACL)
// or a symlink (same target text, its own times). The copy is written to a
// temporary file beside the destination and renamed into place (a file that
// must be new is written unnamed and linked in, where the disk allows), so the
// destination is either the old file or the whole new one. A symlink at the
// destination is replaced itself, never followed. A destination without write
// permission, a folder, or anything but a file or a symlink is refused with
// 75 and left as it was. keepGoing is asked every few MiB of a large file;
// false abandons the copy (destination untouched) and copyFile returns false.
// Run by root, the copy also gets the source's owner and group; when that
// fails it loses its set-user/group-ID bits. Modes, owners, times, attributes
// and ACLs a disk refuses to record (FAT, exFAT, NTFS) are left out, not
// failures, but a copy that loses its ACL never grants the owning group more
// than the ACL gave it. A symlink such a disk cannot hold throws CannotHold.
// Failures to read the source throw SourceError.
class Keeper;
bool copyFile(Tree &from, const QString &fromRel, Tree &to, const QString &toRel, Replace how,
              const Stamp &expected = {}, const std::function<bool()> &keepGoing = {}, Keeper *keeper = nullptr);

// copyFile in two halves, so that the copying can be done on another thread:
// placeCopy looks up the two folders in the trees (not thread-safe), and
// copyPlaced copies. The descriptors are the trees'; a copy made elsewhere
// gets descriptors of its own. toTree is needed only with a keeper. With a
// gate, a copy that is whole takes its name only inside it: enter() false
// abandons the copy as keepGoing does; leave() follows a true enter().
class Gate {
public:
    virtual ~Gate() = default;
    virtual bool enter() = 0;
    virtual void leave() = 0;
};
struct CopyPlace {
    int fromFolder = -1, toFolder = -1;
    QByteArray fromName, toName;
    QString source, destination;
    bool syncEachFile = false; // the destination's disk is one a run's flush cannot reach
};
CopyPlace placeCopy(Tree &from, const QString &fromRel, Tree &to, const QString &toRel);
bool copyPlaced(const CopyPlace &place, Replace how, const Stamp &expected, const std::function<bool()> &keepGoing,
                Keeper *keeper, Tree *toTree, const QString &toRel, Gate *gate = nullptr);

// ---- Undo data: what a swap keeps of what it changes ----

// Told by copyFile, right before each act, what it is about to do in the
// tree it writes into (the journal is written ahead of the disk); it also
// holds the folder where replaced files are kept. With a Keeper, a file that
// is replaced is first hard-linked into holding() under its own relative
// path, so its name never goes missing; where the disk has no hard links it
// is moved there and the new one renamed in right after; where holding() is
// another file system it is copied there and flushed.
class Keeper {
public:
    virtual ~Keeper() = default;
    virtual void replacing(const QString &rel, const Stamp &made) = 0;
    // rel gets a file or link where there was none.
    virtual void creating(const QString &rel, const Stamp &made) = 0;
    virtual Tree &holding() = 0;
};

// The folder name inside top (made when missing, never through a symlink)
// at the root of tree, made new: an existing one is 75.
Folder makeHoldingFolder(Tree &tree, const QByteArray &top, const QByteArray &name);
// Puts the file kept at rel in hold back at rel in tree, over whatever is
// there: a rename where both are on one disk, else a copy (then the kept
// file goes). Missing folders on the way are made again.
void putBack(Tree &hold, Tree &tree, const QString &rel);
// Bytes an unprivileged writer may still use on path's file system; -1 when unknown.
std::int64_t freeBytes(const QString &path);
// The last bytes of a regular file (all of a shorter one); empty when it cannot be read.
QByteArray readFileEnd(const QString &path, int bytes);
// The bytes of the files below path (symlinks not followed), 0 when missing.
std::int64_t bytesUnder(const QString &path);

// A journal: lines appended with one write each, so a killed process loses
// none of them; sync() puts them on the disk.
class Journal {
public:
    // Creates the file (an existing one is 75).
    Journal(const Folder &folder, const QByteArray &name, const QString &shownPath);
    ~Journal();
    Journal(Journal &&other) noexcept;
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;
    void append(const QByteArray &line);
    void sync();

private:
    int m_fd = -1;
    QString m_path;
};

// "<boot>-<pid>" of this process: what a record names its writer by.
QByteArray processTag();
// Whether the process a tag names has ended (or belongs to another boot).
bool processGone(const QByteArray &tag);

// Looks at the names a destination folder already holds when letter case is
// ignored, reading each folder's names once. Not thread-safe.
class FoldedNames {
public:
    // relativePath as it exists below the tree's root: a component that
    // exists with exactly its spelling stays; one that exists only in another
    // letter case is a clash (the path is not to be written), unless
    // adoptVariant is set and there is exactly one such spelling, which then
    // stands for it. From the first component that does not exist on, the
    // rest stays as given.
    QString resolve(Tree &tree, const QString &relativePath, bool adoptVariant, bool *clash);
    // Records an entry we have just created, so later look-ups find it
    // without reading the folder again; it is never another spelling's clash.
    void noteCreated(const Tree &tree, const QString &relativePath);

private:
    struct Names {
        using Folded = QHash<QString, QStringList>;
        QSet<QString> exact;
        Folded byFold; // folded name -> the spellings there, sorted
        void add(const QString &name);
    };
    // Null when the folder cannot be read (it may be made later).
    const Names *namesOf(Tree &tree, const QString &relFolder);

    QHash<QString, Names> m_folders; // by full path
};

// Whether path is a real folder, not a symlink to one; with followLink, a
// symlink to a folder counts (a source or mount point given that way).
bool folderExists(const QString &path, bool followLink = false);
// Whether anything is at path (a dangling symlink counts).
bool pathExists(const QString &path);
// What is at path, a symlink followed (Missing for a dangling one).
Kind kindAt(const QString &path);

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
// short name), replacing anything by that name; else a temporaryName.
void replaceFile(const QString &path, const QByteArray &data, bool companion = false);

// Makes an empty file at path (0666 less the umask) unless an entry is there
// already; a dangling symlink there is EEXIST.
void ensureFile(const QString &path);

// mkdir with mode 0777 less the umask (a new target folder); an existing
// entry of any kind is 75.
void createFolder(const QString &path);
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

// path itself, or its nearest folder above that exists (a target not made
// yet), symlinks followed; empty when none. *device gets its file system.
QString nearestFolder(const QString &path, std::uint64_t *device);

// Whether folder's file system finds a name in another letter case: a new
// lower-case name is looked up in upper case, then removed. -1 when the folder
// cannot be written.
int probeIgnoresCase(const QString &folder);

// The path as the kernel sees it: its longest existing part with every symlink
// resolved, followed by the rest as given.
QString resolvedPath(const QString &path);

// The first bytes of a file or a block device (a disk's boot sector), as
// many as could be read; empty when it cannot be opened.
QByteArray readDeviceStart(const QString &path, int bytes);

// Removes path with everything below it, depth first. Symlinks are removed,
// never followed; a file system mounted below is refused with 75 before it is
// entered. A missing path is nothing to do.
void removeTree(const QString &path);

} // namespace FileOps
