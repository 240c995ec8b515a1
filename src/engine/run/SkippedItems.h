#pragma once

#include <QString>
#include <mutex>
#include <vector>

// What a run could not do, item by item, so that a run that "finished" never
// hides a file it left behind. Not skipped items: folders that step 6 leaves
// because they are not empty, and items the rules decided not to copy.
enum class SkipReason {
    Unreadable,     // a file or folder the run could not read
    CaseClash,      // another item differs only in letter case
    CannotHold,     // the destination cannot hold this name or item
    AccessRefused,  // the destination refused the write (error 75)
    Changed,        // the file changed during the run
    NotAFolder,     // a symlink or a file where a folder was expected: never crossed
    SpecialFile,    // a FIFO, socket or device at the destination: left as it was
    // What undo could not put back:
    ChangedAfterRun, // changed since the run: kept, its old version stays held
    OldVersionGone,  // the held old version is missing: the file is kept
    NotEmptyAfterRun, // a folder the run made holds other items now: kept
    NotUndone,       // the system refused; see the detail
};

struct SkippedItem {
    QString path;   // full path of the item, as the file system spells it
    SkipReason reason;
    QString detail; // the system's words, where there are any
};

// Filled by a run (on its thread), read by its host once the run has ended.
class SkippedItems {
public:
    void add(const QString &path, SkipReason reason, const QString &detail = QString());
    std::vector<SkippedItem> items() const;
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    void clear();

    // In the current language.
    static QString reasonText(SkipReason reason);
    // "path: reason (detail)", for people: stray bytes and control characters escaped.
    static QString line(const SkippedItem &item);
    // "N items were skipped." in the current language.
    static QString countText(std::size_t count);
    // The whole list, one "line" a line, names written so they can be read
    // back exactly (FileNames::escaped). False when the file cannot be written.
    bool writeTo(const QString &file) const;
    // Where the window keeps the whole list: in the settings folder.
    static QString listFilePath();

private:
    mutable std::mutex m_mutex;
    std::vector<SkippedItem> m_items;
};
