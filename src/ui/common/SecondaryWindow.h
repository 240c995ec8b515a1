#pragma once

#include "engine/settings/CloseRefusal.h"

#include <QDialog>

// Base of every secondary window: it closes only through its own buttons. A
// close from the title bar, the window menu or the close shortcut is refused
// with a message; a close by the program or at the end of the session is not.
class SecondaryWindow : public QDialog {
    Q_OBJECT
public:
    explicit SecondaryWindow(QWidget *parent = nullptr);

    // Decides a close request of the given reason; returns whether it may close.
    bool allowClose(CloseReason reason);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Escape does not close a secondary window unless it maps Escape to a button.
    void reject() override;
};
