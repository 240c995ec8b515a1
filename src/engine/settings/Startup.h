#pragma once

#include <QString>

// The engine's steps of the start-up sequence; the main window's load runs
// them in order, between its own steps.
namespace Startup {

// Creates the settings folder when missing; an AppError when that fails.
void ensureSettingsFolder(const QString &folder);
// The locations of the settings file, the help files and the saved-paths files.
void computeFileLocations(const QString &settingsFolder, const QString &dataFolder);
// Side colours and an empty target folder.
void initSideValues();
// Creates the side's saved-paths file, empty, when it does not exist.
void EnsureSavedPathsFile(int side);

// The message for settings files that are there but are no regular files
// (a FIFO would hang a reader, a folder cannot be read): each is treated as
// missing and never written over. Empty when there are none.
QString settingsFilesInTheWay();

// The start-up message for a side without an initial path.
QString defaultInitialPathPrompt(const QString &path);
QString defaultInitialPathTitle(int side);

} // namespace Startup
