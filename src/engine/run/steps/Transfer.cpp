// Step 5: each side's items copied (copy mode, into the target) or given to the
// other side (swap mode); what cannot be written is reported and skipped.
#include "engine/run/SyncRun.h"
#include "engine/run/steps/StepTools.h"
#include "engine/run/CopyPool.h"

#include "engine/fs/FileNames.h"
#include "engine/run/ItemErrors.h"
#include "engine/run/RunText.h"
#include "engine/settings/AppState.h"
#include "engine/settings/MessageService.h"
#include "engine/settings/Texts.h"

#include <algorithm>
#include <cerrno>
#include <thread>

using StepTools::parentOf;

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
    if (!m_options.SwapItems || m_cleanedFolders.contains(to.pathOf(relFolder)))
        return;
    m_cleanedFolders.insert(to.pathOf(relFolder));
    m_leftoversRemoved += to.removeLeftovers(relFolder);
}

bool SyncRun::transferItems(bool *conflict)
{
    const Options &o = m_options;
    m_host.stepTitle(RunText::stepTitle(5, o.SwapItems));
    resetProgress();
    // The bytes each side gives, as step 4 counted them.
    std::int64_t given[2] = {Counters[0].BytesKept, Counters[1].BytesKept};
    for (int side = 0; side < 2; ++side) {
        lstFilteredItems[side].entries.clear();
        Counters[side].resetKept();
    }
    m_folded = std::make_unique<FileOps::FoldedNames>();
    m_skippedFolders.clear();
    for (int side = FirstSide; side <= LastSide; ++side)
        leaveOutWhatCannotBeHeld(side, given[side]);
    if (!startUndo(given))
        return false;
    // The copying threads are done, or have given up, before step 5 ends either way.
    struct Done {
        SyncRun &run;
        ~Done()
        {
            run.m_copies.reset();
            run.m_batch = CopyBatch();
            run.m_handedOver.clear();
        }
    } done{*this};
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!transferSide(side, conflict))
            return false;
    if (m_leftoversRemoved > 0)
        m_host.notice(RunText::leftoversRemoved(m_leftoversRemoved));
    resetProgress();
    return true;
}

void SyncRun::leaveOutWhatCannotBeHeld(int side, std::int64_t &given)
{
    const Volumes::Info &disk = m_disk[m_options.SwapItems ? 1 - side : 2];
    if (disk.holdsLinks && !disk.windowsNames && disk.maxFileSize == INT64_MAX)
        return;
    const QString theDisk = disk.type.isEmpty() ? tx("this disk", "ο δίσκος αυτός")
                                                : tx("a disk of type ", "ένας δίσκος τύπου ") + disk.type;
    FileOps::Tree &from = tree(side);
    const ItemStore &store = items[side];
    std::vector<ItemStore::Id> &entries = lstItems[side].entries;
    QSet<QString> reported; // folders whose names the disk refuses, with all inside them
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ItemStore::Id id = entries[i];
        const QString rel = store.path(id);
        QString culprit, why;
        if (disk.windowsNames) {
            // The destination's spelling differs from the source's in letter case at most.
            const QStringList names = destinationOf(side, id).split(QLatin1Char('/'));
            for (qsizetype k = 0; k < names.size() && why.isEmpty(); ++k)
                if (Volumes::forbiddenOnWindowsDisks(names[k])) {
                    culprit = rel.section(QLatin1Char('/'), 0, int(k));
                    why = tx("%1 allows none of : * ? \" < > | \\ in a name, nor a name that ends in a dot or a blank",
                             "%1 δεν επιτρέπει κανένα από τα : * ? \" < > | \\ σε όνομα, ούτε όνομα που τελειώνει σε τελεία ή κενό");
                }
        }
        if (why.isEmpty() && !store.isFolder(id)) {
            culprit = rel;
            try {
                if (!disk.holdsLinks && from.kind(rel) == FileOps::Kind::Link)
                    why = tx("%1 has no symbolic links", "%1 δεν έχει συμβολικούς συνδέσμους");
                else if (knownSize(side, id) > disk.maxFileSize)
                    why = tx("%1 holds no file of 4 GiB or more", "%1 δεν δέχεται αρχεία 4 GiB ή μεγαλύτερα");
            } catch (const AppError &) {
                // step 5 meets it again and reports it
            }
        }
        if (why.isEmpty()) {
            entries[kept++] = id;
            continue;
        }
        if (!store.isFolder(id))
            given -= knownSize(side, id);
        if (!reported.contains(culprit)) {
            reported.insert(culprit);
            Skipped.add(from.pathOf(culprit), SkipReason::CannotHold, why.arg(theDisk));
        }
    }
    entries.resize(kept);
}

// One side's items, folders first (so each file finds its folder), in list order.
bool SyncRun::transferSide(int side, bool *conflict)
{
    SideTransfer t{side, tree(side), tree(m_options.SwapItems ? 1 - side : 2), Counters[side], false, false, 0};
    // A run of one side never listed the other: there, an entry whose name
    // differs only in case is the same item, as long as it is the only one.
    t.adoptVariant = FirstSide == LastSide;
    // Where step 1 read the destination, a file it did not see there is one
    // that came after: never replaced unseen.
    t.destinationRead = m_options.SwapItems && FirstSide != LastSide;
    if (m_options.SwapItems)
        t.undo = m_undo[1 - side].get();
    const ItemList &list = lstItems[side];
    t.last = std::int64_t(list.size()) - 1;
    resetProgress();
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (stopNow()) {
                abandonCopies();
                return false;
            }
            const ItemStore::Id id = list.entries[i];
            if (items[side].isFolder(id) != (pass == 0))
                continue;
            switch (transferEntry(t, i, id)) {
            case Next::Item:
                break;
            case Next::Stop:
                abandonCopies();
                return false;
            case Next::Conflict:
                *conflict = true;
                return false;
            }
        }
    }
    settleCopies(true);
    m_host.showPath(side, QString());
    m_host.stepCounters(5, side, t.counters);
    return true;
}

SyncRun::Next SyncRun::transferEntry(SideTransfer &t, std::size_t index, ItemStore::Id id)
{
    const QString rel = items[t.side].path(id);
    Move m{items[t.side].isFolder(id), rel, t.from.pathOf(rel), destinationOf(t.side, id), {}, {}, false, id};
    if (insideSkipped(t.to.pathOf(m.destRel)))
        return Next::Item; // reported with its folder
    if (m.folder && m_foldNames && !m_disk[m_options.SwapItems ? 1 - t.side : 2].ignoresCase) {
        // Found by its very spelling on a disk that tells case apart, a folder
        // is there and needs nothing: its parent need not be listed.
        try {
            if (t.to.kind(m.destRel) == FileOps::Kind::Folder) {
                shown(t, m, index);
                return Next::Item;
            }
        } catch (const AppError &) {
            // met again below, and reported there
        }
    }
    if (m_foldNames && !settleSpelling(t, m))
        return Next::Item;
    FileOps::Kind there = FileOps::Kind::Missing;
    if (!attempt(t, m, [&] { there = t.to.kind(m.destRel); }))
        return Next::Item;
    if (there == FileOps::Kind::Other) {
        // Never opened nor replaced; a file still counts as step 5's, as one refused does.
        skipped().add(t.to.pathOf(m.destRel), SkipReason::SpecialFile);
        if (m.folder)
            m_skippedFolders.insert(t.to.pathOf(m.destRel));
        else
            countFile(t, id);
        shown(t, m, index);
        return Next::Item;
    }
    if (there != FileOps::Kind::Missing) {
        if (!m_options.SwapItems) {
            settleCopies(true);
            reportConflict(m.source);
            return Next::Conflict;
        }
        if (m.folder) {
            if (there != FileOps::Kind::Folder) {
                skipped().add(t.to.pathOf(m.destRel), SkipReason::NotAFolder);
                m_skippedFolders.insert(t.to.pathOf(m.destRel));
            }
            shown(t, m, index);
            return Next::Item;
        }
        decideReplacement(t, m, there);
    }
    if (t.undo && !attempt(t, m, [&] { t.undo->touching(parentOf(m.destRel)); }))
        return Next::Item;
    removeLeftovers(t.to, parentOf(m.destRel));
    if (m.folder) {
        ++t.counters.FoldersKept;
        attempt(t, m, [&] {
            t.to.folder(parentOf(m.destRel), true);
            t.to.createFolder(m.destRel);
            if (m_foldNames)
                m_folded->noteCreated(t.to, m.destRel);
        });
    } else {
        countFile(t, id);
        if (stopNow() || (!m.skipCopy && !copyOne(t, m)))
            return Next::Stop;
    }
    shown(t, m, index);
    return Next::Item;
}

bool SyncRun::settleSpelling(SideTransfer &t, Move &m)
{
    // Never a second spelling beside one the run did not pair with.
    bool clash = false;
    m.destRel = m_folded->resolve(t.to, m.destRel, t.adoptVariant, &clash);
    if (!clash)
        return true;
    if (!m_skippedFolders.contains(t.to.pathOf(m.destRel))) {
        m_skippedFolders.insert(t.to.pathOf(m.destRel));
        skipped().add(m.source, SkipReason::CaseClash);
    }
    return false;
}

void SyncRun::decideReplacement(SideTransfer &t, Move &m, FileOps::Kind there)
{
    // Never overwrite a file that changed after it was looked at: looked at
    // again right before the rename.
    const auto looked = m_lookedAt[1 - t.side].constFind(m.destRel);
    const ItemStore::Id twin = items[t.side].twin(m.id);
    if (looked != m_lookedAt[1 - t.side].constEnd()) {
        m.how = FileOps::Replace::IfUnchanged;
        m.expected = *looked;
    } else if (twin != ItemStore::kNone) {
        m.how = FileOps::Replace::IfUnchanged;
        m.expected = knownStamp(1 - t.side, twin);
    } else if (t.destinationRead && there != FileOps::Kind::Folder) {
        m.skipCopy = true;
        skipped().add(t.to.pathOf(m.destRel), SkipReason::Changed);
    } else {
        m.how = FileOps::Replace::Yes;
    }
}

bool SyncRun::copyOne(SideTransfer &t, Move &m)
{
    bool copied = true;
    attempt(t, m, [&] {
        t.to.folder(parentOf(m.destRel), true);
        FileOps::CopyPlace place = FileOps::placeCopy(t.from, m.rel, t.to, m.destRel);
        // A new file goes to the copying threads; what replaces a file, or is
        // kept for undo, or is flushed file by file, is copied here.
        if (m.how == FileOps::Replace::No && !t.undo && !place.syncEachFile)
            handOver(t, m, std::move(place));
        else
            copied = FileOps::copyPlaced(place, m.how, m.expected, [this] { return !stopNow(); }, t.undo, &t.to,
                                         m.destRel);
        if (m_foldNames)
            m_folded->noteCreated(t.to, m.destRel);
    });
    return copied && !stopNow();
}

void SyncRun::handOver(SideTransfer &t, const Move &m, FileOps::CopyPlace place)
{
    // The files of a folder go together, a few dozen or a few MiB at a time,
    // each batch with descriptors of its own.
    constexpr std::size_t kBatchFiles = 32;
    constexpr std::int64_t kBatchBytes = 8 << 20;
    const QString fromFolder = parentOf(m.rel), toFolder = parentOf(m.destRel);
    CopyBatch &b = m_batch;
    if (!b.tasks.empty()
        && (b.fromFolder != fromFolder || b.toFolder != toFolder || b.tasks.size() >= kBatchFiles
            || b.bytes >= kBatchBytes))
        sendBatch();
    if (!m_copies) {
        // One thread per processor, two to four: on two processors a third
        // made copies slower (the kernel's work is most of a small file's copy).
        const int threads = std::clamp(int(std::thread::hardware_concurrency()), 2, 4);
        m_copies = std::make_unique<CopyPool>(threads, std::size_t(threads) * 4 * kBatchFiles);
    }
    if (b.tasks.empty()) {
        b.fromFolder = fromFolder;
        b.toFolder = toFolder;
        b.folders = std::make_shared<const std::pair<FileOps::Folder, FileOps::Folder>>(
            t.from.folder(fromFolder).again(), t.to.folder(toFolder).again());
        b.bytes = 0;
    }
    place.fromFolder = b.folders->first.descriptor();
    place.toFolder = b.folders->second.descriptor();
    b.bytes += knownSize(t.side, m.id);
    CopyPool *pool = m_copies.get();
    // A copy takes its name only while the run goes on: never while the
    // Cancel question is open, nor after its Yes.
    struct Gate : FileOps::Gate {
        RunControl &control;
        CopyPool &pool;
        Gate(RunControl &c, CopyPool &p) : control(c), pool(p) {}
        bool enter() override
        {
            if (pool.abandoned() || !control.enterWork())
                return false;
            if (!pool.abandoned())
                return true;
            control.leaveWork();
            return false;
        }
        void leave() override { control.leaveWork(); }
    };
    b.tasks.push_back([this, pool, place = std::move(place), folders = b.folders] {
        Gate gate(m_control, *pool);
        FileOps::copyPlaced(place, FileOps::Replace::No, {}, [&] { return !m_control.stopped() && !pool->abandoned(); },
                            nullptr, nullptr, QString(), &gate);
    });
    m_handedOver.push_back({m.source, m.destRel, &t.to});
}

void SyncRun::sendBatch()
{
    if (m_batch.tasks.empty())
        return;
    m_copies->submit(std::move(m_batch.tasks));
    m_batch = CopyBatch();
    settleCopies(false);
}

void SyncRun::settleCopies(bool all)
{
    if (!m_copies)
        return;
    if (all)
        sendBatch();
    std::exception_ptr error;
    while (!m_handedOver.empty() && m_copies->take(error, all)) {
        const HandedOver h = std::move(m_handedOver.front());
        m_handedOver.pop_front();
        if (!error)
            continue;
        try {
            std::rethrow_exception(error);
        } catch (const AppError &e) {
            ItemErrors::skipOrStop(Skipped, h.source, *h.to, h.destRel, e);
        }
    }
}

void SyncRun::abandonCopies()
{
    // Copies not yet started never start, and none takes its name from now
    // on; what those done went wrong with is still reported.
    if (!m_copies)
        return;
    m_copies->abandon();
    settleCopies(true);
}

SkippedItems &SyncRun::skipped()
{
    // What the copying threads report about earlier items comes first.
    settleCopies(true);
    return Skipped;
}

template <class Operation>
bool SyncRun::attempt(SideTransfer &t, const Move &m, Operation &&operation)
{
    // What cannot be written is skipped and reported; the run goes on.
    try {
        operation();
        return true;
    } catch (const AppError &e) {
        ItemErrors::skipOrStop(skipped(), m.source, t.to, m.destRel, e);
        if (m.folder)
            m_skippedFolders.insert(t.to.pathOf(m.destRel));
        return false;
    }
}

void SyncRun::countFile(SideTransfer &t, ItemStore::Id id)
{
    ++t.counters.FilesKept;
    t.counters.BytesKept += knownSize(t.side, id);
}

void SyncRun::shown(SideTransfer &t, const Move &m, std::size_t index)
{
    showPath(t.side, m.source, QString());
    showProgress(std::int64_t(index), t.last);
}

void SyncRun::reportConflict(const QString &source)
{
    const QString shownName = FileNames::shown(source);
    const QString prompt =
        App().LanguageIsGreek
            ? QStringLiteral("Το στοιχείο «") + shownName + QStringLiteral("», υπάρχει ήδη στον προορισμό.")
                  + kBlankLine
                  + QStringLiteral("Αυτό συμβαίνει είτε διότι υπάρχει κάποιο εσωτερικό λάθος στην εφαρμογή, ή διότι έχετε ζητήσει να γίνεται διαχωρισμός ανάμεσα στα πεζά και κεφαλαία γράμματα των ονομάτων των στοιχείων, αλλά το λειτουργικό σύστημα ΔΕΝ ΥΠΟΣΤΗΡΙΖΕΙ αυτή τη λειτουργία.")
                  + kBlankLine + QStringLiteral("Η ΔΙΑΔΙΚΑΣΙΑ ΤΟΥ ΣΥΓΧΡΟΝΙΣΜΟΥ ΘΑ ΔΙΑΚΟΠΕΙ.")
            : QStringLiteral("Item '") + shownName + QStringLiteral("', already exists in the target.")
                  + kBlankLine
                  + QStringLiteral("This happens either because there is an internal error in the application, or because you have asked from the application to distinguish between upper and lower case letters in item names, but the operating system DOES NOT SUPPORT this function.")
                  + kBlankLine + QStringLiteral("THE SYNCHRONIZATION PROCESS WILL BE INTERRUPTED.");
    MsgBox(prompt, Msg::Critical | Msg::OkOnly,
           tx("Unsupported function or internal error", "Μη υποστηριζόμενη λειτουργία ή εσωτερικό λάθος"));
}
