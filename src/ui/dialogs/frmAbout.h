#pragma once

#include "ui/common/SecondaryWindow.h"

class QFrame;
class QLabel;
class QPushButton;

// What the program does and which version it is.
class frmAbout : public SecondaryWindow {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    // Opens the window and waits until it is closed.
    static void showModal(QWidget *parent);

    QWidget *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QFrame *Line1[2] = {}; // the etched separator: grey, then white
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;

public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    // Escape is the OK button here.
    void reject() override;

private:
    void load();
    void StartSysInfo();
};
