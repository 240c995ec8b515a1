#include "SyncRun.h"

#include "RunText.h"
#include "TargetFolder.h"
#include "core/AppState.h"
#include "core/ErrorReport.h"
#include "core/Texts.h"
#include "mainwindow/PathHelpers.h"
#include "platform/Errors.h"
#include "platform/MessageService.h"

#include <QFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool byName(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

struct FolderContents {
    QStringList folders;
    struct File {
        QString name;
        std::int64_t size;
    };
    std::vector<File> files;
};

bool isOurTemporary(const char *name) { return std::strncmp(name, ".orvanel-tmp-", 13) == 0; }

// One read of a folder: its real subfolders, and its files (regular files and
// symlinks, never followed) that match the pattern, with their sizes. FIFOs,
// sockets and devices are not items.
FolderContents readFolder(const QString &folder, const QString &pattern, bool withFiles, bool isRoot)
{
    FolderContents c;
    DIR *d = ::opendir(QFile::encodeName(folder).constData());
    if (!d) {
        // The source itself must be there; a subfolder we may not read has nothing to offer.
        if (isRoot)
            throw AppError::fromErrno(errno, folder);
        return c;
    }
    const int fd = ::dirfd(d);
    while (const dirent *e = ::readdir(d)) {
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        unsigned char type = e->d_type;
        struct stat st {};
        bool statted = false;
        if (type == DT_UNKNOWN || ((type == DT_REG || type == DT_LNK) && withFiles)) {
            if (::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // vanished meanwhile
            statted = true;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_FIFO;
        }
        if (type == DT_DIR) {
            c.folders << QFile::decodeName(n);
        } else if ((type == DT_REG || type == DT_LNK) && withFiles && !isOurTemporary(n)) {
            const QString name = QFile::decodeName(n);
            if (matchesPattern(name, pattern))
                c.files.push_back({name, statted ? std::int64_t(st.st_size) : 0});
        }
    }
    ::closedir(d);
    std::sort(c.folders.begin(), c.folders.end(), byName);
    std::sort(c.files.begin(), c.files.end(), [](const auto &a, const auto &b) { return byName(a.name, b.name); });
    return c;
}

std::int64_t fileLength(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        throw AppError::fromErrno(errno, path);
    return std::int64_t(st.st_size);
}

bool isRoot(const QString &path)
{
    const QString p = tidyFolderPath(path);
    for (const QString &r : Roots::list())
        if (tidyFolderPath(r) == p)
            return true;
    return false;
}

} // namespace

SyncRun::SyncRun(RunHost &host, RunInputs inputs) : m_host(host), m_inputs(std::move(inputs)) {}

bool SyncRun::WithinLevels(const QString &relativePath, int levels)
{
    return levels <= 0 || relativePath.count(QLatin1Char('/')) < levels;
}

bool SyncRun::stopNow()
{
    if (m_host.checkpoint())
        InterruptRequested = true;
    return InterruptRequested;
}

bool SyncRun::cancel()
{
    if (!App().TargetFolderPath.isEmpty()
        && MsgBox(tx("Do you really want to interrupt the synchronization process?",
                     "Θέλετε πράγματι να διακόψετε τη διαδικασία του συγχρονισμού;"),
                  Msg::Question | Msg::YesNo,
                  tx("Synchronization process", "Διαδικασία συγχρονισμού"))
               != Msg::Yes)
        return false;
    InterruptRequested = true;
    return true;
}

void SyncRun::close()
{
    if (InterruptRequested && !App().OptionValues.SwapItems)
        DeleteTargetFolder(App().TargetFolderPath, App().OptionValues.DeleteOnCancel, Loc::SynchronizeClose);
    m_host.setState(RunState::Closed);
}

SyncRun::Outcome SyncRun::interrupt()
{
    InterruptRequested = true;
    return Outcome::Interrupted;
}

SyncRun::Outcome SyncRun::run()
{
    try {
        return body();
    } catch (const AppError &e) {
        CommonErrorReport(e.number(), e.description(), Loc::SynchronizationRun);
    } catch (const std::bad_alloc &) {
        CommonErrorReport(ErrorCode::OutOfMemory, errorText(ErrorCode::OutOfMemory), Loc::SynchronizationRun);
    } catch (const std::exception &e) {
        CommonErrorReport(ErrorCode::DeviceIO, QString::fromLocal8Bit(e.what()), Loc::SynchronizationRun);
    }
    return interrupt();
}

SyncRun::Outcome SyncRun::body()
{
    const Options &o = App().OptionValues;
    FirstSide = o.WhichItemsToCopy == 4 ? 1 : 0;
    LastSide = o.WhichItemsToCopy == 3 ? 0 : 1;
    ToleranceSeconds = std::int64_t(o.Days) * 86400 + std::int64_t(o.Hours) * 3600
                       + std::int64_t(o.Minutes) * 60 + o.Seconds;

    for (int side = FirstSide; side <= LastSide; ++side) {
        const QString source = m_inputs.SourcePath[side];
        if (!isRoot(source))
            continue;
        const QString prompt =
            App().LanguageIsGreek
                ? QStringLiteral("Το αρχικό σημείο του συγχρονισμού, είναι το πρώτο επίπεδο του δίσκου ")
                      + quoted(source) + QLatin1Char('.') + kBlankLine
                      + QStringLiteral("Θέλετε πράγματι να συνεχίσετε;")
                : QStringLiteral("The starting point of the synchronization process is the top level of drive ")
                      + quoted(source) + QLatin1Char('.') + kBlankLine
                      + QStringLiteral("Do you really want to continue?");
        if (MsgBox(prompt, Msg::Exclamation | Msg::YesNo,
                   sideTitle(side, "Folder synchronization", "Συγχρονισμός φακέλλων"))
            != Msg::Yes)
            return Outcome::Abandoned;
    }

    if (!o.SwapItems) {
        m_host.reminder(2);
        App().TargetFolderPath.clear();
        App().TargetFolderPath = m_host.chooseTargetFolder();
        if (App().TargetFolderPath.isEmpty())
            return Outcome::Abandoned;
    }

    m_host.setState(RunState::Running);
    for (int side = 0; side < 2; ++side) {
        lstItems[side].clear();
        lstFilteredItems[side].clear();
        Counters[side] = SideCounters();
    }

    // Step 1.
    m_host.stepTitle(RunText::stepTitle(1, o.SwapItems));
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!collectItems(side))
            return Outcome::Interrupted;
    m_host.progress(0);
    if (NoItemsToSynchronize(lstItems[0], lstItems[1]))
        return interrupt();
    for (int side = 0; side < 2; ++side) {
        lstFilteredItems[side].clear();
        Counters[side].resetKept();
    }

    // Step 2.
    m_host.stepTitle(RunText::stepTitle(2, o.SwapItems));
    m_host.showProgressBar(true);
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!selectItems(side))
            return Outcome::Interrupted;
    m_host.progress(0);
    if (NoItemsToSynchronize(lstFilteredItems[0], lstFilteredItems[1]))
        return interrupt();

    m_host.stepTitle(QString());
    m_host.setState(RunState::Finished);
    m_host.beep();
    return Outcome::Finished;
}

bool SyncRun::collectItems(int side)
{
    const Options &o = App().OptionValues;
    ItemList &list = lstItems[side];
    SideCounters &c = Counters[side];
    const QString root = AddTrailingSeparator(tidyFolderPath(m_inputs.SourcePath[side]));
    list.RootPath = root;
    const QString &pattern = m_inputs.Pattern[side];

    // Pre-order, depth first, without recursion: a deep tree cannot exhaust the stack.
    std::vector<QString> pending{QString()};
    bool first = true;
    while (!pending.empty()) {
        const QString rel = std::move(pending.back());
        pending.pop_back();
        if (stopNow())
            return false;
        const QString folder = rel.isEmpty() ? root : root + rel;
        if (!rel.isEmpty()) {
            ++c.FoldersFound;
            if (WithinLevels(rel, o.Levels)) {
                list.entries.push_back(QLatin1Char('+') + rel);
                ++c.FoldersKept;
            }
            m_host.showPath(side, folder);
        }
        const FolderContents contents = readFolder(folder, pattern, !o.CopyStructureOnly, first);
        first = false;
        const QString prefix = rel.isEmpty() ? QString() : rel + QLatin1Char('/');
        for (const FolderContents::File &f : contents.files) {
            if (stopNow())
                return false;
            const QString fileRel = prefix + f.name;
            ++c.FilesFound;
            c.BytesFound += f.size;
            if (WithinLevels(fileRel, o.Levels)) {
                list.entries.push_back(QLatin1Char('-') + fileRel);
                ++c.FilesKept;
                c.BytesKept += f.size;
            }
            m_host.showPath(side, root + fileRel);
        }
        for (auto it = contents.folders.crbegin(); it != contents.folders.crend(); ++it)
            pending.push_back(prefix + *it);
    }
    m_host.showPath(side, QString());
    m_host.stepCounters(1, side, c);
    return true;
}

bool SyncRun::selectItems(int side)
{
    const int choice = App().OptionValues.WhichItemsToCopy;
    const ItemList &a = lstItems[side];
    const ItemList &b = lstItems[1 - side];
    ItemList &f = lstFilteredItems[side];
    f.RootPath = a.RootPath;
    SideCounters &c = Counters[side];
    m_host.progress(0);

    // A set of the other side's normalised entries gives the same answer as
    // comparing every pair, in time proportional to the items.
    QSet<QString> other;
    if (choice == 1 || choice == 2) {
        other.reserve(qsizetype(b.size()));
        for (const QString &e : b.entries)
            other.insert(NormalizeCase(e));
    }
    const std::int64_t last = std::int64_t(a.size()) - 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (stopNow())
            return false;
        const QString &entry = a.entries[i];
        const QString full = a.RootPath + ItemList::relativePath(entry);
        bool kept = true;
        if (choice == 1 || choice == 2) {
            const bool found = other.contains(NormalizeCase(entry));
            kept = choice == 1 ? found : !found;
        }
        if (kept) {
            if (ItemList::isFolder(entry)) {
                ++c.FoldersKept;
            } else {
                ++c.FilesKept;
                c.BytesKept += fileLength(full);
            }
            f.entries.push_back(entry);
            m_host.showPath(side, full);
        }
        m_host.progress(RunText::progressPercent(std::int64_t(i), last));
    }
    m_host.showPath(side, QString());
    m_host.stepCounters(2, side, c);
    return true;
}

bool SyncRun::NoItemsToSynchronize(const ItemList &a, const ItemList &b)
{
    if (!a.empty() || !b.empty())
        return false;
    MsgBox(RunText::noItemsPrompt(App().OptionValues.SwapItems), Msg::Information | Msg::OkOnly,
           RunText::noItemsTitle());
    return true;
}
