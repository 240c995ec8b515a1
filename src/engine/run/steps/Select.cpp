// Step 2: the items of a side the option keeps (all, those the other side has
// too, or those it lacks).
#include "engine/run/SyncRun.h"

#include "engine/run/EntryIndex.h"
#include "engine/settings/AppState.h"

bool SyncRun::selectItems(int side)
{
    const int choice = m_options.WhichItemsToCopy;
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
            showPath(side, a.RootPath, QStringView(entry).mid(1));
        }
        showProgress(std::int64_t(i), last);
    }
    m_host.showPath(side, QString());
    m_host.stepCounters(2, side, c);
    return true;
}
