#pragma once

#include "engine/fs/FileOps.h"
#include "engine/run/SkippedItems.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct Options;

// A swap can be undone: each side keeps, in .orvanel-undo/<run id>/ at its
// root, the files the run replaced (under their own relative paths) and a
// journal of everything it did there. Each journal line is written before
// the act it names, so a run killed at any point can still be undone; undo
// puts back only what still is as the run left it.
//
// The journal is text, one record a line, names escaped (FileNames):
//   R size seconds nanoseconds name   replaced; the old file is held under name
//   C size seconds nanoseconds name   created a file or link with this stamp
//   D name                            created a folder
//   M accessed modified name          a folder's times before the run wrote into it
//   end finished|stopped
// and, once the run is over, a file "status" beside it: "kept" or "undone complete|partial".
namespace Undo {

inline constexpr char kTop[] = ".orvanel-undo";
inline constexpr char kJournal[] = "journal";

// How many runs of a pair keep their undo data ([Undo] KeepRuns, 1 when missing).
int keepRunsSetting();

// A fresh run id: sortable by time, unique per process.
QByteArray newRunId();

// One side's journal of one run, while the run writes into that side.
// Nothing is made on the disk until the run first changes something there.
class Recorder : public FileOps::Keeper {
public:
    // roots: both sides' roots as resolved; side: which of them this is.
    Recorder(FileOps::Tree &tree, int side, const QByteArray &runId, const QString roots[2], const Options &options);
    ~Recorder() override;

    void replacing(const QString &rel, const FileOps::Stamp &made) override;
    void creating(const QString &rel, const FileOps::Stamp &made) override;
    FileOps::Tree &holding() override;
    void creatingFolder(const QString &rel);
    // Before the first change inside a folder that existed: its times.
    void touching(const QString &relFolder);

    bool changedAnything() const { return m_journal != nullptr; }
    // Puts the journal and the held files on the disk.
    void flush();
    // The last line: how the run ended.
    void end(bool finished);

private:
    void record(char action, const QString &rel, const QByteArray &fields = QByteArray());
    void begin();

    FileOps::Tree m_look; // the side's root on a descriptor of its own: the run's walk stays where it is
    int m_side;
    QByteArray m_id;
    QByteArray m_header;
    std::unique_ptr<FileOps::Tree> m_holding;
    std::unique_ptr<FileOps::Journal> m_journal;
    QSet<QString> m_touched;
    QString m_lastTouched;
    QSet<QString> m_made; // folders the run made: their times are not restored
    int m_unsynced = 0;
    QElapsedTimer m_lastSync;
};

struct RunInfo {
    enum class State { Running, CutShort, Finished, Stopped, Kept, Undone, PartlyUndone };
    QByteArray id;
    QDateTime started;
    State state = State::Running;
    QString holding[2]; // each side's holding folder; empty where the run changed nothing
    bool undoable() const { return state != State::Running && state != State::Undone && state != State::PartlyUndone; }
};

// The root as runs record it: resolved, without a trailing "/".
QString pairRoot(const QString &path);
// The runs of the pair (in either order) whose undo data is kept, newest first.
std::vector<RunInfo> runsOf(const QString &left, const QString &right);
// The newest run of the pair that undo can work on.
std::optional<RunInfo> lastRun(const QString &left, const QString &right);
// The bytes its holding folders take.
std::int64_t bytesHeld(const RunInfo &run);

// The user keeps what a cut-short run did: it is not offered again.
void keepResult(const RunInfo &run);

// Undoes a run, newest action first. What cannot be put back (changed since
// the run, refused) is reported and kept. keepGoing is asked before each
// action; false leaves the rest for another undo, which takes up where this
// one stopped. Returns whether it ran to its end.
bool undo(const RunInfo &run, SkippedItems &skipped, const std::function<bool()> &keepGoing = {},
          const std::function<void(const QString &path)> &shown = {});

// After a finished run of the pair: its runs but the newest keep go, oldest first.
void prune(const QString &left, const QString &right, int keep);

// For tests: ORVANEL_TEST_KILL_AFTER_RECORDS=N kills the process (SIGKILL)
// right after its Nth record, as a crash or a pulled stick would stop it.

} // namespace Undo
