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
