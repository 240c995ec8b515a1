#pragma once

#include "ui/common/SecondaryWindow.h"

#include <QString>
#include <QStringList>

class FileList;
class FolderTree;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidgetItem;

// Lets the user name the target folder of a copying run, directly below a
// root, and creates it, replacing an entry of that name after asking. The
// result is left in App().TargetFolderPath: empty on Cancel.
class frmSelectTargetFolder : public SecondaryWindow {
    Q_OBJECT
public:
    // sources: the run's source folders, which the target must never hold.
    explicit frmSelectTargetFolder(const QStringList &sources, QWidget *parent = nullptr);

    // Opens the window and waits for it; returns the folder created, or empty.
    static QString choose(const QStringList &sources, QWidget *parent = nullptr);

    FileList *File1 = nullptr;
    QListWidget *lstControl = nullptr;
    FolderTree *tvwControl = nullptr;
    QLabel *lblTargetFolder = nullptr;
    QLineEdit *txtTargetFolder = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdOK = nullptr;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    void tvwControl_NodeClick(QTreeWidgetItem *node);
    void txtTargetFolder_Change();
    void showRoot();
    void backToName();
    // reason: the system's words for why, as a second line; empty for none.
    void creationFailed(const QString &name, const QString &root, const QString &reason = QString());

    QStringList m_sources;
    QString m_prefix;
    QString m_clickedName; // as on disk: the field shows it readable
};
