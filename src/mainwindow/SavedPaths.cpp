#include "SavedPaths.h"

#include "PathHelpers.h"

#include "core/AppState.h"
#include "core/ErrorReport.h"
#include "core/Settings.h"
#include "core/Texts.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/MessageService.h"

#include <QByteArrayList>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The settings reader cuts an initial path at this many bytes.
constexpr qsizetype kMaxInitialPathBytes = 1023;

QByteArray readAllOf(const QString &path, bool *exists)
{
    const QByteArray name = FileNames::toBytes(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            *exists = false;
            return {};
        }
        throw AppError::fromErrno(errno, path);
    }
    *exists = true;
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw AppError::fromErrno(err, path);
        }
        if (n == 0)
            break;
        data.append(buffer, n);
    }
    ::close(fd);
    return data;
}

// Lines without their ends; a file edited elsewhere may use LF alone.
QByteArrayList splitLines(const QByteArray &data)
{
    QByteArrayList lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype nl = data.indexOf('\n', start);
        if (nl < 0) {
            lines.push_back(data.mid(start));
            break;
        }
        QByteArray line = data.mid(start, nl - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
        start = nl + 1;
    }
    return lines;
}

QByteArrayList savedLines(int side)
{
    bool exists = false;
    return splitLines(readAllOf(App().SavedPathsFile[side], &exists));
}

QString normalizedFolder(const QString &path) { return NormalizeCase(AddTrailingSeparator(path)); }

bool hasLineBreak(const QString &p)
{
    return p.contains(QLatin1Char('\n')) || p.contains(QLatin1Char('\r'));
}

bool writeAll(int fd, const QByteArray &data)
{
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// The companion that holds the new list until it is renamed over the file.
QByteArray companionOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const qsizetype nameLength = path.size() - slash - 1;
    QByteArray bak = nameLength > 3 ? path.chopped(3) + "bak" : path + ".bak";
    // A list reached through a link may itself be named *.bak.
    if (bak == path)
        bak += ".bak";
    return bak;
}

// Replaces the saved-paths file by content so that a crash at any moment
// leaves either the old list or the new one, whole.
void replaceSavedPaths(const QString &file, const QByteArray &content)
{
    QByteArray target = FileNames::toBytes(file);
    struct stat lst {};
    if (::lstat(target.constData(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        // A list kept elsewhere through a link stays there, and the link stays.
        char *real = ::realpath(target.constData(), nullptr);
        if (!real)
            throw AppError::fromErrno(errno, file);
        target = real;
        std::free(real);
    }
    struct stat st {};
    const bool existed = ::stat(target.constData(), &st) == 0;
    // A rename would replace a write-protected file; the user protected it, so we don't.
    if (existed && (!S_ISREG(st.st_mode) || ::access(target.constData(), W_OK) != 0))
        throw AppError(ErrorCode::PathFileAccess,
                       errorText(ErrorCode::PathFileAccess) + QStringLiteral(": ") + file);

    const QByteArray bak = companionOf(target);
    ::unlink(bak.constData()); // left by a crash, or anything else by that name
    const int fd = ::open(bak.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw AppError::fromErrno(errno, FileNames::fromBytes(bak));
    int err = 0;
    if (!writeAll(fd, content))
        err = errno;
    if (!err && existed) {
        if (::geteuid() == 0)
            (void)::fchown(fd, st.st_uid, st.st_gid);
        if (::fchmod(fd, st.st_mode & 07777) != 0)
            err = errno;
    }
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(bak.constData(), target.constData()) != 0)
        err = errno;
    if (err) {
        ::unlink(bak.constData());
        throw AppError::fromErrno(err, file);
    }
    // The rename itself must survive a power cut, not only the data.
    const int dir = ::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
}

QString saveTitle(int side) { return sideTitle(side, "Save path", "Αποθήκευση διαδρομής"); }

} // namespace

namespace SavedPaths {

QString recallTitle(int side) { return sideTitle(side, "Recall path", "Ανάκληση διαδρομής"); }

QString editTitle(int side)
{
    return sideTitle(side, "Edit saved paths", "Επεξεργασία αποθηκευμένων διαδρομών");
}

} // namespace SavedPaths

void SaveRecentPath(const QString &p, int side)
{
    guarded(Loc::SavePathRecent, [&] {
        const QString title = saveTitle(side);
        if (hasLineBreak(p)) {
            MsgBox(App().LanguageIsGreek
                       ? QStringLiteral("Η διαδρομή ") + quoted(p)
                             + QStringLiteral(" δεν μπορεί να αποθηκευθεί στις πρόσφατες διαδρομές, "
                                              "επειδή περιέχει αλλαγή γραμμής και οι διαδρομές "
                                              "καταχωρούνται μία ανά γραμμή.")
                       : QStringLiteral("Path ") + quoted(p)
                             + QStringLiteral(" cannot be saved in the recent paths list, because it "
                                              "contains a line break and the list holds one path per "
                                              "line."),
                   Msg::Exclamation, title);
            return;
        }
        const QString file = App().SavedPathsFile[side];
        const QByteArrayList lines = savedLines(side);
        const QString wanted = normalizedFolder(p);
        for (const QByteArray &line : lines) {
            if (normalizedFolder(FileNames::fromBytes(line)) == wanted) {
                MsgBox(App().LanguageIsGreek
                           ? QStringLiteral("Η διαδρομή ") + quoted(p)
                                 + QStringLiteral(" έχει ήδη αποθηκευθεί στις πρόσφατες διαδρομές.")
                           : QStringLiteral("Path ") + quoted(p)
                                 + QStringLiteral(" has already been saved in the recent paths list."),
                       Msg::Information, title);
                return;
            }
        }
        const QString question =
            App().LanguageIsGreek
                ? QStringLiteral("Θέλετε πράγματι να αποθηκεύσετε τη διαδρομή ") + quoted(p)
                      + QStringLiteral(" στις πρόσφατες διαδρομές;")
                : QStringLiteral("Do you really want to save path ") + quoted(p)
                      + QStringLiteral(" in the recent paths list?");
        if (MsgBox(question, Msg::Question | Msg::YesNo, title) != Msg::Yes)
            return;
        QByteArray content = FileNames::toBytes(p) + "\r\n";
        for (const QByteArray &line : lines)
            content += line + "\r\n";
        replaceSavedPaths(file, content);
    });
}

void SetInitialPath(const QString &p, int side)
{
    guarded(Loc::SetInitialPath, [&] {
        const QString setTitle = sideTitle(side, "Set initial path", "Ορισμός αρχικής διαδρομής");
        if (p == App().InitialPath[side]) {
            MsgBox(App().LanguageIsGreek
                       ? QStringLiteral("Η διαδρομή ") + quoted(p)
                             + QStringLiteral(" έχει ήδη ορισθεί ως αρχική διαδρομή της εφαρμογής.")
                       : QStringLiteral("Path ") + quoted(p)
                             + QStringLiteral(" has already been set as the initial path of the "
                                              "application."),
                   Msg::Information, setTitle);
            return;
        }
        // The settings file holds one line per key and is read back cut short.
        if (hasLineBreak(p) || FileNames::toBytes(p).size() > kMaxInitialPathBytes) {
            MsgBox(App().LanguageIsGreek
                       ? QStringLiteral("Η διαδρομή ") + quoted(p)
                             + QStringLiteral(" δεν μπορεί να ορισθεί ως αρχική διαδρομή της "
                                              "εφαρμογής, επειδή περιέχει αλλαγή γραμμής ή είναι "
                                              "μεγαλύτερη από 1023 bytes.")
                       : QStringLiteral("Path ") + quoted(p)
                             + QStringLiteral(" cannot be set as the initial path of the application, "
                                              "because it contains a line break or is longer than "
                                              "1023 bytes."),
                   Msg::Exclamation, setTitle);
            return;
        }
        const QString question =
            App().LanguageIsGreek
                ? QStringLiteral("Θέλετε πράγματι να ορίσετε τη διαδρομή ") + quoted(p)
                      + QStringLiteral(" ως αρχική διαδρομή της εφαρμογής;")
                : QStringLiteral("Do you really want to set ") + quoted(p)
                      + QStringLiteral(" as the initial path of the application?");
        if (MsgBox(question, Msg::Question | Msg::YesNo,
                   sideTitle(side, "Save initial path", "Αποθήκευση αρχικής διαδρομής"))
            != Msg::Yes)
            return;
        // Unlike other keys, this one the user asked for: a failed write must not pass unseen.
        if (!Settings::write("General", side == 0 ? "LeftInitialPath" : "RightInitialPath", p))
            throw AppError(ErrorCode::PathFileAccess, errorText(ErrorCode::PathFileAccess)
                                                          + QStringLiteral(": ")
                                                          + App().SettingsFilePath);
        App().InitialPath[side] = p;
    });
}

QStringList savedPathLines(int side)
{
    QStringList result;
    for (const QByteArray &line : savedLines(side)) {
        const QString text = FileNames::fromBytes(line);
        if (!text.trimmed().isEmpty())
            result.push_back(text);
    }
    return result;
}

bool RunAndWait(const QStringList &command)
{
    if (command.isEmpty() || command.front().isEmpty())
        return false;
    QProcess process;
    process.setProgram(command.front());
    process.setArguments(command.mid(1));
    // Like a program started from the shell: our terminal, if any, is its terminal.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    process.waitForFinished(-1);
    return true;
}

QStringList editorCommand(const QString &file)
{
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("ORVANEL_EDITOR"));
    if (command.isEmpty()) {
        // Without its flag, an editor that is already open takes the file into
        // its running instance and returns at once: we would not wait for the edit.
        struct Editor {
            const char *name;
            const char *waitFlag;
        };
        static constexpr Editor editors[] = {
            {"gnome-text-editor", "--standalone"}, {"gedit", "--wait"}, {"kate", "--block"},
            {"mousepad", "--disable-server"},      {"xed", nullptr},    {"pluma", nullptr},
            {"featherpad", "--standalone"},
        };
        for (const Editor &e : editors) {
            const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(e.name));
            if (exe.isEmpty())
                continue;
            command << exe;
            if (e.waitFlag)
                command << QString::fromLatin1(e.waitFlag);
            break;
        }
        if (command.isEmpty())
            command << QStringLiteral("xdg-open");
    }
    // Absolute, so that no name can pass for an option.
    command << QFileInfo(file).absoluteFilePath();
    return command;
}
