#include "ui/run/frmSynchronize.h"

#include "engine/run/RunText.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "ui/dialogs/frmWarning.h"
#include "ui/run/frmFinalSelection.h"
#include "ui/run/frmSelectFile.h"
#include "ui/run/frmSelectTargetFolder.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Icons.h"
#include "ui/common/TwipsLayout.h"
#include "engine/fs/FileNames.h"
#include "engine/settings/MessageService.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {
constexpr int kDesignWidth = 11652;
constexpr int kDesignHeight = 5292;
constexpr int kRowHeight = 300;
constexpr int kRowTop[6] = {480, 840, 1200, 1560, 1920, 2280};
constexpr int kTitleTop[6] = {720, 1200, 1560, 1920, 2280, 2640};
constexpr int kColumnLeft[2][3] = {{960, 2280, 3960}, {6360, 7680, 9360}};
constexpr int kColumnWidth[3] = {1212, 1572, 2172};
constexpr std::uint32_t kLightYellow = 0x00C0FFFF;
constexpr int kButtonHeight = 492;
constexpr int kEndRowTop = 3720;
constexpr int kNoticesTop = 4320;
// While undo is offered: Undo beside Close, the size it holds centred under
// it, and the end rows a line lower to make room for that.
constexpr int kUndoLeft = 9480 - 120 - 2052;
constexpr int kUndoSizeLeft = 2 * (kUndoLeft + 2052 / 2) - 11532;
constexpr int kUndoShift = 360;

const char *const kRowNames[6] = {"lblStep1Info", "lblStep1Level", "lblStep2Info",
                                  "lblStep3Info", "lblStep4Info", "lblStep5Info"};
const char *const kColumnNames[3] = {"Folders", "Files", "Bytes"};

void colour(QLabel *label, std::uint32_t bgr)
{
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, colorOf(bgr));
    label->setPalette(pal);
}

QString sided(const QString &name, int side) { return name + QLatin1Char('_') + QString::number(side); }
QString pleaseWait() { return tx("Please wait ...", "Παρακαλώ περιμένετε ..."); }
QString finishedText() { return tx("FINISHED", "ΟΛΟΚΛΗΡΩΘΗΚΕ"); }
} // namespace

std::function<QString(const QStringList &, QWidget *)> frmSynchronize::targetChooser =
    [](const QStringList &sources, QWidget *parent) { return frmSelectTargetFolder::choose(sources, parent); };

std::function<void(ManualSelectionSide *, QWidget *)> frmSynchronize::manualSelector =
    [](ManualSelectionSide *sides, QWidget *parent) { frmFinalSelection::select(sides, parent); };

std::function<int(const FileChoiceFile &, const FileChoiceFile &, int &, QWidget *)> frmSynchronize::fileChooser =
    [](const FileChoiceFile &upper, const FileChoiceFile &lower, int &rule, QWidget *parent) {
        return frmSelectFile::choose(upper, lower, rule, parent);
    };

std::function<void(const SkippedItemsReport &, QWidget *)> frmSynchronize::skippedItemsViewer =
    [](const SkippedItemsReport &report, QWidget *parent) { frmSkippedItems::showReport(report, parent); };

frmSynchronize::frmSynchronize(const RunInputs &inputs, QWidget *parent)
    : SecondaryWindow(parent), m_inputs(inputs)
{
    setObjectName(QStringLiteral("frmSynchronize"));
    auto *layout = new TwipsLayout(this, kDesignWidth, kDesignHeight);
    auto label = [&](const QString &name, int l, int t, int w, int h) {
        auto *lbl = new QLabel(this);
        lbl->setObjectName(name);
        layout->add(lbl, l, t, w, h);
        return lbl;
    };

    fraStep = new QGroupBox(this);
    fraStep->setObjectName(QStringLiteral("fraStep"));
    layout->add(fraStep, 120, 3840, 11412, kDesignHeight - 3840 - 60);

    for (int side = 0; side < 2; ++side) {
        lblInfoTitle[side] = label(sided(QStringLiteral("lblInfoTitle"), side), kColumnLeft[side][0], 120,
                                   kColumnLeft[side][2] + kColumnWidth[2] - kColumnLeft[side][0], kRowHeight);
        lblInfoTitle[side]->setAlignment(Qt::AlignCenter);
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 3; ++c) {
                QLabel *l = label(sided(QLatin1String(kRowNames[r]) + QLatin1String(kColumnNames[c]), side),
                                  kColumnLeft[side][c], kRowTop[r], kColumnWidth[c] - 60, kRowHeight);
                l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                ContextHelp::setTopic(l, 90010 + side * 180 + r * 30 + c * 10);
                counter[r][side][c] = l;
            }
        lblFullPath[side] = label(sided(QStringLiteral("lblFullPath"), side), 240, 4140 + side * 330, 11172, kRowHeight);
        // A file may be called "<b>x": names are never markup.
        lblFullPath[side]->setTextFormat(Qt::PlainText);
    }
    for (int s = 0; s < 6; ++s)
        lblStepTitle[s] = label(QStringLiteral("lblStepTitle_%1").arg(s), 120, kTitleTop[s], 840, kRowHeight);
    lblStep6Info = label(QStringLiteral("lblStep6Info"), 960, 2640, 10572, kRowHeight);
    lblStep6Info->setAlignment(Qt::AlignCenter);
    colour(lblStep6Info, kLightYellow);
    ContextHelp::setTopic(lblStep6Info, 90370);

    auto button = [&](const char *name, int left, int top = 3120) {
        auto *b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        layout->add(b, left, top, 2052, kButtonHeight);
        return b;
    };
    cmdCancel = button("cmdCancel", 120);
    cmdSynchronize = button("cmdSynchronize", 9480);
    cmdUndo = button("cmdUndo", kUndoLeft);
    cmdClose = button("cmdClose", 9480);
    ContextHelp::setTopic(cmdCancel, 90380);
    ContextHelp::setTopic(cmdClose, 90390);
    ContextHelp::setTopic(cmdSynchronize, 90400);
    ContextHelp::setTopic(cmdUndo, 90440);
    lblPleaseWait = label(QStringLiteral("lblPleaseWait"), 2880, 3120, 5892, kButtonHeight);
    lblPleaseWait->setAlignment(Qt::AlignCenter);
    colour(lblPleaseWait, RightSideColor);
    QPalette red = lblPleaseWait->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblPleaseWait->setPalette(red);
    QFont bold = lblPleaseWait->font();
    bold.setBold(true);
    lblPleaseWait->setFont(bold);

    // Once the run has finished the step frame is gone: what was skipped goes
    // under FINISHED, the notices below.
    lblSkipped = label(QStringLiteral("lblSkipped"), 2880, kEndRowTop, 5892, kButtonHeight);
    lblSkipped->setAlignment(Qt::AlignCenter);
    colour(lblSkipped, kLightYellow);
    ContextHelp::setTopic(lblSkipped, 90410);
    cmdSkipped = button("cmdSkipped", 9480, kEndRowTop);
    ContextHelp::setTopic(cmdSkipped, 90420);
    lblUndoSize = label(QStringLiteral("lblUndoSize"), kUndoSizeLeft, 3120 + kButtonHeight + 60,
                        11532 - kUndoSizeLeft, kRowHeight);
    lblUndoSize->setAlignment(Qt::AlignCenter);
    ContextHelp::setTopic(lblUndoSize, 90440);
    scrNotices = new QScrollArea(this);
    scrNotices->setObjectName(QStringLiteral("scrNotices"));
    scrNotices->setFrameShape(QFrame::NoFrame);
    scrNotices->setWidgetResizable(true);
    scrNotices->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lblNotices = new QLabel;
    lblNotices->setObjectName(QStringLiteral("lblNotices"));
    lblNotices->setWordWrap(true);
    lblNotices->setTextFormat(Qt::PlainText);
    lblNotices->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // However many notices there are, none is cut: the area scrolls instead.
    scrNotices->setWidget(lblNotices);
    layout->add(scrNotices, 120, kNoticesTop, 11412, kDesignHeight - kNoticesTop - 120);
    ContextHelp::setTopic(lblNotices, 90430);

    proProgressBar = new QProgressBar(this);
    proProgressBar->setObjectName(QStringLiteral("proProgressBar"));
    proProgressBar->setRange(0, 100);
    layout->add(proProgressBar, 240, 4800, 11172, kRowHeight);

    connect(cmdSynchronize, &QPushButton::clicked, this, &frmSynchronize::cmdSynchronize_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSynchronize::cmdCancel_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSynchronize::cmdClose_Click);
    connect(cmdSkipped, &QPushButton::clicked, this, &frmSynchronize::cmdSkipped_Click);
    connect(cmdUndo, &QPushButton::clicked, this, &frmSynchronize::cmdUndo_Click);

    m_refresh = new QTimer(this);
    m_refresh->setInterval(40);
    connect(m_refresh, &QTimer::timeout, this, &frmSynchronize::flushLiveValues);

    guarded(Loc::SynchronizeLoad, [this] { load(); });
    // The desktop font may be wider than the design's: grow the window as a
    // whole until the step titles fit, so nothing is cut and proportions stay.
    double factor = 1.0;
    for (QLabel *l : lblStepTitle)
        factor = std::max(factor, (l->fontMetrics().horizontalAdvance(l->text()) + 6) / (840 / 15.0));
    resize(layout->designSize() * factor);
}

frmSynchronize::~frmSynchronize()
{
    m_closing = true;
    if (m_undoThread) {
        m_undoThread->wait(); // the rest is left for another undo
        delete m_undoThread;
    }
    if (m_thread) {
        m_run->control().stop();
        m_thread->wait();
        delete m_thread;
    }
}

void frmSynchronize::showModal(const RunInputs &inputs, QWidget *parent)
{
    frmSynchronize w(inputs, parent);
    w.exec();
}

bool frmSynchronize::runWorking() const
{
    return (m_thread && !m_thread->isFinished()) || m_undoThread;
}

void frmSynchronize::load()
{
    RunHost &host = *this;
    m_run = std::make_unique<SyncRun>(host, m_inputs); // not yet asked to stop
    setWindowTitle(tx("Synchronization process", "Διαδικασία συγχρονισμού"));
    cmdSynchronize->setText(tx("S t a r t", "Ε κ κ ί ν η σ η"));
    cmdCancel->setText(tx("C a n c e l", "Ά κ υ ρ ο"));
    cmdClose->setText(tx("C l o s e", "Κ λ ε ί σ ι μ ο"));
    lblPleaseWait->setText(pleaseWait());
    const char *en[6] = {"1st Step:", "2nd Step:", "3rd Step:", "4th Step:", "5th Step:", "6th Step:"};
    const char *el[6] = {"1ο Βήμα:", "2ο Βήμα:", "3ο Βήμα:", "4ο Βήμα:", "5ο Βήμα:", "6ο Βήμα:"};
    for (int s = 0; s < 6; ++s)
        lblStepTitle[s]->setText(tx(en[s], el[s]));
    fraStep->setTitle(QString());
    fraStep->hide();
    lblPleaseWait->hide();
    proProgressBar->hide();
    proProgressBar->setValue(0);
    for (QLabel *l : lblStepTitle)
        l->hide();
    for (int side = 0; side < 2; ++side) {
        const std::uint32_t c = App().SideColor[side];
        colour(lblFullPath[side], c);
        lblFullPath[side]->clear();
        lblFullPath[side]->hide();
        colour(lblInfoTitle[side], c);
        lblInfoTitle[side]->setText(tx("Folders - Files - File size in bytes",
                                       "Φάκελλοι - Αρχεία - Μέγεθος αρχείων σε χαρακτήρες"));
        lblInfoTitle[side]->hide();
        for (int r = 0; r < 6; ++r)
            for (QLabel *l : counter[r][side]) {
                colour(l, c);
                l->clear();
                l->hide();
            }
    }
    lblStep6Info->clear();
    lblStep6Info->hide();
    cmdSkipped->setText(tx("Show the list", "Εμφάνιση λίστας"));
    lblSkipped->hide();
    cmdSkipped->hide();
    // A longer Greek text would not fit a button the size of Close.
    cmdUndo->setText(tx("Undo this run", "Αναίρεση"));
    cmdUndo->hide();
    lblUndoSize->hide();
    scrNotices->hide();
    App().TargetFolderPath.clear();
    applyState(RunState::Ready);
}

void frmSynchronize::applyState(RunState s)
{
    m_state = s;
    switch (s) {
    case RunState::Ready:
        cmdSynchronize->setEnabled(true);
        cmdSynchronize->show();
        cmdCancel->setEnabled(true);
        cmdClose->hide();
        break;
    case RunState::Running:
        cmdSynchronize->setEnabled(false);
        cmdSynchronize->hide();
        cmdClose->setEnabled(false);
        cmdClose->show();
        cmdCancel->setEnabled(true);
        lblPleaseWait->show();
        m_refresh->start();
        break;
    case RunState::Selecting:
        cmdCancel->setEnabled(false);
        cmdClose->setEnabled(false);
        break;
    case RunState::Finished:
        flushLiveValues();
        m_refresh->stop();
        fraStep->hide();
        proProgressBar->hide();
        for (QLabel *l : lblFullPath)
            l->hide();
        cmdCancel->setEnabled(false);
        cmdClose->setEnabled(true);
        lblPleaseWait->setText(finishedText());
        break;
    case RunState::Closed:
        m_refresh->stop();
        break;
    }
}

template <class F>
void frmSynchronize::onWindowThread(F &&f)
{
    if (QThread::currentThread() == thread())
        f();
    else
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

template <class F>
void frmSynchronize::onWindowThreadAndWait(F &&f)
{
    if (QThread::currentThread() == thread())
        f();
    else
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

void frmSynchronize::setState(RunState s)
{
    onWindowThread([this, s] { applyState(s); });
}

void frmSynchronize::stepTitle(const QString &title)
{
    onWindowThread([this, title] {
        fraStep->setTitle(title);
        fraStep->setVisible(!title.isEmpty());
        if (title.isEmpty()) {
            proProgressBar->hide();
            for (QLabel *l : lblFullPath)
                l->hide();
        }
    });
}

void frmSynchronize::showPath(int side, const QString &path)
{
    // Paths change far faster than anyone can read; the timer shows the latest,
    // and a path that meets a busy lock is simply skipped, unless it ends the side.
    std::unique_lock lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        if (!path.isEmpty())
            return;
        lock.lock();
    }
    m_livePath[side] = path;
    m_pathChanged[side] = true;
}

void frmSynchronize::progress(int percent)
{
    std::lock_guard lock(m_mutex);
    m_liveProgress = percent;
}

void frmSynchronize::flushLiveValues()
{
    QString path[2];
    bool changed[2];
    int value;
    {
        std::lock_guard lock(m_mutex);
        for (int s = 0; s < 2; ++s) {
            path[s] = m_livePath[s];
            changed[s] = m_pathChanged[s];
            m_pathChanged[s] = false;
        }
        value = m_liveProgress;
        m_liveProgress = -1;
    }
    for (int s = 0; s < 2; ++s)
        if (changed[s]) {
            lblFullPath[s]->setText(FileNames::shown(path[s]));
            if (!path[s].isEmpty())
                lblFullPath[s]->show();
        }
    if (value >= 0)
        proProgressBar->setValue(value);
}

void frmSynchronize::showProgressBar(bool visible)
{
    onWindowThread([this, visible] { proProgressBar->setVisible(visible); });
}

void frmSynchronize::stepCounters(int step, int side, const SideCounters &c)
{
    onWindowThread([this, step, side, c] {
        flushLiveValues();
        lblStepTitle[step - 1]->show();
        auto fill = [&](int row, std::int64_t a, std::int64_t b, std::int64_t d) {
            const std::int64_t v[3] = {a, b, d};
            for (int col = 0; col < 3; ++col) {
                counter[row][side][col]->setText(RunText::formatCount(v[col]));
                counter[row][side][col]->show();
            }
        };
        if (step == 1) {
            lblInfoTitle[side]->show();
            fill(0, c.FoldersFound, c.FilesFound, c.BytesFound);
            fill(1, c.FoldersKept, c.FilesKept, c.BytesKept);
        } else {
            fill(step, c.FoldersKept, c.FilesKept, c.BytesKept);
        }
    });
}

void frmSynchronize::summary(const QString &text)
{
    onWindowThread([this, text] {
        lblStepTitle[5]->show();
        lblStep6Info->setText(text);
        lblStep6Info->show();
    });
}

void frmSynchronize::writingToDisk(bool busy)
{
    {
        // In the step frame, where the paths were: the side labels show it at the next refresh.
        std::lock_guard lock(m_mutex);
        m_livePath[0] = busy ? tx("Writing what was copied to the disk; this cannot be cancelled…",
                                  "Εγγραφή στο δίσκο όσων αντιγράφηκαν· αυτό δεν μπορεί να ακυρωθεί…")
                             : QString();
        m_livePath[1].clear();
        m_pathChanged[0] = m_pathChanged[1] = true;
    }
    onWindowThread([this, busy] {
        if (m_state == RunState::Running)
            cmdCancel->setEnabled(!busy && !m_run->InterruptRequested());
    });
}

void frmSynchronize::notice(const QString &text)
{
    onWindowThread([this, text] { m_notices << text; });
}

void frmSynchronize::reminder(Reminder which)
{
    onWindowThreadAndWait([which] {
        App().CurrentReminder = int(which);
        ShowReminder();
    });
}

QString frmSynchronize::chooseTargetFolder()
{
    QString chosen;
    onWindowThreadAndWait([this, &chosen] {
        chosen = targetChooser(QStringList{m_inputs.SourcePath[0], m_inputs.SourcePath[1]}, this);
    });
    return chosen;
}

void frmSynchronize::beep()
{
    onWindowThread([] { Beep(); });
}

void frmSynchronize::manualSelection(ManualSelectionSide sides[2])
{
    onWindowThreadAndWait([this, sides] { manualSelector(sides, this); });
}

FileAnswer frmSynchronize::fileChoice(const FileChoiceFile &upper, const FileChoiceFile &lower, FilesRule &remaining)
{
    int answer = -1;
    onWindowThreadAndWait([&] {
        int rule = int(remaining);
        answer = fileChooser(upper, lower, rule, this);
        remaining = FilesRule(rule);
    });
    return FileAnswer(answer);
}

void frmSynchronize::cmdSynchronize_Click()
{
    if (m_thread)
        return;
    cmdSynchronize->setEnabled(false);
    m_thread = QThread::create([this] {
        const SyncRun::Outcome outcome = m_run->run();
        // Looked up here: the holding folders may hold many files.
        m_undoData = m_run->undoData();
        m_undoHeld = m_undoData ? Undo::bytesHeld(*m_undoData) : 0;
        QMetaObject::invokeMethod(this, [this, outcome] { runFinished(outcome); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void frmSynchronize::runFinished(SyncRun::Outcome outcome)
{
    m_thread->wait();
    flushLiveValues();
    switch (outcome) {
    case SyncRun::Outcome::Finished:
        showEndReport();
        break;
    case SyncRun::Outcome::Interrupted: {
        // This window closes at once: what was skipped is said before it does.
        const SkippedItemsReport report = skippedReport(m_run->Skipped, true);
        if (!report.items.empty())
            skippedItemsViewer(report, this);
        if (m_undoData) {
            if (MsgBox(RunText::undoStoppedRunQuestion(m_undoHeld), Msg::Question | Msg::YesNo, RunText::undoTitle())
                == Msg::Yes) {
                undoRun(*m_undoData, [this] {
                    cmdClose_Click();
                    Q_EMIT runEnded();
                });
                return;
            }
            // Kept by choice: not offered again as a run that was cut short.
            guarded(Loc::SynchronizeClose, [this] { Undo::keepResult(*m_undoData); });
        }
        cmdClose_Click();
        break;
    }
    case SyncRun::Outcome::Abandoned:
        // Nothing was created, so there is nothing to clean up.
        applyState(RunState::Closed);
        done(0);
        break;
    }
    Q_EMIT runEnded();
}

// The whole list goes where the user can open it after the window has closed;
// a run that skipped nothing leaves it empty, so no earlier list speaks for it.
SkippedItemsReport frmSynchronize::skippedReport(const SkippedItems &skipped, bool stopped)
{
    SkippedItemsReport report;
    report.items = skipped.items();
    report.listFile = SkippedItems::listFilePath();
    report.listWritten = skipped.writeTo(report.listFile);
    report.stopped = stopped;
    if (stopped)
        report.notices = m_notices;
    return report;
}

void frmSynchronize::showEndReport()
{
    m_report = skippedReport(m_run->Skipped, false);
    offerUndo(m_undoData.has_value());
}

void frmSynchronize::offerUndo(bool offered)
{
    auto *layout = static_cast<TwipsLayout *>(this->layout());
    const int shift = offered ? kUndoShift : 0;
    const int statusWidth = (offered ? kUndoLeft - 708 : 8772) - 2880;
    layout->setTwips(lblPleaseWait, 2880, 3120, statusWidth, kButtonHeight);
    layout->setTwips(lblSkipped, 2880, kEndRowTop + shift, statusWidth, kButtonHeight);
    layout->setTwips(cmdSkipped, 9480, kEndRowTop + shift, 2052, kButtonHeight);
    layout->setTwips(scrNotices, 120, kNoticesTop + shift, 11412, kDesignHeight - kNoticesTop - shift - 120);
    lblUndoSize->setText(offered ? tx("Undo data kept: ", "Δεδομένα αναίρεσης: ") + RunText::bytes(m_undoHeld)
                                 : QString());
    lblUndoSize->setVisible(offered);
    cmdUndo->setVisible(offered);
    cmdUndo->setEnabled(offered);
    const bool skipped = !m_report.items.empty();
    lblSkipped->setText(skipped ? SkippedItems::countText(m_report.items.size()) : QString());
    lblSkipped->setVisible(skipped);
    cmdSkipped->setVisible(skipped);
    cmdSkipped->setEnabled(true);
    lblNotices->setText(shownNotices(m_notices));
    scrNotices->setVisible(!m_notices.isEmpty());
}

void frmSynchronize::cmdUndo_Click()
{
    if (!m_undoData || runWorking())
        return;
    if (MsgBox(tx("Put both folders back as they were before this run? Files changed since the run are kept and listed.",
                  "Να επανέλθουν και οι δύο φάκελλοι όπως ήταν πριν από αυτόν το συγχρονισμό; Τα αρχεία που άλλαξαν "
                  "από τότε διατηρούνται και αναφέρονται σε λίστα."),
               Msg::Question | Msg::YesNo | Msg::DefaultSecond, RunText::undoTitle())
        != Msg::Yes)
        return;
    undoRun(*m_undoData, [] {});
}

void frmSynchronize::undoRun(const Undo::RunInfo &run, std::function<void()> then)
{
    m_afterUndo = std::move(then);
    m_undoSkipped.clear();
    for (QWidget *w : std::initializer_list<QWidget *>{cmdUndo, cmdClose, cmdSkipped})
        w->setEnabled(false);
    // Undo shows its path in hand in the step frame, over the end report.
    for (QWidget *w : std::initializer_list<QWidget *>{lblSkipped, cmdSkipped, scrNotices, lblUndoSize, proProgressBar,
                                                       lblFullPath[0], lblFullPath[1]})
        w->hide();
    lblPleaseWait->setText(pleaseWait());
    fraStep->setTitle(RunText::undoTitle());
    fraStep->show();
    m_refresh->start();
    m_undoThread = QThread::create([this, run] {
        bool ended = false;
        guarded(Loc::SynchronizationRun, [&] {
            ended = Undo::undo(run, m_undoSkipped, [this] { return !m_closing; },
                               [this](const QString &path) { showPath(0, path); });
        });
        showPath(0, QString());
        QMetaObject::invokeMethod(this, [this, ended] { undoFinished(ended); }, Qt::QueuedConnection);
    });
    m_undoThread->start();
}

void frmSynchronize::undoFinished(bool ended)
{
    m_undoThread->wait();
    delete m_undoThread;
    m_undoThread = nullptr;
    flushLiveValues();
    fraStep->hide();
    for (QLabel *l : lblFullPath)
        l->hide();
    const SkippedItemsReport report = skippedReport(m_undoSkipped, false);
    MsgBox(RunText::undoneText(ended, report.items.size()), Msg::Information | Msg::OkOnly, RunText::undoTitle());
    if (!report.items.empty())
        skippedItemsViewer(report, this);
    if (m_state == RunState::Finished) {
        m_refresh->stop();
        cmdClose->setEnabled(true);
        // The list file speaks of the undo now, and so does "Show the list".
        m_report = report;
        lblPleaseWait->setText(ended ? tx("UNDONE", "ΑΝΑΙΡΕΘΗΚΕ") : finishedText());
        if (ended)
            m_undoData.reset();
        else
            m_undoHeld = Undo::bytesHeld(*m_undoData); // what is left for the next undo
        offerUndo(m_undoData.has_value());
    }
    const std::function<void()> then = std::move(m_afterUndo);
    then();
    Q_EMIT undoEnded();
}

void frmSynchronize::cmdSkipped_Click() { skippedItemsViewer(m_report, this); }

void frmSynchronize::cmdCancel_Click()
{
    if (!m_thread) {
        // Before Start: nothing to ask, nothing to delete.
        m_run->control().stop();
        cmdClose_Click();
        return;
    }
    if (m_run->cancel())
        cmdCancel->setEnabled(false);
    // The run stops at its next checkpoint; runFinished() then closes the window.
}

void frmSynchronize::cmdClose_Click()
{
    // The target folder is never deleted while the run may still write into it.
    if (runWorking())
        return;
    guarded(Loc::SynchronizeClose, [this] {
        if (m_run->InterruptRequested())
            cmdCancel->setEnabled(false);
        m_run->close();
    });
    done(0);
}
