#pragma once

#include <QString>
#include <cstdint>

// What a run shows and asks. The synchronization window is one host, the
// command line another, the tests' scripted fake a third. A run may call its
// host from a worker thread; each host makes that safe on its side.

enum class RunState { Ready, Running, Selecting, Finished, Closed };

struct SideCounters {
    std::int64_t FoldersFound = 0;
    std::int64_t FilesFound = 0;
    std::int64_t BytesFound = 0;
    std::int64_t FoldersKept = 0;
    std::int64_t FilesKept = 0;
    std::int64_t BytesKept = 0;

    void resetKept() { FoldersKept = FilesKept = BytesKept = 0; }
};

class RunHost {
public:
    virtual ~RunHost() = default;

    virtual void setState(RunState state) = 0;
    // The current step's title; empty hides the step frame.
    virtual void stepTitle(const QString &title) = 0;
    // The path in hand on a side; empty when the side is done.
    virtual void showPath(int side, const QString &path) = 0;
    virtual void showProgressBar(bool visible) = 0;
    virtual void progress(int percent) = 0;
    // A side finished step 1..5: its counters go into that step's row.
    virtual void stepCounters(int step, int side, const SideCounters &counters) = 0;
    // The summary line of the last step.
    virtual void summary(const QString &text) = 0;

    // Messages go through the message service (MsgBox), which every host installs.
    virtual void reminder(int number) = 0;
    // Lets the user name and create the target folder; its path, or empty.
    virtual QString chooseTargetFolder() = 0;
    virtual void beep() = 0;

    // Called before every item: lets the window breathe and tells whether the
    // run must stop now. While the user answers the Cancel question the call
    // does not return, so the run does not move on.
    virtual bool checkpoint() = 0;
};
