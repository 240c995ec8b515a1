#pragma once

#include "ui/common/SecondaryWindow.h"
#include "engine/run/RunHost.h"
#include "engine/run/SyncRun.h"
#include "ui/run/frmSkippedItems.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QThread;
class QTimer;

// The window in which a run takes place. The run works on a thread of its
// own; this window is its host and stays responsive throughout.
// Per-side labels are named with the side: "lblStep1InfoFolders_0".
class frmSynchronize : public SecondaryWindow, private RunHost {
    Q_OBJECT
public:
    explicit frmSynchronize(const RunInputs &inputs, QWidget *parent = nullptr);
    ~frmSynchronize() override;

    // Opens the window for a run and waits until it is closed.
    static void showModal(const RunInputs &inputs, QWidget *parent = nullptr);

    // Shows the target-folder window; replaceable so tests need no modal window.
    static std::function<QString(const QStringList &sources, QWidget *parent)> targetChooser;
    static std::function<void(ManualSelectionSide *sides, QWidget *parent)> manualSelector;
    static std::function<int(const FileChoiceFile &, const FileChoiceFile &, int &, QWidget *)> fileChooser;
    // Shows what a run could not do: from "Show the list", and before the
    // window of a stopped run closes.
    static std::function<void(const SkippedItemsReport &, QWidget *parent)> skippedItemsViewer;

    RunState state() const { return m_state; }
    SyncRun &run() { return *m_run; }
    // The window as its run sees it: tests speak to it as the run would.
    RunHost &host() { return *this; }
    bool runWorking() const;

    QPushButton *cmdSynchronize = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdClose = nullptr;
    QLabel *lblPleaseWait = nullptr;
    QGroupBox *fraStep = nullptr;
    QLabel *lblFullPath[2] = {};
    QProgressBar *proProgressBar = nullptr;
    QLabel *lblInfoTitle[2] = {};
    QLabel *lblStepTitle[6] = {};
    // [step 1..5 plus the step-1 level row as index 0][side][folders, files, bytes]
    QLabel *counter[6][2][3] = {};
    QLabel *lblStep6Info = nullptr;
    // Where the step frame was, once the run has finished.
    QLabel *lblSkipped = nullptr;
    QPushButton *cmdSkipped = nullptr;
    QLabel *lblNotices = nullptr;
    QScrollArea *scrNotices = nullptr;
    // Beside Close while a finished swap can be undone, with what its undo data takes.
    QPushButton *cmdUndo = nullptr;
    QLabel *lblUndoSize = nullptr;

public slots:
    void cmdSynchronize_Click();
    void cmdCancel_Click();
    void cmdClose_Click();
    void cmdSkipped_Click();
    void cmdUndo_Click();

signals:
    void runEnded();
    // An undo has ended and its result has been said.
    void undoEnded();

private:
    // RunHost, called from the run's thread.
    void setState(RunState state) override;
    void stepTitle(const QString &title) override;
    void showPath(int side, const QString &path) override;
    void showProgressBar(bool visible) override;
    void progress(int percent) override;
    void stepCounters(int step, int side, const SideCounters &counters) override;
    void summary(const QString &text) override;
    void notice(const QString &text) override;
    void writingToDisk(bool busy) override;
    void reminder(Reminder which) override;
    QString chooseTargetFolder() override;
    void beep() override;
    void manualSelection(ManualSelectionSide sides[2]) override;
    FileAnswer fileChoice(const FileChoiceFile &upper, const FileChoiceFile &lower, FilesRule &remaining) override;

    void load();
    void applyState(RunState state);
    void flushLiveValues();
    void runFinished(SyncRun::Outcome outcome);
    SkippedItemsReport skippedReport(const SkippedItems &skipped, bool stopped);
    void showEndReport();
    void offerUndo(bool offered);
    // Undoes the run on a thread of its own; then() follows once the result is said.
    void undoRun(const Undo::RunInfo &run, std::function<void()> then);
    void undoFinished(bool ended);
    template <class F>
    void onWindowThread(F &&f);
    template <class F>
    void onWindowThreadAndWait(F &&f);

    RunInputs m_inputs;
    std::unique_ptr<SyncRun> m_run;
    QThread *m_thread = nullptr;
    // The run's undo data, found on the run's thread once it has ended.
    std::optional<Undo::RunInfo> m_undoData;
    std::int64_t m_undoHeld = 0;
    QThread *m_undoThread = nullptr;
    SkippedItems m_undoSkipped;
    std::atomic<bool> m_closing{false};
    std::function<void()> m_afterUndo;
    QTimer *m_refresh = nullptr;
    RunState m_state = RunState::Ready;

    // The values the run shows, picked up by the refresh timer.
    std::mutex m_mutex;
    QString m_livePath[2];
    bool m_pathChanged[2] = {false, false};
    int m_liveProgress = -1;
    QStringList m_notices;
    SkippedItemsReport m_report;
};
