#include "core/AppState.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/PathHelpers.h"
#include "platform/FileNames.h"
#include "sync/frmSelectTargetFolder.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class TargetWindow : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString home = tmp.filePath("home");
    QString usb = tmp.filePath("usb");
    ScriptedMessages box;
    QByteArray oldHome = qgetenv("HOME");

    void SetUp() override
    {
        resetAppState();
        App().LanguageIsGreek = false;
        for (const char *d : {"home/Data/Sub", "home/Old/deep", "usb/Stick"})
            QDir().mkpath(tmp.filePath(d));
        writeBytes(home + "/notes.txt", "n");
        writeBytes(home + "/Old/deep/keep.txt", "k");
        qputenv("HOME", QFile::encodeName(home));
        roots({home, usb});
    }
    void TearDown() override
    {
        Roots::setProvider(nullptr);
        qputenv("HOME", oldHome);
        resetAppState();
    }
    static void roots(QStringList list)
    {
        Roots::setProvider([list] { return list; });
    }
    // Selects a node as a click or an arrow key does.
    static void pick(frmSelectTargetFolder &w, int root, const QString &path)
    {
        SelectPath(parentFolder(path), w.tvwControl, w.File1, w.lstControl);
        QTreeWidgetItem *node = w.tvwControl->node(FolderTree::makeKey(root, path));
        ASSERT_NE(node, nullptr) << path.toStdString();
        w.tvwControl->setCurrentItem(node);
    }
    static void paste(QLineEdit *field, const QString &text)
    {
        QApplication::clipboard()->setText(text);
        field->selectAll();
        field->paste();
    }
    static void activate(QWidget *w)
    {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    static void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
};

TEST_F(TargetWindow, OpensOnTheHomeRootWithNoNameAndTheFocusInTheField)
{
    frmSelectTargetFolder w({});
    activate(&w);
    EXPECT_EQ(w.windowTitle(), "Set target folder");
    EXPECT_EQ(w.cmdOK->text(), "OK");
    EXPECT_EQ(w.cmdCancel->text(), "Cancel");
    EXPECT_EQ(w.lblTargetFolder->text(), "Name of target folder on drive " + home);
    EXPECT_EQ(SelectedPath(w.tvwControl), home);
    EXPECT_EQ(w.File1->folder(), home);
    EXPECT_EQ(w.File1->count(), 1);
    EXPECT_EQ(w.txtTargetFolder->text(), "");
    EXPECT_FALSE(w.cmdOK->isEnabled());
    EXPECT_EQ(w.tvwControl->palette().color(QPalette::Base), QColor(255, 255, 192));
    EXPECT_EQ(QApplication::focusWidget(), w.txtTargetFolder);

    // The file list only displays: a click sends the focus on.
    QTest::mouseClick(w.File1->viewport(), Qt::LeftButton, {},
                      w.File1->visualItemRect(w.File1->item(0)).center());
    EXPECT_EQ(QApplication::focusWidget(), w.cmdCancel);
    EXPECT_TRUE(w.File1->selectedItems().isEmpty());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(TargetWindow, OnlyAFolderDirectlyBelowTheRootThatHoldsItGivesItsName)
{
    const QString prefix = "Name of target folder on drive ";
    {
        frmSelectTargetFolder w({});
        pick(w, 0, home + "/Data");
        EXPECT_EQ(w.txtTargetFolder->text(), "Data");
        EXPECT_TRUE(w.cmdOK->isEnabled());
        pick(w, 0, home + "/Data/Sub");
        EXPECT_EQ(w.txtTargetFolder->text(), "");
        EXPECT_FALSE(w.cmdOK->isEnabled());
        EXPECT_EQ(w.File1->folder(), home + "/Data/Sub");
        pick(w, 1, usb + "/Stick");
        EXPECT_EQ(w.txtTargetFolder->text(), "Stick");
        EXPECT_EQ(w.lblTargetFolder->text(), prefix + usb);
        w.tvwControl->setCurrentItem(w.tvwControl->node(FolderTree::makeKey(1, usb)));
        EXPECT_EQ(w.txtTargetFolder->text(), "");
        EXPECT_FALSE(w.cmdOK->isEnabled());
    }
    // Browsed from an outer root, home is a root all the same: OK would build on it.
    roots({tmp.path(), home});
    frmSelectTargetFolder w({});
    pick(w, 0, home);
    EXPECT_EQ(w.txtTargetFolder->text(), "");
    EXPECT_EQ(w.lblTargetFolder->text(), prefix + home);
    pick(w, 0, home + "/Data");
    EXPECT_EQ(w.txtTargetFolder->text(), "Data");
    EXPECT_EQ(w.lblTargetFolder->text(), prefix + home);
    pick(w, 0, usb);
    EXPECT_EQ(w.txtTargetFolder->text(), "usb");
    EXPECT_EQ(w.lblTargetFolder->text(), prefix + tmp.path());
}

TEST_F(TargetWindow, BlanksAreNoNameAndTheSlashKeyIsRefused)
{
    frmSelectTargetFolder w({});
    activate(&w);
    QTest::keyClicks(w.txtTargetFolder, "   ");
    EXPECT_FALSE(w.cmdOK->isEnabled());
    w.txtTargetFolder->clear();
    QTest::keyClicks(w.txtTargetFolder, "a/b");
    EXPECT_EQ(w.txtTargetFolder->text(), "ab");
    EXPECT_EQ(box.beeps, 1);
    EXPECT_TRUE(w.cmdOK->isEnabled());

    // Back in the field, the whole name is selected for retyping.
    w.cmdCancel->setFocus();
    w.txtTargetFolder->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.txtTargetFolder->selectedText(), "ab");
}

TEST_F(TargetWindow, AnExistingEntryIsReplacedOnlyAfterYes)
{
    frmSelectTargetFolder w({});
    w.show();
    pick(w, 0, home + "/Old");

    box.answer(Msg::No);
    click(w.cmdOK);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "There is already a top level folder or file named 'Old', on drive '"
                                       + home + "'.\r\n\r\nATTENTION: THE FOLDER WILL BE PERMANENTLY "
                                                "DELETED.\r\n\r\nDo you really want to delete it?");
    EXPECT_EQ(box.shown[0].title, "Delete target folder");
    EXPECT_EQ(box.shown[0].style, Msg::Question | Msg::YesNo);
    EXPECT_EQ(readBytes(home + "/Old/deep/keep.txt"), "k");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(App().TargetFolderPath, "");

    box.answer(Msg::Yes);
    click(w.cmdOK);
    EXPECT_EQ(box.shown.size(), 2u);
    EXPECT_TRUE(QFileInfo(home + "/Old").isDir());
    EXPECT_TRUE(entriesOf(home + "/Old").isEmpty());
    EXPECT_EQ(App().TargetFolderPath, home + "/Old");
    EXPECT_FALSE(w.isVisible());
}

TEST_F(TargetWindow, AClickedLegacyNameIsTargetedByItsBytes)
{
    makeTree(home, {kLegacyName + "/keep"});
    const QString shown = "\\xD6\\xDC\\xEA\\xE5\\xEB\\xEB\\xEF\\xF2";
    const QByteArray path = FileNames::toBytes(home) + "/" + kLegacyName;
    frmSelectTargetFolder w({});
    w.show();
    pick(w, 0, FileNames::fromBytes(path));
    EXPECT_EQ(w.txtTargetFolder->text(), shown);
    box.answer(Msg::No);
    click(w.cmdOK);
    ASSERT_EQ(box.shown.size(), 1u) << "the folder is found by its bytes";
    EXPECT_TRUE(box.shown[0].prompt.startsWith("There is already a top level folder or file named '"
                                               + shown + "'"));
    EXPECT_EQ(readBytes(FileNames::fromBytes(path + "/keep")), "");

    // Gone before OK: made again under the same bytes, not under the text shown.
    ASSERT_EQ(::unlink(path + "/keep"), 0);
    ASSERT_EQ(::rmdir(path), 0);
    click(w.cmdOK);
    EXPECT_EQ(FileNames::toBytes(App().TargetFolderPath), path);
    EXPECT_EQ(::access(path, F_OK), 0);
    EXPECT_EQ(box.shown.size(), 1u);
}

TEST_F(TargetWindow, ALinkOfThatNameIsRemovedItselfNeverWhatItPointsTo)
{
    ASSERT_TRUE(QFile::link(home + "/Old", usb + "/Link"));
    App().LanguageIsGreek = true;
    frmSelectTargetFolder w({});
    w.show();
    EXPECT_EQ(w.windowTitle(), "Ορισμός φακέλλου προορισμού");
    EXPECT_EQ(w.cmdCancel->text(), "Άκυρο");
    pick(w, 1, usb + "/Stick");
    EXPECT_EQ(w.lblTargetFolder->text(), "Όνομα του φακέλλου προορισμού στο δίσκο " + usb);
    w.txtTargetFolder->setText("Link");
    box.answer(Msg::Yes);
    click(w.cmdOK);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "Υπάρχει ήδη φάκελλος ή αρχείο με όνομα «Link», στο πρώτο επίπεδο "
                                   "του δίσκου «" + usb + "».\r\n\r\nΠΡΟΣΟΧΗ: Ο ΦΑΚΕΛΛΟΣ ΘΑ ΔΙΑΓΡΑΦΕΙ "
                                   "ΟΡΙΣΤΙΚΩΣ.\r\n\r\nΘέλετε πράγματι να διαγραφεί;");
    EXPECT_EQ(box.shown[0].title, "Διαγραφή φακέλλου προορισμού");
    EXPECT_FALSE(QFileInfo(usb + "/Link").isSymLink());
    EXPECT_EQ(App().TargetFolderPath, usb + "/Link");
    EXPECT_EQ(readBytes(home + "/Old/deep/keep.txt"), "k");
}

TEST_F(TargetWindow, NamesThatReachOutsideTheRootOrARootGoneAreRefusedAndNothingIsDeleted)
{
    QDir().mkpath(home + "/a/b");
    writeBytes(home + "/a/b/keep.txt", "k");
    const QStringList before = entriesOf(tmp.path());
    frmSelectTargetFolder w({});
    w.show();
    for (const QString &typed : {QStringLiteral(".."), QStringLiteral(" . "), QStringLiteral("a/b")}) {
        SCOPED_TRACE(typed.toStdString());
        box.shown.clear();
        paste(w.txtTargetFolder, typed);
        EXPECT_TRUE(w.cmdOK->isEnabled());
        click(w.cmdOK);
        ASSERT_EQ(box.shown.size(), 1u) << "no deletion question";
        EXPECT_EQ(box.shown[0].prompt, "Folder '" + typed.trimmed()
                                           + "' could not be created, probably because drive '" + home
                                           + "' is unavailable.");
        EXPECT_EQ(box.shown[0].title, "Create target folder");
        EXPECT_EQ(box.shown[0].style, Msg::Critical | Msg::OkOnly);
        EXPECT_TRUE(w.isVisible());
    }
    EXPECT_EQ(entriesOf(tmp.path()), before);
    EXPECT_EQ(readBytes(home + "/a/b/keep.txt"), "k");
    EXPECT_EQ(readBytes(home + "/Old/deep/keep.txt"), "k");

    // A root that went away after the tree was built.
    App().LanguageIsGreek = true;
    box.shown.clear();
    pick(w, 1, usb + "/Stick");
    ASSERT_TRUE(QDir(usb).removeRecursively());
    w.txtTargetFolder->setText("Backup");
    click(w.cmdOK);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "Η δημιουργία του φακέλλου «Backup» κατέστη αδύνατη, ίσως διότι ο "
                                   "δίσκος «" + usb + "» δεν είναι διαθέσιμος.");
    EXPECT_EQ(box.shown[0].title, "Δημιουργία φακέλλου προορισμού");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(App().TargetFolderPath, "");
}

TEST_F(TargetWindow, ATargetThatHoldsASourceIsRefusedAndNothingIsDeleted)
{
    frmSelectTargetFolder w({usb + "/Stick", home + "/Data/Sub"});
    w.show();
    pick(w, 0, home + "/Data");
    click(w.cmdOK);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "The target folder '" + home + "/Data' is, or holds, one of the "
                                   "folders being synchronized ('" + home + "/Data/Sub'). Choose "
                                   "another name.");
    EXPECT_EQ(box.shown[0].title, "Set target folder");
    EXPECT_EQ(box.shown[0].style, Msg::Exclamation | Msg::OkOnly);
    EXPECT_TRUE(QFileInfo(home + "/Data/Sub").isDir());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(App().TargetFolderPath, "");
}

TEST_F(TargetWindow, ChooseCreatesTheTrimmedNameBelowTheRootOfAnyDeepSelectionOrNothingOnCancel)
{
    App().TargetFolderPath = "/stale";
    const auto window = [] {
        return qobject_cast<frmSelectTargetFolder *>(QApplication::activeModalWidget());
    };
    QTimer::singleShot(0, [&] {
        window()->txtTargetFolder->setText("Abandoned");
        window()->cmdCancel->click();
    });
    EXPECT_EQ(frmSelectTargetFolder::choose({}), "");
    EXPECT_FALSE(QFileInfo::exists(home + "/Abandoned"));

    QTimer::singleShot(0, [&] {
        pick(*window(), 0, home + "/Data/Sub");
        QTest::keyClicks(window()->txtTargetFolder, "  New target ");
        click(window()->cmdOK);
    });
    EXPECT_EQ(frmSelectTargetFolder::choose({home + "/Data", usb + "/Stick"}), home + "/New target");
    EXPECT_EQ(App().TargetFolderPath, home + "/New target");
    EXPECT_TRUE(QFileInfo(home + "/New target").isDir());
    EXPECT_TRUE(entriesOf(home + "/New target").isEmpty());
    EXPECT_TRUE(box.shown.empty());
}

} // namespace
