#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Paths here are Linux paths: "/" separates, a folder path has no trailing "/"
// except "/" itself.

// Upper-cases the text unless names are compared case-sensitively.
QString NormalizeCase(const QString &text);
QString AddTrailingSeparator(const QString &text, QChar separator = QLatin1Char('/'));
QString RemoveTrailingSeparator(const QString &text, QChar separator = QLatin1Char('/'));
// The text after the last "/"; empty without one.
QString LastPathComponent(const QString &path);
// A folder path in its shown form: cleaned, no trailing "/" except for "/".
QString tidyFolderPath(const QString &path);
// The parent folder of a tidy path; empty for "/".
QString parentFolder(const QString &path);

namespace Roots {
// The roots the folder trees show: the home folder, "/", and the mount points
// under /media, /run/media and /mnt, in that order, without duplicates.
QStringList list();
// Replaces the roots, for tests and for machines with unusual mounts; an
// empty function restores the default.
void setProvider(std::function<QStringList()> provider);
// The index of the deepest root that contains the path, or -1.
int containing(const QStringList &roots, const QString &path);
} // namespace Roots

namespace FolderListing {
// Names of the real subfolders of a folder (symlinks are never followed);
// nothing when the folder cannot be read.
QStringList subfolders(const QString &folder);
// Names of the files of a folder that match the pattern: regular files and
// symlinks, hidden ones included; never FIFOs, sockets or devices. False when
// the folder cannot be read.
bool files(const QString &folder, const QString &pattern, QStringList *names);
} // namespace FolderListing

// Whether a name matches a file-type pattern: wildcards ("*", "?") separated
// by ";". "*.*" matches every name, as does an empty pattern. Letter case is
// ignored unless names are compared case-sensitively.
bool matchesPattern(const QString &name, const QString &pattern);
