#include "core/AppState.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/PathHelpers.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class Tree : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString root = tmp.path();
    FolderTree tree;
    FileList files;
    QListWidget placeholder;
    QByteArray oldHome = qgetenv("HOME");

    void SetUp() override
    {
        resetAppState();
        for (const char *d : {"a/b/c", "a/d", "e", "Data/Sub"})
            QDir().mkpath(tmp.filePath(d));
        writeBytes(tmp.filePath("a/b/one.txt"), "1");
        qputenv("HOME", root.toUtf8());
        roots({root});
    }
    void TearDown() override
    {
        Roots::setProvider(nullptr);
        qputenv("HOME", oldHome);
        resetAppState();
    }
    void roots(QStringList list)
    {
        Roots::setProvider([list] { return list; });
    }
    QStringList childTexts(QTreeWidgetItem *node)
    {
        QStringList t;
        for (int i = 0; node && i < node->childCount(); ++i)
            t << node->child(i)->text(0);
        return t;
    }
    QString path(const char *rel) { return QDir(root).filePath(QString::fromUtf8(rel)); }
};

TEST_F(Tree, LoadsOneLevelAheadAndNeverDuplicatesOnRepeatedExpansion)
{
    AddDrives(&tree);
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem *top = tree.topLevelItem(0);
    EXPECT_EQ(top->text(0), root);
    EXPECT_EQ(tree.currentItem(), top) << "the home root is selected";
    EXPECT_EQ(childTexts(top), (QStringList{"a", "Data", "e"}));
    EXPECT_EQ(top->child(0)->childCount(), 0) << "grandchildren wait for an expansion";

    ExpandNode(&tree, top);
    const int count = tree.nodeCount();
    EXPECT_EQ(childTexts(top->child(0)), (QStringList{"b", "d"}));
    ExpandNode(&tree, top);
    top->setExpanded(true);
    ExpandNode(&tree, top);
    EXPECT_EQ(tree.nodeCount(), count);
    EXPECT_EQ(childTexts(top->child(0)), (QStringList{"b", "d"}));
    EXPECT_EQ(top->child(0)->child(0)->childCount(), 0) << "c is two levels below what is open";
}

TEST_F(Tree, SelectPathSelectsTheDeepestExistingFolderOfAPartialPath)
{
    EXPECT_TRUE(SelectPath(path("a/b"), &tree, &files, &placeholder));
    EXPECT_EQ(SelectedPath(&tree), path("a/b"));
    EXPECT_EQ(files.folder(), path("a/b"));
    EXPECT_EQ(files.count(), 1);

    EXPECT_FALSE(SelectPath(path("a/d/missing/deeper"), &tree, &files, &placeholder));
    EXPECT_EQ(SelectedPath(&tree), path("a/d"));
    EXPECT_EQ(files.folder(), path("a/d"));
    EXPECT_FALSE(files.isHidden());

    EXPECT_TRUE(SelectPath(path("a/b/c/"), &tree, &files, &placeholder)) << "a trailing / is no folder";
    EXPECT_EQ(SelectedPath(&tree), path("a/b/c"));
    EXPECT_TRUE(SelectPath(path("e/../a"), &tree, &files, &placeholder));
    EXPECT_EQ(SelectedPath(&tree), path("a"));
}

TEST_F(Tree, CaseIsIgnoredInKeysUnlessCaseSensitive)
{
    EXPECT_TRUE(SelectPath(path("DATA/sub"), &tree, &files, &placeholder));
    EXPECT_EQ(SelectedPath(&tree), path("Data/Sub")) << "the real names are kept";
    EXPECT_EQ(tree.currentItem()->text(0), "Sub");

    App().OptionValues.CaseSensitive = true;
    tree.removeAll();
    EXPECT_FALSE(SelectPath(path("DATA/sub"), &tree, &files, &placeholder));
    EXPECT_EQ(SelectedPath(&tree), root);
}

TEST_F(Tree, SiblingsThatDifferOnlyInCaseDoNotStopTheRest)
{
    QDir().mkpath(path("a/Mixed"));
    QDir().mkpath(path("a/MIXED"));
    QDir().mkpath(path("a/zeta"));
    SelectPath(path("a"), &tree, &files, &placeholder);
    const QStringList names = childTexts(tree.currentItem());
    EXPECT_EQ(names.size(), 4) << names.join(",").toStdString();
    EXPECT_EQ(names.filter("mixed", Qt::CaseInsensitive).size(), 1);
    EXPECT_TRUE(names.contains("zeta"));

    App().OptionValues.CaseSensitive = true;
    tree.removeAll();
    SelectPath(path("a"), &tree, &files, &placeholder);
    EXPECT_EQ(childTexts(tree.currentItem()).filter("mixed", Qt::CaseInsensitive).size(), 2);
}

TEST_F(Tree, ARootInsideAnotherKeepsKeysUniqueAndTheDeepestRootWins)
{
    roots({path("a"), root});
    AddDrives(&tree);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_TRUE(SelectPath(path("a/b/c"), &tree, &files, &placeholder));
    QTreeWidgetItem *top = tree.currentItem();
    while (top->parent())
        top = top->parent();
    EXPECT_EQ(top, tree.topLevelItem(0));
    EXPECT_TRUE(SelectPath(path("e"), &tree, &files, &placeholder));
    // The same folder under the outer root is a node of its own.
    ExpandNode(&tree, tree.topLevelItem(1));
    EXPECT_NE(tree.node(FolderTree::makeKey(1, path("a/b"))), nullptr);
    EXPECT_NE(tree.node(FolderTree::makeKey(0, path("a/b"))), nullptr);
}

TEST_F(Tree, AFolderThatCannotBeShownLeavesTheEmptyPlaceholder)
{
    SelectPath(path("a/b/c"), &tree, &files, &placeholder);
    ASSERT_TRUE(QDir(path("a/b/c")).removeRecursively());
    ShowNodeFiles(&tree, tree.currentItem(), &files, &placeholder);
    EXPECT_TRUE(files.isHidden());
    EXPECT_FALSE(placeholder.isHidden());
    EXPECT_EQ(placeholder.count(), 0);

    ShowNodeFiles(&tree, tree.node(FolderTree::makeKey(0, path("a/b"))), &files, &placeholder);
    EXPECT_FALSE(files.isHidden());
    EXPECT_TRUE(placeholder.isHidden());
}

TEST_F(Tree, SelectedPathOfAnEmptyTreeIsEmptyAndWithoutSelectionTheHomeFolder)
{
    EXPECT_EQ(SelectedPath(&tree), QString());
    AddDrives(&tree);
    tree.setCurrentItem(nullptr);
    EXPECT_EQ(SelectedPath(&tree), root);
}

TEST_F(Tree, ResetTreeRebuildsAndSelectsTheSameFolderAgain)
{
    SelectPath(path("a/d"), &tree, &files, &placeholder);
    QDir().mkpath(path("a/new"));
    EXPECT_TRUE(ResetTree(&tree, &files, &placeholder));
    EXPECT_EQ(SelectedPath(&tree), path("a/d"));
    EXPECT_TRUE(childTexts(tree.currentItem()->parent()).contains("new"));
}

TEST_F(Tree, RecallOfARemovedFolderAsksOnceThenReportsWhereItStopped)
{
    ScriptedMessages box;
    App().LanguageIsGreek = false;
    box.answer(Msg::Cancel);
    RecallPath(path("a/gone/x"), 0, &tree, &files, &placeholder);
    EXPECT_EQ(SelectedPath(&tree), path("a"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].style, 33);
    EXPECT_EQ(box.shown[0].title, "<--  Recall path");
    EXPECT_TRUE(box.shown[0].prompt.startsWith("You are trying to recall path '" + path("a/gone/x")
                                               + "', which could not be located on your computer. "
                                                 "The path that has been recalled so far, is '"
                                               + path("a") + "'.\r\n\r\n"));

    box.shown.clear();
    box.answer(Msg::Ok);
    RecallPath(path("a/gone/x"), 1, &tree, &files, &placeholder);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].prompt, "Path '" + path("a/gone/x") + "', could not be recalled after all. "
                                   "The path that has been recalled, is '" + path("a") + "'.");
    EXPECT_EQ(box.shown[1].title, "Recall path  -->");
    EXPECT_EQ(box.shown[1].style, 64);

    // The retry finds a folder that has come back meanwhile.
    box.shown.clear();
    box.answer(Msg::Ok);
    QDir().mkpath(path("e/back"));
    RecallPath(path("e/back"), 0, &tree, &files, &placeholder);
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(SelectedPath(&tree), path("e/back"));
}

TEST_F(Tree, FileListShowsFilesAndLinksButNeverFifosOrOurTemporaries)
{
    const QString f = path("e");
    writeBytes(f + "/.hidden", "");
    writeBytes(f + "/Report.TXT", "");
    writeBytes(f + "/plan.doc", "");
    writeBytes(f + "/README", "");
    writeBytes(f + "/.orvanel-tmp-x.AbC123", "");
    ASSERT_EQ(::mkfifo(QFile::encodeName(f + "/pipe").constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(f + "/plan.doc", f + "/link.doc"));
    ASSERT_TRUE(files.showFolder(f));
    QStringList shown;
    for (int i = 0; i < files.count(); ++i)
        shown << files.item(i)->text();
    EXPECT_EQ(shown, (QStringList{".hidden", "link.doc", "plan.doc", "README", "Report.TXT"}));
    files.setPattern("*.txt;*.doc");
    EXPECT_EQ(files.count(), 3);
    EXPECT_FALSE(files.showFolder(path("nope")));
}

TEST(Pattern, WildcardsAsUsersKnowThem)
{
    resetAppState();
    EXPECT_TRUE(matchesPattern("README", "*.*"));
    EXPECT_TRUE(matchesPattern("a.txt", ""));
    EXPECT_TRUE(matchesPattern("a.TXT", "*.txt"));
    EXPECT_TRUE(matchesPattern("a.doc", "*.txt; *.doc"));
    EXPECT_TRUE(matchesPattern("ab.c", "a?.c"));
    EXPECT_FALSE(matchesPattern("abc.c", "a?.c"));
    EXPECT_TRUE(matchesPattern("[x].txt", "[x]*"));
    EXPECT_FALSE(matchesPattern("x.txt", "[x]*"));
    EXPECT_TRUE(matchesPattern("a.tar.gz", "*.gz"));
    EXPECT_FALSE(matchesPattern("a.gz.bak", "*.gz"));
    App().OptionValues.CaseSensitive = true;
    EXPECT_FALSE(matchesPattern("a.TXT", "*.txt"));
    resetAppState();
}

TEST(PathText, HelpersKeepLinuxPathsTidy)
{
    EXPECT_EQ(AddTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(AddTrailingSeparator("/"), "/");
    EXPECT_EQ(RemoveTrailingSeparator("/a/"), "/a");
    EXPECT_EQ(LastPathComponent("/a/b"), "b");
    EXPECT_EQ(LastPathComponent("ab"), "");
    EXPECT_EQ(parentFolder("/a/b"), "/a");
    EXPECT_EQ(parentFolder("/a"), "/");
    EXPECT_EQ(parentFolder("/"), "");
    EXPECT_EQ(tidyFolderPath("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(tidyFolderPath("/a/b/../../.."), "/");
    resetAppState();
    // One letter folds to one letter, as case-insensitive disks compare.
    EXPECT_EQ(NormalizeCase("data/Readme_1.TXT"), "data/readme_1.txt");
    EXPECT_EQ(NormalizeCase("ΦΆΚΕΛΛΟΣ/Maße/ﬁ"), "φάκελλοσ/maße/ﬁ");
    EXPECT_EQ(NormalizeCase("ς"), NormalizeCase("Σ"));
    App().OptionValues.CaseSensitive = true;
    EXPECT_EQ(NormalizeCase("data"), "data");
    resetAppState();
}

} // namespace
