// Collects and selects a generated tree of 100,000 files, once through the
// engine alone and once through the synchronization window, and reports the
// times and the longest stall of the window's event loop.
//
//   orvanel_collect_bench [TREE]     (default /tmp/orvanel-bench/tree100k)
//   orvanel_collect_bench --pair LEFT RIGHT
//                                    the window over an existing pair (the
//                                    million-item one of compare.sh --million):
//                                    steps 1-4 of a swap that changes nothing
//
// The tree is made once and kept: deleting and recreating big trees right
// before a measurement is what makes these disks slow.

#include "engine/settings/AppState.h"
#include "engine/settings/Language.h"
#include "engine/paths/PathHelpers.h"
#include "engine/settings/MessageService.h"
#include "engine/run/SyncRun.h"
#include "ui/run/frmSynchronize.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

namespace {

constexpr int kTop = 10, kSub = 10, kFiles = 1000;

void makeTree(const QString &root)
{
    if (QFileInfo::exists(root + "/.complete"))
        return;
    QTextStream(stdout) << "making " << kTop * kSub * kFiles << " files in " << root << Qt::endl;
    for (int a = 0; a < kTop; ++a)
        for (int b = 0; b < kSub; ++b) {
            const QString dir = QStringLiteral("%1/d%2/s%3").arg(root).arg(a).arg(b);
            QDir().mkpath(dir);
            for (int f = 0; f < kFiles; ++f) {
                QFile file(QStringLiteral("%1/file%2.txt").arg(dir).arg(f));
                file.open(QIODevice::WriteOnly);
                file.write("x");
            }
        }
    QFile(root + "/.complete").open(QIODevice::WriteOnly);
}

class QuietHost : public RunHost {
public:
    void setState(RunState) override {}
    void stepTitle(const QString &) override {}
    void showPath(int, const QString &) override {}
    void showProgressBar(bool) override {}
    void progress(int) override {}
    void stepCounters(int, int, const SideCounters &) override {}
    void summary(const QString &) override {}
    void notice(const QString &) override {}
    void reminder(Reminder) override {}
    QString chooseTargetFolder() override { return {}; }
    void beep() override {}
    void manualSelection(ManualSelectionSide sides[2]) override
    {
        for (int i = 0; i < 2; ++i)
            sides[i].selected.assign(sides[i].entries.size(), true);
    }
    FileAnswer fileChoice(const FileChoiceFile &, const FileChoiceFile &, FilesRule &) override { return FileAnswer::Neither; }
};

class Silent : public MessageService {
public:
    int show(const QString &p, const QString &, int) override
    {
        QTextStream(stderr) << "message: " << p << Qt::endl;
        return Msg::Ok;
    }
};

struct Watched {
    qint64 ms = 0;       // from the click on Start until the run was over
    qint64 worstGap = 0; // the longest stall of the event loop meanwhile
};

// Starts the window's run and lets the event loop turn until it has
// finished or the window has closed.
Watched runWatched(frmSynchronize &w)
{
    Watched watched;
    QElapsedTimer t, tick;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] { watched.worstGap = std::max(watched.worstGap, tick.restart()); });
    t.start();
    tick.start();
    probe.start();
    QTimer::singleShot(0, [&] { w.cmdSynchronize->click(); });
    while (w.state() != RunState::Finished && w.isVisible())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    probe.stop();
    watched.ms = t.elapsed();
    return watched;
}

// Runs the window over a pair with a swap that finds nothing to give (common
// items only, and no version of a file on both sides wins), so the pair stays
// as it is; reports the time and the longest stall of the event loop.
int windowOverPair(const QString &left, const QString &right)
{
    Silent silent;
    setMessageService(&silent);
    Roots::setProvider([] { return QStringList{QStringLiteral("/nonexistent-root")}; });
    Language::applyState(Language::English);
    App().SettingsFilePath = QDir::tempPath() + QStringLiteral("/orvanel-bench/Orvanel.ini"); // its lists go beside it
    QDir().mkpath(QDir::tempPath() + QStringLiteral("/orvanel-bench"));
    App().OptionValues.SwapItems = true;
    App().OptionValues.WhichItemsToCopy = 1;
    App().OptionValues.WhenFileExists = int(FilesRule::Nothing);
    App().ReminderSwitches = Reminders{false, false, false, false, false};
    RunInputs in;
    in.SourcePath[0] = left;
    in.SourcePath[1] = right;
    frmSynchronize w(in);
    w.show();
    const Watched run = runWatched(w);
    QTextStream(stdout) << "window: steps 1-4 of a swap over " << left << " and " << right << " in " << run.ms
                        << " ms; longest event-loop stall " << run.worstGap << " ms" << Qt::endl;
    setMessageService(nullptr);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--pair")
        return windowOverPair(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    const QString tree = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/orvanel-bench/tree100k");
    makeTree(tree);
    Silent silent;
    setMessageService(&silent);
    Roots::setProvider([] { return QStringList{QStringLiteral("/nonexistent-root")}; });
    Language::applyState(Language::English);
    App().OptionValues.SwapItems = true;
    App().OptionValues.WhichItemsToCopy = 1; // common items: the matching does real work
    App().ReminderSwitches = Reminders{false, false, false, false, false};
    RunInputs in;
    in.SourcePath[0] = tree;
    in.SourcePath[1] = tree;

    QElapsedTimer t;
    t.start();
    QProcess find;
    find.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                      QStringLiteral("find '%1' -printf '%s\\n' | wc -l").arg(tree)});
    find.waitForFinished(-1);
    const qint64 findMs = t.elapsed();
    QTextStream out(stdout);
    out << "find -printf | wc -l: " << findMs << " ms (" << find.readAll().trimmed() << " entries)" << Qt::endl;

    QuietHost host;
    SyncRun engineRun(host, in);
    t.restart();
    const bool ok = engineRun.collectItems(0) && engineRun.collectItems(1);
    const qint64 collectMs = t.elapsed();
    for (auto &c : engineRun.Counters)
        c.resetKept();
    t.restart();
    const bool ok2 = ok && engineRun.selectItems(0) && engineRun.selectItems(1);
    const qint64 selectMs = t.elapsed();
    out << "engine: collect both sides " << collectMs << " ms, select (common) " << selectMs << " ms, "
        << engineRun.lstFilteredItems[0].size() << " items per side" << (ok2 ? "" : " FAILED") << Qt::endl;

    frmSynchronize w(in);
    w.show();
    const Watched swap = runWatched(w);
    out << "window: swap run over the 100,000 + 100,000 item pair in " << swap.ms << " ms; longest event-loop stall "
        << swap.worstGap << " ms" << Qt::endl;
    // A single large copy: the window must stay live while one file is copied.
    {
        const QString big = QStringLiteral("/tmp/orvanel-bench/bigfile");
        if (!QFileInfo::exists(big + "/left/.complete")) {
            QDir().mkpath(big + "/left");
            QDir().mkpath(big + "/right");
            QFile f(big + "/left/two-gigabytes.bin");
            f.open(QIODevice::WriteOnly);
            const QByteArray block(1 << 20, 'o');
            for (int i = 0; i < 2048; ++i)
                f.write(block);
            f.close();
            QFile(big + "/left/.complete").open(QIODevice::WriteOnly);
        }
        App().OptionValues.SwapItems = false;
        App().OptionValues.WhichItemsToCopy = 3;
        const QString target = big + "/copy-" + QString::number(QDateTime::currentMSecsSinceEpoch());
        frmSynchronize::targetChooser = [target](const QStringList &, QWidget *) {
            QDir().mkpath(target);
            return target;
        };
        RunInputs bigIn;
        bigIn.SourcePath[0] = big + "/left";
        bigIn.SourcePath[1] = big + "/right";
        frmSynchronize copyWindow(bigIn);
        copyWindow.show();
        const Watched copy = runWatched(copyWindow);
        out << "window: copy of a 2 GiB file in " << copy.ms << " ms; longest event-loop stall " << copy.worstGap
            << " ms" << Qt::endl;
    }
    out << "ratio engine collect / find: " << QString::number(double(collectMs) / 2 / std::max<qint64>(findMs, 1), 'f', 2)
        << " (per side)" << Qt::endl;
    setMessageService(nullptr);
    return w.state() == RunState::Finished ? 0 : 1;
}
