#pragma once

#include "ItemList.h"
#include "RunHost.h"

#include <QString>
#include <atomic>
#include <cstdint>

// What a run starts from: each side's source folder and file-type pattern.
struct RunInputs {
    QString SourcePath[2];
    QString Pattern[2] = {QStringLiteral("*.*"), QStringLiteral("*.*")};
};

// One synchronization run: the prologue, the steps, and its end. run() may
// execute on a worker thread; cancel() and close() belong to the window's
// thread. Everything the run needs lives here, not in widgets.
class SyncRun {
public:
    enum class Outcome {
        Finished,    // completed; the window waits for Close
        Interrupted, // stopped by Cancel, a no-items stop or an error; close() cleans up
        Abandoned,   // ended before anything was created; nothing to clean up
    };

    SyncRun(RunHost &host, RunInputs inputs);

    Outcome run();
    // The Cancel button: asks while a target folder exists; returns whether the run is to stop.
    bool cancel();
    // The Close button after the run has stopped: deletes the target folder of
    // an interrupted copying run.
    void close();

    int FirstSide = 0;
    int LastSide = 1;
    std::int64_t ToleranceSeconds = 0;
    SideCounters Counters[2];
    std::atomic<bool> InterruptRequested{false};
    ItemList lstItems[2];
    ItemList lstFilteredItems[2];

    // Steps on their own, for the run and for tests.
    bool collectItems(int side);
    bool selectItems(int side);
    bool NoItemsToSynchronize(const ItemList &a, const ItemList &b);
    static bool WithinLevels(const QString &relativePath, int levels);

private:
    bool stopNow();
    Outcome interrupt();
    Outcome body();

    RunHost &m_host;
    RunInputs m_inputs;
};
