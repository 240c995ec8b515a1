#include "core/AppState.h"
#include "core/Language.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/PathHelpers.h"
#include "sync/frmSelectTargetFolder.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Not a check: with ORVANEL_SCREENSHOTS=DIR set, saves pictures of the
// target-folder window in both languages.
namespace {

TEST(TargetScreenshots, TargetFolderWindowInBothLanguages)
{
    const QString folder = qEnvironmentVariable("ORVANEL_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ORVANEL_SCREENSHOTS=DIR to save pictures";
    QDir().mkpath(folder);
    QTemporaryDir tmp(QStringLiteral("/tmp/o-XXXXXX"));
    const QString home = tmp.filePath("home/maria");
    const QString usb = tmp.filePath("media/maria/USB STICK 32GB");
    for (const char *d : {"home/maria/Έγγραφα/Εργασία", "home/maria/Backup", "home/maria/Φωτογραφίες",
                          "home/maria/.config", "media/maria/USB STICK 32GB/Archive"})
        QDir().mkpath(tmp.filePath(d));
    for (const char *f : {"home/maria/.bashrc", "home/maria/Backup/Σημειώσεις.txt",
                          "home/maria/Backup/todo.md", "home/maria/Backup/budget 2026.ods",
                          "media/maria/USB STICK 32GB/photos-2025.tar", "media/maria/USB STICK 32GB/README"})
        writeBytes(tmp.filePath(f), "x");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    Roots::setProvider([home, usb] { return QStringList{home, QStringLiteral("/"), usb}; });
    ScriptedMessages box;
    for (const int lang : {Language::Greek, Language::English}) {
        resetAppState();
        Language::applyState(lang);
        const QString suffix = lang == Language::Greek ? QStringLiteral("el") : QStringLiteral("en");
        {
            frmSelectTargetFolder w({});
            w.show();
            w.tvwControl->setCurrentItem(w.tvwControl->node(FolderTree::makeKey(0, home + "/Backup")));
            EXPECT_TRUE(w.grab().save(QDir(folder).filePath("frmSelectTargetFolder-" + suffix + ".png")));
        }
        {
            frmSelectTargetFolder w({});
            w.show();
            w.tvwControl->setCurrentItem(w.tvwControl->node(FolderTree::makeKey(2, usb)));
            w.txtTargetFolder->setText(QStringLiteral("Συγχρονισμός"));
            EXPECT_TRUE(
                w.grab().save(QDir(folder).filePath("frmSelectTargetFolder-usb-" + suffix + ".png")));
        }
    }
    Roots::setProvider(nullptr);
    qputenv("HOME", oldHome);
    resetAppState();
}

} // namespace
