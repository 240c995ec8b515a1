#include "engine/settings/Texts.h"

#include "engine/settings/AppState.h"
#include "engine/fs/FileNames.h"

QString tx(const char *english, const char *greek)
{
    return QString::fromUtf8(App().LanguageIsGreek ? greek : english);
}

QString quoted(const QString &name)
{
    const QString shown = FileNames::shown(name);
    return App().LanguageIsGreek ? QStringLiteral("«") + shown + QStringLiteral("»")
                                 : QLatin1Char('\'') + shown + QLatin1Char('\'');
}

QString sideTitle(int side, const char *english, const char *greek)
{
    const QString t = tx(english, greek);
    return side == 0 ? QStringLiteral("<--  ") + t : t + QStringLiteral("  -->");
}
