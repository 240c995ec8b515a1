#include "ui/common/QtMessageService.h"
#include "ui/common/Icons.h"
#include "ui/main/frmMain.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/Locations.h"
#include "cli/BatchRun.h"

#include <QApplication>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    // A run holds a descriptor for each folder on the way down a tree: a deep
    // tree needs more than the usual 1,024.
    struct rlimit files {};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    // A path given on the command line keeps its bytes, whatever the locale.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << FileNames::fromBytes(argv[i]);
    if (BatchRun::wanted(args)) {
        // Batch mode needs no display: no widgets, no QApplication.
        QCoreApplication core(argc, argv);
        return BatchRun::main(args);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANEL_VERSION));
    // Lets a Wayland desktop match the windows with orvanel.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("orvanel"));
    QApplication::setWindowIcon(Icons::application());

    QtMessageService messages;
    setMessageService(&messages);

    const QString settings = Locations::settingsFolder(args);
    const QString data = Locations::dataFolder(QApplication::applicationDirPath());
    frmMain window;
    if (!window.load(settings, data))
        return 1;
    window.show();
    const int rc = QApplication::exec();
    setMessageService(nullptr);
    return rc;
}
