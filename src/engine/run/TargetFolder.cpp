#include "engine/run/TargetFolder.h"

#include "engine/settings/AppState.h"
#include "engine/settings/Texts.h"
#include "engine/paths/PathHelpers.h"
#include "engine/fs/Errors.h"
#include "engine/fs/FileOps.h"
#include "engine/settings/MessageService.h"

bool DeleteTargetFolder(const QString &path, bool withoutAsking, const char *locationCode)
{
    if (path.isEmpty())
        return true;
    if (!withoutAsking
        && MsgBox(tx("Do you really want to permanently delete ", "Θέλετε πράγματι να διαγράψετε οριστικά το ")
                      + quoted(path) + tx(" and everything in it?", " και όλο το περιεχόμενό του;"),
                  Msg::Question | Msg::YesNo | Msg::DefaultSecond, tx("Delete target folder", "Διαγραφή φακέλλου προορισμού"))
               != Msg::Yes)
        return true;
    try {
        FileOps::removeTree(path);
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
    const QString t = AddTrailingSeparator(FileOps::resolvedPath(target));
    for (const QString &s : sources) {
        if (s.isEmpty())
            continue;
        const QString real = AddTrailingSeparator(FileOps::resolvedPath(s));
        if (real.startsWith(t) || t.startsWith(real))
            return true;
    }
    return false;
}

} // namespace TargetFolder
