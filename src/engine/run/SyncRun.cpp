#include "engine/run/SyncRun.h"

#include "engine/run/EntryIndex.h"
#include "engine/run/RunText.h"
#include "engine/run/TargetFolder.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "engine/paths/PathHelpers.h"
#include "engine/options/OptionRules.h"
#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"
#include "engine/settings/MessageService.h"
#include "engine/fs/Volumes.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

bool byName(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

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
FolderContents readFolder(const FileOps::Folder &folder, const QString &pattern, bool withFiles)
{
    FolderContents c;
    c.error = FileOps::list(folder, withFiles, [&](const char *n, FileOps::Kind kind, const FileOps::Stamp &stamp) {
        if (kind == FileOps::Kind::Folder) {
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

// Reads a side's folders in the order of the walk (pre-order, depth first,
// without recursion, so a deep tree cannot exhaust the stack). Each folder is
// opened inside its parent, never through a symlink; a folder stays open
// while subfolders of it wait to be read. With read-ahead, a thread of its
// own reads a few folders ahead of the run: the disk answers for the next
// folders while the run files the items of this one.
class FolderReader {
public:
    struct Folder {
        QString rel;
        FolderContents contents;
    };

    FolderReader(FileOps::Folder root, QString shownRoot, QString pattern, bool withFiles, bool ahead)
        : m_shownRoot(std::move(shownRoot)), m_pattern(std::move(pattern)), m_withFiles(withFiles)
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
        f.contents = readFolder(*here, m_pattern, m_withFiles);
        const QString prefix = f.rel.isEmpty() ? QString() : f.rel + QLatin1Char('/');
        for (auto it = f.contents.folders.crbegin(); it != f.contents.folders.crend(); ++it)
            m_pending.push_back({here, prefix + *it});
        f.contents.folders.clear();
        return true;
    }

    void produce()
    {
        Folder f;
        while (read(f)) {
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

    const QString m_shownRoot;
    const QString m_pattern;
    const bool m_withFiles;
    std::vector<Pending> m_pending; // the walk's own: the reading thread's while there is one
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Folder> m_ready;
    bool m_done = false;
    bool m_quit = false;
    std::thread m_thread; // last: starts once everything above exists
};

// The folder holding a relative path; "" for the root.
QString parentOf(const QString &rel)
{
    const qsizetype slash = rel.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : rel.left(slash);
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

std::int64_t SyncRun::knownSize(int side, const QString &entry) { return knownStamp(side, entry).size; }

FileOps::Stamp SyncRun::knownStamp(int side, const QString &entry)
{
    const auto seen = collected[side].constFind(entry);
    if (seen != collected[side].constEnd())
        return *seen;
    return tree(side).stamp(ItemList::relativePath(entry));
}

FileOps::Tree &SyncRun::tree(int which)
{
    std::unique_ptr<FileOps::Tree> &t = m_trees[which];
    if (!t)
        t = std::make_unique<FileOps::Tree>(which == 2 ? AddTrailingSeparator(App().TargetFolderPath)
                                                       : lstItems[which].RootPath);
    return *t;
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
        const Outcome outcome = body();
        // What a stopped swap wrote into the user's folders reaches the disk
        // too; a stopped copy's target is about to be deleted.
        if (outcome != Outcome::Finished && App().OptionValues.SwapItems)
            flushWrites();
        return outcome;
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
    // Each root is resolved once, here: a link put in its place later is not the run's.
    for (auto &t : m_trees)
        t.reset();
    for (int side = 0; side < 2; ++side)
        if (o.SwapItems || (side >= FirstSide && side <= LastSide))
            tree(side);
    if (!o.SwapItems && !stopAfterResolving)
        tree(2);

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

    FolderReader reader(tree(side).folder(QString()).again(), root, pattern, !o.CopyStructureOnly, readAhead);
    FolderReader::Folder read;
    while (reader.next(read)) {
        if (stopNow())
            return false;
        const QString &rel = read.rel;
        const QString folder = rel.isEmpty() ? root : root + rel;
        const FolderContents &contents = read.contents;
        if (contents.error == ELOOP || contents.error == ENOTDIR) {
            // Replaced by a link or a file since its parent was read: not crossed, not an item.
            Skipped.add(folder, SkipReason::NotAFolder);
            continue;
        }
        if (!rel.isEmpty()) {
            ++c.FoldersFound;
            if (WithinLevels(rel, o.Levels)) {
                list.entries.push_back(QLatin1Char('+') + rel);
                ++c.FoldersKept;
            }
            showPath(side, folder, QString());
        }
        if (contents.error != 0)
            Skipped.add(folder, SkipReason::Unreadable, systemText(contents.error));
        for (const auto &[name, err] : contents.unreadable)
            Skipped.add(AddTrailingSeparator(folder) + FileNames::fromBytes(name), SkipReason::Unreadable,
                        systemText(err));
        const QString prefix = rel.isEmpty() ? QString() : rel + QLatin1Char('/');
        // Files of one folder share its depth, so the levels test is made once.
        const bool filesKept = WithinLevels(prefix + QLatin1Char('x'), o.Levels);
        for (const FolderContents::File &f : contents.files) {
            if (stopNow())
                return false;
            ++c.FilesFound;
            c.BytesFound += f.stamp.size;
            if (filesKept) {
                // The entry is also the key of what was seen. A file the other
                // side has too (the usual case between two copies of a tree)
                // shares that side's text instead of holding its own.
                scratch.resize(0);
                scratch.append(QLatin1Char('-')).append(prefix).append(f.name);
                const auto twin = otherSeen.constFind(scratch);
                QString entry = twin != otherSeen.constEnd() ? twin.key() : QString(scratch.constData(), scratch.size());
                collected[side].insert(entry, f.stamp);
                list.entries.push_back(std::move(entry));
                ++c.FilesKept;
                c.BytesKept += f.stamp.size;
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
                c.BytesKept += knownSize(side, entry);
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
                        c.BytesKept += tree(side).stamp(rel).size;
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
        c.BytesKept += knownSize(side, entry);
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
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (stopNow()) {
            keepInPlace(side, kept, i);
            return false;
        }
        const QString &entry = in.entries[i];
        if (keepOverHidden(side, entry)) {
            countEntry(side, entry, root + ItemList::relativePath(entry));
            if (kept != i)
                in.entries[kept] = std::move(in.entries[i]);
            ++kept;
        }
        showProgress(std::int64_t(i), last);
    }
    keepInPlace(side, kept, n);
    return true;
}

namespace {
OptionRules::FileTime timeOf(const FileOps::Stamp &s) { return {s.seconds, s.nanoseconds}; }

FileChoiceFile choiceFile(const QString &path, const FileOps::Stamp &s)
{
    return {path, s.size, QDateTime::fromSecsSinceEpoch(s.seconds)};
}
} // namespace

SyncRun::Pick SyncRun::compareFiles(const QString &source, const FileOps::Stamp &mine,
                                    const QString &otherPath, const FileOps::Stamp &theirs)
{
    const Options &o = App().OptionValues;
    // Stamps count in whole seconds; FAT keeps only every second one, and
    // rounds either way.
    const bool fat = m_disk[0].twoSecondTimes || m_disk[1].twoSecondTimes;
    if (std::llabs(mine.seconds - theirs.seconds) < (fat ? 2 : 1)
        || OptionRules::excludedFromSwap(o, ToleranceSeconds, timeOf(mine), timeOf(theirs)))
        return o.SwapItems ? Pick::Neither : Pick::Mine;
    switch (RemainingFilesChoice) {
    case 1:
    case 2:
        return (mine.seconds > theirs.seconds) == (RemainingFilesChoice == 1) ? Pick::Mine : Pick::Theirs;
    case 3: {
        m_host.reminder(4);
        const int answer = m_host.fileChoice(choiceFile(source, mine), choiceFile(otherPath, theirs),
                                             RemainingFilesChoice);
        return answer == 0 ? Pick::Mine : answer == 1 ? Pick::Theirs : Pick::Neither;
    }
    default:
        return Pick::Neither;
    }
}

bool SyncRun::keepOverHidden(int side, const QString &entry)
{
    const Options &o = App().OptionValues;
    // Only a filter the two sides do not share hides a file from one of them.
    if (!o.SwapItems || ItemList::isFolder(entry) || m_inputs.Pattern[0] == m_inputs.Pattern[1]
        || o.WhichItemsToCopy == 3 || o.WhichItemsToCopy == 4)
        return true;
    const QString rel = destinationOf(side, entry);
    FileOps::Tree &there = tree(1 - side);
    FileOps::Stamp theirs;
    try {
        const FileOps::Kind kind = there.kind(rel);
        if (kind != FileOps::Kind::File && kind != FileOps::Kind::Link)
            return true; // nothing hidden there; step 5 deals with anything else
        theirs = there.stamp(rel);
    } catch (const AppError &) {
        return true; // step 5 meets it again and reports it
    }
    const QString source = tree(side).pathOf(ItemList::relativePath(entry));
    if (compareFiles(source, knownStamp(side, entry), there.pathOf(rel), theirs) != Pick::Mine)
        return false;
    // What was looked at, so the swap replaces it only as it was.
    collected[1 - side].insert(QLatin1Char('-') + rel, theirs);
    return true;
}

bool SyncRun::matchingPass(int side)
{
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
                switch (compareFiles(source, knownStamp(side, entry), otherPath,
                                     knownStamp(1 - side, other.entries[j]))) {
                case Pick::Mine:
                    removeMatch();
                    break;
                case Pick::Theirs:
                    source.clear();
                    break;
                case Pick::Neither:
                    source.clear();
                    removeMatch();
                    break;
                }
            }
        } else if (!keepOverHidden(side, entry)) {
            source.clear();
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
    // Where a disk of the run ignores case, names that differ only in case
    // are one item there whatever the option says: compare them so.
    struct Place {
        int which;
        const char *en;
        const char *el;
    };
    std::vector<Place> places;
    if (o.SwapItems || FirstSide == 0)
        places.push_back({0, "the left folder", "ο αριστερός φάκελλος"});
    if (o.SwapItems || LastSide == 1)
        places.push_back({1, "the right folder", "ο δεξιός φάκελλος"});
    if (!o.SwapItems)
        places.push_back({2, "the target folder", "ο φάκελλος προορισμού"});
    for (Volumes::Info &d : m_disk)
        d = Volumes::Info();
    for (const Place &p : places) {
        const QString path = p.which == 2 ? App().TargetFolderPath : m_inputs.SourcePath[p.which];
        // A probe only serves the case rule.
        const Volumes::Info disk = m_disk[p.which] = Volumes::of(path, !stopAfterResolving && !m_foldNames);
        if (!disk.ignoresCase || m_foldNames)
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

void SyncRun::removeLeftovers(FileOps::Tree &to, const QString &relFolder)
{
    // A copy's target is new: only the run writes there.
    if (!App().OptionValues.SwapItems || m_cleanedFolders.contains(to.pathOf(relFolder)))
        return;
    m_cleanedFolders.insert(to.pathOf(relFolder));
    m_leftoversRemoved += to.removeLeftovers(relFolder);
}

void SyncRun::skipOrStop(const QString &source, FileOps::Tree &to, const QString &destRel, const AppError &e)
{
    const QString destination = to.pathOf(destRel);
    const int err = e.systemError();
    const bool reading = dynamic_cast<const SourceError *>(&e) != nullptr;
    if (dynamic_cast<const FileOps::ChangedSinceLooked *>(&e)) {
        Skipped.add(destination, SkipReason::Changed);
        return;
    }
    if (dynamic_cast<const FileOps::CannotHold *>(&e)) {
        Skipped.add(source, SkipReason::CannotHold, systemText(err));
        return;
    }
    if (err == ELOOP || err == ENOTDIR) {
        // A link or a file where a folder belongs: nothing behind it is touched.
        Skipped.add(reading ? source : destination, SkipReason::NotAFolder, systemText(err));
        return;
    }
    if (reading) {
        // Gone since step 1, or not ours to read: the rest of the run goes on.
        Skipped.add(source, err == ENOENT ? SkipReason::Changed : SkipReason::Unreadable, systemText(err));
        return;
    }
    if (err == EEXIST) {
        // Something took the name since we looked, or the disk folds two names
        // we tell apart: its listing tells which.
        const qsizetype slash = destRel.lastIndexOf(QLatin1Char('/'));
        const bool there = to.listsName(slash < 0 ? QString() : destRel.left(slash), destRel.mid(slash + 1));
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
    m_skippedFolders.clear();
    for (int side = FirstSide; side <= LastSide; ++side)
        leaveOutWhatCannotBeHeld(side);
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!transferSide(side, conflict))
            return false;
    if (m_leftoversRemoved > 0)
        m_host.notice(RunText::leftoversRemoved(m_leftoversRemoved));
    resetProgress();
    return true;
}

void SyncRun::leaveOutWhatCannotBeHeld(int side)
{
    const Volumes::Info &disk = m_disk[App().OptionValues.SwapItems ? 1 - side : 2];
    if (disk.holdsLinks && !disk.windowsNames && disk.maxFileSize == INT64_MAX)
        return;
    const QString theDisk = disk.type.isEmpty() ? tx("this disk", "ο δίσκος αυτός")
                                                : tx("a disk of type ", "ένας δίσκος τύπου ") + disk.type;
    FileOps::Tree &from = tree(side);
    std::vector<QString> &entries = lstItems[side].entries;
    QSet<QString> reported; // folders whose names the disk refuses, with all inside them
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QString &entry = entries[i];
        const QString rel = ItemList::relativePath(entry);
        QString culprit, why;
        if (disk.windowsNames) {
            // The destination's spelling differs from the source's in letter case at most.
            const QStringList names = destinationOf(side, entry).split(QLatin1Char('/'));
            for (qsizetype k = 0; k < names.size() && why.isEmpty(); ++k)
                if (Volumes::forbiddenOnWindowsDisks(names[k])) {
                    culprit = rel.section(QLatin1Char('/'), 0, int(k));
                    why = tx("%1 allows none of : * ? \" < > | \\ in a name, nor a name that ends in a dot or a blank",
                             "%1 δεν επιτρέπει κανένα από τα : * ? \" < > | \\ σε όνομα, ούτε όνομα που τελειώνει σε τελεία ή κενό");
                }
        }
        if (why.isEmpty() && !ItemList::isFolder(entry)) {
            culprit = rel;
            try {
                if (!disk.holdsLinks && from.kind(rel) == FileOps::Kind::Link)
                    why = tx("%1 has no symbolic links", "%1 δεν έχει συμβολικούς συνδέσμους");
                else if (knownSize(side, entry) > disk.maxFileSize)
                    why = tx("%1 holds no file of 4 GiB or more", "%1 δεν δέχεται αρχεία 4 GiB ή μεγαλύτερα");
            } catch (const AppError &) {
                // step 5 meets it again and reports it
            }
        }
        if (why.isEmpty()) {
            if (kept != i)
                entries[kept] = std::move(entries[i]);
            ++kept;
            continue;
        }
        if (!reported.contains(culprit)) {
            reported.insert(culprit);
            Skipped.add(from.pathOf(culprit), SkipReason::CannotHold, why.arg(theDisk));
        }
    }
    entries.resize(kept);
}

void SyncRun::flushWrites()
{
    m_host.writingToDisk(true);
    struct Done {
        RunHost &host;
        ~Done() { host.writingToDisk(false); } // also when the disk fails
    } done{m_host};
    for (const auto &t : m_trees)
        if (t)
            t->flush();
}

bool SyncRun::transferSide(int side, bool *conflict)
{
    const Options &o = App().OptionValues;
    const ItemList &list = lstItems[side];
    SideCounters &c = Counters[side];
    FileOps::Tree &from = tree(side);
    FileOps::Tree &to = tree(o.SwapItems ? 1 - side : 2);
    // A run of one side never listed the other: there, an entry whose name
    // differs only in case is the same item, as long as it is the only one.
    const bool adoptVariant = FirstSide == LastSide;
    // Where step 1 read the destination, a file it did not see there is one
    // that came after: never replaced unseen.
    const bool destinationRead = o.SwapItems && FirstSide != LastSide;
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
            const QString rel = ItemList::relativePath(entry);
            const QString source = from.pathOf(rel);
            QString destRel = destinationOf(side, entry);
            if (insideSkipped(to.pathOf(destRel)))
                continue; // reported with its folder
            auto done = [&] {
                showPath(side, source, QString());
                showProgress(std::int64_t(i), last);
            };
            // What cannot be written is skipped and reported; the run goes on.
            auto attempt = [&](auto &&operation) {
                try {
                    operation();
                    return true;
                } catch (const AppError &e) {
                    skipOrStop(source, to, destRel, e);
                    if (folder)
                        m_skippedFolders.insert(to.pathOf(destRel));
                    return false;
                }
            };
            if (m_foldNames) {
                // Never a second spelling beside one the run did not pair with.
                bool clash = false;
                destRel = m_folded->resolve(to, destRel, adoptVariant, &clash);
                if (clash) {
                    if (!m_skippedFolders.contains(to.pathOf(destRel))) {
                        m_skippedFolders.insert(to.pathOf(destRel));
                        Skipped.add(source, SkipReason::CaseClash);
                    }
                    continue;
                }
            }
            const QString destination = to.pathOf(destRel);
            FileOps::Kind there = FileOps::Kind::Missing;
            if (!attempt([&] { there = to.kind(destRel); }))
                continue;
            if (there == FileOps::Kind::Other) {
                // Never opened nor replaced; a file still counts as step 5's, as one refused does.
                Skipped.add(destination, SkipReason::SpecialFile);
                if (folder) {
                    m_skippedFolders.insert(destination);
                } else {
                    ++c.FilesKept;
                    c.BytesKept += knownSize(side, entry);
                }
                done();
                continue;
            }
            FileOps::Replace how = FileOps::Replace::No;
            FileOps::Stamp expected;
            bool skipCopy = false;
            if (there != FileOps::Kind::Missing && o.SwapItems) {
                if (folder) {
                    if (there != FileOps::Kind::Folder) {
                        Skipped.add(destination, SkipReason::NotAFolder);
                        m_skippedFolders.insert(destination);
                    }
                    done();
                    continue;
                }
                // Never overwrite a file that changed after it was looked at:
                // looked at again right before the rename.
                const auto seen = collected[1 - side].constFind(QLatin1Char('-') + destRel);
                if (seen != collected[1 - side].constEnd()) {
                    how = FileOps::Replace::IfUnchanged;
                    expected = *seen;
                } else if (destinationRead && there != FileOps::Kind::Folder) {
                    skipCopy = true;
                    Skipped.add(destination, SkipReason::Changed);
                } else {
                    how = FileOps::Replace::Yes;
                }
            } else if (there != FileOps::Kind::Missing) {
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
            removeLeftovers(to, parentOf(destRel));
            if (folder) {
                ++c.FoldersKept;
                attempt([&] {
                    to.folder(parentOf(destRel), true);
                    to.createFolder(destRel);
                    if (m_foldNames)
                        m_folded->noteCreated(to, destRel);
                });
            } else {
                ++c.FilesKept;
                c.BytesKept += knownSize(side, entry);
                if (stopNow())
                    return false;
                if (!skipCopy) {
                    bool copied = true;
                    attempt([&] {
                        to.folder(parentOf(destRel), true);
                        copied = FileOps::copyFile(from, rel, to, destRel, how, expected, [this] { return !stopNow(); });
                        if (m_foldNames)
                            m_folded->noteCreated(to, destRel);
                    });
                    if (!copied || stopNow())
                        return false;
                }
            }
            done();
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
        FileOps::Tree &target = tree(2);
        std::vector<QString> folders;
        std::vector<QString> pending{QString()};
        while (!pending.empty()) {
            const QString rel = std::move(pending.back());
            pending.pop_back();
            if (stopNow())
                return false;
            const QString path = target.pathOf(rel);
            m_host.showPath(0, path);
            m_host.showPath(1, path);
            QStringList subfolders;
            try {
                FileOps::list(target.folder(rel), false, [&](const char *n, FileOps::Kind kind, const FileOps::Stamp &) {
                    if (kind == FileOps::Kind::Folder)
                        subfolders << FileNames::fromBytes(n);
                });
            } catch (const AppError &e) {
                if (e.systemError() != ELOOP && e.systemError() != ENOTDIR)
                    throw;
                Skipped.add(path, SkipReason::NotAFolder); // replaced behind the run's back
                continue;
            }
            folders.push_back(rel);
            std::sort(subfolders.begin(), subfolders.end(), byName);
            const QString prefix = rel.isEmpty() ? QString() : rel + QLatin1Char('/');
            for (auto it = subfolders.crbegin(); it != subfolders.crend(); ++it)
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
                    target.removeEmptyFolder(*it);
                    m_host.showPath(0, target.pathOf(*it));
                    m_host.showPath(1, target.pathOf(*it));
                    --total.FoldersKept;
                } catch (const AppError &e) {
                    if (e.number() != ErrorCode::PathFileAccess && e.systemError() != ELOOP
                        && e.systemError() != ENOTDIR && e.systemError() != ENOENT)
                        throw;
                }
                m_host.progress(RunText::progressPercent(tried, last));
            }
        }
    }
    m_host.showPath(0, QString());
    m_host.showPath(1, QString());
    flushWrites();
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
