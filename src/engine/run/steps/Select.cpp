// Step 2: the items of a side the option keeps (all, those the other side has
// too, or those it lacks).
#include "engine/run/SyncRun.h"

#include "engine/settings/AppState.h"

bool SyncRun::selectItems(int side)
{
    const int choice = m_options.WhichItemsToCopy;
    const ItemList &a = lstItems[side];
    const ItemStore &store = items[side];
    ItemList &f = lstFilteredItems[side];
    f.RootPath = a.RootPath;
    f.store = &store;
    SideCounters &c = Counters[side];
    resetProgress();

    // Step 1's pairing says which items the other side has too: the same
    // answer as comparing every pair, in time proportional to the items.
    const bool matching = choice == 1 || choice == 2;
    if (!matching)
        f.entries.reserve(a.size()); // every entry is kept
    const std::int64_t last = std::int64_t(a.size()) - 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (stopNow())
            return false;
        const ItemStore::Id id = a.entries[i];
        bool kept = true;
        if (matching) {
            const bool found = store.twin(id) != ItemStore::kNone;
            kept = choice == 1 ? found : !found;
        }
        if (kept) {
            if (store.isFolder(id)) {
                ++c.FoldersKept;
            } else {
                ++c.FilesKept;
                c.BytesKept += knownSize(side, id);
            }
            f.entries.push_back(id);
            showItem(side, id);
        }
        showProgress(std::int64_t(i), last);
    }
    m_host.showPath(side, QString());
    m_host.stepCounters(2, side, c);
    return true;
}
