// Step 3: the user's own choice among the selected items, when asked for.
#include "engine/run/SyncRun.h"

#include "engine/run/RunText.h"
#include "engine/settings/AppState.h"

bool SyncRun::manualSelection()
{
    const Options &o = m_options;
    m_host.stepTitle(RunText::stepTitle(3, o.SwapItems));
    if (o.FinalSelection) {
        m_host.setState(RunState::Selecting);
        m_host.reminder(Reminder::Manual);
        ManualSelectionSide sides[2];
        std::vector<ItemStore::Id> offered[2];
        for (int side = FirstSide; side <= LastSide; ++side) {
            sides[side].rootPath = lstItems[side].RootPath;
            sides[side].entries = lstFilteredItems[side].texts();
        }
        for (int side = 0; side < 2; ++side) {
            offered[side].swap(lstFilteredItems[side].entries);
            Counters[side].resetKept();
        }
        m_host.manualSelection(sides);
        for (int side = FirstSide; side <= LastSide; ++side) {
            const ManualSelectionSide &m = sides[side];
            SideCounters &c = Counters[side];
            resetProgress();
            const std::int64_t last = std::int64_t(offered[side].size()) - 1;
            for (std::size_t i = 0; i < offered[side].size(); ++i) {
                if (i < m.selected.size() && m.selected[i]) {
                    const ItemStore::Id id = offered[side][i];
                    const QString rel = items[side].path(id);
                    lstFilteredItems[side].entries.push_back(id);
                    if (items[side].isFolder(id)) {
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
