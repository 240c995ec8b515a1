#pragma once

#include "engine/run/CasePairing.h"
#include "engine/run/ItemList.h"
#include "engine/run/RunControl.h"
#include "engine/run/RunHost.h"
#include "engine/settings/AppState.h"
#include "engine/run/SkippedItems.h"
#include "engine/run/UndoData.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>

#include "engine/fs/Errors.h"
#include "engine/fs/FileOps.h"
#include "engine/fs/Volumes.h"
#include <cstdint>

// What a run starts from: each side's source folder and file-type pattern.
struct RunInputs {
    QString SourcePath[2];
    QString Pattern[2] = {QStringLiteral("*.*"), QStringLiteral("*.*")};
};

// One synchronization run: the prologue, the steps, and its end. run() may
// execute on a worker thread; cancel() and close() belong to the window's
// thread. Everything the run needs lives here, not in widgets.
class CopyPool;

class SyncRun {
public:
    enum class Outcome {
        Finished,    // completed; the window waits for Close
        Interrupted, // stopped by Cancel, a no-items stop or an error; close() cleans up
        Abandoned,   // ended before anything was created; nothing to clean up
    };

    SyncRun(RunHost &host, RunInputs inputs);
    ~SyncRun();

    // The whole run, with its options as they are now. Any error ends it,
    // reported by the common error report.
    Outcome run();
    // Stops after step 4, changing nothing: the final lists say what each side would give.
    bool stopAfterResolving = false;
    // Step 1 reads folders ahead on a thread of its own; off, each folder is
    // read when the run reaches it (a test's checkpoint then sees a fixed order).
    bool readAhead = true;
    // A swap keeps what it replaces so that it can be undone; keepRuns runs
    // of a pair stay (-1: the settings file's [Undo] KeepRuns).
    bool keepUndo = true;
    int keepRuns = -1;
    // Whether this run changed the user's folders (and so can be undone).
    bool changedAnything() const;
    // This run's undo data, once run() has returned; nullopt when none is kept.
    std::optional<Undo::RunInfo> undoData() const;
    // The Cancel button, from any thread but the run's: holds the run while it
    // asks (only once a target folder exists); returns whether the run is to stop.
    bool cancel();
    RunControl &control() { return m_control; }
    bool InterruptRequested() const { return m_control.stopped(); }
    // The target folder the run made; empty in a swap. Read it once run() has returned.
    const QString &targetFolder() const { return m_target; }
    // The Close button after the run has stopped: deletes the target folder of
    // an interrupted copying run.
    void close();

    int FirstSide = 0;
    int LastSide = 1;
    std::int64_t ToleranceSeconds = 0;
    SideCounters Counters[2];
    ItemList lstItems[2];
    ItemList lstFilteredItems[2];
    // What the run could not do; read by the host once run() has returned.
    SkippedItems Skipped;

    // Every item step 1 kept on each side, with what it saw of each file: a
    // swap never overwrites a file that changed after it was looked at.
    ItemStore items[2];
    FilesRule RemainingFilesChoice = FilesRule::Newer;

    // Steps on their own, for the run and for tests.
    bool collectItems(int side);
    // Step 1 for the sides of the run, the second read while the first is filed.
    bool collectSides();
    // Looks at the disks of the run. Names are compared ignoring letter case
    // when the option says so or a disk of the run ignores case (said in a
    // notice).
    void decideCaseRule();
    bool namesFolded() const { return m_foldNames; }
    // After step 1: settles which items of the two sides are one (also when
    // case is ignored), and leaves out (and reports) those that clash with
    // another spelling.
    void pairByCase();
    bool selectItems(int side);
    bool manualSelection();
    bool resolveCommonItems();
    bool transferItems(bool *conflict);
    bool finish();
    // Copy mode: the target's empty folders go, deepest first.
    bool deleteEmptyFolders(SideCounters &total);
    bool NoItemsToSynchronize(const ItemList &a, const ItemList &b);
    static bool WithinLevels(const QString &relativePath, int levels);

private:
    // Reads a side's folders for step 1, ahead of the run where it may.
    class FolderReader;
    std::unique_ptr<FolderReader> readerOf(int side, std::size_t fileBudget);
    bool collectInto(int side, std::unique_ptr<FolderReader> reader);
    bool stopNow();
    // The question before a run that starts at a root; false when the user said No.
    bool confirmRoots();
    // Empties the lists and opens each root the run uses, once.
    void openRoots();
    Outcome transferAndFinish();
    Outcome interrupt();
    // Step 4's pass over a side: keeps, in order, the entries keep() says yes to.
    template <class Keep>
    bool keepWhere(int side, Keep &&keep);
    bool passThrough(int side);
    void keepInPlace(int side, std::size_t kept, std::size_t looked);
    bool matchingPass(int side);
    // Counts a kept entry of step 4 (size: a file's bytes) and shows it.
    void countEntry(int side, ItemStore::Id id, std::int64_t size);
public:
    // Which file of a pair step 4 gives, by the rules (asking where they say so).
    enum class Pick { Mine, Theirs, Neither };

private:
    // The paths are made only when the user is asked: most pairs never need them.
    Pick compareFiles(const std::function<QString()> &source, const FileOps::Stamp &mine,
                      const std::function<QString()> &otherPath, const FileOps::Stamp &theirs);
    // In a swap, whether a file goes over a file at its destination that the
    // other side's file-type filter hid from step 1: compared as a pair.
    bool keepOverHidden(int side, ItemStore::Id id);
    bool transferSide(int side, bool *conflict);
    // Step 5's side in hand.
    struct SideTransfer {
        int side;
        FileOps::Tree &from;
        FileOps::Tree &to;
        SideCounters &counters;
        bool adoptVariant = false;
        bool destinationRead = false;
        std::int64_t last = 0;
        Undo::Recorder *undo = nullptr;
    };
    // Step 5's item in hand, and how it goes over what is at its destination.
    struct Move {
        bool folder;
        QString rel;
        QString source;
        QString destRel;
        FileOps::Replace how = FileOps::Replace::No;
        FileOps::Stamp expected;
        bool skipCopy = false;
        ItemStore::Id id = ItemStore::kNone;
    };
    enum class Next { Item, Stop, Conflict };
    Next transferEntry(SideTransfer &t, std::size_t index, ItemStore::Id id);
    // Where the disk folds names: the spelling already there; false when the item clashes.
    bool settleSpelling(SideTransfer &t, Move &m);
    // A swap's file over a file: only as it was seen, or never when it came after.
    void decideReplacement(SideTransfer &t, Move &m, FileOps::Kind there);
    // Copies a file; false when the run must stop.
    bool copyOne(SideTransfer &t, Move &m);
    // A new file's copy, given to the copying threads.
    void handOver(SideTransfer &t, const Move &m, FileOps::CopyPlace place);
    void sendBatch();
    // Reports what the copies handed over went wrong with, in the order of
    // the list: those done so far, or with all, every one (waiting for them).
    void settleCopies(bool all);
    void abandonCopies();
    // The report, once the copying threads' earlier items are in it.
    SkippedItems &skipped();
    template <class Operation>
    bool attempt(SideTransfer &t, const Move &m, Operation &&operation);
    void countFile(SideTransfer &t, ItemStore::Id id);
    void shown(SideTransfer &t, const Move &m, std::size_t index);
    // An item already in a copy's new target: the run cannot go on.
    void reportConflict(const QString &source);
    // Reports and leaves out, before step 5 counts them, the items the
    // destination's disk cannot hold at all.
    // given: the bytes of the side's files, less those left out.
    void leaveOutWhatCannotBeHeld(int side, std::int64_t &given);
    // Every folder of the target but itself, parents before their subfolders.
    bool targetFolders(std::vector<QString> &folders);
    // Puts what the run wrote on the disk; a failure throws.
    void flushWrites();
    // The roots of the run, each opened once: 0 left, 1 right, 2 the target.
    FileOps::Tree &tree(int which);
    // Where an item of a side goes, relative to the destination's root.
    QString destinationOf(int side, ItemStore::Id id) const;
    // Whether a destination lies in a folder already skipped and reported.
    bool insideSkipped(const QString &destination) const;
    // Before a swap first writes into a folder: what killed runs left there goes.
    void removeLeftovers(FileOps::Tree &to, const QString &relFolder);
    // What step 1 saw, so later steps need not ask the disk again.
    std::int64_t knownSize(int side, ItemStore::Id id) const { return items[side].stamp(id).size; }
    FileOps::Stamp knownStamp(int side, ItemStore::Id id) const { return items[side].stamp(id); }
    // The path in hand, shown at most every few dozen milliseconds: building
    // the text for every item costs more than the item itself.
    void showPath(int side, const QString &base, QStringView rel);
    void showItem(int side, ItemStore::Id id);
    void showProgress(std::int64_t position, std::int64_t last);
    void resetProgress();
    Outcome body();
    // A cut-short run on the same folders: undone first, or kept, as the user says.
    void offerCutShortUndo();
    // Before step 5 of a swap: the journals, where each side has room for them.
    bool startUndo(const std::int64_t given[2]);
    // After the run: the journals' last line, and the pair's older runs pruned.
    void endUndo(Outcome outcome);

    RunHost &m_host;
    RunInputs m_inputs;
    Options m_options;
    RunControl m_control;
    QString m_target;                     // the run's thread's until run() returns
    std::atomic<bool> m_targetMade{false}; // read by cancel() on the window's thread
    std::unique_ptr<FileOps::Tree> m_trees[3];
    std::unique_ptr<FileOps::FoldedNames> m_folded;
    bool m_foldNames = false;
    Volumes::Info m_disk[3]; // as m_trees; default for a place the run does not use
    // Step 5's copying threads, the batch being filled for them, and the
    // copies handed over whose outcome is not yet taken.
    struct CopyBatch {
        QString fromFolder, toFolder;
        std::shared_ptr<const std::pair<FileOps::Folder, FileOps::Folder>> folders;
        std::vector<std::function<void()>> tasks;
        std::int64_t bytes = 0;
    };
    struct HandedOver {
        QString source, destRel;
        FileOps::Tree *to;
    };
    std::unique_ptr<CopyPool> m_copies;
    CopyBatch m_batch;
    std::deque<HandedOver> m_handedOver;
    CasePairing m_pairing;
    // Files a side's filter hid from step 1, looked at since, by path.
    QHash<QString, FileOps::Stamp> m_lookedAt[2];
    QSet<QString> m_skippedFolders; // destination folders skipped, with everything inside
    QSet<QString> m_cleanedFolders; // destination folders rid of leftovers in this run
    int m_leftoversRemoved = 0;
    QByteArray m_runId;
    QString m_pairRoots[2];
    std::unique_ptr<Undo::Recorder> m_undo[2];
    QElapsedTimer m_pathClock;
    int m_lastPercent = -1;
};
