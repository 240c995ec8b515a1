#include "engine/settings/Version.h"

#include "engine/settings/Texts.h"

#include <QStringList>

namespace Version {

QString number(const QString &dotted)
{
    const QStringList parts = dotted.trimmed().split(QLatin1Char('.'));
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
        QString part = i < parts.size() ? parts[i].trimmed() : QString();
        bool ok = false;
        const qulonglong value = part.toULongLong(&ok);
        // Surplus zeros go; a part that is no number is shown as written.
        if (ok)
            part = QString::number(value);
        shown << part.rightJustified(4, QLatin1Char('0'));
    }
    return shown.join(QLatin1Char('.'));
}

QString line()
{
    return tx("Version ", "Έκδοση ") + number(QStringLiteral(ORVANEL_VERSION));
}

} // namespace Version
