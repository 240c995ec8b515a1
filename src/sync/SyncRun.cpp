#include "SyncRun.h"

#include "EntryIndex.h"
#include "RunText.h"
#include "TargetFolder.h"
#include "core/AppState.h"
#include "core/ErrorReport.h"
#include "core/Texts.h"
#include "mainwindow/PathHelpers.h"
#include "options/OptionRules.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/FileOps.h"
#include "platform/MessageService.h"
#include "platform/Volumes.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool byName(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

struct FolderContents {
    int error = 0; // errno when the folder could not be read (wholly or in part)
    std::vector<std::pair<QString, int>> unreadable; // names it lists but will not describe
    QStringList folders;
    struct File {
        QString name;
        std::int64_t size;
        std::int64_t seconds;
        std::int64_t nanoseconds;
    };
    std::vector<File> files;
};

bool isOurTemporary(const char *name) { return std::strncmp(name, FileOps::kTempPrefix, sizeof FileOps::kTempPrefix - 1) == 0; }

// One read of a folder: its real subfolders, and its files (regular files and
// symlinks, never followed) that match the pattern, with their sizes. FIFOs,
// sockets and devices are not items.
FolderContents readFolder(const QString &folder, const QString &pattern, bool withFiles, bool isRoot)
{
    FolderContents c;
    DIR *d = ::opendir(FileNames::toBytes(folder).constData());
    if (!d) {
        // The source itself must be there; a subfolder we may not read is reported.
        if (isRoot)
            throw AppError::fromErrno(errno, folder);
        c.error = errno;
        return c;
    }
    const int fd = ::dirfd(d);
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(d);
        if (!e) {
            c.error = errno; // 0 at the end of a whole listing
            break;
        }
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        unsigned char type = e->d_type;
        struct stat st {};
        bool statted = false;
        if (type == DT_UNKNOWN || ((type == DT_REG || type == DT_LNK) && withFiles)) {
            if (::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                // Gone meanwhile is nothing to report; a name we may not look at is.
                const int err = errno;
                if (err != ENOENT)
                    c.unreadable.push_back({FileNames::fromBytes(n), err});
                continue;
            }
            statted = true;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_FIFO;
        }
        if (type == DT_DIR) {
            c.folders << FileNames::fromBytes(n);
        } else if ((type == DT_REG || type == DT_LNK) && withFiles && !isOurTemporary(n)) {
            const QString name = FileNames::fromBytes(n);
            if (matchesPattern(name, pattern))
                c.files.push_back({name, statted ? std::int64_t(st.st_size) : 0,
                                   statted ? std::int64_t(st.st_mtim.tv_sec) : 0,
                                   statted ? std::int64_t(st.st_mtim.tv_nsec) : 0});
        }
    }
    ::closedir(d);
    std::sort(c.folders.begin(), c.folders.end(), byName);
    std::sort(c.files.begin(), c.files.end(), [](const auto &a, const auto &b) { return byName(a.name, b.name); });
    return c;
}

// Reads a side's folders in the order of the walk (pre-order, depth first,
// without recursion, so a deep tree cannot exhaust the stack) on a thread of
// its own, a few folders ahead of the run: the disk answers for the next
// folders while the run files the items of this one.
class FolderReader {
public:
    struct Folder {
        QString rel;
        FolderContents contents;
        std::exception_ptr error; // the source itself could not be read
    };

    FolderReader(QString root, QString pattern, bool withFiles)
        : m_root(std::move(root)), m_pattern(std::move(pattern)), m_withFiles(withFiles),
          m_thread([this] { produce(); })
    {
    }
    ~FolderReader()
    {
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
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return false;
        folder = std::move(m_ready.front());
        m_ready.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return true;
    }

private:
    static constexpr std::size_t kAhead = 32;

    void produce()
    {
        std::vector<QString> pending{QString()};
        bool first = true;
        while (!pending.empty()) {
            Folder f;
            f.rel = std::move(pending.back());
            pending.pop_back();
            try {
                f.contents = readFolder(f.rel.isEmpty() ? m_root : m_root + f.rel, m_pattern, m_withFiles, first);
            } catch (...) {
                f.error = std::current_exception();
                pending.clear();
            }
            first = false;
            const QString prefix = f.rel.isEmpty() ? QString() : f.rel + QLatin1Char('/');
            for (auto it = f.contents.folders.crbegin(); it != f.contents.folders.crend(); ++it)
                pending.push_back(prefix + *it);
            f.contents.folders.clear();
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ready.size() < kAhead || m_quit; });
            if (m_quit)
                return;
            m_ready.push_back(std::move(f));
            lock.unlock();
            m_changed.notify_all();
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
    }

    const QString m_root;
    const QString m_pattern;
    const bool m_withFiles;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Folder> m_ready;
    bool m_done = false;
    bool m_quit = false;
    std::thread m_thread; // last: starts once everything above exists
};

std::int64_t fileLength(const QString &path)
{
    struct stat st {};
    if (::lstat(FileNames::toBytes(path).constData(), &st) != 0)
        throw AppError::fromErrno(errno, path);
    return std::int64_t(st.st_size);
}

bool isRoot(const QString &path)
{
    const QString p = tidyFolderPath(path);
    for (const QString &r : Roots::list())
        if (tidyFolderPath(r) == p)
            return true;
    return false;
}

} // namespace

SyncRun::SyncRun(RunHost &host, RunInputs inputs) : m_host(host), m_inputs(std::move(inputs)) {}

SyncRun::~SyncRun() = default;

std::int64_t SyncRun::knownSize(int side, const QString &entry, const QString &full) const
{
    const auto seen = collected[side].constFind(entry);
    return seen != collected[side].constEnd() ? seen->size : fileLength(full);
}

FileOps::Stamp SyncRun::knownStamp(int side, const QString &entry, const QString &full) const
{
    const auto seen = collected[side].constFind(entry);
    if (seen != collected[side].constEnd())
        return {seen->size, seen->seconds, seen->nanoseconds};
    return FileOps::stamp(full);
}

void SyncRun::showPath(int side, const QString &base, const QString &rel)
{
    if (m_pathClock.isValid() && m_pathClock.elapsed() < 40)
        return;
    m_pathClock.start();
    m_host.showPath(side, base + rel);
}

void SyncRun::resetProgress()
{
    m_lastPercent = 0;
    m_host.progress(0);
}

void SyncRun::showProgress(std::int64_t position, std::int64_t last)
{
    const int percent = RunText::progressPercent(position, last);
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        m_host.progress(percent);
    }
}

bool SyncRun::WithinLevels(const QString &relativePath, int levels)
{
    return levels <= 0 || relativePath.count(QLatin1Char('/')) < levels;
}

bool SyncRun::stopNow()
{
    if (m_host.checkpoint())
        InterruptRequested = true;
    return InterruptRequested;
}

bool SyncRun::cancel()
{
    if (!App().TargetFolderPath.isEmpty()
        && MsgBox(tx("Do you really want to interrupt the synchronization process?",
                     "Θέλετε πράγματι να διακόψετε τη διαδικασία του συγχρονισμού;"),
                  Msg::Question | Msg::YesNo,
                  tx("Synchronization process", "Διαδικασία συγχρονισμού"))
               != Msg::Yes)
        return false;
    InterruptRequested = true;
    return true;
}

void SyncRun::close()
{
    if (InterruptRequested && !App().OptionValues.SwapItems)
        DeleteTargetFolder(App().TargetFolderPath, App().OptionValues.DeleteOnCancel, Loc::SynchronizeClose);
    m_host.setState(RunState::Closed);
}

SyncRun::Outcome SyncRun::interrupt()
{
    InterruptRequested = true;
    return Outcome::Interrupted;
}

SyncRun::Outcome SyncRun::run()
{
    try {
        return body();
    } catch (const AppError &e) {
        CommonErrorReport(e.number(), e.description(), Loc::SynchronizationRun);
    } catch (const std::bad_alloc &) {
        CommonErrorReport(ErrorCode::OutOfMemory, errorText(ErrorCode::OutOfMemory), Loc::SynchronizationRun);
    } catch (const std::exception &e) {
        CommonErrorReport(ErrorCode::DeviceIO, QString::fromLocal8Bit(e.what()), Loc::SynchronizationRun);
    }
    return interrupt();
}

SyncRun::Outcome SyncRun::body()
{
    const Options &o = App().OptionValues;
    FirstSide = o.WhichItemsToCopy == 4 ? 1 : 0;
    LastSide = o.WhichItemsToCopy == 3 ? 0 : 1;
    ToleranceSeconds = std::int64_t(o.Days) * 86400 + std::int64_t(o.Hours) * 3600
                       + std::int64_t(o.Minutes) * 60 + o.Seconds;

    for (int side = FirstSide; side <= LastSide; ++side) {
        const QString source = m_inputs.SourcePath[side];
        if (!isRoot(source))
            continue;
        const QString prompt =
            App().LanguageIsGreek
                ? QStringLiteral("Το αρχικό σημείο του συγχρονισμού, είναι το πρώτο επίπεδο του δίσκου ")
                      + quoted(source) + QLatin1Char('.') + kBlankLine
                      + QStringLiteral("Θέλετε πράγματι να συνεχίσετε;")
                : QStringLiteral("The starting point of the synchronization process is the top level of drive ")
                      + quoted(source) + QLatin1Char('.') + kBlankLine
                      + QStringLiteral("Do you really want to continue?");
        if (MsgBox(prompt, Msg::Exclamation | Msg::YesNo,
                   sideTitle(side, "Folder synchronization", "Συγχρονισμός φακέλλων"))
            != Msg::Yes)
            return Outcome::Abandoned;
    }

    if (!o.SwapItems) {
        m_host.reminder(2);
        App().TargetFolderPath.clear();
        App().TargetFolderPath = m_host.chooseTargetFolder();
        if (App().TargetFolderPath.isEmpty())
            return Outcome::Abandoned;
    }

    decideCaseRule();
    m_host.setState(RunState::Running);
    for (int side = 0; side < 2; ++side) {
        lstItems[side].clear();
        lstFilteredItems[side].clear();
        Counters[side] = SideCounters();
        // Both roots are known even when one side is not processed: a swap
        // of the left side's items writes into the right source.
        lstItems[side].RootPath = AddTrailingSeparator(tidyFolderPath(m_inputs.SourcePath[side]));
    }

    // Step 1.
    m_host.stepTitle(RunText::stepTitle(1, o.SwapItems));
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!collectItems(side))
            return Outcome::Interrupted;
    resetProgress();
    if (NoItemsToSynchronize(lstItems[0], lstItems[1]))
        return interrupt();
    for (int side = 0; side < 2; ++side) {
        lstFilteredItems[side].clear();
        Counters[side].resetKept();
    }
    pairByCase();

    // Step 2.
    m_host.stepTitle(RunText::stepTitle(2, o.SwapItems));
    m_host.showProgressBar(true);
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!selectItems(side))
            return Outcome::Interrupted;
    resetProgress();
    if (NoItemsToSynchronize(lstFilteredItems[0], lstFilteredItems[1]))
        return interrupt();

    if (!manualSelection())
        return Outcome::Interrupted;
    if (NoItemsToSynchronize(lstFilteredItems[0], lstFilteredItems[1]))
        return interrupt();

    if (!resolveCommonItems())
        return Outcome::Interrupted;
    if (NoItemsToSynchronize(lstItems[0], lstItems[1]))
        return interrupt();
    if (stopAfterResolving)
        return Outcome::Finished;

    bool conflict = false;
    if (!transferItems(&conflict))
        return conflict ? interrupt() : Outcome::Interrupted;
    for (int side = 0; side < 2; ++side)
        lstFilteredItems[side].entries.clear();
    auto nothingDone = [this] {
        for (const SideCounters &c : Counters)
            if (c.FoldersKept > 0 || c.FilesKept > 0 || c.BytesKept > 0)
                return false;
        return true;
    };
    if (nothingDone()) {
        NoItemsToSynchronize(lstFilteredItems[0], lstFilteredItems[1]);
        return interrupt();
    }

    if (!finish())
        return InterruptRequested ? Outcome::Interrupted : interrupt();
    m_host.stepTitle(QString());
    m_host.setState(RunState::Finished);
    m_host.beep();
    return Outcome::Finished;
}

bool SyncRun::collectItems(int side)
{
    const Options &o = App().OptionValues;
    ItemList &list = lstItems[side];
    SideCounters &c = Counters[side];
    collected[side].clear();
    const QString root = AddTrailingSeparator(tidyFolderPath(m_inputs.SourcePath[side]));
    list.RootPath = root;
    const QString &pattern = m_inputs.Pattern[side];

    const QHash<QString, SeenFile> &otherSeen = collected[1 - side];
    QString scratch;

    FolderReader reader(root, pattern, !o.CopyStructureOnly);
    FolderReader::Folder read;
    while (reader.next(read)) {
        if (stopNow())
            return false;
        const QString &rel = read.rel;
        const QString folder = rel.isEmpty() ? root : root + rel;
        if (!rel.isEmpty()) {
            ++c.FoldersFound;
            if (WithinLevels(rel, o.Levels)) {
                list.entries.push_back(QLatin1Char('+') + rel);
                ++c.FoldersKept;
            }
            showPath(side, folder, QString());
        }
        if (read.error)
            std::rethrow_exception(read.error);
        const FolderContents &contents = read.contents;
        if (contents.error != 0)
            Skipped.add(folder, SkipReason::Unreadable, systemText(contents.error));
        for (const auto &[name, err] : contents.unreadable)
            Skipped.add(AddTrailingSeparator(folder) + name, SkipReason::Unreadable, systemText(err));
        const QString prefix = rel.isEmpty() ? QString() : rel + QLatin1Char('/');
        // Files of one folder share its depth, so the levels test is made once.
        const bool filesKept = WithinLevels(prefix + QLatin1Char('x'), o.Levels);
        for (const FolderContents::File &f : contents.files) {
            if (stopNow())
                return false;
            ++c.FilesFound;
            c.BytesFound += f.size;
            if (filesKept) {
                // The entry is also the key of what was seen. A file the other
                // side has too (the usual case between two copies of a tree)
                // shares that side's text instead of holding its own.
                scratch.resize(0);
                scratch.append(QLatin1Char('-')).append(prefix).append(f.name);
                const auto twin = otherSeen.constFind(scratch);
                QString entry = twin != otherSeen.constEnd() ? twin.key() : QString(scratch.constData(), scratch.size());
                collected[side].insert(entry, {f.size, f.seconds, f.nanoseconds});
                list.entries.push_back(std::move(entry));
                ++c.FilesKept;
                c.BytesKept += f.size;
            }
            if (m_pathClock.isValid() && m_pathClock.elapsed() < 40)
                continue;
            showPath(side, root, prefix + f.name);
        }
    }
    // The list only shrinks from here on; growth's spare room would be held all run.
    list.entries.shrink_to_fit();
    m_host.showPath(side, QString());
    m_host.stepCounters(1, side, c);
    return true;
}

bool SyncRun::selectItems(int side)
{
    const int choice = App().OptionValues.WhichItemsToCopy;
    const ItemList &a = lstItems[side];
    const ItemList &b = lstItems[1 - side];
    ItemList &f = lstFilteredItems[side];
    f.RootPath = a.RootPath;
    SideCounters &c = Counters[side];
    resetProgress();

    // An index of the other side's entries gives the same answer as comparing
    // every pair, in time proportional to the items.
    const bool matching = choice == 1 || choice == 2;
    EntryIndex other(matching ? b.size() : 0,
                     [&](std::size_t j) -> const QString & { return matchKey(1 - side, b.entries[j]); });
    if (matching)
        for (std::size_t j = 0; j < b.size(); ++j)
            other.slot(j);
    else
        f.entries.reserve(a.size()); // every entry is kept
    const std::int64_t last = std::int64_t(a.size()) - 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (stopNow())
            return false;
        const QString &entry = a.entries[i];
        const QString rel = ItemList::relativePath(entry);
        bool kept = true;
        if (matching) {
            const bool found = other.find(matchKey(side, entry)) != nullptr;
            kept = choice == 1 ? found : !found;
        }
        if (kept) {
            if (ItemList::isFolder(entry)) {
                ++c.FoldersKept;
            } else {
                ++c.FilesKept;
                c.BytesKept += knownSize(side, entry, a.RootPath + rel);
            }
            f.entries.push_back(entry);
            showPath(side, a.RootPath, rel);
        }
        showProgress(std::int64_t(i), last);
    }
    m_host.showPath(side, QString());
    m_host.stepCounters(2, side, c);
    return true;
}

bool SyncRun::NoItemsToSynchronize(const ItemList &a, const ItemList &b)
{
    if (!a.empty() || !b.empty())
        return false;
    MsgBox(RunText::noItemsPrompt(App().OptionValues.SwapItems), Msg::Information | Msg::OkOnly,
           RunText::noItemsTitle());
    return true;
}

bool SyncRun::manualSelection()
{
    const Options &o = App().OptionValues;
    m_host.stepTitle(RunText::stepTitle(3, o.SwapItems));
    if (o.FinalSelection) {
        m_host.setState(RunState::Selecting);
        m_host.reminder(3);
        ManualSelectionSide sides[2];
        for (int side = FirstSide; side <= LastSide; ++side) {
            sides[side].rootPath = lstItems[side].RootPath;
            sides[side].entries = lstFilteredItems[side].entries;
        }
        for (int side = 0; side < 2; ++side) {
            lstFilteredItems[side].entries.clear();
            Counters[side].resetKept();
        }
        m_host.manualSelection(sides);
        for (int side = FirstSide; side <= LastSide; ++side) {
            const ManualSelectionSide &m = sides[side];
            SideCounters &c = Counters[side];
            resetProgress();
            const std::int64_t last = std::int64_t(m.entries.size()) - 1;
            for (std::size_t i = 0; i < m.entries.size(); ++i) {
                if (i < m.selected.size() && m.selected[i]) {
                    const QString &entry = m.entries[i];
                    const QString rel = ItemList::relativePath(entry);
                    lstFilteredItems[side].entries.push_back(entry);
                    if (ItemList::isFolder(entry)) {
                        ++c.FoldersKept;
                    } else {
                        ++c.FilesKept;
                        // Read again: the user may have taken a while.
                        c.BytesKept += fileLength(m.rootPath + rel);
                    }
                    showPath(side, m.rootPath, rel);
                }
                showProgress(std::int64_t(i), last);
            }
            m_host.showPath(side, QString());
            m_host.stepCounters(3, side, c);
        }
        m_host.setState(RunState::Running);
    } else {
        for (int side = FirstSide; side <= LastSide; ++side) {
            m_host.showPath(side, QString());
            m_host.stepCounters(3, side, Counters[side]);
        }
    }
    resetProgress();
    return !stopNow();
}

void SyncRun::countEntry(int side, const QString &entry, const QString &full)
{
    SideCounters &c = Counters[side];
    if (ItemList::isFolder(entry)) {
        ++c.FoldersKept;
    } else {
        ++c.FilesKept;
        c.BytesKept += knownSize(side, entry, full);
    }
    showPath(side, full, QString());
}

bool SyncRun::resolveCommonItems()
{
    const Options &o = App().OptionValues;
    m_host.stepTitle(RunText::stepTitle(4, o.SwapItems));
    resetProgress();
    for (int side = 0; side < 2; ++side) {
        // Released, not cleared: the passes build the new lists in place of the filtered ones.
        std::vector<QString>().swap(lstItems[side].entries);
        Counters[side].resetKept();
    }
    RemainingFilesChoice = o.WhenFileExists;
    const bool matching = o.WhichItemsToCopy == 1 || o.WhichItemsToCopy == 5;
    for (int side = FirstSide; side <= LastSide; ++side) {
        resetProgress();
        if (!(matching ? matchingPass(side) : passThrough(side)))
            return false;
        m_host.showPath(side, QString());
        m_host.stepCounters(4, side, Counters[side]);
    }
    resetProgress();
    return true;
}

// The entries kept by a pass of step 4 move to the front of its input list,
// which then becomes the side's list: a copy of the list would cost another
// slot per item at the run's largest moment. Stopped early, the input keeps
// the entries not yet looked at.
void SyncRun::keepInPlace(int side, std::size_t kept, std::size_t looked)
{
    std::vector<QString> &in = lstFilteredItems[side].entries;
    std::vector<QString> &out = lstItems[side].entries;
    if (looked == in.size()) {
        in.resize(kept);
        out.swap(in);
        std::vector<QString>().swap(in);
        return;
    }
    out.assign(std::make_move_iterator(in.begin()), std::make_move_iterator(in.begin() + std::ptrdiff_t(kept)));
    in.erase(in.begin(), in.begin() + std::ptrdiff_t(looked));
}

bool SyncRun::passThrough(int side)
{
    ItemList &in = lstFilteredItems[side];
    const QString &root = lstItems[side].RootPath;
    const std::size_t n = in.size();
    const std::int64_t last = std::int64_t(n) - 1;
    for (std::size_t i = 0; i < n; ++i) {
        if (stopNow()) {
            keepInPlace(side, i, i);
            return false;
        }
        const QString &entry = in.entries[i];
        countEntry(side, entry, root + ItemList::relativePath(entry));
        showProgress(std::int64_t(i), last);
    }
    keepInPlace(side, n, n);
    return true;
}

namespace {
OptionRules::FileTime timeOf(const FileOps::Stamp &s) { return {s.seconds, s.nanoseconds}; }

FileChoiceFile choiceFile(const QString &path, const FileOps::Stamp &s)
{
    return {path, s.size, QDateTime::fromSecsSinceEpoch(s.seconds)};
}
} // namespace

bool SyncRun::matchingPass(int side)
{
    const Options &o = App().OptionValues;
    ItemList &in = lstFilteredItems[side];
    ItemList &other = lstFilteredItems[1 - side];
    const QString &root = lstItems[side].RootPath;
    const QString &otherRoot = lstItems[1 - side].RootPath;

    // The first not yet removed entry of each text, in list order: the same
    // match a scan from the top would find. Entries of one text are chained in
    // list order, and a match always takes the head of its chain.
    constexpr std::size_t kNone = EntryIndex::kNone;
    EntryIndex head(other.size(),
                    [&](std::size_t j) -> const QString & { return matchKey(1 - side, other.entries[j]); });
    std::vector<std::size_t> next(other.size(), kNone);
    for (std::size_t j = other.size(); j-- > 0;) {
        std::size_t &first = head.slot(j);
        next[j] = first;
        first = j;
    }
    std::vector<bool> removed(other.size(), false);

    const std::size_t n = in.size();
    const std::int64_t last = std::int64_t(n) - 1;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (stopNow()) {
            keepInPlace(side, kept, i);
            return false;
        }
        const QString &entry = in.entries[i];
        const QString rel = ItemList::relativePath(entry);
        QString source = root + rel; // empty when the entry is not kept
        std::size_t *const found = head.find(matchKey(side, entry));
        if (found && *found != kNone) {
            const std::size_t j = *found;
            auto removeMatch = [&] {
                removed[j] = true;
                *found = next[j];
            };
            if (ItemList::isFolder(entry)) {
                removeMatch();
            } else {
                const QString otherPath = otherRoot + ItemList::relativePath(other.entries[j]);
                const FileOps::Stamp mine = knownStamp(side, entry, source);
                const FileOps::Stamp theirs = knownStamp(1 - side, other.entries[j], otherPath);
                // Stamps count in whole seconds.
                bool equal = mine.seconds == theirs.seconds;
                if (!equal && OptionRules::excludedFromSwap(o, ToleranceSeconds, timeOf(mine), timeOf(theirs)))
                    equal = true;
                auto give = [&] { removeMatch(); };
                if (equal) {
                    if (o.SwapItems) {
                        source.clear();
                        removeMatch();
                    } else {
                        give();
                    }
                } else {
                    switch (RemainingFilesChoice) {
                    case 1:
                    case 2: {
                        const bool later = mine.seconds > theirs.seconds;
                        if (later == (RemainingFilesChoice == 1))
                            give();
                        else
                            source.clear();
                        break;
                    }
                    case 3: {
                        m_host.reminder(4);
                        const int answer = m_host.fileChoice(choiceFile(source, mine),
                                                             choiceFile(otherPath, theirs),
                                                             RemainingFilesChoice);
                        if (answer == 0) {
                            give();
                        } else {
                            source.clear();
                            if (answer != 1)
                                removeMatch();
                        }
                        break;
                    }
                    default:
                        source.clear();
                        removeMatch();
                        break;
                    }
                }
            }
        }
        if (!source.isEmpty()) {
            countEntry(side, entry, source);
            if (kept != i)
                in.entries[kept] = std::move(in.entries[i]);
            ++kept;
        }
        showProgress(std::int64_t(i), last);
    }
    keepInPlace(side, kept, n);
    std::size_t left = 0;
    for (std::size_t j = 0; j < other.size(); ++j)
        if (!removed[j])
            other.entries[left++] = std::move(other.entries[j]);
    other.entries.resize(left);
    return true;
}

void SyncRun::decideCaseRule()
{
    const Options &o = App().OptionValues;
    m_foldNames = !o.CaseSensitive;
    if (m_foldNames)
        return;
    // Where a disk of the run ignores case, names that differ only in case
    // are one item there whatever the option says: compare them so.
    struct Place {
        QString path;
        const char *en;
        const char *el;
    };
    std::vector<Place> places;
    if (o.SwapItems || FirstSide == 0)
        places.push_back({m_inputs.SourcePath[0], "the left folder", "ο αριστερός φάκελλος"});
    if (o.SwapItems || LastSide == 1)
        places.push_back({m_inputs.SourcePath[1], "the right folder", "ο δεξιός φάκελλος"});
    if (!o.SwapItems)
        places.push_back({App().TargetFolderPath, "the target folder", "ο φάκελλος προορισμού"});
    for (const Place &p : places) {
        const Volumes::Info disk = Volumes::of(p.path, !stopAfterResolving);
        if (!disk.ignoresCase)
            continue;
        m_foldNames = true;
        const QString kind = disk.type.isEmpty() ? QString() : QStringLiteral(" (") + disk.type + QLatin1Char(')');
        m_host.notice(tx("Letter case is ignored in names in this run, because ",
                         "Στο συγχρονισμό αυτό δεν γίνεται διάκριση πεζών και κεφαλαίων γραμμάτων στα ονόματα, διότι ")
                      + tx(p.en, p.el)
                      + tx(" is on a disk that does not tell upper and lower case apart",
                           " βρίσκεται σε δίσκο που δεν διακρίνει τα πεζά από τα κεφαλαία γράμματα")
                      + kind + QLatin1Char('.'));
    }
}

void SyncRun::pairByCase()
{
    if (!m_foldNames)
        return;
    m_pairing.pair(lstItems[0].entries, lstItems[1].entries);
    for (const CasePairing::Clash &c : m_pairing.clashes)
        Skipped.add(lstItems[c.side].RootPath + ItemList::relativePath(lstItems[c.side].entries[c.index]),
                    SkipReason::CaseClash);
    for (int side = 0; side < 2; ++side) {
        const std::vector<std::size_t> &drop = m_pairing.dropped[side];
        if (drop.empty())
            continue;
        std::vector<QString> &entries = lstItems[side].entries;
        std::size_t kept = 0, d = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (d < drop.size() && drop[d] == i) {
                ++d;
                continue;
            }
            if (kept != i)
                entries[kept] = std::move(entries[i]);
            ++kept;
        }
        entries.resize(kept);
    }
}

const QString &SyncRun::matchKey(int side, const QString &entry) const
{
    return side == 1 && m_foldNames ? m_pairing.matchKey(entry) : entry;
}

QString SyncRun::destinationOf(int side, const QString &entry) const
{
    // Paired items share the left spelling; a swap writes a left item where
    // the right side has its partner.
    if (!m_foldNames)
        return ItemList::relativePath(entry);
    if (App().OptionValues.SwapItems && side == 0)
        return m_pairing.rightPath(ItemList::relativePath(entry));
    return ItemList::relativePath(matchKey(side, entry));
}

bool SyncRun::insideSkipped(const QString &destination) const
{
    if (m_skippedFolders.isEmpty())
        return false;
    for (qsizetype end = destination.lastIndexOf(QLatin1Char('/')); end > 0;
         end = destination.lastIndexOf(QLatin1Char('/'), end - 1))
        if (m_skippedFolders.contains(destination.left(end)))
            return true;
    return false;
}

void SyncRun::skipOrStop(const QString &source, const QString &destination, const AppError &e)
{
    const int err = e.systemError();
    if (dynamic_cast<const SourceError *>(&e)) {
        // Gone since step 1, or not ours to read: the rest of the run goes on.
        Skipped.add(source, err == ENOENT || err == ENOTDIR ? SkipReason::Changed : SkipReason::Unreadable,
                    systemText(err));
        return;
    }
    if (err == EEXIST) {
        // Something took the name since we looked, or the disk folds two names
        // we tell apart: its listing tells which.
        const qsizetype slash = destination.lastIndexOf(QLatin1Char('/'));
        const bool there = FileOps::listsName(destination.left(slash), destination.mid(slash + 1));
        Skipped.add(there ? destination : source, there ? SkipReason::Changed : SkipReason::CaseClash);
        return;
    }
    if (err == EILSEQ || err == EINVAL || err == ENAMETOOLONG) {
        Skipped.add(source, SkipReason::CannotHold, systemText(err));
        return;
    }
    if (e.number() == ErrorCode::PathFileAccess) {
        Skipped.add(destination, SkipReason::AccessRefused, err ? systemText(err) : QString());
        return;
    }
    throw e;
}

void SyncRun::createParents(const QString &base, const QString &path)
{
    // Every missing folder between the base (a root or the target) and the item.
    const QString b = AddTrailingSeparator(base);
    qsizetype pos = b.size();
    while ((pos = path.indexOf(QLatin1Char('/'), pos)) > 0) {
        const QString folder = path.left(pos);
        if (m_knownFolders.contains(folder)) {
            ++pos;
            continue;
        }
        if (!FileOps::folderExists(folder)) {
            try {
                FileOps::createFolder(folder);
            } catch (const AppError &e) {
                if (e.number() != ErrorCode::PathFileAccess) {
                    // The items inside go with it, reported once.
                    m_skippedFolders.insert(folder);
                    throw;
                }
            }
        }
        m_knownFolders.insert(folder);
        ++pos;
    }
}

bool SyncRun::transferItems(bool *conflict)
{
    const Options &o = App().OptionValues;
    m_host.stepTitle(RunText::stepTitle(5, o.SwapItems));
    resetProgress();
    for (int side = 0; side < 2; ++side) {
        lstFilteredItems[side].entries.clear();
        Counters[side].resetKept();
    }
    m_folded = std::make_unique<FileOps::FoldedNames>();
    m_knownFolders.clear();
    m_skippedFolders.clear();
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!transferSide(side, conflict))
            return false;
    resetProgress();
    return true;
}

bool SyncRun::transferSide(int side, bool *conflict)
{
    const Options &o = App().OptionValues;
    const ItemList &list = lstItems[side];
    SideCounters &c = Counters[side];
    const QString base = o.SwapItems ? lstItems[1 - side].RootPath : AddTrailingSeparator(App().TargetFolderPath);
    // A run of one side never listed the other: there, an entry whose name
    // differs only in case is the same item, as long as it is the only one.
    const bool adoptVariant = FirstSide == LastSide;
    resetProgress();
    const std::int64_t last = std::int64_t(list.size()) - 1;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (stopNow())
                return false;
            const QString &entry = list.entries[i];
            const bool folder = ItemList::isFolder(entry);
            if (folder != (pass == 0))
                continue;
            const QString source = list.RootPath + ItemList::relativePath(entry);
            const QString destinationPath = destinationOf(side, entry);
            QString destination = base + destinationPath;
            if (insideSkipped(destination))
                continue; // reported with its folder
            if (m_foldNames) {
                // Never a second spelling beside one the run did not pair with.
                bool clash = false;
                destination = m_folded->resolve(base, destinationPath, adoptVariant, &clash);
                if (clash) {
                    if (!m_skippedFolders.contains(destination)) {
                        m_skippedFolders.insert(destination);
                        Skipped.add(source, SkipReason::CaseClash);
                    }
                    continue;
                }
            }
            bool exists = FileOps::pathExists(destination);
            bool skipCopy = false;
            if (exists && o.SwapItems) {
                if (folder) {
                    showPath(side, source, QString());
                    showProgress(std::int64_t(i), last);
                    continue;
                }
                // Never overwrite a file that changed after step 1 looked at it.
                const QString destEntry = QLatin1Char('-') + destination.mid(base.size());
                auto seen = collected[1 - side].constFind(destEntry);
                if (seen != collected[1 - side].constEnd()) {
                    try {
                        const FileOps::Stamp now = FileOps::stamp(destination);
                        skipCopy = now.size != seen->size || now.seconds != seen->seconds
                                   || now.nanoseconds != seen->nanoseconds;
                    } catch (const AppError &) {
                        skipCopy = false;
                    }
                }
                if (skipCopy)
                    Skipped.add(destination, SkipReason::Changed);
            } else if (exists) {
                *conflict = true;
                const QString shown = FileNames::shown(source);
                const QString prompt =
                    App().LanguageIsGreek
                        ? QStringLiteral("Το στοιχείο «") + shown + QStringLiteral("», υπάρχει ήδη στον προορισμό.")
                              + kBlankLine
                              + QStringLiteral("Αυτό συμβαίνει είτε διότι υπάρχει κάποιο εσωτερικό λάθος στην εφαρμογή, ή διότι έχετε ζητήσει να γίνεται διαχωρισμός ανάμεσα στα πεζά και κεφαλαία γράμματα των ονομάτων των στοιχείων, αλλά το λειτουργικό σύστημα ΔΕΝ ΥΠΟΣΤΗΡΙΖΕΙ αυτή τη λειτουργία.")
                              + kBlankLine + QStringLiteral("Η ΔΙΑΔΙΚΑΣΙΑ ΤΟΥ ΣΥΓΧΡΟΝΙΣΜΟΥ ΘΑ ΔΙΑΚΟΠΕΙ.")
                        : QStringLiteral("Item '") + shown + QStringLiteral("', already exists in the target.")
                              + kBlankLine
                              + QStringLiteral("This happens either because there is an internal error in the application, or because you have asked from the application to distinguish between upper and lower case letters in item names, but the operating system DOES NOT SUPPORT this function.")
                              + kBlankLine + QStringLiteral("THE SYNCHRONIZATION PROCESS WILL BE INTERRUPTED.");
                MsgBox(prompt, Msg::Critical | Msg::OkOnly,
                       tx("Unsupported function or internal error", "Μη υποστηριζόμενη λειτουργία ή εσωτερικό λάθος"));
                return false;
            }
            const qsizetype slash = destination.lastIndexOf(QLatin1Char('/'));
            // What cannot be written is skipped and reported; the run goes on.
            auto attempt = [&](auto &&operation) {
                try {
                    operation();
                } catch (const AppError &e) {
                    skipOrStop(source, destination, e);
                    if (folder)
                        m_skippedFolders.insert(destination);
                }
            };
            if (folder) {
                ++c.FoldersKept;
                attempt([&] {
                    createParents(base, destination);
                    FileOps::createFolder(destination);
                    if (m_foldNames)
                        m_folded->noteCreated(destination.left(slash), destination.mid(slash + 1));
                });
            } else {
                ++c.FilesKept;
                c.BytesKept += knownSize(side, entry, source);
                if (stopNow())
                    return false;
                if (!skipCopy) {
                    bool copied = true;
                    attempt([&] {
                        createParents(base, destination);
                        // Only a file we chose to overwrite may be replaced.
                        copied = FileOps::copyFile(source, destination, [this] { return !stopNow(); }, exists);
                        if (m_foldNames)
                            m_folded->noteCreated(destination.left(slash), destination.mid(slash + 1));
                    });
                    if (!copied || stopNow())
                        return false;
                }
            }
            showPath(side, source, QString());
            showProgress(std::int64_t(i), last);
        }
    }
    m_host.showPath(side, QString());
    m_host.stepCounters(5, side, c);
    return true;
}

bool SyncRun::finish()
{
    const Options &o = App().OptionValues;
    if (!o.SwapItems)
        m_host.stepTitle(RunText::stepTitle(6, false));
    m_host.showProgressBar(false);
    resetProgress();
    SideCounters &total = Counters[0];
    total.FoldersKept += Counters[1].FoldersKept;
    total.FilesKept += Counters[1].FilesKept;
    total.BytesKept += Counters[1].BytesKept;

    if (!o.SwapItems && o.DeleteEmptyFolders) {
        // Pre-order list of the target's folders; removed backwards, so every
        // folder is tried after all of its subfolders.
        const QString root = AddTrailingSeparator(App().TargetFolderPath);
        std::vector<QString> folders;
        std::vector<QString> pending{root};
        while (!pending.empty()) {
            const QString folder = std::move(pending.back());
            pending.pop_back();
            if (stopNow())
                return false;
            folders.push_back(folder);
            m_host.showPath(0, folder);
            m_host.showPath(1, folder);
            const FolderContents contents = readFolder(folder, QString(), false, folders.size() == 1);
            const QString prefix = AddTrailingSeparator(folder);
            for (auto it = contents.folders.crbegin(); it != contents.folders.crend(); ++it)
                pending.push_back(prefix + *it);
        }
        folders.erase(folders.begin()); // never the target folder itself
        if (!folders.empty()) {
            m_host.showProgressBar(true);
            const std::int64_t last = std::int64_t(folders.size()) - 1;
            std::int64_t tried = -1;
            for (auto it = folders.crbegin(); it != folders.crend(); ++it) {
                if (stopNow())
                    return false;
                ++tried;
                try {
                    FileOps::removeEmptyFolder(*it);
                    m_host.showPath(0, *it);
                    m_host.showPath(1, *it);
                    --total.FoldersKept;
                } catch (const AppError &e) {
                    if (e.number() != ErrorCode::PathFileAccess)
                        throw;
                }
                m_host.progress(RunText::progressPercent(tried, last));
            }
        }
    }
    m_host.showPath(0, QString());
    m_host.showPath(1, QString());
    m_host.summary(RunText::countersLine(total.FoldersKept, total.FilesKept, total.BytesKept));
    resetProgress();
    for (int side = 0; side < 2; ++side)
        lstFilteredItems[side].entries.clear();
    if (total.FoldersKept <= 0 && total.FilesKept <= 0 && total.BytesKept <= 0) {
        NoItemsToSynchronize(lstFilteredItems[0], lstFilteredItems[1]);
        InterruptRequested = true;
        return false;
    }
    return true;
}
