// Step 4: for an item on both sides, which side gives it (by the rules, or the
// user's answer); what neither gives leaves both lists.
#include "engine/run/SyncRun.h"

#include "engine/run/RunText.h"
#include "engine/options/OptionRules.h"
#include "engine/settings/AppState.h"

#include <cstdlib>

void SyncRun::countEntry(int side, ItemStore::Id id, std::int64_t size)
{
    SideCounters &c = Counters[side];
    if (items[side].isFolder(id)) {
        ++c.FoldersKept;
    } else {
        ++c.FilesKept;
        c.BytesKept += size;
    }
    showItem(side, id);
}
bool SyncRun::resolveCommonItems()
{
    const Options &o = m_options;
    m_host.stepTitle(RunText::stepTitle(4, o.SwapItems));
    resetProgress();
    for (int side = 0; side < 2; ++side) {
        // Released, not cleared: the passes build the new lists in place of the filtered ones.
        std::vector<ItemStore::Id>().swap(lstItems[side].entries);
        Counters[side].resetKept();
    }
    RemainingFilesChoice = FilesRule(o.WhenFileExists);
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
    std::vector<ItemStore::Id> &in = lstFilteredItems[side].entries;
    std::vector<ItemStore::Id> &out = lstItems[side].entries;
    if (looked == in.size()) {
        in.resize(kept);
        out.swap(in);
        std::vector<ItemStore::Id>().swap(in);
        return;
    }
    out.assign(in.begin(), in.begin() + std::ptrdiff_t(kept));
    in.erase(in.begin(), in.begin() + std::ptrdiff_t(looked));
}

template <class Keep>
bool SyncRun::keepWhere(int side, Keep &&keep)
{
    std::vector<ItemStore::Id> &in = lstFilteredItems[side].entries;
    const std::size_t n = in.size();
    const std::int64_t last = std::int64_t(n) - 1;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (stopNow()) {
            keepInPlace(side, kept, i);
            return false;
        }
        if (keep(in[i]))
            in[kept++] = in[i];
        showProgress(std::int64_t(i), last);
    }
    keepInPlace(side, kept, n);
    return true;
}

bool SyncRun::passThrough(int side)
{
    return keepWhere(side, [&](ItemStore::Id id) {
        if (!keepOverHidden(side, id))
            return false;
        countEntry(side, id, items[side].isFolder(id) ? 0 : knownSize(side, id));
        return true;
    });
}

namespace {
OptionRules::FileTime timeOf(const FileOps::Stamp &s) { return {s.seconds, s.nanoseconds}; }

FileChoiceFile choiceFile(const QString &path, const FileOps::Stamp &s)
{
    return {path, s.size, QDateTime::fromSecsSinceEpoch(s.seconds)};
}
} // namespace

SyncRun::Pick SyncRun::compareFiles(const std::function<QString()> &source, const FileOps::Stamp &mine,
                                    const std::function<QString()> &otherPath, const FileOps::Stamp &theirs)
{
    const Options &o = m_options;
    // Stamps count in whole seconds; FAT keeps only every second one, and
    // rounds either way.
    const bool fat = m_disk[0].twoSecondTimes || m_disk[1].twoSecondTimes;
    if (std::llabs(mine.seconds - theirs.seconds) < (fat ? 2 : 1)
        || OptionRules::excludedFromSwap(o, ToleranceSeconds, timeOf(mine), timeOf(theirs)))
        return o.SwapItems ? Pick::Neither : Pick::Mine;
    switch (RemainingFilesChoice) {
    case FilesRule::Newer:
    case FilesRule::Older:
        return (mine.seconds > theirs.seconds) == (RemainingFilesChoice == FilesRule::Newer) ? Pick::Mine
                                                                                             : Pick::Theirs;
    case FilesRule::Ask:
        m_host.reminder(Reminder::Common);
        switch (m_host.fileChoice(choiceFile(source(), mine), choiceFile(otherPath(), theirs), RemainingFilesChoice)) {
        case FileAnswer::Upper:
            return Pick::Mine;
        case FileAnswer::Lower:
            return Pick::Theirs;
        case FileAnswer::Neither:
            break;
        }
        return Pick::Neither;
    default:
        return Pick::Neither;
    }
}

bool SyncRun::keepOverHidden(int side, ItemStore::Id id)
{
    const Options &o = m_options;
    // Only a filter the two sides do not share hides a file from one of them.
    if (!o.SwapItems || items[side].isFolder(id) || m_inputs.Pattern[0] == m_inputs.Pattern[1]
        || o.WhichItemsToCopy == 3 || o.WhichItemsToCopy == 4)
        return true;
    const QString rel = destinationOf(side, id);
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
    if (compareFiles([&] { return tree(side).pathOf(items[side].path(id)); }, knownStamp(side, id),
                     [&] { return there.pathOf(rel); }, theirs)
        != Pick::Mine)
        return false;
    // What was looked at, so the swap replaces it only as it was.
    m_lookedAt[1 - side].insert(rel, theirs);
    return true;
}

bool SyncRun::matchingPass(int side)
{
    using Id = ItemStore::Id;
    ItemList &other = lstFilteredItems[1 - side];
    const ItemStore &mine = items[side];
    const ItemStore &theirs = items[1 - side];
    const QString &root = lstItems[side].RootPath;
    const QString &otherRoot = lstItems[1 - side].RootPath;

    // Which items of the other side are still in its list: an item's twin
    // is its match while it is.
    std::vector<bool> present(theirs.size(), false);
    for (const Id j : other.entries)
        present[j] = true;

    const bool complete = keepWhere(side, [&](Id id) {
        bool kept = true;
        const bool folder = mine.isFolder(id);
        const FileOps::Stamp stamp = folder ? FileOps::Stamp() : knownStamp(side, id);
        const Id j = mine.twin(id);
        if (j != ItemStore::kNone && present[j]) {
            if (folder) {
                present[j] = false;
            } else {
                switch (compareFiles([&] { return root + mine.path(id); }, stamp,
                                     [&] { return otherRoot + theirs.path(j); }, knownStamp(1 - side, j))) {
                case Pick::Mine:
                    present[j] = false;
                    break;
                case Pick::Theirs:
                    kept = false;
                    break;
                case Pick::Neither:
                    kept = false;
                    present[j] = false;
                    break;
                }
            }
        } else if (!keepOverHidden(side, id)) {
            kept = false;
        }
        if (kept)
            countEntry(side, id, stamp.size);
        return kept;
    });
    if (!complete)
        return false;
    std::erase_if(other.entries, [&](Id j) { return !present[j]; });
    return true;
}
