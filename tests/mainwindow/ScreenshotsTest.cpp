#include "core/AppState.h"
#include "core/Language.h"
#include "core/Startup.h"
#include "mainwindow/frmRecallPath.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Not a check: with ORVANEL_SCREENSHOTS=DIR set, saves pictures of the
// secondary windows in both languages, so they can be looked at.
namespace {

QString shotsFolder() { return qEnvironmentVariable("ORVANEL_SCREENSHOTS"); }

TEST(Screenshots, SecondaryWindowsInBothLanguages)
{
    if (shotsFolder().isEmpty())
        GTEST_SKIP() << "set ORVANEL_SCREENSHOTS=DIR to save pictures";
    QDir().mkpath(shotsFolder());
    QTemporaryDir tmp;
    ScriptedMessages box;
    for (int lang = 0; lang < 2; ++lang) {
        resetAppState();
        Startup::computeFileLocations(tmp.path(), tmp.path());
        Language::applyState(lang);
        writeBytes(App().SavedPathsFile[1], "/home/maria/Έγγραφα/Εργασία\r\n/media/usb/Backup\r\n/srv/photos\r\n");
        App().RecallSide = 1;
        frmRecallPath w;
        w.show();
        w.lstSavedPaths->setCurrentRow(1);
        const QString suffix = lang == 0 ? QStringLiteral("el") : QStringLiteral("en");
        EXPECT_TRUE(w.grab().save(QDir(shotsFolder()).filePath("frmRecallPath-" + suffix + ".png")));
        w.close();
    }
    resetAppState();
}

} // namespace
