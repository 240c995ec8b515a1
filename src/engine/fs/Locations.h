#pragma once

#include <QString>
#include <QStringList>

namespace Locations {
// The settings folder: --home DIR, else $ORVANEL_HOME, else
// $XDG_CONFIG_HOME/orvanel, else ~/.config/orvanel. Made absolute, not created.
QString settingsFolder(const QStringList &arguments);
// Where the help files live: beside the executable, else <prefix>/share/orvanel.
QString dataFolder(const QString &executableFolder);
// The home folder, which stands in for the default drive.
QString homeFolder();
} // namespace Locations
