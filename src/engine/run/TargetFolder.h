#pragma once

#include <QString>
#include <QStringList>

// Deletes a target folder (or a file of that name) with everything below it,
// permanently. Symlinks are removed, never followed; the walk stays on the
// file system of the path. Unless withoutAsking is set, the user is asked
// first, and a No leaves everything in place. An empty path deletes nothing.
// Returns false after showing the failure message with the location code.
bool DeleteTargetFolder(const QString &path, bool withoutAsking, const char *locationCode);

namespace TargetFolder {
// The root (as the trees show it) that holds a path: the deepest one.
QString rootOf(const QString &path);
// A target name is one literal folder name: not blank, not "." or "..", no
// "/" and no NUL.
bool validName(const QString &trimmedName);
// Whether deleting or filling the target would touch one of the sources: the
// target is a source, lies inside one, or holds one, as the kernel sees the
// paths (through symlinks, also for a target not made yet).
bool endangersSource(const QString &target, const QStringList &sources);
} // namespace TargetFolder
