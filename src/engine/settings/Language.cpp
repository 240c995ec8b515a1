#include "engine/settings/Language.h"

#include "engine/settings/AppState.h"
#include "engine/settings/Settings.h"
#include "engine/settings/Texts.h"

#include <QDate>

namespace Language {

namespace {
constexpr int kFirstYear = 2026;
}

void applyState(int index)
{
    AppState &a = App();
    a.LanguageIsGreek = index == Greek;
    a.MessageTitle = tx(Texts::TitleEn, Texts::TitleEl);
    a.HelpFilePath = a.LanguageIsGreek ? a.GreekHelpFilePath : a.EnglishHelpFilePath;
    a.AuthorName = tx("the Orvanel developers", "οι δημιουργοί του Orvanel");
}

void store(int index) { Settings::write("General", "Language", QString::number(index)); }

QString copyrightLine()
{
    const int year = QDate::currentDate().year();
    QString years = QString::number(kFirstYear);
    if (year > kFirstYear)
        years += QStringLiteral("-") + QString::number(year);
    return QStringLiteral("© ") + years + QStringLiteral(", ") + App().AuthorName;
}

QString makerName() { return QStringLiteral("Orvanel"); }

} // namespace Language
