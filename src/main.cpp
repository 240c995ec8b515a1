#include "dialogs/QtMessageService.h"
#include "mainwindow/frmMain.h"
#include "platform/Locations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANEL_VERSION));

    QtMessageService messages;
    setMessageService(&messages);

    const QString settings = Locations::settingsFolder(QApplication::arguments());
    const QString data = Locations::dataFolder(QApplication::applicationDirPath());
    frmMain window;
    if (!window.load(settings, data))
        return 1;
    window.show();
    const int rc = QApplication::exec();
    setMessageService(nullptr);
    return rc;
}
