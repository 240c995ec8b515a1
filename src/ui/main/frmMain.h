#pragma once

#include "engine/run/SyncRun.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;
class FileList;
class FolderTree;
class SingleInstance;
class TwipsLayout;

// The home window. Its load() is the program's start-up sequence.
// Controls that exist once per side are named with the side: "cmdRefresh_0"
// (left) and "cmdRefresh_1" (right); the language buttons "cmdLanguage_0"
// (Greek) and "cmdLanguage_1" (English).
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs the start-up sequence. Returns false when another instance runs for
    // the same settings folder: the refusal has been shown and nothing touched.
    bool load(const QString &settingsFolder, const QString &dataFolder);

    // Per-side controls.
    FolderTree *tvwControl[2] = {};
    FileList *filFile[2] = {};
    QListWidget *lstControl[2] = {};
    QLabel *lblFileType[2] = {};
    QLineEdit *txtFileType[2] = {};
    QPushButton *cmdAsterisk[2] = {};
    QToolButton *cmdSavePath[2] = {};
    QToolButton *cmdRecallPath[2] = {};
    QToolButton *cmdRefresh[2] = {};
    QToolButton *cmdUpOneLevel[2] = {};
    // Common controls.
    QToolButton *cmdHelp = nullptr;
    QToolButton *cmdLanguage[2] = {};
    QToolButton *cmdOptions = nullptr;
    QToolButton *cmdSynchronize = nullptr;
    QToolButton *cmdEnd = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *picCopyright = nullptr;
    QMenu *mnuSavePath = nullptr;
    QMenu *mnuRecallPath = nullptr;
    // Recent, Initial, Help, Cancel of each menu.
    QAction *mnuSavePathItem[4] = {};
    QAction *mnuRecallPathItem[4] = {};

    TwipsLayout *layoutHelper() const { return m_layout; }

public slots:
    void cmdLanguage_Click(int index);
    void cmdAsterisk_Click(int side);
    void cmdHelp_Click();
    void cmdEnd_Click();
    void cmdUpOneLevel_Click(int side);
    void cmdRefresh_Click(int side);
    void cmdSavePath_Click(int side);
    void cmdRecallPath_Click(int side);
    void cmdOptions_Click();
    void cmdSynchronize_Click();
    void txtFileType_Change(int side);
    void txtFileType_LostFocus(int side);

public:
    // The windows the main window opens; tests put their own in place.
    std::function<void()> openOptions;
    std::function<void(const RunInputs &)> openSynchronization;
    std::function<void()> openAbout;
    // What a run starts from: each side's selected folder and file pattern.
    RunInputs runInputs() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildSide(int side);
    void buildCommon();
    QToolButton *iconButton(const char *name, const QIcon &icon, int left, int top);
    void setMainTexts();
    void setHelpTopics();
    void recallSide(int side, const QString &path);
    void popUp(QMenu *menu, int side);

    TwipsLayout *m_layout = nullptr;
    std::unique_ptr<SingleInstance> m_instance;
};
