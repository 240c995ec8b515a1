#pragma once

#include <QString>
#include <QStringList>

// The saved paths of each side (one file per side, most recent first) and the
// initial paths. p is always the side's selected folder as the tree gives it.

// Offers to put p at the top of the side's saved-paths file; a path already in
// the list is not saved twice. Errors are reported with code 153.
void SaveRecentPath(const QString &p, int side);

// Offers to make p the side's initial path (settings file and App()). Errors
// are reported with code 154.
void SetInitialPath(const QString &p, int side);

// The side's saved paths as the recall window lists them: every line that is
// not blank, unchanged, in file order. A missing file gives none; a file that
// cannot be read is an AppError.
QStringList savedPathLines(int side);

// The command that lets the user edit file: $ORVANEL_EDITOR, else the first
// known text editor on PATH, else xdg-open; file is always the last argument.
QStringList editorCommand(const QString &file);

namespace SavedPaths {
QString recallTitle(int side);
QString editTitle(int side);
} // namespace SavedPaths
