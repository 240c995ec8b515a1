#include "engine/run/SyncRun.h"

#include "engine/run/CopyPool.h"
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

bool isRoot(const QString &path)
{
    const QString p = tidyFolderPath(path);
    for (const QString &r : Roots::list())
        if (tidyFolderPath(r) == p)
            return true;
    return false;
}

} // namespace

bool RunHost::goOnWithoutUndo(const QString &question)
{
    return MsgBox(question, Msg::Exclamation | Msg::YesNo | Msg::DefaultSecond, RunText::undoTitle()) == Msg::Yes;
}

CutShortAnswer RunHost::cutShortRun(const QString &question)
{
    return MsgBox(question, Msg::Question | Msg::YesNo, RunText::undoTitle()) == Msg::Yes ? CutShortAnswer::UndoFirst
                                                                                         : CutShortAnswer::KeepResult;
}

SyncRun::SyncRun(RunHost &host, RunInputs inputs)
    : m_host(host), m_inputs(std::move(inputs)), m_options(App().OptionValues)
{
}

SyncRun::~SyncRun() = default;

FileOps::Tree &SyncRun::tree(int which)
{
    std::unique_ptr<FileOps::Tree> &t = m_trees[which];
    if (!t)
        t = std::make_unique<FileOps::Tree>(which == 2 ? AddTrailingSeparator(m_target) : lstItems[which].RootPath);
    return *t;
}

void SyncRun::showPath(int side, const QString &base, QStringView rel)
{
    if (m_pathClock.isValid() && m_pathClock.elapsed() < 40)
        return;
    m_pathClock.start();
    QString path = base;
    path += rel;
    m_host.showPath(side, path);
}

void SyncRun::showItem(int side, ItemStore::Id id)
{
    // The path is made only when it is to be shown.
    if (m_pathClock.isValid() && m_pathClock.elapsed() < 40)
        return;
    showPath(side, lstItems[side].RootPath, items[side].path(id));
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
        m_control.stop();
    return m_control.checkpoint();
}

bool SyncRun::cancel()
{
    // The run waits at its next checkpoint until the question is answered, so
    // No lets it go on exactly where it was.
    const RunControl::Pause held(m_control);
    if (m_targetMade
        && MsgBox(tx("Do you really want to interrupt the synchronization process?",
                     "Θέλετε πράγματι να διακόψετε τη διαδικασία του συγχρονισμού;"),
                  Msg::Question | Msg::YesNo,
                  tx("Synchronization process", "Διαδικασία συγχρονισμού"))
               != Msg::Yes)
        return false;
    m_control.stop();
    return true;
}

void SyncRun::close()
{
    if (InterruptRequested() && !m_options.SwapItems)
        DeleteTargetFolder(m_target, m_options.DeleteOnCancel, Loc::SynchronizeClose);
    m_host.setState(RunState::Closed);
}

SyncRun::Outcome SyncRun::interrupt()
{
    m_control.stop();
    return Outcome::Interrupted;
}

SyncRun::Outcome SyncRun::run()
{
    // The options stay as they were at the start, whatever a window does meanwhile.
    m_options = App().OptionValues;
    m_runId = Undo::newRunId();
    if (keepRuns < 0)
        keepRuns = Undo::keepRunsSetting();
    for (int side = 0; side < 2; ++side)
        m_pairRoots[side] = Undo::pairRoot(m_inputs.SourcePath[side]);
    Outcome outcome = Outcome::Interrupted;
    const bool ended = guarded(Loc::SynchronizationRun, [&] {
        outcome = body();
        // What a stopped swap wrote into the user's folders reaches the disk
        // too; a stopped copy's target is about to be deleted.
        if (outcome != Outcome::Finished && m_options.SwapItems)
            flushWrites();
    });
    // The journals say the run is over, also after an error: it is then no
    // longer taken for one still running or cut short.
    guarded(Loc::SynchronizationRun, [&] { endUndo(ended ? outcome : Outcome::Interrupted); });
    return ended ? outcome : interrupt();
}

void SyncRun::offerCutShortUndo()
{
    const std::optional<Undo::RunInfo> last = Undo::lastRun(m_pairRoots[0], m_pairRoots[1]);
    if (!last || last->state != Undo::RunInfo::State::CutShort)
        return;
    switch (m_host.cutShortRun(RunText::cutShortQuestion(last->started, Undo::bytesHeld(*last)))) {
    case CutShortAnswer::UndoFirst:
        Undo::undo(*last, Skipped, [this] { return !stopNow(); },
                   [this](const QString &path) { showPath(0, path, QString()); });
        m_host.showPath(0, QString());
        break;
    case CutShortAnswer::KeepResult:
        Undo::keepResult(*last);
        break;
    case CutShortAnswer::AskLater:
        break;
    }
}

bool SyncRun::startUndo(const std::int64_t given[2])
{
    if (!m_options.SwapItems || !keepUndo || keepRuns <= 0)
        return true;
    for (int to = 0; to < 2; ++to) {
        // The old versions stay: the new ones need room of their own.
        const std::int64_t needed = given[1 - to];
        const std::int64_t free = needed > 0 ? FileOps::freeBytes(lstItems[to].RootPath) : -1;
        if (free >= 0 && needed > free) {
            if (!m_host.goOnWithoutUndo(RunText::noRoomForUndo(to, needed, free))) {
                m_control.stop();
                return false;
            }
            continue;
        }
        m_undo[to] = std::make_unique<Undo::Recorder>(tree(to), to, m_runId, m_pairRoots, m_options);
        Undo::Recorder *recorder = m_undo[to].get();
        tree(to).beforeCreatingFolder = [recorder](const QString &rel) { recorder->creatingFolder(rel); };
    }
    return true;
}

void SyncRun::endUndo(Outcome outcome)
{
    for (auto &recorder : m_undo)
        if (recorder)
            recorder->end(outcome == Outcome::Finished);
    if (outcome == Outcome::Finished && m_options.SwapItems && !stopAfterResolving)
        Undo::prune(m_pairRoots[0], m_pairRoots[1], keepRuns);
}

bool SyncRun::changedAnything() const
{
    return std::any_of(std::begin(m_undo), std::end(m_undo), [](const auto &r) { return r && r->changedAnything(); });
}

std::optional<Undo::RunInfo> SyncRun::undoData() const
{
    if (!changedAnything())
        return std::nullopt;
    for (const Undo::RunInfo &run : Undo::runsOf(m_pairRoots[0], m_pairRoots[1]))
        if (run.id == m_runId)
            return run;
    return std::nullopt;
}

bool SyncRun::confirmRoots()
{
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
            return false;
    }
    return true;
}

void SyncRun::openRoots()
{
    for (int side = 0; side < 2; ++side) {
        lstItems[side].clear();
        lstFilteredItems[side].clear();
        items[side].clear();
        m_lookedAt[side].clear();
        lstItems[side].store = lstFilteredItems[side].store = &items[side];
        Counters[side] = SideCounters();
        // Both roots are known even when one side is not processed: a swap
        // of the left side's items writes into the right source.
        lstItems[side].RootPath = AddTrailingSeparator(tidyFolderPath(m_inputs.SourcePath[side]));
    }
    // Each root is resolved once, here: a link put in its place later is not the run's.
    for (auto &t : m_trees)
        t.reset();
    for (int side = 0; side < 2; ++side)
        if (m_options.SwapItems || (side >= FirstSide && side <= LastSide))
            tree(side);
    if (!m_options.SwapItems && !stopAfterResolving)
        tree(2);
}

SyncRun::Outcome SyncRun::body()
{
    const Options &o = m_options;
    FirstSide = o.WhichItemsToCopy == 4 ? 1 : 0;
    LastSide = o.WhichItemsToCopy == 3 ? 0 : 1;
    ToleranceSeconds = std::int64_t(o.Days) * 86400 + std::int64_t(o.Hours) * 3600
                       + std::int64_t(o.Minutes) * 60 + o.Seconds;
    if (!confirmRoots())
        return Outcome::Abandoned;
    if (!stopAfterResolving)
        offerCutShortUndo();
    if (!o.SwapItems) {
        m_host.reminder(Reminder::Target);
        m_target = m_host.chooseTargetFolder();
        if (m_target.isEmpty())
            return Outcome::Abandoned;
        m_targetMade = true;
    }
    decideCaseRule();
    m_host.setState(RunState::Running);
    openRoots();

    // Step 1.
    m_host.stepTitle(RunText::stepTitle(1, o.SwapItems));
    if (!collectSides())
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

    return transferAndFinish();
}

SyncRun::Outcome SyncRun::transferAndFinish()
{
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
        return InterruptRequested() ? Outcome::Interrupted : interrupt();
    m_host.stepTitle(QString());
    m_host.setState(RunState::Finished);
    m_host.beep();
    return Outcome::Finished;
}

bool SyncRun::NoItemsToSynchronize(const ItemList &a, const ItemList &b)
{
    if (!a.empty() || !b.empty())
        return false;
    MsgBox(RunText::noItemsPrompt(m_options.SwapItems), Msg::Information | Msg::OkOnly,
           RunText::noItemsTitle());
    return true;
}

void SyncRun::decideCaseRule()
{
    const Options &o = m_options;
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
        const QString path = p.which == 2 ? m_target : m_inputs.SourcePath[p.which];
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
    // One side alone has nothing to pair, and where case counts nothing of it clashes.
    if (!m_foldNames && FirstSide == LastSide)
        return;
    m_pairing.pair(items[0], items[1], m_foldNames);
    for (const CasePairing::Clash &c : m_pairing.clashes)
        Skipped.add(lstItems[c.side].RootPath + items[c.side].path(c.id), SkipReason::CaseClash);
    for (int side = 0; side < 2; ++side) {
        const std::vector<ItemStore::Id> &drop = m_pairing.dropped[side];
        if (drop.empty())
            continue;
        std::vector<ItemStore::Id> &entries = lstItems[side].entries;
        std::size_t kept = 0, d = 0;
        for (const ItemStore::Id id : entries) {
            while (d < drop.size() && drop[d] < id)
                ++d;
            if (d < drop.size() && drop[d] == id)
                continue;
            entries[kept++] = id;
        }
        entries.resize(kept);
    }
    m_pairing.clear();
}

QString SyncRun::destinationOf(int side, ItemStore::Id id) const
{
    // Paired items share the left spelling; a swap writes a left item where
    // the right side has its partner.
    if (!m_foldNames || (side == 0 && !m_options.SwapItems))
        return items[side].path(id);
    return items[side].pathAsIn(id, items[1 - side]);
}

void SyncRun::flushWrites()
{
    m_host.writingToDisk(true);
    struct Done {
        RunHost &host;
        ~Done() { host.writingToDisk(false); } // also when the disk fails
    } done{m_host};
    for (auto &recorder : m_undo)
        if (recorder)
            recorder->flush();
    for (const auto &t : m_trees)
        if (t)
            t->flush();
}

