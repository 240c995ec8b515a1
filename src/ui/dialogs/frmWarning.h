#pragma once

#include "ui/common/SecondaryWindow.h"

class QCheckBox;
class QLabel;
class QPushButton;

// Shows reminder App().CurrentReminder (1..5) and waits for it, unless the
// user switched that reminder off. May be called from a worker thread: the
// window then opens on the interface thread and the caller waits.
void ShowReminder();

// The reminder window: one reminder, chosen by App().CurrentReminder when the
// window is made, with a box to switch it off for good.
class frmWarning : public SecondaryWindow {
    Q_OBJECT
public:
    explicit frmWarning(QWidget *parent = nullptr);

    // The reminder's text in the current language; empty outside 1..5.
    static QString reminderText(int number);

    QWidget *picWarning = nullptr;
    QLabel *lblWarning = nullptr;
    QCheckBox *chkWarning = nullptr;
    QPushButton *cmdOK = nullptr;

public slots:
    void cmdOK_Click();

private:
    void load();

    int m_number;
};
