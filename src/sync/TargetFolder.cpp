#include "TargetFolder.h"

#include "core/AppState.h"
#include "core/Texts.h"
#include "mainwindow/PathHelpers.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/MessageService.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Removes everything below an open folder, depth first, without following
// links or crossing into another file system.
void removeContents(int dirFd, dev_t device, const QString &shownPath)
{
    DIR *d = ::fdopendir(dirFd);
    if (!d) {
        const int err = errno;
        ::close(dirFd);
        throw AppError::fromErrno(err, shownPath);
    }
    while (const dirent *e = ::readdir(d)) {
        const char *name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone meanwhile
        const QString child = shownPath + QLatin1Char('/') + FileNames::fromBytes(name);
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev != device) {
                ::closedir(d);
                throw AppError(ErrorCode::PathFileAccess,
                               QStringLiteral("A file system is mounted inside: ") + child);
            }
            const int sub = ::openat(::dirfd(d), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                const int err = errno;
                ::closedir(d);
                throw AppError::fromErrno(err, child);
            }
            try {
                removeContents(sub, device, child);
            } catch (...) {
                ::closedir(d);
                throw;
            }
            if (::unlinkat(::dirfd(d), name, AT_REMOVEDIR) != 0) {
                const int err = errno;
                ::closedir(d);
                throw AppError::fromErrno(err, child);
            }
        } else if (::unlinkat(::dirfd(d), name, 0) != 0) {
            const int err = errno;
            ::closedir(d);
            throw AppError::fromErrno(err, child);
        }
    }
    ::closedir(d);
}

void removeTree(const QString &path)
{
    const QByteArray p = FileNames::toBytes(path);
    struct stat st {};
    if (::lstat(p.constData(), &st) != 0) {
        if (errno == ENOENT)
            return;
        throw AppError::fromErrno(errno, path);
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(p.constData()) != 0)
            throw AppError::fromErrno(errno, path);
        return;
    }
    const int fd = ::open(p.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw AppError::fromErrno(errno, path);
    removeContents(fd, st.st_dev, path);
    if (::rmdir(p.constData()) != 0)
        throw AppError::fromErrno(errno, path);
}

QString realOrClean(const QString &path)
{
    char *real = ::realpath(FileNames::toBytes(path).constData(), nullptr);
    if (!real)
        return tidyFolderPath(path);
    const QString resolved = FileNames::fromBytes(real);
    std::free(real);
    return resolved;
}

} // namespace

bool DeleteTargetFolder(const QString &path, bool withoutAsking, const char *locationCode)
{
    if (path.isEmpty())
        return true;
    if (!withoutAsking
        && MsgBox(tx("Do you really want to permanently delete ", "Θέλετε πράγματι να διαγράψετε οριστικά το ")
                      + quoted(path) + tx(" and everything in it?", " και όλο το περιεχόμενό του;"),
                  Msg::Question | Msg::YesNo, tx("Delete target folder", "Διαγραφή φακέλλου προορισμού"))
               != Msg::Yes)
        return true;
    try {
        removeTree(path);
        return true;
    } catch (const AppError &e) {
        const QString root = TargetFolder::rootOf(path);
        const QString name = path.mid(AddTrailingSeparator(root).size());
        const QString n = QString::number(e.number());
        const QString prompt =
            App().LanguageIsGreek
                ? QStringLiteral("Η οριστική διαγραφή του φακέλλου «") + name
                      + QStringLiteral("», από το πρώτο επίπεδο του δίσκου «") + root
                      + QStringLiteral("», κατέστη αδύνατη.") + kBlankLine
                      + QStringLiteral("Αριθμός λάθους: ") + n + QLatin1Char('.') + kBlankLine
                      + QStringLiteral("Περιγραφή λάθους: «") + e.description() + QStringLiteral("».")
                : QStringLiteral("The permanent removal of folder '") + name
                      + QStringLiteral("', from the top level of drive '") + root
                      + QStringLiteral("', is not possible.") + kBlankLine
                      + QStringLiteral("Error number: ") + n + QLatin1Char('.') + kBlankLine
                      + QStringLiteral("Error description: '") + e.description() + QStringLiteral("'.");
        MsgBox(prompt, Msg::Critical | Msg::OkOnly,
               tx("Delete target folder", "Διαγραφή φακέλλου προορισμού") + QStringLiteral(", ")
                   + QString::fromLatin1(locationCode) + QLatin1Char('.'));
        return false;
    }
}

namespace TargetFolder {

QString rootOf(const QString &path)
{
    const QStringList roots = Roots::list();
    const int i = Roots::containing(roots, path);
    return i < 0 ? QStringLiteral("/") : roots[i];
}

bool validName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool endangersSource(const QString &target, const QStringList &sources)
{
    const QString t = AddTrailingSeparator(realOrClean(target));
    for (const QString &s : sources) {
        if (s.isEmpty())
            continue;
        if (AddTrailingSeparator(realOrClean(s)).startsWith(t))
            return true;
    }
    return false;
}

} // namespace TargetFolder
