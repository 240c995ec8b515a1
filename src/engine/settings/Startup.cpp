#include "engine/settings/Startup.h"

#include "engine/settings/AppState.h"
#include "engine/settings/Texts.h"
#include "engine/fs/FileOps.h"

#include <QDir>
#include <QStringList>

namespace Startup {

void ensureSettingsFolder(const QString &folder)
{
    FileOps::createFolders(folder);
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
    FileOps::ensureFile(App().SavedPathsFile[side]);
}

QString settingsFilesInTheWay()
{
    QStringList odd;
    for (const QString &file : {App().SettingsFilePath, App().SavedPathsFile[0], App().SavedPathsFile[1]}) {
        const FileOps::Kind kind = FileOps::kindAt(file);
        if (kind != FileOps::Kind::Missing && kind != FileOps::Kind::File)
            odd << quoted(file);
    }
    if (odd.isEmpty())
        return QString();
    const QString names = odd.join(QStringLiteral(", "));
    if (App().LanguageIsGreek)
        return names + QStringLiteral(": δεν είναι κανονικό αρχείο (είναι FIFO, φάκελλος ή συσκευή). "
                                      "Η εφαρμογή το θεωρεί ανύπαρκτο και ποτέ δεν γράφει στη θέση του· "
                                      "ό,τι θα αποθηκευόταν σε αυτό δεν διατηρείται μέχρι να το αφαιρέσετε.");
    return names + QStringLiteral(": not a regular file (a FIFO, a folder or a device). The program treats it as "
                                  "missing and never writes in its place; what would be stored in it is not kept "
                                  "until you remove it.");
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
