#include "core/AppState.h"
#include "core/Language.h"
#include "options/frmOptions.h"
#include "ScriptedMessages.h"

#include <QDir>
#include <gtest/gtest.h>

// Not a check: with ORVANEL_SCREENSHOTS=DIR set, saves pictures of the options
// window in both languages, with the plain and the extended captions.
namespace {

TEST(Screenshots, OptionsWindowInBothLanguagesAndBothCaptionForms)
{
    const QString folder = qEnvironmentVariable("ORVANEL_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ORVANEL_SCREENSHOTS=DIR to save pictures";
    QDir().mkpath(folder);
    ScriptedMessages box;
    for (const int lang : {Language::Greek, Language::English}) {
        for (const bool extended : {false, true}) {
            resetAppState();
            Language::applyState(lang);
            Options &o = App().OptionValues;
            o.SwapItems = extended;
            o.ExcludeFilesFromSwapping = true;
            o.Days = 1;
            o.Hours = 12;
            o.Levels = 3;
            frmOptions w;
            w.show();
            const QString name = QStringLiteral("frmOptions-%1-%2.png")
                                     .arg(lang == Language::Greek ? "el" : "en",
                                          extended ? "extended" : "plain");
            EXPECT_TRUE(w.grab().save(QDir(folder).filePath(name)));
            w.close();
        }
    }
    resetAppState();
}

} // namespace
