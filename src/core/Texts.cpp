#include "Texts.h"

#include "AppState.h"

QString tx(const char *english, const char *greek)
{
    return QString::fromUtf8(App().LanguageIsGreek ? greek : english);
}

QString quoted(const QString &name)
{
    return App().LanguageIsGreek ? QStringLiteral("«") + name + QStringLiteral("»")
                                 : QLatin1Char('\'') + name + QLatin1Char('\'');
}

QString sideTitle(int side, const char *english, const char *greek)
{
    const QString t = tx(english, greek);
    return side == 0 ? QStringLiteral("<--  ") + t : t + QStringLiteral("  -->");
}
