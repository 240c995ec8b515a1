#include "ui/common/FolderTree.h"

#include "ui/common/Icons.h"
#include "engine/paths/PathHelpers.h"
#include "engine/settings/AppState.h"
#include "engine/settings/Texts.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/Locations.h"
#include "engine/settings/MessageService.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTreeWidgetItemIterator>
#include <QStyle>
#include <algorithm>

namespace {
constexpr int KeyRole = Qt::UserRole;
constexpr int PathRole = Qt::UserRole + 1;
constexpr int LoadedRole = Qt::UserRole + 2;

bool byName(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

void showPlaceholder(FileList *files, QListWidget *placeholder)
{
    if (placeholder) {
        placeholder->clear();
        placeholder->setGeometry(files->geometry());
        placeholder->show();
    }
    files->hide();
}

int rootOf(const FolderTree *tree, const QTreeWidgetItem *node)
{
    while (node->parent())
        node = node->parent();
    return tree->indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(node));
}
} // namespace

FolderTree::FolderTree(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    // Long names scroll sideways; the selection still spans the whole row.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
    m_folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    m_rootIcon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    m_homeIcon = style()->standardIcon(QStyle::SP_DirHomeIcon);
}

QString FolderTree::makeKey(int root, const QString &path)
{
    return QString::number(root) + QLatin1Char(':') + NormalizeCase(AddTrailingSeparator(path));
}

QString FolderTree::keyOf(const QTreeWidgetItem *node) const
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

QString FolderTree::fullPath(const QTreeWidgetItem *node) const
{
    return node ? node->data(0, PathRole).toString() : QString();
}

QTreeWidgetItem *FolderTree::addNode(QTreeWidgetItem *parent, const QString &key,
                                     const QString &name, const QString &path)
{
    if (m_nodes.contains(key))
        return nullptr;
    auto *item = new QTreeWidgetItem(QStringList{FileNames::shown(name)});
    // A long name is cut at the tree's edge; the tooltip shows where it is, whole.
    item->setToolTip(0, FileNames::shown(path));
    item->setIcon(0, parent ? m_folderIcon : (topLevelItemCount() == 0 ? m_homeIcon : m_rootIcon));
    item->setData(0, KeyRole, key);
    item->setData(0, PathRole, path);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    m_nodes.insert(key, item);
    return item;
}

void FolderTree::removeAll()
{
    m_nodes.clear();
    clear();
}

FileList::FileList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::NoSelection);
    setUniformItemSizes(true);
}

void FileList::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    if (!m_folder.isEmpty())
        refresh();
}

bool FileList::showFolder(const QString &folder)
{
    m_folder = folder;
    return refresh();
}

bool FileList::refresh()
{
    QStringList names;
    const bool ok = FolderListing::files(m_folder, m_pattern, &names);
    std::sort(names.begin(), names.end(), byName);
    setUpdatesEnabled(false);
    clear();
    for (const QString &name : names) {
        // Rows share the first row's width, so a longer name is cut; the tooltip has it whole.
        auto *row = new QListWidgetItem(FileNames::shown(name), this);
        row->setToolTip(row->text());
    }
    setUpdatesEnabled(true);
    return ok;
}

void SetTreeBackColor(FolderTree *tree, std::uint32_t color)
{
    QPalette pal = tree->palette();
    pal.setColor(QPalette::Base, colorOf(color));
    tree->setPalette(pal);
    // Branch lines repaint on the new background.
    tree->viewport()->update();
}

void AddDrives(FolderTree *tree)
{
    const QStringList roots = Roots::list();
    tree->setRoots(roots);
    const QString homeKey = FolderTree::makeKey(0, Locations::homeFolder());
    for (int i = 0; i < roots.size(); ++i) {
        const QString key = FolderTree::makeKey(i, roots[i]);
        QTreeWidgetItem *node = tree->addNode(nullptr, key, roots[i], roots[i]);
        if (!node)
            continue;
        if (key == homeKey && !tree->currentItem()) {
            tree->programSelecting = true;
            tree->setCurrentItem(node);
            tree->programSelecting = false;
        }
        AddSubfolders(tree, key);
    }
}

void AddSubfolders(FolderTree *tree, const QString &parentKey)
{
    QTreeWidgetItem *parent = tree->node(parentKey);
    if (!parent || parent->data(0, LoadedRole).toBool())
        return;
    parent->setData(0, LoadedRole, true);
    // Opened by its real name: keys are case-normalised, the file system is not.
    const QString folder = tree->fullPath(parent);
    QStringList names = FolderListing::subfolders(folder);
    std::sort(names.begin(), names.end(), byName);
    const int root = rootOf(tree, parent);
    const QString base = AddTrailingSeparator(folder);
    // Two names that differ only in case are one folder when case is ignored;
    // the first one stands, the enumeration goes on.
    for (const QString &name : names) {
        const QString path = base + name;
        tree->addNode(parent, FolderTree::makeKey(root, path), name, path);
    }
}

void ExpandNode(FolderTree *tree, QTreeWidgetItem *node)
{
    if (!node || node->childCount() == 0)
        return;
    tree->scrollToItem(node);
    for (int i = 0; i < node->childCount(); ++i)
        AddSubfolders(tree, tree->keyOf(node->child(i)));
}

void ShowNodeFiles(FolderTree *tree, QTreeWidgetItem *node, FileList *files, QListWidget *placeholder)
{
    if (!node) {
        showPlaceholder(files, placeholder);
        return;
    }
    tree->scrollToItem(node);
    if (files->showFolder(tree->fullPath(node))) {
        if (placeholder)
            placeholder->hide();
        files->show();
    } else {
        showPlaceholder(files, placeholder);
    }
}

bool ResetTree(FolderTree *tree, FileList *files, QListWidget *placeholder, const QString &path)
{
    showPlaceholder(files, placeholder);
    QString p = SelectedPath(tree);
    tree->removeAll();
    if (!path.isEmpty())
        p = path;
    AddDrives(tree);
    return SelectPath(p, tree, files, placeholder);
}

bool SelectPath(const QString &path, FolderTree *tree, FileList *files, QListWidget *placeholder)
{
    if (tree->topLevelItemCount() == 0)
        return ResetTree(tree, files, placeholder, path.isEmpty() ? Locations::homeFolder() : path);
    const QString p = tidyFolderPath(path);
    const int root = Roots::containing(tree->roots(), p);
    if (root < 0) {
        showPlaceholder(files, placeholder);
        return false;
    }
    QStringList parts;
    const QString rootPath = tree->roots()[root];
    const QString rest = p.mid(AddTrailingSeparator(rootPath).size());
    if (!rest.isEmpty() && p.size() > rootPath.size())
        parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);

    tree->programSelecting = true;
    QTreeWidgetItem *deepest = nullptr;
    bool whole = true;
    QString walked = rootPath;
    for (qsizetype i = -1; i < parts.size(); ++i) {
        if (i >= 0)
            walked = AddTrailingSeparator(walked) + parts[i];
        QTreeWidgetItem *node = tree->node(FolderTree::makeKey(root, walked));
        if (!node) {
            whole = false;
            break;
        }
        deepest = node;
        tree->setCurrentItem(node);
        AddSubfolders(tree, tree->keyOf(node));
        ExpandNode(tree, node);
        if (i + 1 < parts.size())
            node->setExpanded(true);
    }
    tree->programSelecting = false;
    ShowNodeFiles(tree, deepest, files, placeholder);
    return whole;
}

namespace {
// The node of path below the root at rootPath, its folders loaded on the way;
// nullptr when the root or a folder on the way is gone.
QTreeWidgetItem *reach(FolderTree *tree, const QString &rootPath, const QString &path)
{
    const int root = tree->roots().indexOf(rootPath);
    if (root < 0)
        return nullptr;
    QTreeWidgetItem *node = tree->node(FolderTree::makeKey(root, rootPath));
    QString walked = rootPath;
    for (const QString &part : path.mid(rootPath.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!node)
            break;
        AddSubfolders(tree, tree->keyOf(node));
        walked = AddTrailingSeparator(walked) + part;
        node = tree->node(FolderTree::makeKey(root, walked));
    }
    return node;
}
} // namespace

void RefreshTree(FolderTree *tree, FileList *files, QListWidget *placeholder)
{
    if (tree->topLevelItemCount() == 0)
        return;
    const QString selected = SelectedPath(tree);
    // Parents come before their children, so each is reopened in turn.
    QList<std::pair<QString, QString>> expanded;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->isExpanded())
            expanded.push_back({tree->roots().value(rootOf(tree, *it)), tree->fullPath(*it)});
    }
    const int scrolled = tree->verticalScrollBar()->value();
    tree->removeAll();
    AddDrives(tree);
    for (const auto &[rootPath, path] : expanded) {
        if (QTreeWidgetItem *node = reach(tree, rootPath, path))
            node->setExpanded(true);
    }
    // A folder gone meanwhile leaves its nearest parent selected, without a word:
    // nothing the user asked for is missing.
    SelectPath(selected, tree, files, placeholder);
    tree->verticalScrollBar()->setValue(scrolled);
}

QString SelectedPath(const FolderTree *tree)
{
    if (tree->topLevelItemCount() == 0)
        return QString();
    const QTreeWidgetItem *node = tree->currentItem();
    if (!node)
        return Locations::homeFolder();
    return tidyFolderPath(tree->fullPath(node));
}

void RecallPath(const QString &path, int side, FolderTree *tree, FileList *files,
                QListWidget *placeholder)
{
    if (SelectPath(path, tree, files, placeholder))
        return;
    QString r = SelectedPath(tree);
    SelectPath(r, tree, files, placeholder);
    const QString title = sideTitle(side, "Recall path", "Ανάκληση διαδρομής");
    const QString question =
        App().LanguageIsGreek
            ? QStringLiteral("Προσπαθείτε να ανακαλέσετε τη διαδρομή ") + quoted(path)
                  + QStringLiteral(", η οποία όμως δεν εντοπίσθηκε στον υπολογιστή σας. Η διαδρομή η "
                                   "οποία έγινε δυνατόν να ανακληθεί μέχρι τώρα, είναι η ")
                  + quoted(r)
                  + QStringLiteral(".\r\n\r\nΑν η πλήρης διαδρομή αφορά αφαιρούμενο δίσκο ή δίσκο "
                                   "δικτύου, κάντε ΤΩΡΑ τις απαραίτητες ενέργειες και πατήστε το «ΟΚ» "
                                   "ώστε να ανακληθεί η πλήρης διαδρομή, ή πατήστε το «Άκυρο», ώστε "
                                   "να παραμείνει τρέχουσα, η διαδρομή η οποία έχει ανακληθεί μέχρι "
                                   "τώρα.\r\n\r\nΠΡΟΣΟΧΗ: Αν έχετε ενεργοποιήσει το διαχωρισμό "
                                   "ανάμεσα στα πεζά και κεφαλαία γράμματα των ονομάτων των "
                                   "στοιχείων, βεβαιωθείτε ότι ΚΑΙ το λειτουργικό σύστημα στο οποίο "
                                   "εκτελείται αυτή η εφαρμογή, υποστηρίζει το διαχωρισμό ανάμεσα "
                                   "στα πεζά και κεφαλαία γράμματα των ονομάτων των στοιχείων.")
            : QStringLiteral("You are trying to recall path ") + quoted(path)
                  + QStringLiteral(", which could not be located on your computer. The path that "
                                   "has been recalled so far, is ")
                  + quoted(r)
                  + QStringLiteral(".\r\n\r\nIf the full path refers to a removable or network "
                                   "disk, make the necessary arrangements NOW and click 'OK' to "
                                   "recall the full path, or click 'Cancel' to maintain as current, "
                                   "the path that has been recalled so far.\r\n\r\nCAUTION: If you "
                                   "have instructed this application to distinguish between upper "
                                   "and lower case letters in item names, make certain that the "
                                   "operating system which hosts this application, ALSO "
                                   "distinguishes between upper and lower case letters in item "
                                   "names.");
    if (MsgBox(question, Msg::Question | Msg::OkCancel, title) != Msg::Ok)
        return;
    if (ResetTree(tree, files, placeholder, path))
        return;
    r = SelectedPath(tree);
    SelectPath(r, tree, files, placeholder);
    MsgBox(App().LanguageIsGreek
               ? QStringLiteral("Τελικώς, η διαδρομή ") + quoted(path)
                     + QStringLiteral(" δεν έγινε δυνατόν να ανακληθεί. Η διαδρομή η οποία έγινε "
                                      "δυνατόν να ανακληθεί, είναι η ")
                     + quoted(r) + QLatin1Char('.')
               : QStringLiteral("Path ") + quoted(path)
                     + QStringLiteral(", could not be recalled after all. The path that has been "
                                      "recalled, is ")
                     + quoted(r) + QLatin1Char('.'),
           Msg::Information | Msg::OkOnly, title);
}
