#include "ui/common/SecondaryWindow.h"

#include "ui/common/ContextHelp.h"

#include <QCloseEvent>
#include <QGuiApplication>

SecondaryWindow::SecondaryWindow(QWidget *parent) : QDialog(parent)
{
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    ContextHelp::offerHelpKey(this);
}

bool SecondaryWindow::allowClose(CloseReason reason) { return !CloseRefusal(reason); }

void SecondaryWindow::closeEvent(QCloseEvent *event)
{
    // Close requests from the window system arrive spontaneously; the program's
    // own close() does not. The session manager's are no user's choice.
    const bool fromWindowSystem = event->spontaneous() && !qApp->isSavingSession();
    if (allowClose(fromWindowSystem ? CloseReason::ControlMenu : CloseReason::Other))
        event->accept();
    else
        event->ignore();
}

void SecondaryWindow::reject() {}
