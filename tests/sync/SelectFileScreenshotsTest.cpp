#include "core/AppState.h"
#include "core/Language.h"
#include "sync/frmSelectFile.h"
#include "ScriptedMessages.h"

#include <QDir>
#include <gtest/gtest.h>

// Not a check: with ORVANEL_SCREENSHOTS=DIR set, saves pictures of the
// file-choice window in both languages.
namespace {

TEST(SelectFileScreenshots, FileChoiceWindowInBothLanguages)
{
    const QString folder = qEnvironmentVariable("ORVANEL_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ORVANEL_SCREENSHOTS=DIR to save pictures";
    QDir().mkpath(folder);
    ScriptedMessages box;
    const FileChoiceFile upper{
        QStringLiteral("/home/maria/Έγγραφα/Εργασία/2026/Προσφορές/Προσφορά ανακαίνισης γραφείων - τελική.odt"),
        2483712, QDateTime(QDate(2026, 2, 27), QTime(18, 42, 9))};
    const FileChoiceFile lower{
        QStringLiteral("/media/maria/USB STICK 32GB/Αντίγραφα ασφαλείας/Φορητός υπολογιστής/Έγγραφα/"
                       "Εργασία/2026/Προσφορές/"
                       "Προσφορά ανακαίνισης γραφείων - τελική.odt"),
        2479104, QDateTime(QDate(2026, 2, 25), QTime(9, 7, 44))};
    for (const int lang : {Language::Greek, Language::English}) {
        resetAppState();
        Language::applyState(lang);
        const QString suffix = lang == Language::Greek ? QStringLiteral("el") : QStringLiteral("en");
        frmSelectFile w(upper, lower, 3);
        w.show();
        EXPECT_TRUE(w.grab().save(QDir(folder).filePath("frmSelectFile-" + suffix + ".png")));
        w.resize(w.size() * 1.5);
        EXPECT_TRUE(w.grab().save(QDir(folder).filePath("frmSelectFile-large-" + suffix + ".png")));
    }
    resetAppState();
}

} // namespace
