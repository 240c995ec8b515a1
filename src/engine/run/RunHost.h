#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

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

// The reminders a run shows, by their numbers in the reminder window.
enum class Reminder { Target = 2, Manual = 3, Common = 4 };

// What the file-choice question answers for one file present on both sides.
enum class FileAnswer { Upper = 0, Lower = 1, Neither = -1 };

// The rule step 4 applies to the files present on both sides, by the values
// the settings file stores (WhenFileExists).
enum class FilesRule { Newer = 1, Older = 2, Ask = 3, Nothing = 4 };

// What to do about a run on the same folders that was cut short.
enum class CutShortAnswer { UndoFirst, KeepResult, AskLater };

// One of the two files of the file-choice question.
struct FileChoiceFile {
    QString path;            // full path, in its own letter case
    std::int64_t size = 0;   // bytes
    QDateTime modified;      // local time
};

// The entries a side offers for manual selection, and what the user kept.
struct ManualSelectionSide {
    QString rootPath;            // shown above the list; empty for a side not processed
    std::vector<QString> entries; // "+folder" / "-file" relative paths, in order
    std::vector<bool> selected;   // filled by the host, one per entry
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
    // Something the user should know about how this run compares or copies
    // (names compared ignoring letter case because a disk ignores it). Said
    // once; the run goes on.
    virtual void notice(const QString &text) = 0;
    // The run puts what it wrote on the disk before it says it finished:
    // that cannot be cancelled, and on a slow stick it takes a while.
    virtual void writingToDisk(bool /*busy*/) {}

    // Messages go through the message service (MsgBox), which every host installs.
    virtual void reminder(Reminder which) = 0;
    // Lets the user name and create the target folder; its path, or empty.
    virtual QString chooseTargetFolder() = 0;
    virtual void beep() = 0;
    // The manual selection window: fills each side's `selected` and returns when
    // the user pressed OK.
    virtual void manualSelection(ManualSelectionSide sides[2]) = 0;
    // The file-choice window for a file present on both sides. remaining
    // comes in as the rule in force and goes out as the rule the user left
    // selected.
    virtual FileAnswer fileChoice(const FileChoiceFile &upper, const FileChoiceFile &lower,
                                  FilesRule &remaining) = 0;

    // Called from the run's thread before every item: the host's own reason to
    // stop (a signal), if it has one; it returns at once. Cancel, and holding
    // the run while its question is open, belong to the run's RunControl.
    virtual bool checkpoint() { return false; }

    // A side's disk has no room for the undo data: whether to go on without
    // it (the window asks; No stops the run before it changes anything).
    virtual bool goOnWithoutUndo(const QString &question);
    // The last run on the same two folders was cut short (the window asks).
    virtual CutShortAnswer cutShortRun(const QString &question);
};
