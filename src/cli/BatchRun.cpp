#include "cli/BatchRun.h"

#include "engine/run/RunText.h"
#include "engine/run/SyncRun.h"
#include "engine/run/TargetFolder.h"
#include "engine/run/UndoData.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/AppState.h"
#include "engine/settings/Language.h"
#include "engine/settings/Settings.h"
#include "engine/settings/Startup.h"
#include "engine/settings/Texts.h"
#include "engine/paths/PathHelpers.h"
#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"
#include "engine/fs/Locations.h"
#include "engine/settings/MessageService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <unistd.h>

namespace BatchRun {

namespace {

volatile std::sig_atomic_t g_stop = 0;
extern "C" void onSignal(int) { g_stop = 1; }

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}
QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

bool terminalInput() { return ::isatty(STDIN_FILENO) != 0; }

QString plain(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QString readAnswer()
{
    QTextStream in(stdin);
    return in.readLine().trimmed().toLower();
}

// Messages on the terminal. Questions are asked there when standard input is
// one; otherwise the answer is the one that changes nothing.
class TerminalMessages : public MessageService {
public:
    bool yes = false;
    int show(const QString &prompt, const QString &title, int style) override
    {
        const int buttons = Msg::buttons(style);
        if (buttons == Msg::OkOnly) {
            out() << plain(prompt) << Qt::endl;
            return Msg::Ok;
        }
        err() << title << ": " << plain(prompt) << Qt::endl;
        if (yes) {
            err() << tx("Answered yes (--yes).", "Απάντηση: ναι (--yes).") << Qt::endl;
            return buttons == Msg::YesNo ? Msg::Yes : Msg::Ok;
        }
        if (!terminalInput()) {
            err() << tx("No terminal to answer on: nothing is changed.",
                        "Δεν υπάρχει τερματικό για απάντηση: τίποτα δεν αλλάζει.")
                  << Qt::endl;
            return buttons == Msg::YesNo ? Msg::No : Msg::Cancel;
        }
        err() << tx("[y/n] ", "[ν/ο] ") << Qt::flush;
        const QString a = readAnswer();
        const bool affirmative = a.startsWith('y') || a.startsWith(QStringLiteral("ν"));
        if (buttons == Msg::YesNo)
            return affirmative ? Msg::Yes : Msg::No;
        return affirmative ? Msg::Ok : Msg::Cancel;
    }
};

class TerminalHost : public RunHost {
public:
    QString target;
    bool dryRun = false;

    void setState(RunState) override {}
    void stepTitle(const QString &) override {}
    void showPath(int side, const QString &path) override
    {
        m_path[side] = path;
        showProgressLine();
    }
    void showProgressBar(bool) override {}
    void progress(int percent) override
    {
        m_percent = percent;
        showProgressLine();
    }
    void stepCounters(int step, int side, const SideCounters &c) override
    {
        clearProgressLine();
        const char *en[6] = {"1st Step:", "2nd Step:", "3rd Step:", "4th Step:", "5th Step:", "6th Step:"};
        const char *el[6] = {"1ο Βήμα:", "2ο Βήμα:", "3ο Βήμα:", "4ο Βήμα:", "5ο Βήμα:", "6ο Βήμα:"};
        const QString label = tx(en[step - 1], el[step - 1]) + QLatin1Char(' ')
                              + (side == 0 ? tx("left", "αριστερά") : tx("right", "δεξιά"))
                              + QStringLiteral(": ");
        if (step == 1)
            out() << label << RunText::countersLine(c.FoldersFound, c.FilesFound, c.BytesFound) << " ("
                  << tx("within the levels: ", "εντός των επιπέδων: ")
                  << RunText::countersLine(c.FoldersKept, c.FilesKept, c.BytesKept) << ")" << Qt::endl;
        else
            out() << label << RunText::countersLine(c.FoldersKept, c.FilesKept, c.BytesKept) << Qt::endl;
    }
    void summary(const QString &text) override
    {
        clearProgressLine();
        out() << text << Qt::endl;
    }
    void notice(const QString &text) override
    {
        clearProgressLine();
        err() << FileNames::shown(text) << Qt::endl;
    }
    void reminder(Reminder) override {}
    QString chooseTargetFolder() override
    {
        if (dryRun)
            return target;
        try {
            FileOps::createFolder(target);
        } catch (const AppError &) {
            MsgBox(tx("The target folder ", "Ο φάκελλος προορισμού ") + quoted(target)
                       + tx(" could not be created.", " δεν μπόρεσε να δημιουργηθεί."),
                   Msg::Critical, tx("Set target folder", "Ορισμός φακέλλου προορισμού"));
            return QString();
        }
        return target;
    }
    void beep() override {}
    void manualSelection(ManualSelectionSide sides[2]) override
    {
        for (int s = 0; s < 2; ++s)
            sides[s].selected.assign(sides[s].entries.size(), true);
    }
    FileAnswer fileChoice(const FileChoiceFile &upper, const FileChoiceFile &lower, FilesRule &rule) override
    {
        clearProgressLine();
        const QLocale locale(App().LanguageIsGreek ? QLocale::Greek : QLocale::English);
        auto describe = [&](const char *tag, const FileChoiceFile &f) {
            err() << tag << "  " << FileNames::shown(f.path) << "  " << RunText::formatCount(f.size) << "  "
                  << locale.toString(f.modified, QLocale::LongFormat) << Qt::endl;
        };
        err() << tx("A file exists in both folders:", "Ένα αρχείο υπάρχει και στους δύο φακέλλους:") << Qt::endl;
        describe("1", upper);
        describe("2", lower);
        err() << tx("Copy file 1, file 2, or 0 for neither? ", "Να αντιγραφεί το αρχείο 1, το 2, ή 0 για κανένα; ")
              << Qt::flush;
        const QString a = readAnswer();
        const FileAnswer answer = a == QLatin1String("1")   ? FileAnswer::Upper
                                  : a == QLatin1String("2") ? FileAnswer::Lower
                                                            : FileAnswer::Neither;
        err() << tx("For the remaining common files: n newer, o older, a keep asking, x nothing [a]? ",
                    "Για τα υπόλοιπα κοινά αρχεία: n νεώτερο, o παλαιότερο, a να ερωτώμαι, x κανένα [a]; ")
              << Qt::flush;
        const QString r = readAnswer();
        rule = r == QLatin1String("n")   ? FilesRule::Newer
               : r == QLatin1String("o") ? FilesRule::Older
               : r == QLatin1String("x") ? FilesRule::Nothing
                                         : FilesRule::Ask;
        return answer;
    }
    // SIGINT and SIGTERM stop the run as Cancel's Yes would.
    bool checkpoint() override { return g_stop != 0; }
    bool goOnWithoutUndo(const QString &question) override
    {
        clearProgressLine();
        err() << plain(question.left(question.indexOf(QStringLiteral("\r\n")))) << '\n'
              << tx("Going on without undo data for that side.", "Συνέχεια χωρίς δεδομένα αναίρεσης για την πλευρά αυτή.")
              << Qt::endl;
        return true;
    }
    CutShortAnswer cutShortRun(const QString &) override
    {
        err() << tx("The last synchronization of these folders was cut short. Its result is kept; "
                    "'orvanel --batch --undo' before this run would have undone it.",
                    "Ο τελευταίος συγχρονισμός αυτών των φακέλλων διακόπηκε απότομα. Το αποτέλεσμά του μένει· "
                    "το 'orvanel --batch --undo' πριν από αυτόν θα τον είχε αναιρέσει.")
              << Qt::endl;
        return CutShortAnswer::AskLater;
    }

    void clearProgressLine()
    {
        if (m_shown) {
            err() << "\r\033[K" << Qt::flush;
            m_shown = false;
        }
    }

private:
    void showProgressLine()
    {
        if (!m_tty || (m_clock.isValid() && m_clock.elapsed() < 200))
            return;
        m_clock.start();
        QString p = FileNames::shown(m_path[0].isEmpty() ? m_path[1] : m_path[0]);
        if (p.size() > 60)
            p = QStringLiteral("…") + p.right(59);
        err() << "\r\033[K" << m_percent << "% " << p << Qt::flush;
        m_shown = true;
    }
    bool m_tty = ::isatty(STDERR_FILENO) != 0;
    bool m_shown = false;
    QElapsedTimer m_clock;
    QString m_path[2];
    int m_percent = 0;
};

struct UsageError {
    QString message;
};

int valueIndex(const QStringList &names, const QString &value, const QString &flag)
{
    const int i = int(names.indexOf(value));
    if (i < 0)
        throw UsageError{flag + QStringLiteral(": expected one of ") + names.join(QStringLiteral(", "))};
    return i;
}

// A path given on the command line, absolute and tidy; its bytes are kept.
QString absolutePath(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return tidyFolderPath(path);
    char *cwd = ::getcwd(nullptr, 0);
    const QString here = cwd ? FileNames::fromBytes(cwd) : QStringLiteral("/");
    std::free(cwd);
    return tidyFolderPath(here + QLatin1Char('/') + path);
}

QString existingFolder(const QString &path, const QString &flag)
{
    if (path.isEmpty())
        throw UsageError{flag + QStringLiteral(" is required")};
    if (!FileOps::folderExists(path, true))
        throw UsageError{flag + QStringLiteral(": no such folder: ") + FileNames::shown(path)};
    return absolutePath(path);
}

// What the run could not do, on standard error, whether it finished or stopped.
void reportSkipped(const SkippedItems &skipped)
{
    const std::vector<SkippedItem> items = skipped.items();
    if (items.empty())
        return;
    err() << SkippedItems::countText(items.size()) << Qt::endl;
    for (const SkippedItem &item : items)
        err() << "  " << SkippedItems::line(item) << '\n';
    err() << Qt::flush;
}

// --undo: the pair's last run, put back; exit codes as for a run.
int undoLastRun(const RunInputs &in)
{
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    SkippedItems skipped;
    bool ended = false;
    const bool ok = guarded(Loc::SynchronizationRun, [&] {
        const std::optional<Undo::RunInfo> last = Undo::lastRun(in.SourcePath[0], in.SourcePath[1]);
        if (!last) {
            out() << tx("There is no synchronization of these folders to undo.",
                        "Δεν υπάρχει συγχρονισμός αυτών των φακέλλων προς αναίρεση.")
                  << Qt::endl;
            return;
        }
        ended = Undo::undo(*last, skipped, [] { return g_stop == 0; });
        out() << RunText::undoneText(ended, skipped.size()) << Qt::endl;
    });
    reportSkipped(skipped);
    if (!ok || !ended)
        return 1;
    return skipped.empty() ? 0 : 3;
}

} // namespace

bool wanted(const QStringList &a)
{
    return a.contains(QStringLiteral("--batch")) || a.contains(QStringLiteral("--help"))
           || a.contains(QStringLiteral("-h"));
}

QString usage()
{
    return QStringLiteral(
        "Usage: orvanel [--home DIR]                  start the window\n"
        "       orvanel --batch --left DIR --right DIR [--target PATH] [--home DIR] [options]\n"
        "\n"
        "Synchronizes two folders without a window. The options start from the settings\n"
        "file of the settings folder; each flag overrides one for this run only.\n"
        "\n"
        "  --which common|noncommon|left|right|both   which items take part\n"
        "  --when-exists newer|older|ask              a file on both sides: which version wins\n"
        "  --copy | --swap                            merge into --target, or exchange the items\n"
        "  --target PATH                              copy mode: a new folder (its parent must exist)\n"
        "  --structure-only                           folders only, no files\n"
        "  --levels N                                 folder levels to take (0 = all)\n"
        "  --case-sensitive | --ignore-case           how names are compared\n"
        "  --delete-empty-folders | --keep-empty-folders\n"
        "  --exclude-within D:H:M:S [--exactly]       swap: leave files alone whose times differ\n"
        "                                             by less than (or exactly) this much\n"
        "  --filter-left PATTERNS, --filter-right PATTERNS   e.g. \"*.txt;*.doc\" (default *.*)\n"
        "  --lang en|el                               language of the output\n"
        "  --yes                                      answer yes to questions asked before changes\n"
        "  --dry-run                                  print what each side would give; change nothing\n"
        "  --no-undo                                  swap: keep no undo data this time\n"
        "  --keep-undo N                              swap: keep the undo data of the last N runs of the pair (0-99)\n"
        "  --undo                                     undo the last swap of --left and --right, finished or cut short\n"
        "  --home DIR                                 the settings folder\n"
        "\n"
        "Exit codes: 0 finished, 3 finished but items were skipped (listed on standard\n"
        "error: unreadable, a name that differs only in letter case, refused by the\n"
        "destination or more than it can hold, changed during the run, a link or a\n"
        "file where a folder was expected, a FIFO, socket or device in the way),\n"
        "1 stopped (no items, conflict, interruption, an error; its skipped\n"
        "items are listed too), 2 usage error.\n"
        "SIGINT or SIGTERM stops the run as Cancel would. Names are printed with each\n"
        "byte that is not UTF-8, and each control character, as \\xNN.\n");
}

int main(const QStringList &args)
{
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out() << usage() << Qt::flush;
        return 0;
    }
    TerminalMessages messages;
    MessageService *previous = setMessageService(&messages);
    struct Restore {
        MessageService *p;
        ~Restore() { setMessageService(p); }
    } restore{previous};

    try {
        // Settings first, so flags can override them.
        const QString home = Locations::settingsFolder(args);
        Startup::computeFileLocations(home, Locations::dataFolder(QCoreApplication::applicationDirPath()));
        Startup::initSideValues();
        Language::applyState(Settings::readLanguageIsGreek() ? Language::Greek : Language::English);
        if (const QString inTheWay = Startup::settingsFilesInTheWay(); !inTheWay.isEmpty())
            err() << inTheWay << Qt::endl;
        Settings::readOptionValues();
        Options &o = App().OptionValues;
        o.FinalSelection = false; // there is no window to pick items in

        RunInputs in;
        QString left, right, target;
        bool yes = false, dryRun = false, undo = false, noUndo = false;
        int keepUndo = -1;
        auto value = [&](int &i) {
            if (i + 1 >= args.size())
                throw UsageError{args[i] + QStringLiteral(" needs a value")};
            return args[++i];
        };
        for (int i = 1; i < args.size(); ++i) {
            const QString &a = args[i];
            if (a == QLatin1String("--batch")) {
            } else if (a == QLatin1String("--left")) {
                left = value(i);
            } else if (a == QLatin1String("--right")) {
                right = value(i);
            } else if (a == QLatin1String("--target")) {
                target = value(i);
            } else if (a == QLatin1String("--home")) {
                value(i);
            } else if (a.startsWith(QLatin1String("--home="))) {
            } else if (a == QLatin1String("--which")) {
                o.WhichItemsToCopy = 1 + valueIndex({"common", "noncommon", "left", "right", "both"}, value(i), a);
            } else if (a == QLatin1String("--when-exists")) {
                o.WhenFileExists = 1 + valueIndex({"newer", "older", "ask"}, value(i), a);
            } else if (a == QLatin1String("--copy")) {
                o.SwapItems = false;
            } else if (a == QLatin1String("--swap")) {
                o.SwapItems = true;
            } else if (a == QLatin1String("--structure-only")) {
                o.CopyStructureOnly = true;
            } else if (a == QLatin1String("--levels")) {
                bool ok = false;
                const int n = value(i).toInt(&ok);
                if (!ok || n < 0 || n > 9999)
                    throw UsageError{QStringLiteral("--levels: a number from 0 to 9999")};
                o.Levels = n;
            } else if (a == QLatin1String("--case-sensitive")) {
                o.CaseSensitive = true;
            } else if (a == QLatin1String("--ignore-case")) {
                o.CaseSensitive = false;
            } else if (a == QLatin1String("--delete-empty-folders")) {
                o.DeleteEmptyFolders = true;
            } else if (a == QLatin1String("--keep-empty-folders")) {
                o.DeleteEmptyFolders = false;
            } else if (a == QLatin1String("--exclude-within")) {
                const QStringList parts = value(i).split(QLatin1Char(':'));
                const int limits[4] = {999, 23, 59, 59};
                int v[4] = {};
                bool ok = parts.size() == 4;
                for (int k = 0; ok && k < 4; ++k) {
                    v[k] = parts[k].toInt(&ok);
                    ok = ok && v[k] >= 0 && v[k] <= limits[k];
                }
                if (!ok)
                    throw UsageError{QStringLiteral("--exclude-within: D:H:M:S with D 0-999, H 0-23, M and S 0-59")};
                o.ExcludeFilesFromSwapping = true;
                o.Days = v[0];
                o.Hours = v[1];
                o.Minutes = v[2];
                o.Seconds = v[3];
            } else if (a == QLatin1String("--exactly")) {
                o.Exactly = true;
            } else if (a == QLatin1String("--filter-left")) {
                in.Pattern[0] = value(i).trimmed();
            } else if (a == QLatin1String("--filter-right")) {
                in.Pattern[1] = value(i).trimmed();
            } else if (a == QLatin1String("--lang")) {
                Language::applyState(valueIndex({"el", "en"}, value(i), a));
            } else if (a == QLatin1String("--yes")) {
                yes = true;
            } else if (a == QLatin1String("--dry-run")) {
                dryRun = true;
            } else if (a == QLatin1String("--undo")) {
                undo = true;
            } else if (a == QLatin1String("--no-undo")) {
                noUndo = true;
            } else if (a == QLatin1String("--keep-undo")) {
                bool ok = false;
                keepUndo = value(i).toInt(&ok);
                if (!ok || keepUndo < 0 || keepUndo > 99)
                    throw UsageError{QStringLiteral("--keep-undo: a number from 0 to 99")};
            } else {
                throw UsageError{QStringLiteral("unknown argument: ") + a};
            }
        }
        in.SourcePath[0] = existingFolder(left, QStringLiteral("--left"));
        in.SourcePath[1] = existingFolder(right, QStringLiteral("--right"));
        if (undo)
            return undoLastRun(in);
        if (!o.SwapItems) {
            if (target.isEmpty())
                throw UsageError{QStringLiteral("copy mode needs --target PATH (or use --swap)")};
            target = absolutePath(target);
            if (FileOps::pathExists(target))
                throw UsageError{QStringLiteral("--target must not exist yet: ") + FileNames::shown(target)};
            if (!FileOps::folderExists(parentFolder(target), true))
                throw UsageError{QStringLiteral("--target: its parent folder does not exist: ")
                                 + FileNames::shown(target)};
            if (TargetFolder::endangersSource(target, {in.SourcePath[0], in.SourcePath[1]}))
                throw UsageError{QStringLiteral("--target is, lies inside, or holds a source folder: ")
                                 + FileNames::shown(target)};
        }
        if (o.WhenFileExists == 3 && !terminalInput())
            throw UsageError{QStringLiteral("--when-exists ask needs a terminal to ask on")};
        messages.yes = yes;

        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        TerminalHost host;
        host.target = target;
        host.dryRun = dryRun;
        SyncRun run(host, in);
        run.stopAfterResolving = dryRun;
        run.keepUndo = !noUndo;
        run.keepRuns = keepUndo;
        const SyncRun::Outcome outcome = run.run();
        host.clearProgressLine();
        const int finished = run.Skipped.empty() ? 0 : 3;
        if (dryRun) {
            reportSkipped(run.Skipped);
            if (outcome != SyncRun::Outcome::Finished)
                return 1;
            for (int side = 0; side < 2; ++side)
                for (std::size_t i = 0; i < run.lstItems[side].size(); ++i)
                    out() << (side == 0 ? "L " : "R ") << FileNames::shown(run.lstItems[side].text(i)) << '\n';
            out() << Qt::flush;
            return finished;
        }
        if (outcome == SyncRun::Outcome::Interrupted) {
            if (g_stop)
                out() << tx("The synchronization process was interrupted.",
                            "Η διαδικασία του συγχρονισμού διακόπηκε.")
                      << Qt::endl;
            run.close();
        }
        reportSkipped(run.Skipped);
        return outcome == SyncRun::Outcome::Finished ? finished : 1;
    } catch (const UsageError &e) {
        err() << "orvanel: " << e.message << "\n"
              << "Try 'orvanel --help'." << Qt::endl;
        return 2;
    }
}

} // namespace BatchRun
