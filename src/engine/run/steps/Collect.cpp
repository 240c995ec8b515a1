// Step 1: every folder and file of a side, read once, in the order of the walk.
#include "engine/run/SyncRun.h"
#include "engine/run/UndoData.h"
#include "engine/run/steps/StepTools.h"

#include "engine/fs/FileNames.h"
#include "engine/paths/PathHelpers.h"
#include "engine/settings/AppState.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using StepTools::byName;

namespace {

struct FolderContents {
    int error = 0; // errno when the folder could not be read (wholly or in part)
    std::vector<std::pair<QByteArray, int>> unreadable; // names it lists but will not describe
    QStringList folders;
    struct File {
        QString name;
        FileOps::Stamp stamp;
    };
    std::vector<File> files;
};

// One read of a folder: its real subfolders, and its files (regular files and
// symlinks, never followed) that match the pattern, with their sizes.
// At a root, the holding folder of undo data is the program's, not an item.
FolderContents readFolder(const FileOps::Folder &folder, const QString &pattern, bool withFiles, bool atRoot)
{
    FolderContents c;
    c.error = FileOps::list(folder, withFiles, [&](const char *n, FileOps::Kind kind, const FileOps::Stamp &stamp) {
        if (kind == FileOps::Kind::Folder) {
            if (!atRoot || std::strcmp(n, Undo::kTop) != 0)
                c.folders << FileNames::fromBytes(n);
        } else if (withFiles) {
            QString name = FileNames::fromBytes(n);
            if (matchesPattern(name, pattern))
                c.files.push_back({std::move(name), stamp});
        }
    }, &c.unreadable);
    std::sort(c.folders.begin(), c.folders.end(), byName);
    std::sort(c.files.begin(), c.files.end(), [](const auto &a, const auto &b) { return byName(a.name, b.name); });
    return c;
}

} // namespace

// Reads a side's folders in the order of the walk (pre-order, depth first,
// without recursion, so a deep tree cannot exhaust the stack). Each folder is
// opened inside its parent, never through a symlink; a folder stays open
// while subfolders of it wait to be read. With read-ahead, a thread of its
// own reads a few folders ahead of the run: the disk answers for the next
// folders while the run files the items of this one.
class SyncRun::FolderReader {
public:
    struct Folder {
        QString rel;
        FolderContents contents;
        std::size_t subfolders = 0; // waiting to be read, after this folder
    };

    // ahead: read on a thread of its own, kAhead folders ahead of the walk, or
    // more while they hold fewer than fileBudget files.
    FolderReader(FileOps::Folder root, QString shownRoot, QString pattern, bool withFiles, bool ahead,
                 std::size_t fileBudget = 0)
        : m_shownRoot(std::move(shownRoot)), m_pattern(std::move(pattern)), m_withFiles(withFiles),
          m_fileBudget(fileBudget)
    {
        m_pending.push_back({std::make_shared<FileOps::Folder>(std::move(root)), QString(), true});
        if (ahead)
            m_thread = std::thread([this] { produce(); });
    }
    ~FolderReader()
    {
        if (!m_thread.joinable())
            return;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    // The walk's next folder; false once every folder has been given.
    bool next(Folder &folder)
    {
        if (!m_thread.joinable())
            return read(folder);
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_ready.empty() && !m_done) {
            // Woken once a few folders wait, not for each: a wake-up costs
            // more than filing a small folder.
            m_takerWaits = true;
            m_changed.wait(lock, [this] { return m_ready.size() >= kWake || m_readyFiles >= kWakeFiles || m_done; });
            m_takerWaits = false;
        }
        if (m_ready.empty())
            return false;
        folder = std::move(m_ready.front());
        m_ready.pop_front();
        m_readyFiles -= folder.contents.files.size();
        const bool wake = m_readerWaits && roomAgain();
        lock.unlock();
        if (wake)
            m_changed.notify_all();
        return true;
    }

    static constexpr std::size_t kAhead = 32;
    static constexpr std::size_t kWake = 8;
    static constexpr std::size_t kWakeFiles = 512;

private:
    struct Pending {
        std::shared_ptr<FileOps::Folder> folder; // the parent, or the root itself
        QString rel;
        bool isRoot = false;
    };

    bool read(Folder &f)
    {
        if (m_pending.empty())
            return false;
        Pending p = std::move(m_pending.back());
        m_pending.pop_back();
        f.rel = std::move(p.rel);
        f.contents = FolderContents();
        f.subfolders = 0;
        std::shared_ptr<FileOps::Folder> here = std::move(p.folder);
        if (!p.isRoot) {
            try {
                here = std::make_shared<FileOps::Folder>(
                    here->sub(FileNames::toBytes(f.rel.mid(f.rel.lastIndexOf(QLatin1Char('/')) + 1)), m_shownRoot + f.rel));
            } catch (const AppError &e) {
                f.contents.error = e.systemError();
                return true;
            }
        }
        f.contents = readFolder(*here, m_pattern, m_withFiles, p.isRoot);
        const QString prefix = f.rel.isEmpty() ? QString() : f.rel + QLatin1Char('/');
        for (auto it = f.contents.folders.crbegin(); it != f.contents.folders.crend(); ++it)
            m_pending.push_back({here, prefix + *it});
        f.subfolders = std::size_t(f.contents.folders.size());
        f.contents.folders.clear();
        return true;
    }

    void produce()
    {
        Folder f;
        while (read(f)) {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!(m_ready.size() < kAhead || m_readyFiles < m_fileBudget)) {
                // Full: read on once the walk has taken half of what waits.
                m_readerWaits = true;
                m_changed.wait(lock, [this] { return roomAgain() || m_quit; });
                m_readerWaits = false;
            }
            if (m_quit)
                return;
            m_readyFiles += f.contents.files.size();
            m_ready.push_back(std::move(f));
            const bool wake = m_takerWaits && (m_ready.size() >= kWake || m_readyFiles >= kWakeFiles);
            lock.unlock();
            if (wake)
                m_changed.notify_all();
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
    }

    const QString m_shownRoot;
    const QString m_pattern;
    const bool m_withFiles;
    const std::size_t m_fileBudget;
    std::size_t m_readyFiles = 0; // in m_ready
    bool m_takerWaits = false, m_readerWaits = false;
    bool roomAgain() const
    {
        return m_ready.size() <= kAhead / 2 || (m_fileBudget > 0 && m_readyFiles <= m_fileBudget / 2);
    }
    std::vector<Pending> m_pending; // the walk's own: the reading thread's while there is one
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Folder> m_ready;
    bool m_done = false;
    bool m_quit = false;
    std::thread m_thread; // last: starts once everything above exists
};

bool SyncRun::collectItems(int side)
{
    lstItems[side].RootPath = AddTrailingSeparator(tidyFolderPath(m_inputs.SourcePath[side]));
    return collectInto(side, readerOf(side, 0));
}

std::unique_ptr<SyncRun::FolderReader> SyncRun::readerOf(int side, std::size_t fileBudget)
{
    return std::make_unique<FolderReader>(tree(side).folder(QString()).again(), lstItems[side].RootPath,
                                          m_inputs.Pattern[side], !m_options.CopyStructureOnly, readAhead, fileBudget);
}

bool SyncRun::collectSides()
{
    for (int side = FirstSide; side <= LastSide; ++side)
        lstItems[side].RootPath = AddTrailingSeparator(tidyFolderPath(m_inputs.SourcePath[side]));
    // While the left side is filed, the right one is already being read: the
    // disk answers two walks about as fast as one. Its folders wait, read, until
    // the run files them, so everything else happens as in a walk of one side
    // after the other. The files waiting are bounded (some 7 MB), so a tree
    // of millions costs no more memory than one of a hundred thousand.
    constexpr std::size_t kFilesReadAhead = 1 << 16;
    std::unique_ptr<FolderReader> next = FirstSide < LastSide && readAhead ? readerOf(LastSide, kFilesReadAhead) : nullptr;
    if (!collectInto(FirstSide, readerOf(FirstSide, 0)))
        return false;
    return FirstSide == LastSide || collectInto(LastSide, next ? std::move(next) : readerOf(LastSide, 0));
}

bool SyncRun::collectInto(int side, std::unique_ptr<FolderReader> reader)
{
    using Id = ItemStore::Id;
    const Options &o = m_options;
    ItemList &list = lstItems[side];
    SideCounters &c = Counters[side];
    ItemStore &store = items[side];
    store.clear();
    list.store = &store;
    list.entries.clear();
    m_lookedAt[side].clear();
    const QString root = list.RootPath;
    // The reader's walk, mirrored: the item of the folder each waiting folder is in.
    std::vector<Id> waiting;

    FolderReader::Folder read;
    while (reader->next(read)) {
        if (stopNow())
            return false;
        const QString &rel = read.rel;
        const QString folder = rel.isEmpty() ? root : root + rel;
        Id here = ItemStore::kRoot;
        if (!rel.isEmpty()) {
            here = waiting.back();
            waiting.pop_back();
        }
        const FolderContents &contents = read.contents;
        if (contents.error == ELOOP || contents.error == ENOTDIR) {
            // Replaced by a link or a file since its parent was read: not crossed, not an item.
            Skipped.add(folder, SkipReason::NotAFolder);
            waiting.insert(waiting.end(), read.subfolders, ItemStore::kNone);
            continue;
        }
        if (!rel.isEmpty()) {
            ++c.FoldersFound;
            if (here != ItemStore::kNone && WithinLevels(rel, o.Levels)) {
                here = store.add(here, QStringView(rel).mid(rel.lastIndexOf(QLatin1Char('/')) + 1), true,
                                 FileOps::Stamp());
                ++c.FoldersKept;
            } else {
                here = ItemStore::kNone;
            }
            showPath(side, folder, QString());
        }
        waiting.insert(waiting.end(), read.subfolders, here);
        if (contents.error != 0)
            Skipped.add(folder, SkipReason::Unreadable, systemText(contents.error));
        for (const auto &[name, err] : contents.unreadable)
            Skipped.add(AddTrailingSeparator(folder) + FileNames::fromBytes(name), SkipReason::Unreadable,
                        systemText(err));
        const QString prefix = rel.isEmpty() ? QString() : rel + QLatin1Char('/');
        // Files of one folder share its depth, so the levels test is made once.
        const bool filesKept = here != ItemStore::kNone && WithinLevels(prefix + QLatin1Char('x'), o.Levels);
        for (const FolderContents::File &f : contents.files) {
            if (stopNow())
                return false;
            ++c.FilesFound;
            c.BytesFound += f.stamp.size;
            if (filesKept) {
                store.add(here, f.name, false, f.stamp);
                ++c.FilesKept;
                c.BytesKept += f.stamp.size;
            }
            // The clock itself is looked at every few dozen files only.
            if ((c.FilesFound & 63) != 0 || (m_pathClock.isValid() && m_pathClock.elapsed() < 40))
                continue;
            showPath(side, root, prefix + f.name);
        }
    }
    // Every item kept, in the order of the walk.
    list.entries.resize(store.size() - 1);
    for (std::size_t i = 0; i < list.entries.size(); ++i)
        list.entries[i] = Id(i + 1);
    m_host.showPath(side, QString());
    m_host.stepCounters(1, side, c);
    return true;
}
