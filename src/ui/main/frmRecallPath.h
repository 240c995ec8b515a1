#pragma once

#include "ui/common/SecondaryWindow.h"

class QListWidget;
class QPushButton;

// Lists the saved paths of App().RecallSide and lets the user pick one or edit
// the list. The choice is left in App().RecalledPath[side]: empty on Cancel.
class frmRecallPath : public SecondaryWindow {
    Q_OBJECT
public:
    explicit frmRecallPath(QWidget *parent = nullptr);

    // Opens the window for side and waits for it; returns the chosen path,
    // empty when the user cancelled.
    static QString chooseRecent(int side, QWidget *parent = nullptr);

    QListWidget *lstSavedPaths = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdRecall = nullptr;

public slots:
    void cmdRecall_Click();
    void cmdCancel_Click();
    void cmdEdit_Click();

private:
    void load();
    void FillSavedPathsList();
    // Says that editor could not be started and how to name one.
    void noEditor(const QString &editor);

    int m_side = 0;
};
