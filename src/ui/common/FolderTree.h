#pragma once

#include <QHash>
#include <QListWidget>
#include <QStringList>
#include <QTreeWidget>
#include <cstdint>

// A tree of the roots and their folders, loaded one level ahead of what is
// shown. Each node's key is its root's number and its case-normalised path, so
// keys stay unique where one root lies inside another (home inside "/").
class FolderTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderTree(QWidget *parent = nullptr);

    QTreeWidgetItem *node(const QString &key) const { return m_nodes.value(key); }
    QString keyOf(const QTreeWidgetItem *node) const;
    QString fullPath(const QTreeWidgetItem *node) const;
    int nodeCount() const { return int(m_nodes.size()); }
    QStringList roots() const { return m_roots; }

    // Adds a node; nullptr when the key exists already. name is as on disk:
    // the node shows it readable, fullPath keeps its bytes.
    QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &key, const QString &name,
                             const QString &fullPath);
    void removeAll();
    void setRoots(const QStringList &roots) { m_roots = roots; }
    static QString makeKey(int root, const QString &path);

    // While the program moves the selection, a node's selection is not the user's click.
    bool programSelecting = false;

private:
    QHash<QString, QTreeWidgetItem *> m_nodes;
    QStringList m_roots;
    QIcon m_folderIcon, m_rootIcon, m_homeIcon;
};

// The files of one folder that match the side's pattern; it only displays,
// each name readable (stray bytes and control characters as \xNN).
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);
    QString folder() const { return m_folder; }
    QString pattern() const { return m_pattern; }
    void setPattern(const QString &pattern);
    // Shows the folder's files; false when the folder cannot be read.
    bool showFolder(const QString &folder);
    bool refresh();

private:
    QString m_folder;
    QString m_pattern = QStringLiteral("*.*");
};

void SetTreeBackColor(FolderTree *tree, std::uint32_t color);
void AddDrives(FolderTree *tree);
void AddSubfolders(FolderTree *tree, const QString &parentKey);
void ExpandNode(FolderTree *tree, QTreeWidgetItem *node);
void ShowNodeFiles(FolderTree *tree, QTreeWidgetItem *node, FileList *files, QListWidget *placeholder);
bool ResetTree(FolderTree *tree, FileList *files, QListWidget *placeholder,
               const QString &path = QString());
bool SelectPath(const QString &path, FolderTree *tree, FileList *files, QListWidget *placeholder);
QString SelectedPath(const FolderTree *tree);
// Reads the tree and file list again from the disk, keeping the selected folder,
// the open nodes and the scroll position as far as they still exist.
void RefreshTree(FolderTree *tree, FileList *files, QListWidget *placeholder);

// Brings a side to a path; a path found only in part is reported, with one retry.
void RecallPath(const QString &path, int side, FolderTree *tree, FileList *files,
                QListWidget *placeholder);
