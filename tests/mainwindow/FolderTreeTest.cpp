#include "mainwindow/FolderTree.h"
#include "mainwindow/PathHelpers.h"
#include "WindowTesting.h"

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
        Roots::setProvider([r = root] { return QStringList{r}; });
    }
    void TearDown() override
    {
        Roots::setProvider(nullptr);
        qputenv("HOME", oldHome);
        resetAppState();
    }
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

TEST_F(Tree, SelectPathSelectsTheDeepestExistingFolderOfAPartialPath)
{
    EXPECT_TRUE(select("e/../a/b/"));
    EXPECT_EQ(SelectedPath(&tree), path("a/b"));
    EXPECT_EQ(files.count(), 1);
    EXPECT_FALSE(select("a/d/missing/deeper"));
    EXPECT_EQ(SelectedPath(&tree), path("a/d"));
    EXPECT_EQ(files.folder(), path("a/d"));
    EXPECT_FALSE(files.isHidden());
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
    Roots::setProvider([this] { return QStringList{path("a"), root}; });
    AddDrives(&tree);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_TRUE(select("a/b/c"));
    QTreeWidgetItem *top = tree.currentItem();
    while (top->parent())
        top = top->parent();
    EXPECT_EQ(top, tree.topLevelItem(0));
    EXPECT_TRUE(select("e"));
    // The same folder under the outer root is a node of its own.
    ExpandNode(&tree, tree.topLevelItem(1));
    EXPECT_NE(tree.node(FolderTree::makeKey(1, path("a/b"))), nullptr);
    EXPECT_NE(tree.node(FolderTree::makeKey(0, path("a/b"))), nullptr);
}

TEST_F(Tree, AFolderThatCannotBeShownLeavesTheEmptyPlaceholder)
{
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

TEST_F(Tree, RecallOfARemovedFolderAsksOnceThenReportsWhereItStopped)
{
    ScriptedMessages box;
    App().LanguageIsGreek = false;
    box.answer(Msg::Cancel);
    RecallPath(path("a/gone/x"), 0, &tree, &files, &placeholder);
    EXPECT_EQ(SelectedPath(&tree), path("a"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].style, 33);
    EXPECT_TRUE(box.shown[0].prompt.startsWith("You are trying to recall path '" + path("a/gone/x")
                                               + "', which could not be located on your computer. "
                                                 "The path that has been recalled so far, is '"
                                               + path("a") + "'.\r\n\r\n"));

    box.answer(Msg::Ok);
    RecallPath(path("a/gone/x"), 1, &tree, &files, &placeholder);
    ASSERT_EQ(box.shown.size(), 3u);
    EXPECT_EQ(box.shown[2].prompt, "Path '" + path("a/gone/x") + "', could not be recalled after all. "
                                   "The path that has been recalled, is '" + path("a") + "'.");
    EXPECT_EQ(box.shown[2].title, "Recall path  -->");

    // The retry finds a folder that has come back meanwhile.
    box.answer(Msg::Ok);
    QDir().mkpath(path("e/back"));
    RecallPath(path("e/back"), 0, &tree, &files, &placeholder);
    EXPECT_EQ(box.shown.size(), 4u);
    EXPECT_EQ(SelectedPath(&tree), path("e/back"));
}

TEST_F(Tree, FileListShowsFilesAndLinksButNeverFifosOrOurTemporaries)
{
    const QString f = path("e");
    for (const char *name : {".hidden", "Report.TXT", "plan.doc", "README", ".orvanel-tmp-x.AbC123"})
        writeBytes(f + "/" + name, "");
    ASSERT_EQ(::mkfifo(QFile::encodeName(f + "/pipe").constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(f + "/plan.doc", f + "/link.doc"));
    ASSERT_TRUE(files.showFolder(f));
    EXPECT_EQ(textsOf(&files), (QStringList{".hidden", "link.doc", "plan.doc", "README", "Report.TXT"}));
    files.setPattern("*.txt;*.doc");
    EXPECT_EQ(files.count(), 3);
    EXPECT_FALSE(files.showFolder(path("nope")));
}

TEST(PathText, WildcardsAsUsersKnowThemAndTidyLinuxPaths)
{
    resetAppState();
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"a.txt", "", true},           {"a.doc", "*.txt; *.doc", true}, {"ab.c", "a?.c", true},
        {"abc.c", "a?.c", false},      {"[x].txt", "[x]*", true},       {"x.txt", "[x]*", false},
        {"a.tar.gz", "*.gz", true},    {"a.gz.bak", "*.gz", false}};
    for (const auto &[name, pattern, match] : cases)
        EXPECT_EQ(matchesPattern(name, pattern), match) << name << " " << pattern;
    EXPECT_EQ(QStringList({parentFolder("/a/b"), parentFolder("/a"), parentFolder("/")}),
              QStringList({"/a", "/", ""}));
    EXPECT_EQ(tidyFolderPath("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(tidyFolderPath("/a/b/../../.."), "/");
}

} // namespace
