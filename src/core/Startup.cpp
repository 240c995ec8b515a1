#include "Startup.h"

#include "AppState.h"
#include "Texts.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <QDir>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Startup {

void ensureSettingsFolder(const QString &folder)
{
    // Made one level at a time by its bytes: a legacy name would not survive Qt's own calls.
    const QByteArray path = FileNames::toBytes(QDir::cleanPath(folder));
    int err = 0;
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        if (::mkdir(path.left(slash).constData(), 0777) != 0 && errno != EEXIST)
            err = errno;
    }
    if (::mkdir(path.constData(), 0777) == 0)
        return;
    // A missing level says less than why it could not be made.
    if (errno != ENOENT || err == 0)
        err = errno;
    struct stat st {};
    if (::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return;
    throw AppError::fromErrno(err == EEXIST ? ENOTDIR : err, folder);
}

void computeFileLocations(const QString &settingsFolder, const QString &dataFolder)
{
    AppState &a = App();
    const QDir settings(settingsFolder), data(dataFolder);
    a.SettingsFolder = settings.absolutePath();
    a.DataFolder = data.absolutePath();
    a.SettingsFilePath = settings.filePath(QStringLiteral("Orvanel.ini"));
    a.GreekHelpFilePath = data.filePath(QStringLiteral("OrvanelGr.hlp"));
    a.EnglishHelpFilePath = data.filePath(QStringLiteral("OrvanelUk.hlp"));
    a.SavedPathsFile[0] = settings.filePath(QStringLiteral("SavedLeftPaths.txt"));
    a.SavedPathsFile[1] = settings.filePath(QStringLiteral("SavedRightPaths.txt"));
}

void initSideValues()
{
    App().SideColor[0] = LeftSideColor;
    App().SideColor[1] = RightSideColor;
    App().TargetFolderPath.clear();
}

void EnsureSavedPathsFile(int side)
{
    const QByteArray path = FileNames::toBytes(App().SavedPathsFile[side]);
    // O_EXCL: an existing file, or a link to one, is never truncated.
    int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    const int err = errno;
    struct stat st {};
    if (err == EEXIST && ::stat(path.constData(), &st) == 0)
        return;
    throw AppError::fromErrno(err, App().SavedPathsFile[side]);
}

QString defaultInitialPathPrompt(const QString &path)
{
    if (App().LanguageIsGreek)
        return QStringLiteral("Δεν έχει ορισθεί κάποια αρχική διαδρομή και έτσι, ως αρχική "
                              "διαδρομή, θα χρησιμοποιηθεί η ")
               + quoted(path) + QLatin1Char('.');
    return quoted(path)
           + QStringLiteral(" will be used as the default initial path, since an initial path "
                            "has not been set.");
}

QString defaultInitialPathTitle(int side)
{
    return sideTitle(side, "Recall path", "Ανάκληση διαδρομής");
}

} // namespace Startup
