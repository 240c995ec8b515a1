#include "engine/settings/ErrorReport.h"

#include "engine/settings/AppState.h"
#include "engine/settings/Texts.h"
#include "engine/settings/MessageService.h"

QString errorReportPrompt(int number, const QString &description)
{
    const QString n = QString::number(number);
    if (App().LanguageIsGreek)
        return QStringLiteral("Παρουσιάσθηκε το σφάλμα με αριθμό ") + n
               + QStringLiteral(" και περιγραφή «") + description + QStringLiteral("».") + kBlankLine
               + QStringLiteral("Η εφαρμογή δεν μπορεί να εκτελέσει την εργασία που ζητήσατε.");
    return QStringLiteral("Error condition ") + n + QStringLiteral(" with the description '")
           + description + QStringLiteral("' has occured.") + kBlankLine
           + QStringLiteral("The application cannot perform the requested operation.");
}

QString errorReportTitle(const char *location)
{
    return App().MessageTitle + QStringLiteral(", ") + QString::fromLatin1(location)
           + QLatin1Char('.');
}

void CommonErrorReport(int number, const QString &description, const char *location)
{
    MsgBox(errorReportPrompt(number, description), Msg::Information, errorReportTitle(location));
}
