// Step 4: for an item on both sides, which side gives it (by the rules, or the
// user's answer); what neither gives leaves both lists.
#include "engine/run/SyncRun.h"

#include "engine/run/EntryIndex.h"
#include "engine/run/RunText.h"
#include "engine/options/OptionRules.h"
#include "engine/settings/AppState.h"

#include <cstdlib>

void SyncRun::countEntry(int side, const QString &entry, std::int64_t size)
{
    SideCounters &c = Counters[side];
    if (ItemList::isFolder(entry)) {
        ++c.FoldersKept;
    } else {
        ++c.FilesKept;
        c.BytesKept += size;
    }
    showPath(side, lstItems[side].RootPath, QStringView(entry).mid(1));
}
bool SyncRun::resolveCommonItems()
{
    const Options &o = m_options;
    m_host.stepTitle(RunText::stepTitle(4, o.SwapItems));
    resetProgress();
    for (int side = 0; side < 2; ++side) {
        // Released, not cleared: the passes build the new lists in place of the filtered ones.
        std::vector<QString>().swap(lstItems[side].entries);
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

template <class Keep>
bool SyncRun::keepWhere(int side, Keep &&keep)
{
    std::vector<QString> &in = lstFilteredItems[side].entries;
    const std::size_t n = in.size();
    const std::int64_t last = std::int64_t(n) - 1;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (stopNow()) {
            keepInPlace(side, kept, i);
            return false;
        }
        if (keep(in[i])) {
            if (kept != i)
                in[kept] = std::move(in[i]);
            ++kept;
        }
        showProgress(std::int64_t(i), last);
    }
    keepInPlace(side, kept, n);
    return true;
}

bool SyncRun::passThrough(int side)
{
    return keepWhere(side, [&](const QString &entry) {
        if (!keepOverHidden(side, entry))
            return false;
        countEntry(side, entry, ItemList::isFolder(entry) ? 0 : knownSize(side, entry));
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

bool SyncRun::keepOverHidden(int side, const QString &entry)
{
    const Options &o = m_options;
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
    if (compareFiles([&] { return tree(side).pathOf(ItemList::relativePath(entry)); }, knownStamp(side, entry),
                     [&] { return there.pathOf(rel); }, theirs)
        != Pick::Mine)
        return false;
    // What was looked at, so the swap replaces it only as it was.
    collected[1 - side].insert(QLatin1Char('-') + rel, theirs);
    return true;
}

bool SyncRun::matchingPass(int side)
{
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

    const bool complete = keepWhere(side, [&](const QString &entry) {
        bool kept = true;
        const bool folder = ItemList::isFolder(entry);
        const FileOps::Stamp mine = folder ? FileOps::Stamp() : knownStamp(side, entry);
        std::size_t *const found = head.find(matchKey(side, entry));
        if (found && *found != kNone) {
            const std::size_t j = *found;
            auto removeMatch = [&] {
                removed[j] = true;
                *found = next[j];
            };
            if (folder) {
                removeMatch();
            } else {
                switch (compareFiles([&] { return root + ItemList::relativePath(entry); }, mine,
                                     [&] { return otherRoot + ItemList::relativePath(other.entries[j]); },
                                     knownStamp(1 - side, other.entries[j]))) {
                case Pick::Mine:
                    removeMatch();
                    break;
                case Pick::Theirs:
                    kept = false;
                    break;
                case Pick::Neither:
                    kept = false;
                    removeMatch();
                    break;
                }
            }
        } else if (!keepOverHidden(side, entry)) {
            kept = false;
        }
        if (kept)
            countEntry(side, entry, mine.size);
        return kept;
    });
    if (!complete)
        return false;
    std::size_t left = 0;
    for (std::size_t j = 0; j < other.size(); ++j)
        if (!removed[j])
            other.entries[left++] = std::move(other.entries[j]);
    other.entries.resize(left);
    return true;
}
