#include "core/AppState.h"
#include "core/Language.h"
#include "sync/frmFinalSelection.h"
#include "ScriptedMessages.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

// Not a check: with ORVANEL_SCREENSHOTS=DIR set, saves pictures of the manual
// selection window in both languages.
namespace {

TEST(FinalScreenshots, ManualSelectionWindowInBothLanguages)
{
    const QString folder = qEnvironmentVariable("ORVANEL_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ORVANEL_SCREENSHOTS=DIR to save pictures";
    QDir().mkpath(folder);
    ScriptedMessages box;
    ManualSelectionSide sides[2];
    sides[0].rootPath = QStringLiteral("/home/maria/Έγγραφα");
    sides[1].rootPath = QStringLiteral("/media/maria/USB STICK 32GB/Αντίγραφα ασφαλείας/2026/Ιανουάριος");
    for (const char *folderName : {"Εργασία", "Photos", "Σημειώσεις", "Projects/orvanel"}) {
        for (int s = 0; s < 2; ++s)
            sides[s].entries.push_back(QStringLiteral("+") + QString::fromUtf8(folderName));
        for (int i = 1; i <= 9; ++i) {
            sides[0].entries.push_back(QStringLiteral("-%1/έγγραφο %2.odt").arg(QString::fromUtf8(folderName)).arg(i));
            if (i % 2)
                sides[1].entries.push_back(
                    QStringLiteral("-%1/IMG_2026010%2_a very long file name to see how it is cut.jpg")
                        .arg(QString::fromUtf8(folderName))
                        .arg(i));
        }
    }
    sides[1].entries.push_back(QStringLiteral("-notes.txt"));
    for (const int lang : {Language::Greek, Language::English}) {
        resetAppState();
        Language::applyState(lang);
        const QString suffix = lang == Language::Greek ? QStringLiteral("el") : QStringLiteral("en");
        frmFinalSelection w(sides);
        w.show();
        w.cmdAll->click();
        w.cmdSelectNone[0]->click();
        for (int row : {0, 2, 3, 4, 11})
            w.lstSelectItems[0]->item(row)->setSelected(true);
        for (int row : {1, 7, 8})
            w.lstSelectItems[1]->item(row)->setSelected(false);
        EXPECT_TRUE(w.grab().save(QDir(folder).filePath("frmFinalSelection-" + suffix + ".png")));
        w.resize(w.size() * 3 / 2);
        EXPECT_TRUE(w.grab().save(QDir(folder).filePath("frmFinalSelection-large-" + suffix + ".png")));
    }
    {
        resetAppState();
        Language::applyState(Language::English);
        ManualSelectionSide oneSide[2] = {{}, sides[1]};
        frmFinalSelection w(oneSide);
        w.show();
        // The longest entry is not the last; its end must still be in reach.
        QScrollBar *bar = w.lstSelectItems[1]->horizontalScrollBar();
        bar->setValue(bar->maximum());
        EXPECT_TRUE(w.grab().save(QDir(folder).filePath("frmFinalSelection-right-only-en.png")));
    }
    resetAppState();
}

} // namespace
