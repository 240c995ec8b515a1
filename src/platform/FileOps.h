#pragma once

#include <QHash>
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
bool copyFile(const QString &source, const QString &destination,
              const std::function<bool()> &keepGoing = {});

// mkdir with mode 0777 less the umask; an existing entry of any kind is 75.
void createFolder(const QString &path);
// rmdir; a folder that is not empty is 75. A symlink is never followed.
void removeEmptyFolder(const QString &path);

// Whether anything is at path (a dangling symlink counts).
bool pathExists(const QString &path);
// Whether path is a real folder, not a symlink to one.
bool folderExists(const QString &path);

struct Stamp {
    std::int64_t size;
    std::int64_t seconds;     // modification time
    std::int64_t nanoseconds; // 0..999,999,999
};
// Size and modification time of the entry itself (a symlink is not followed).
Stamp stamp(const QString &path);

// Finds the existing entries a case-insensitive destination path stands for,
// reading each folder's names once. Names are folded with QString::toUpper,
// as the program's item keys are. Not thread-safe.
class FoldedNames {
public:
    // root + "/" + relativePath, where each component that exists (in any
    // letter case) is replaced by the real name on disk, up to the first one
    // that does not exist; the rest stays as given. Of several names that
    // fold alike, the first in sorted order wins.
    QString resolve(const QString &root, const QString &relativePath);
    // Records an entry we have just created in folder, so later look-ups find
    // it without reading the folder again.
    void noteCreated(const QString &folder, const QString &name);

private:
    using Names = QHash<QString, QString>; // folded name -> real name
    // Null when the folder cannot be read (it may be made later).
    const Names *namesOf(const QString &folder);

    QHash<QString, Names> m_folders;
};

} // namespace FileOps
