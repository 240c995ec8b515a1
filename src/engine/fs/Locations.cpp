#include "engine/fs/Locations.h"

#include "engine/fs/FileNames.h"

#include <QDir>
#include <QFileInfo>

namespace Locations {

namespace {
// A folder named in the environment keeps its bytes, whatever the locale.
QString environmentPath(const char *name) { return FileNames::fromBytes(qgetenv(name)); }
} // namespace

QString settingsFolder(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--home") && i + 1 < arguments.size())
            return QDir(arguments[i + 1]).absolutePath();
        if (a.startsWith(QLatin1String("--home=")))
            return QDir(a.mid(7)).absolutePath();
    }
    const QString env = environmentPath("ORVANEL_HOME");
    if (!env.isEmpty())
        return QDir(env).absolutePath();
    QString config = environmentPath("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir(homeFolder()).filePath(QStringLiteral(".config"));
    return QDir(config).filePath(QStringLiteral("orvanel"));
}

QString dataFolder(const QString &executableFolder)
{
    const QDir exe(executableFolder);
    if (QFileInfo::exists(exe.filePath(QStringLiteral("OrvanelUk.hlp"))))
        return exe.absolutePath();
    const QString shared = QDir::cleanPath(exe.filePath(QStringLiteral("../share/orvanel")));
    if (QFileInfo(shared).isDir())
        return shared;
    return exe.absolutePath();
}

QString homeFolder()
{
    const QString home = environmentPath("HOME");
    return home.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(home);
}

} // namespace Locations
