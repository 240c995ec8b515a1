#include "engine/run/UndoData.h"

#include "engine/fs/FileNames.h"
#include "engine/fs/Volumes.h"
#include "engine/run/steps/StepTools.h"
#include "engine/settings/AppState.h"
#include "engine/settings/Settings.h"

#include <QHash>
#include <algorithm>
#include <numeric>
#include <csignal>
#include <unistd.h>

namespace Undo {

namespace {

constexpr int kRecordsPerSync = 256;
constexpr char kMagic[] = "orvanel-undo 1";

QByteArray escapedName(const QString &rel) { return FileNames::escaped(rel).toUtf8(); }

QByteArray stampFields(const FileOps::Stamp &s)
{
    return QByteArray::number(s.size) + ' ' + QByteArray::number(s.seconds) + ' ' + QByteArray::number(s.nanoseconds);
}

// How many records this process has written, for the test switch.
void countForTests()
{
    static const int limit = qEnvironmentVariableIntValue("ORVANEL_TEST_KILL_AFTER_RECORDS");
    static int written = 0;
    if (limit > 0 && ++written >= limit)
        ::kill(::getpid(), SIGKILL);
}

struct Record {
    char action = 0;
    FileOps::Stamp stamp;
    std::int64_t accessed = 0, modified = 0;
    QString rel;
};

struct Parsed {
    QByteArray id, writer;
    QDateTime started;
    int side = -1;
    QString roots[2];
    std::vector<Record> records;
    QByteArray last; // the newest of end / kept / undone
};

// A line cut short by a crash (no newline) is not read.
bool parse(const QByteArray &text, Parsed &p, bool withRecords)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines[0] != kMagic)
        return false;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype blank = line.indexOf(' ');
        const QByteArray word = blank < 0 ? line : line.left(blank);
        const QByteArray rest = blank < 0 ? QByteArray() : line.mid(blank + 1);
        if (word.size() == 1 && QByteArrayLiteral("RCDM").contains(word[0])) {
            if (!withRecords)
                continue;
            Record r;
            r.action = word[0];
            const int fields = r.action == 'D' ? 0 : r.action == 'M' ? 2 : 3;
            QList<QByteArray> parts = rest.split(' ');
            if (parts.size() <= fields)
                continue;
            bool ok = true;
            std::int64_t v[3] = {};
            for (int k = 0; k < fields && ok; ++k)
                v[k] = parts[k].toLongLong(&ok);
            const QByteArray name = rest.mid(std::accumulate(parts.begin(), parts.begin() + fields, qsizetype(0),
                                                             [](qsizetype n, const QByteArray &b) { return n + b.size() + 1; }));
            r.rel = FileNames::unescaped(QString::fromUtf8(name), &ok);
            if (!ok)
                continue;
            if (r.action == 'M') {
                r.accessed = v[0];
                r.modified = v[1];
            } else if (fields == 3) {
                r.stamp = {v[0], v[1], v[2]};
            }
            p.records.push_back(std::move(r));
        } else if (word == "id") {
            p.id = rest;
        } else if (word == "writer") {
            p.writer = rest;
        } else if (word == "started") {
            p.started = QDateTime::fromString(QString::fromUtf8(rest), Qt::ISODateWithMs);
        } else if (word == "side") {
            p.side = rest.toInt();
        } else if (word == "root0" || word == "root1") {
            p.roots[word == "root1"] = FileNames::unescaped(QString::fromUtf8(rest));
        } else if (word == "end" || word == "kept" || word == "undone") {
            p.last = line;
        }
    }
    return !p.id.isEmpty() && (p.side == 0 || p.side == 1);
}

RunInfo::State stateOf(const Parsed &p)
{
    if (p.last == "undone complete")
        return RunInfo::State::Undone;
    if (p.last.startsWith("undone"))
        return RunInfo::State::PartlyUndone;
    if (p.last == "kept")
        return RunInfo::State::Kept;
    if (p.last == "end finished")
        return RunInfo::State::Finished;
    if (p.last.startsWith("end"))
        return RunInfo::State::Stopped;
    return FileOps::processGone(p.writer) ? RunInfo::State::CutShort : RunInfo::State::Running;
}

QString journalOf(const QString &holding) { return holding + QLatin1Char('/') + QLatin1String(kJournal); }

// What became of a run after its end (kept, undone) is a file of its own:
// some FUSE disks cannot append to a file once it is closed.
QString statusOf(const QString &holding) { return holding + QLatin1String("/status"); }

void setStatus(const QString &holding, const QByteArray &status) { FileOps::replaceFile(statusOf(holding), status + '\n'); }

// The root a holding folder belongs to: two folders up.
QString rootOfHolding(const QString &holding)
{
    return holding.left(holding.lastIndexOf(QLatin1Char('/'), holding.lastIndexOf(QLatin1Char('/')) - 1));
}

void removeTopIfEmpty(const QString &root)
{
    try {
        FileOps::Tree tree(root);
        tree.removeEmptyFolder(QString::fromLatin1(kTop));
    } catch (const AppError &) {
        // other runs are kept there
    }
}

} // namespace

int keepRunsSetting() { return Settings::readUndoKeepRuns(); }

QByteArray newRunId()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")).toLatin1() + '-'
           + QByteArray::number(qint64(::getpid()));
}

QString pairRoot(const QString &path)
{
    QString p = FileOps::resolvedPath(path);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

// ---- Recording ----

Recorder::Recorder(FileOps::Tree &tree, int side, const QByteArray &runId, const QString roots[2],
                   const Options &o)
    : m_look(tree.pathOf(QString()), tree.folder(QString()).again()), m_side(side), m_id(runId)
{
    auto flag = [](bool b) { return b ? '1' : '0'; };
    m_header = QByteArray(kMagic) + "\nid " + runId + "\nwriter " + FileOps::processTag() + "\nstarted "
               + QDateTime::currentDateTime().toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                     .toString(Qt::ISODateWithMs).toUtf8()
               + "\nside " + QByteArray::number(side) + "\nroot0 " + escapedName(roots[0]) + "\nroot1 "
               + escapedName(roots[1]) + "\noptions WhichItemsToCopy=" + QByteArray::number(o.WhichItemsToCopy)
               + " WhenFileExists=" + QByteArray::number(o.WhenFileExists) + " CopyStructureOnly="
               + flag(o.CopyStructureOnly) + " DeleteEmptyFolders=" + flag(o.DeleteEmptyFolders)
               + " SwapItems=" + flag(o.SwapItems) + " ExcludeFilesFromSwapping=" + flag(o.ExcludeFilesFromSwapping)
               + " Exactly=" + flag(o.Exactly) + " Days=" + QByteArray::number(o.Days)
               + " Hours=" + QByteArray::number(o.Hours) + " Minutes=" + QByteArray::number(o.Minutes)
               + " Seconds=" + QByteArray::number(o.Seconds) + " CaseSensitive=" + flag(o.CaseSensitive)
               + " Levels=" + QByteArray::number(o.Levels) + '\n';
}

Recorder::~Recorder() = default;

FileOps::Tree &Recorder::holding()
{
    begin();
    return *m_holding;
}

void Recorder::begin()
{
    if (m_journal)
        return;
    // The holding folder changes the root: its times are taken first.
    const FileOps::Tree::Times rootTimes = m_look.times(QString());
    FileOps::Folder folder = FileOps::makeHoldingFolder(m_look, kTop, m_id);
    const QString shown = m_look.pathOf(QString::fromLatin1(kTop) + QLatin1Char('/') + QString::fromLatin1(m_id));
    m_journal = std::make_unique<FileOps::Journal>(folder, kJournal, shown + QLatin1Char('/') + QLatin1String(kJournal));
    m_holding = std::make_unique<FileOps::Tree>(shown, std::move(folder));
    m_journal->append(m_header);
    m_touched.insert(QString());
    record('M', QString(), QByteArray::number(rootTimes.accessed) + ' ' + QByteArray::number(rootTimes.modified));
}

void Recorder::record(char action, const QString &rel, const QByteArray &fields)
{
    begin();
    QByteArray line;
    line.reserve(48 + rel.size());
    line += action;
    line += ' ';
    if (!fields.isEmpty())
        line += fields + ' ';
    line += escapedName(rel);
    line += '\n';
    m_journal->append(line);
    // A batch reaches the disk at most every quarter of a second: a flush per
    // few hundred small files would cost more than the files themselves.
    if (++m_unsynced >= kRecordsPerSync && (!m_lastSync.isValid() || m_lastSync.elapsed() >= 250)) {
        m_unsynced = 0;
        m_journal->sync();
        m_lastSync.start();
    }
    countForTests();
}

void Recorder::touching(const QString &relFolder)
{
    begin();
    // The files of one folder come one after another: most calls end here.
    if (relFolder == m_lastTouched)
        return;
    m_lastTouched = relFolder;
    if (m_touched.contains(relFolder) || m_made.contains(relFolder))
        return;
    m_touched.insert(relFolder);
    FileOps::Tree::Times t;
    try {
        t = m_look.times(relFolder);
    } catch (const AppError &) {
        return; // not there yet: the run makes it, and says so
    }
    record('M', relFolder, QByteArray::number(t.accessed) + ' ' + QByteArray::number(t.modified));
}

void Recorder::creatingFolder(const QString &rel)
{
    touching(StepTools::parentOf(rel));
    m_made.insert(rel);
    record('D', rel);
}

void Recorder::replacing(const QString &rel, const FileOps::Stamp &made) { record('R', rel, stampFields(made)); }

void Recorder::creating(const QString &rel, const FileOps::Stamp &made) { record('C', rel, stampFields(made)); }

void Recorder::flush()
{
    if (!m_journal)
        return;
    m_journal->sync();
    m_holding->flush();
}

void Recorder::end(bool finished)
{
    if (!m_journal)
        return;
    m_journal->append(finished ? "end finished\n" : "end stopped\n");
    m_journal->sync();
}

// ---- Finding runs ----

std::vector<RunInfo> runsOf(const QString &left, const QString &right)
{
    const QString roots[2] = {pairRoot(left), pairRoot(right)};
    QHash<QByteArray, RunInfo> byId;
    QHash<QByteArray, int> states;
    for (int r = 0; r < 2; ++r) {
        if (r == 1 && roots[1] == roots[0])
            break;
        const QString top = roots[r] + (roots[r].endsWith(QLatin1Char('/')) ? "" : "/") + QLatin1String(kTop);
        std::vector<QByteArray> names;
        try {
            FileOps::list(FileOps::Folder::open(roots[r]).sub(kTop, top), false,
                          [&](const char *n, FileOps::Kind kind, const FileOps::Stamp &) {
                              if (kind == FileOps::Kind::Folder)
                                  names.emplace_back(n);
                          });
        } catch (const AppError &) {
            continue; // no undo data there
        }
        for (const QByteArray &name : names) {
            const QString holding = top + QLatin1Char('/') + FileNames::fromBytes(name);
            Parsed p;
            try {
                // The head and the last line are enough: a journal may hold millions of lines.
                if (!parse(FileOps::readFile(journalOf(holding), nullptr, 64 << 10), p, false) || p.id != name)
                    continue;
                const QByteArray end = FileOps::readFileEnd(journalOf(holding), 32);
                if (end.endsWith("\nend finished\n") || end.endsWith("\nend stopped\n"))
                    p.last = end.mid(end.lastIndexOf('\n', end.size() - 2) + 1).trimmed();
                bool marked = false;
                const QByteArray status = FileOps::readFile(statusOf(holding), &marked, 64).trimmed();
                if (marked)
                    p.last = status;
            } catch (const AppError &) {
                continue;
            }
            const bool samePair = (p.roots[0] == roots[0] && p.roots[1] == roots[1])
                                  || (p.roots[0] == roots[1] && p.roots[1] == roots[0]);
            if (!samePair || p.roots[p.side] != roots[r])
                continue;
            RunInfo &run = byId[p.id];
            run.id = p.id;
            run.started = p.started;
            run.holding[p.side] = holding;
            // Where the sides disagree, the one furthest from done speaks.
            const RunInfo::State s = stateOf(p);
            if (!states.contains(p.id) || int(s) < states[p.id]) {
                states[p.id] = int(s);
                run.state = s;
            }
        }
    }
    std::vector<RunInfo> runs(byId.begin(), byId.end());
    std::sort(runs.begin(), runs.end(), [](const RunInfo &a, const RunInfo &b) { return a.id > b.id; });
    return runs;
}

std::optional<RunInfo> lastRun(const QString &left, const QString &right)
{
    for (const RunInfo &run : runsOf(left, right))
        if (run.undoable())
            return run;
    return std::nullopt;
}

std::int64_t bytesHeld(const RunInfo &run)
{
    std::int64_t total = 0;
    for (const QString &h : run.holding)
        if (!h.isEmpty())
            total += FileOps::bytesUnder(h);
    return total;
}

void keepResult(const RunInfo &run)
{
    for (const QString &h : run.holding)
        if (!h.isEmpty())
            setStatus(h, "kept");
}

// ---- Undoing ----

namespace {

class SideUndo {
public:
    SideUndo(const QString &holding, SkippedItems &skipped)
        : m_holding(holding), m_root(rootOfHolding(holding)), m_live(m_root), m_hold(holding), m_skipped(skipped)
    {
        Parsed p;
        parse(FileOps::readFile(journalOf(holding)), p, true);
        m_records = std::move(p.records);
        // Disks that keep times coarsely may give back another fraction of a
        // second than the run saw.
        const Volumes::Info disk = Volumes::of(m_root, false);
        m_coarse = disk.twoSecondTimes || disk.windowsNames || disk.type.startsWith(QLatin1String("fuse"));
        m_fat = disk.twoSecondTimes;
    }

    bool walk(const std::function<bool()> &keepGoing, const std::function<void(const QString &)> &shown)
    {
        // A run killed while it wrote left a temporary file where it wrote.
        for (const Record &r : m_records)
            if (r.action == 'M' || r.action == 'D')
                m_live.removeLeftovers(r.rel);
        for (auto r = m_records.rbegin(); r != m_records.rend(); ++r) {
            if (r->action == 'M')
                continue;
            if (keepGoing && !keepGoing())
                return false;
            if (shown)
                shown(m_live.pathOf(r->rel));
            try {
                undoOne(*r);
            } catch (const AppError &e) {
                report(r->rel, SkipReason::NotUndone, e.description());
            }
        }
        return true;
    }

    // The journal says how far undo got; a holding folder with nothing left
    // to give goes, then the folders get their times back.
    void finish()
    {
        setStatus(m_holding, m_complete ? "undone complete" : "undone partial");
        if (m_complete) {
            FileOps::removeTree(m_holding);
            removeTopIfEmpty(m_root);
        }
        for (auto r = m_records.rbegin(); r != m_records.rend(); ++r) {
            if (r->action != 'M' || (r->rel.isEmpty() && m_fat)) // a FUSE FAT root dies of it
                continue;
            try {
                if (m_live.kind(r->rel) == FileOps::Kind::Folder)
                    m_live.setTimes(r->rel, {r->accessed, r->modified});
            } catch (const AppError &) {
                // times of a folder the user removed or protected since
            }
        }
        m_live.flush();
    }

private:
    bool same(const FileOps::Stamp &now, const FileOps::Stamp &then) const
    {
        if (now.size != then.size)
            return false;
        if (!m_coarse)
            return now == then;
        const std::int64_t ns = (now.seconds - then.seconds) * 1'000'000'000 + (now.nanoseconds - then.nanoseconds);
        return ns > -2'000'000'000 && ns < 2'000'000'000;
    }

    void undoOne(const Record &r)
    {
        const FileOps::Tree::Identity now = m_live.identity(r.rel);
        switch (r.action) {
        case 'R': {
            const FileOps::Tree::Identity held = m_hold.identity(r.rel);
            if (held.kind == FileOps::Kind::Missing) {
                // Never replaced (stopped before), or the old version was taken away.
                if (now.kind != FileOps::Kind::Missing && now.kind != FileOps::Kind::Folder && same(now.stamp, r.stamp))
                    report(r.rel, SkipReason::OldVersionGone);
                return;
            }
            if (now.kind != FileOps::Kind::Missing && now.device == held.device && now.inode == held.inode) {
                m_hold.removeFile(r.rel); // stopped before the new file took the name
                return;
            }
            if (now.kind == FileOps::Kind::Missing
                || ((now.kind == FileOps::Kind::File || now.kind == FileOps::Kind::Link) && same(now.stamp, r.stamp))) {
                FileOps::putBack(m_hold, m_live, r.rel);
                return;
            }
            report(r.rel, SkipReason::ChangedAfterRun, m_hold.pathOf(r.rel));
            return;
        }
        case 'C':
            if (now.kind == FileOps::Kind::Missing)
                return;
            if ((now.kind == FileOps::Kind::File || now.kind == FileOps::Kind::Link) && same(now.stamp, r.stamp))
                m_live.removeFile(r.rel);
            else
                report(r.rel, SkipReason::ChangedAfterRun);
            return;
        case 'D':
            if (now.kind != FileOps::Kind::Folder)
                return;
            try {
                m_live.removeEmptyFolder(r.rel);
            } catch (const AppError &e) {
                if (e.systemError() != ENOTEMPTY && e.systemError() != EEXIST)
                    throw;
                report(r.rel, SkipReason::NotEmptyAfterRun);
            }
            return;
        }
    }

    void report(const QString &rel, SkipReason why, const QString &detail = QString())
    {
        m_complete = false;
        m_skipped.add(m_live.pathOf(rel), why, detail);
    }

    QString m_holding, m_root;
    FileOps::Tree m_live, m_hold;
    SkippedItems &m_skipped;
    std::vector<Record> m_records;
    bool m_coarse = false, m_fat = false, m_complete = true;
};

} // namespace

bool undo(const RunInfo &run, SkippedItems &skipped, const std::function<bool()> &keepGoing,
          const std::function<void(const QString &)> &shown)
{
    std::vector<std::unique_ptr<SideUndo>> sides;
    for (const QString &h : run.holding)
        if (!h.isEmpty())
            sides.push_back(std::make_unique<SideUndo>(h, skipped));
    for (auto &s : sides)
        if (!s->walk(keepGoing, shown))
            return false;
    for (auto &s : sides)
        s->finish();
    return true;
}

void prune(const QString &left, const QString &right, int keep)
{
    std::vector<RunInfo> runs = runsOf(left, right);
    std::erase_if(runs, [](const RunInfo &r) { return r.state == RunInfo::State::Running; });
    for (auto r = runs.rbegin(); r != runs.rend() && int(runs.rend() - r) > keep; ++r)
        for (const QString &h : r->holding)
            if (!h.isEmpty()) {
                try {
                    FileOps::removeTree(h);
                    removeTopIfEmpty(rootOfHolding(h));
                } catch (const AppError &) {
                    // kept for the next prune
                }
            }
}

} // namespace Undo
