// Step 6 (copy mode): the target's empty folders go, deepest first; then the
// summary, once what was written is on the disk.
#include "engine/run/SyncRun.h"
#include "engine/run/steps/StepTools.h"

#include "engine/fs/FileNames.h"
#include "engine/run/ItemErrors.h"
#include "engine/run/RunText.h"
#include "engine/settings/AppState.h"

#include <cerrno>

using StepTools::byName;

bool SyncRun::finish()
{
    const Options &o = m_options;
    if (!o.SwapItems)
        m_host.stepTitle(RunText::stepTitle(6, false));
    m_host.showProgressBar(false);
    resetProgress();
    SideCounters &total = Counters[0];
    total.FoldersKept += Counters[1].FoldersKept;
    total.FilesKept += Counters[1].FilesKept;
    total.BytesKept += Counters[1].BytesKept;
    if (!o.SwapItems && o.DeleteEmptyFolders && !deleteEmptyFolders(total))
        return false;
    m_host.showPath(0, QString());
    m_host.showPath(1, QString());
    flushWrites();
    m_host.summary(RunText::countersLine(total.FoldersKept, total.FilesKept, total.BytesKept));
    resetProgress();
    for (int side = 0; side < 2; ++side)
        lstFilteredItems[side].entries.clear();
    if (total.FoldersKept <= 0 && total.FilesKept <= 0 && total.BytesKept <= 0) {
        NoItemsToSynchronize(lstFilteredItems[0], lstFilteredItems[1]);
        m_control.stop();
        return false;
    }
    return true;
}

bool SyncRun::targetFolders(std::vector<QString> &folders)
{
    // Pre-order, so that removed backwards every folder is tried after all of its subfolders.
    FileOps::Tree &target = tree(2);
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
    return true;
}

bool SyncRun::deleteEmptyFolders(SideCounters &total)
{
    std::vector<QString> folders;
    if (!targetFolders(folders))
        return false;
    if (folders.empty())
        return true;
    FileOps::Tree &target = tree(2);
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
            if (!ItemErrors::folderStays(e))
                throw;
        }
        m_host.progress(RunText::progressPercent(tried, last));
    }
    return true;
}
