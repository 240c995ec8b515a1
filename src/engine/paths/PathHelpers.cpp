#include "engine/paths/PathHelpers.h"

#include "engine/settings/AppState.h"
#include "engine/fs/Locations.h"

#include "engine/paths/CaseFold.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"
#include "engine/fs/Volumes.h"

#include <QFile>
#include <algorithm>

QString NormalizeCase(const QString &text)
{
    return App().OptionValues.CaseSensitive ? text : CaseFold::folded(text);
}

QString AddTrailingSeparator(const QString &text, QChar separator)
{
    return text.endsWith(separator) ? text : text + separator;
}

QString RemoveTrailingSeparator(const QString &text, QChar separator)
{
    return text.endsWith(separator) ? text.chopped(1) : text;
}

QString LastPathComponent(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.mid(slash + 1);
}

QString tidyFolderPath(const QString &path)
{
    if (path.isEmpty())
        return path;
    // Text only: "." and empty parts go, ".." takes the part before it away.
    // Names are never looked up, so a stray byte of a legacy name stays as it is.
    const bool absolute = path.startsWith(QLatin1Char('/'));
    QStringList parts;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") && !parts.isEmpty() && parts.back() != QLatin1String("..")) {
            parts.removeLast();
            continue;
        }
        if (part == QLatin1String("..") && absolute)
            continue; // "/.." is "/"
        parts << part;
    }
    const QString joined = parts.join(QLatin1Char('/'));
    if (absolute)
        return QLatin1Char('/') + joined;
    return joined.isEmpty() ? QStringLiteral(".") : joined;
}

QString parentFolder(const QString &path)
{
    const QString p = tidyFolderPath(path);
    if (p == QLatin1String("/") || p.isEmpty())
        return QString();
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : p.left(slash);
}

namespace Roots {

namespace {
std::function<QStringList()> &provider()
{
    static std::function<QStringList()> p;
    return p;
}

QStringList mountedDisks()
{
    QStringList found;
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return found;
    const QList<QByteArray> lines = mounts.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 2)
            continue;
        const QString point = FileNames::fromBytes(Volumes::unescapeField(f[1]));
        for (const char *base : {"/media/", "/run/media/", "/mnt/"})
            if (point.startsWith(QLatin1String(base)) && FileOps::folderExists(point, true))
                found << point;
    }
    found.sort();
    return found;
}
} // namespace

QStringList list()
{
    if (provider())
        return provider()();
    QStringList roots{Locations::homeFolder(), QStringLiteral("/")};
    roots << mountedDisks();
    roots.removeDuplicates();
    return roots;
}

void setProvider(std::function<QStringList()> p) { provider() = std::move(p); }

int containing(const QStringList &roots, const QString &path)
{
    const QString p = NormalizeCase(AddTrailingSeparator(path));
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < roots.size(); ++i) {
        const QString r = NormalizeCase(AddTrailingSeparator(roots[i]));
        if (p.startsWith(r) && r.size() > bestLength) {
            best = i;
            bestLength = r.size();
        }
    }
    return best;
}

} // namespace Roots

namespace FolderListing {

namespace {
// Folders, files and links of folder (never our temporary files); false when it cannot be read.
bool listed(const QString &folder, const std::function<void(const QString &, FileOps::Kind)> &f)
{
    try {
        const FileOps::Folder dir = FileOps::Folder::open(folder);
        FileOps::list(dir, false, [&](const char *n, FileOps::Kind k, const FileOps::Stamp &) {
            f(FileNames::fromBytes(n), k);
        });
        return true;
    } catch (const AppError &) {
        return false;
    }
}
} // namespace

QStringList subfolders(const QString &folder)
{
    QStringList names;
    listed(folder, [&](const QString &name, FileOps::Kind k) {
        if (k == FileOps::Kind::Folder)
            names << name;
    });
    return names;
}

bool files(const QString &folder, const QString &pattern, QStringList *names)
{
    names->clear();
    return listed(folder, [&](const QString &name, FileOps::Kind k) {
        if (k != FileOps::Kind::Folder && matchesPattern(name, pattern))
            *names << name;
    });
}

} // namespace FolderListing

bool matchesPattern(const QString &name, const QString &pattern)
{
    // The usual pattern matches everything: answer without splitting it.
    if (pattern.isEmpty() || pattern == QLatin1String("*.*") || pattern == QLatin1String("*"))
        return true;
    const QStringList parts = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return true;
    const Qt::CaseSensitivity cs =
        App().OptionValues.CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (const QString &raw : parts) {
        const QString p = raw.trimmed();
        if (p == QLatin1String("*.*") || p == QLatin1String("*"))
            return true;
        // A hand-rolled matcher: no regular expression per name, and "[" stays literal.
        qsizetype n = 0, s = 0, star = -1, mark = 0;
        while (n < name.size()) {
            if (s < p.size() && p[s] == QLatin1Char('*')) {
                star = s++;
                mark = n;
            } else if (s < p.size()
                       && (p[s] == QLatin1Char('?')
                           || QStringView(p).mid(s, 1).compare(QStringView(name).mid(n, 1), cs) == 0)) {
                ++n;
                ++s;
            } else if (star >= 0) {
                s = star + 1;
                n = ++mark;
            } else {
                break;
            }
        }
        if (n == name.size()) {
            while (s < p.size() && p[s] == QLatin1Char('*'))
                ++s;
            if (s == p.size())
                return true;
        }
    }
    return false;
}
