#include "ui/common/FolderTree.h"
#include "WindowTesting.h"

#include <optional>
#include <sys/stat.h>

namespace {

class Tree : public WindowTest {
protected:
    QString root = dir.path();
    std::optional<TestRoots> roots{std::in_place, root, QStringList{root}};
    FolderTree tree;
    FileList files;
    QListWidget placeholder;

    void SetUp() override { makeTree(root, {"a/b/c/", "a/b/one.txt", "a/d/", "e/", "Data/Sub/"}); }
    QString path(const char *rel) { return QDir(root).filePath(QString::fromUtf8(rel)); }
    bool select(const char *rel) { return SelectPath(path(rel), &tree, &files, &placeholder); }
};

TEST_F(Tree, LoadsOneLevelAheadAndNeverDuplicatesOnRepeatedExpansion)
{
    EXPECT_EQ(SelectedPath(&tree), QString()) << "an empty tree";
    AddDrives(&tree);
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem *top = tree.topLevelItem(0);
    EXPECT_EQ(top->text(0), root);
    EXPECT_EQ(tree.currentItem(), top) << "the home root is selected";
    EXPECT_EQ(textsOf(top), (QStringList{"a", "Data", "e"}));
    EXPECT_EQ(top->child(0)->childCount(), 0) << "grandchildren wait for an expansion";
    ExpandNode(&tree, top);
    const int count = tree.nodeCount();
    ExpandNode(&tree, top);
    EXPECT_EQ(tree.nodeCount(), count);
    EXPECT_EQ(textsOf(top->child(0)), (QStringList{"b", "d"}));
    EXPECT_EQ(top->child(0)->child(0)->childCount(), 0) << "c is two levels below what is open";
    tree.setCurrentItem(nullptr);
    EXPECT_EQ(SelectedPath(&tree), root) << "no selection stands for the home folder";
}

TEST_F(Tree, SelectPathShowsTheDeepestExistingFolderAndAFolderThatCannotBeShownTheEmptyPlaceholder)
{
    EXPECT_TRUE(select("e/../a/b/"));
    EXPECT_EQ(SelectedPath(&tree), path("a/b"));
    EXPECT_EQ(files.count(), 1);
    EXPECT_FALSE(select("a/d/missing/deeper"));
    EXPECT_EQ(SelectedPath(&tree), path("a/d"));
    EXPECT_EQ(files.folder(), path("a/d"));
    EXPECT_FALSE(files.isHidden());
    select("a/b/c");
    ASSERT_TRUE(QDir(path("a/b/c")).removeRecursively());
    ShowNodeFiles(&tree, tree.currentItem(), &files, &placeholder);
    EXPECT_TRUE(files.isHidden());
    EXPECT_FALSE(placeholder.isHidden());
    EXPECT_EQ(placeholder.count(), 0);
    ShowNodeFiles(&tree, tree.node(FolderTree::makeKey(0, path("a/b"))), &files, &placeholder);
    EXPECT_FALSE(files.isHidden());
    EXPECT_TRUE(placeholder.isHidden());
}

// Names that differ only in case are one folder; the first stands and the rest still load.
TEST_F(Tree, CaseIsIgnoredInKeysAndSiblingsUnlessCaseSensitive)
{
    for (const char *d : {"a/Mixed", "a/MIXED", "a/zeta"})
        QDir().mkpath(path(d));
    EXPECT_TRUE(select("DATA/sub"));
    EXPECT_EQ(SelectedPath(&tree), path("Data/Sub")) << "the real names are kept";
    EXPECT_EQ(tree.currentItem()->text(0), "Sub");
    select("a");
    EXPECT_EQ(textsOf(tree.currentItem()).join(","), "b,d,MIXED,zeta");
    App().OptionValues.CaseSensitive = true;
    tree.removeAll();
    EXPECT_FALSE(select("DATA/sub"));
    EXPECT_EQ(SelectedPath(&tree), root);
    select("a");
    EXPECT_EQ(textsOf(tree.currentItem()).join(","), "b,d,MIXED,Mixed,zeta");
}

TEST_F(Tree, ARootInsideAnotherKeepsKeysUniqueAndTheDeepestRootWins)
{
    roots.reset();
    roots.emplace(root, QStringList{path("a"), root});
    AddDrives(&tree);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_TRUE(select("a/b/c"));
    EXPECT_EQ(tree.keyOf(tree.currentItem()), FolderTree::makeKey(0, path("a/b/c")));
    EXPECT_TRUE(select("e"));
    // The same folder under the outer root is a node of its own.
    ExpandNode(&tree, tree.topLevelItem(1));
    EXPECT_NE(tree.node(FolderTree::makeKey(1, path("a/b"))), nullptr);
    EXPECT_NE(tree.node(FolderTree::makeKey(0, path("a/b"))), nullptr);
}

TEST_F(Tree, RecallAsksAboutAFolderTheTreeDoesNotShowYetAndFindsItByRebuilding)
{
    select("e");
    QDir().mkpath(path("e/new"));
    box.answer(Msg::Ok);
    RecallPath(path("e/new"), 0, &tree, &files, &placeholder);
    EXPECT_EQ(box.shown.size(), 1u) << "found at the retry: nothing more to say";
    EXPECT_EQ(SelectedPath(&tree), path("e/new"));
}

TEST_F(Tree, FileListShowsFilesAndLinksButNeverFifosOrOurTemporaries)
{
    const QString f = path("e");
    makeTree(f, {".hidden", "Report.TXT", "plan.doc", "README", ".orvanel-tmp-x.AbC123"});
    ASSERT_EQ(::mkfifo(QFile::encodeName(f + "/pipe").constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(f + "/plan.doc", f + "/link.doc"));
    ASSERT_TRUE(files.showFolder(f));
    EXPECT_EQ(textsOf(&files), (QStringList{".hidden", "link.doc", "plan.doc", "README", "Report.TXT"}));
    files.setPattern("*.txt;*.doc");
    EXPECT_EQ(files.count(), 3);
    EXPECT_FALSE(files.showFolder(path("nope")));
}

} // namespace
