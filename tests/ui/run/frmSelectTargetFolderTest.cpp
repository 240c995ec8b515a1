#include "ui/common/FolderTree.h"
#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "ui/run/frmSelectTargetFolder.h"
#include "WindowTesting.h"

#include <cerrno>
#include <unistd.h>

namespace {

class TargetWindow : public WindowTest {
protected:
    TempTree tmp{{"home/Data/Sub/"}, {"home/notes.txt", "n"}, {"home/Old/deep/keep.txt", "k"}, {"usb/Stick/"}};
    QString home = tmp.at("home"), usb = tmp.at("usb");
    TestRoots roots{home, {home, usb}};

    // Selects a node as a click or an arrow key does.
    static void pick(frmSelectTargetFolder &w, int root, const QString &path)
    {
        SelectPath(parentFolder(path), w.tvwControl, w.File1, w.lstControl);
        QTreeWidgetItem *node = w.tvwControl->node(FolderTree::makeKey(root, path));
        ASSERT_NE(node, nullptr) << path.toStdString();
        w.tvwControl->setCurrentItem(node);
    }
};

TEST_F(TargetWindow, OnlyAFolderDirectlyBelowTheRootThatHoldsItGivesItsName)
{
    const struct { QStringList roots; int root; QString path, name, drive; } cases[] = {
        {{home, usb}, 0, home + "/Data", "Data", home},
        {{home, usb}, 0, home + "/Data/Sub", "", home},
        // Browsed from an outer root, home is a root all the same: OK would build on it.
        {{tmp.path(), home}, 0, home, "", home},
        {{tmp.path(), home}, 0, usb, "usb", tmp.path()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        Roots::setProvider([r = c.roots] { return r; });
        frmSelectTargetFolder w({});
        w.txtTargetFolder->setText("typed");
        pick(w, c.root, c.path);
        EXPECT_EQ(w.txtTargetFolder->text(), c.name);
        EXPECT_EQ(w.cmdOK->isEnabled(), !c.name.isEmpty());
        EXPECT_EQ(w.lblTargetFolder->text(), "Name of target folder on drive " + c.drive);
        EXPECT_EQ(w.File1->folder(), c.path);
    }
}

TEST_F(TargetWindow, ChooseOpensOnHomeAndCreatesTheTypedNameBelowTheRootOfTheSelectionOrNothingOnCancel)
{
    App().TargetFolderPath = "/stale";
    whenModal<frmSelectTargetFolder>([](frmSelectTargetFolder &w) {
        w.txtTargetFolder->setText("Abandoned");
        click(w.cmdCancel);
    });
    EXPECT_EQ(frmSelectTargetFolder::choose({}), "");
    EXPECT_FALSE(QFileInfo::exists(home + "/Abandoned"));
    whenModal<frmSelectTargetFolder>([&](frmSelectTargetFolder &w) {
        activate(&w);
        EXPECT_EQ(w.lblTargetFolder->text(), "Name of target folder on drive " + home);
        EXPECT_FALSE(w.cmdOK->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), w.txtTargetFolder);
        EXPECT_EQ(tabChain(), QStringList({"cmdCancel", "tvwControl", "txtTargetFolder"}))
            << "the display-only file list is passed by, OK waits for a name";
        // The file list only displays: a click sends the focus on.
        ASSERT_EQ(w.File1->count(), 1) << "home's file";
        const QPoint file = w.File1->visualItemRect(w.File1->item(0)).center();
        QTest::mouseClick(w.File1->viewport(), Qt::LeftButton, {}, file);
        EXPECT_TRUE(QApplication::focusWidget() == w.cmdCancel && w.File1->selectedItems().isEmpty());
        pick(w, 0, home + "/Data/Sub");
        QTest::keyClicks(w.txtTargetFolder, "   ");
        EXPECT_FALSE(w.cmdOK->isEnabled()) << "blanks are no name";
        QTest::keyClicks(w.txtTargetFolder, "New/target ");
        EXPECT_EQ(box.beeps, 1) << "the slash is refused";
        // Back in the field, the whole name is selected for retyping.
        w.txtTargetFolder->setFocus();
        QCoreApplication::processEvents();
        EXPECT_EQ(w.txtTargetFolder->selectedText(), "   Newtarget ");
        QTest::keyClick(w.txtTargetFolder, Qt::Key_Return); // as OK
    });
    EXPECT_EQ(frmSelectTargetFolder::choose({home + "/Data", usb + "/Stick"}), home + "/Newtarget");
    EXPECT_TRUE(QFileInfo(home + "/Newtarget").isDir() && entriesOf(home + "/Newtarget").isEmpty());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(TargetWindow, YesReplacesALinkOfTheNameItselfNeverWhatItPointsTo)
{
    ASSERT_TRUE(QFile::link(home + "/Old", usb + "/Link"));
    frmSelectTargetFolder w({});
    w.show();
    pick(w, 1, usb + "/Stick");
    w.txtTargetFolder->setText("Link");
    box.answer(Msg::Yes);
    click(w.cmdOK);
    EXPECT_TRUE(QFileInfo(usb + "/Link").isDir() && !QFileInfo(usb + "/Link").isSymLink());
    EXPECT_TRUE(entriesOf(usb + "/Link").isEmpty());
    EXPECT_EQ(readBytes(home + "/Old/deep/keep.txt"), "k");
    EXPECT_EQ(App().TargetFolderPath, usb + "/Link");
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
    // No is the default answer: Enter keeps the folder.
    EXPECT_EQ(box.text(0), ("Delete target folder | 292 | There is already a top level folder or file named '" + shown
                            + "', on drive '" + home + "'.\r\n\r\nATTENTION: THE FOLDER WILL BE PERMANENTLY "
                                                       "DELETED.\r\n\r\nDo you really want to delete it?").toStdString());
    EXPECT_EQ(::access(path + "/keep", F_OK), 0) << "No deletes nothing";
    EXPECT_TRUE(w.isVisible());
    // Gone before OK: made again under the same bytes, not under the text shown.
    ASSERT_EQ(::unlink(path + "/keep"), 0);
    ASSERT_EQ(::rmdir(path), 0);
    click(w.cmdOK);
    EXPECT_EQ(FileNames::toBytes(App().TargetFolderPath), path);
    EXPECT_EQ(::access(path, F_OK), 0);
    EXPECT_EQ(box.shown.size(), 1u);
}

TEST_F(TargetWindow, NamesReachingOutsideTheRootTargetsOverlappingASourceAndARootGoneAreRefused)
{
    writeBytes(home + "/a/b/keep.txt", "k");
    ASSERT_TRUE(QFile::link(home, tmp.filePath("homeLink"))); // a source holding the root, by another name
    const QStringList before = entriesOf(tmp.path());
    frmSelectTargetFolder w({usb + "/Stick", home + "/Data/Sub", tmp.filePath("homeLink")});
    w.show();
    for (const QString typed : {"..", " . ", "a/b"}) {
        w.txtTargetFolder->setText(typed);
        click(w.cmdOK);
        EXPECT_EQ(box.shown.back().prompt, "Folder '" + typed.trimmed()
                                               + "' could not be created, probably because drive '" + home
                                               + "' is unavailable.");
    }
    ASSERT_EQ(box.shown.size(), 3u) << "and no deletion question";
    EXPECT_EQ(box.shown[0].title, "Create target folder");
    EXPECT_EQ(entriesOf(tmp.path()), before);
    EXPECT_EQ(readBytes(home + "/a/b/keep.txt"), "k");
    pick(w, 0, home + "/Data");
    click(w.cmdOK);
    ASSERT_EQ(box.shown.size(), 4u);
    EXPECT_EQ(box.shown[3].prompt, "The target folder '" + home + "/Data' is, lies inside, or holds one of "
                                   "the folders being synchronized ('" + home + "/Data/Sub'). Choose "
                                   "another name.");
    EXPECT_TRUE(QFileInfo(home + "/Data/Sub").isDir());
    w.txtTargetFolder->setText("New");
    click(w.cmdOK);
    EXPECT_TRUE(box.shown.back().prompt.endsWith("('" + tmp.filePath("homeLink") + "'). Choose another name."));
    // A root that went away after the tree was built.
    App().LanguageIsGreek = true;
    pick(w, 1, usb + "/Stick");
    ASSERT_TRUE(QDir(usb).removeRecursively());
    w.txtTargetFolder->setText("Backup");
    click(w.cmdOK);
    ASSERT_EQ(box.shown.size(), 6u);
    // The guess at the cause comes with the system's own reason.
    const QString reason = systemText(ENOENT) + ".";
    EXPECT_EQ(box.shown[5].prompt, "Η δημιουργία του φακέλλου «Backup» κατέστη αδύνατη, ίσως διότι ο "
                                   "δίσκος «" + usb + "» δεν είναι διαθέσιμος.\r\nΗ αιτία, κατά το σύστημα: " + reason);
    App().LanguageIsGreek = false;
    click(w.cmdOK);
    EXPECT_EQ(box.shown.back().prompt, "Folder 'Backup' could not be created, probably because drive '" + usb
                                           + "' is unavailable.\r\nThe system's reason: " + reason);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(App().TargetFolderPath, "");
}

} // namespace
