#include "core/AppState.h"
#include "core/Language.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmWarning.h"
#include "ScriptedMessages.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Not a check: with ORVANEL_SCREENSHOTS=DIR set, saves pictures of the
// reminder and About windows in both languages, so they can be looked at.
namespace {

QString shotsFolder() { return qEnvironmentVariable("ORVANEL_SCREENSHOTS"); }

void save(QWidget &w, const QString &name)
{
    w.show();
    EXPECT_TRUE(w.grab().save(QDir(shotsFolder()).filePath(name + ".png")));
    w.hide();
}

TEST(Screenshots, ReminderAndAboutInBothLanguages)
{
    if (shotsFolder().isEmpty())
        GTEST_SKIP() << "set ORVANEL_SCREENSHOTS=DIR to save pictures";
    QDir().mkpath(shotsFolder());
    ScriptedMessages box;
    for (int lang : {Language::Greek, Language::English}) {
        resetAppState();
        Language::applyState(lang);
        const QString suffix = lang == Language::Greek ? QStringLiteral("el") : QStringLiteral("en");
        for (int number : {1, 5}) {
            App().CurrentReminder = number;
            frmWarning w;
            save(w, QStringLiteral("frmWarning%1-").arg(number) + suffix);
        }
        frmAbout about;
        save(about, "frmAbout-" + suffix);
    }
    resetAppState();
}

} // namespace
