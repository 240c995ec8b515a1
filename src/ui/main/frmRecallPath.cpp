#include "ui/main/frmRecallPath.h"

#include "ui/common/ContextHelp.h"
#include "ui/common/Icons.h"
#include "engine/paths/SavedPaths.h"
#include "ui/common/TwipsLayout.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Startup.h"
#include "engine/settings/Texts.h"
#include "engine/fs/FileNames.h"
#include "engine/settings/MessageService.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

namespace {
constexpr int kDesignWidth = 9492;
constexpr int kDesignHeight = 5772;
constexpr int kMargin = 120;
constexpr int kButtonWidth = 1200;
constexpr int kButtonHeight = 375;
constexpr int kButtonTop = kDesignHeight - kMargin - kButtonHeight;

QPushButton *button(QWidget *parent, const char *name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    // Enter in the list must not press whichever button happens to be default.
    b->setAutoDefault(false);
    return b;
}
// Swallows the window system's close requests while the editor runs: the
// program is suspended, not gone.
class CloseBlocker : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == QEvent::Close && event->spontaneous();
    }
};

// Runs command and waits until it ends, the windows disabled but still
// painting. False when it could not be started, or, for xdg-open, found
// nothing to open the file with.
bool editAndWait(const QStringList &command)
{
    if (command.isEmpty() || QStandardPaths::findExecutable(command.front()).isEmpty())
        return false;
    QProcess process;
    process.setProgram(command.front());
    process.setArguments(command.mid(1));
    // Like a program started from the shell: our terminal, if any, is its terminal.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    QList<QPointer<QWidget>> disabled;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->isEnabled()) {
            w->setEnabled(false);
            disabled << w;
        }
    }
    CloseBlocker blocker;
    qApp->installEventFilter(&blocker);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    qApp->removeEventFilter(&blocker);
    for (const QPointer<QWidget> &w : disabled) {
        if (w)
            w->setEnabled(true);
    }
    const bool fallback = QFileInfo(command.front()).fileName() == QLatin1String("xdg-open");
    return !fallback || (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
}
} // namespace

frmRecallPath::frmRecallPath(QWidget *parent) : SecondaryWindow(parent), m_side(App().RecallSide)
{
    setObjectName(QStringLiteral("frmRecallPath"));
    auto *layout = new TwipsLayout(this, kDesignWidth, kDesignHeight);

    lstSavedPaths = new QListWidget(this);
    lstSavedPaths->setObjectName(QStringLiteral("lstSavedPaths"));
    lstSavedPaths->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->add(lstSavedPaths, kMargin, kMargin, kDesignWidth - 2 * kMargin,
                kButtonTop - 2 * kMargin);

    cmdCancel = button(this, "cmdCancel");
    cmdEdit = button(this, "cmdEdit");
    cmdRecall = button(this, "cmdRecall");
    layout->add(cmdCancel, kMargin, kButtonTop, kButtonWidth, kButtonHeight);
    layout->add(cmdEdit, (kDesignWidth - kButtonWidth) / 2, kButtonTop, kButtonWidth, kButtonHeight);
    layout->add(cmdRecall, kDesignWidth - kMargin - kButtonWidth, kButtonTop, kButtonWidth,
                kButtonHeight);
    resize(layout->designSize());
    ContextHelp::setTopic(lstSavedPaths, 20010);
    ContextHelp::setTopic(cmdCancel, 20020);
    ContextHelp::setTopic(cmdEdit, 20030);
    ContextHelp::setTopic(cmdRecall, 20040);

    connect(lstSavedPaths, &QListWidget::itemSelectionChanged, this,
            [this] { cmdRecall->setEnabled(!lstSavedPaths->selectedItems().isEmpty()); });
    connect(cmdRecall, &QPushButton::clicked, this, &frmRecallPath::cmdRecall_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRecallPath::cmdCancel_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmRecallPath::cmdEdit_Click);

    load();
}

QString frmRecallPath::chooseRecent(int side, QWidget *parent)
{
    App().RecallSide = side;
    App().RecalledPath[side].clear();
    frmRecallPath w(parent);
    w.exec();
    return App().RecalledPath[side];
}

void frmRecallPath::load()
{
    guarded(Loc::RecallPathLoad, [this] {
        QPalette pal = lstSavedPaths->palette();
        pal.setColor(QPalette::Base, colorOf(App().SideColor[m_side]));
        lstSavedPaths->setPalette(pal);
        setWindowTitle(SavedPaths::recallTitle(m_side));
        cmdCancel->setText(tx("Cancel", "Άκυρο"));
        cmdEdit->setText(tx("Edit", "Επεξεργασία"));
        cmdRecall->setText(tx("Recall", "Ανάκληση"));
        Startup::EnsureSavedPathsFile(0);
        Startup::EnsureSavedPathsFile(1);
        FillSavedPathsList();
    });
}

void frmRecallPath::FillSavedPathsList()
{
    guarded(Loc::RecallPathFill, [this] {
        // Once greyed, the list stays grey for as long as the window is open.
        const QColor background = lstSavedPaths->palette().color(QPalette::Base);
        cmdRecall->setEnabled(false);
        lstSavedPaths->clear();
        for (const QString &path : savedPathLines(m_side)) {
            auto *item = new QListWidgetItem(FileNames::shown(path), lstSavedPaths);
            item->setData(Qt::UserRole, path);
        }
        QPalette pal = lstSavedPaths->palette();
        if (lstSavedPaths->count() > 0) {
            lstSavedPaths->setCurrentRow(-1);
            lstSavedPaths->clearSelection();
            pal.setColor(QPalette::Base, background);
        } else {
            pal.setColor(QPalette::Base, palette().color(QPalette::Inactive, QPalette::Window));
        }
        lstSavedPaths->setPalette(pal);
    });
}

void frmRecallPath::cmdRecall_Click()
{
    QListWidgetItem *item = lstSavedPaths->currentItem();
    if (!item)
        return;
    App().RecalledPath[m_side] = item->data(Qt::UserRole).toString();
    done(Accepted);
}

void frmRecallPath::cmdCancel_Click()
{
    App().RecalledPath[m_side].clear();
    done(Rejected);
}

void frmRecallPath::cmdEdit_Click()
{
    guarded(Loc::RecallPathEdit, [this] {
        const QString file = App().SavedPathsFile[m_side];
        const QString prompt =
            App().LanguageIsGreek
                ? QStringLiteral("Η εφαρμογή αδρανοποιείται για όσο χρονικό διάστημα επεξεργάζεστε "
                                 "το αρχείο ")
                      + quoted(file) + QLatin1Char('.')
                : QStringLiteral("The application is suspended for as long as you are editing the "
                                 "file ")
                      + quoted(file) + QLatin1Char('.');
        const QStringList command = editorCommand(file);
        if (QStandardPaths::findExecutable(command.front()).isEmpty()) {
            noEditor(command.front());
            return;
        }
        if (MsgBox(prompt, Msg::Information | Msg::OkCancel, SavedPaths::editTitle(m_side)) != Msg::Ok)
            return;
        const bool edited = editAndWait(command);
        Startup::EnsureSavedPathsFile(m_side);
        FillSavedPathsList();
        if (!edited)
            noEditor(command.front());
    });
}

void frmRecallPath::noEditor(const QString &editor)
{
    const QString file = App().SavedPathsFile[m_side];
    MsgBox(App().LanguageIsGreek
               ? QStringLiteral("Οι αποθηκευμένες διαδρομές δεν μπορούν να επεξεργασθούν από εδώ, "
                                "επειδή δεν ήταν δυνατόν να ξεκινήσει πρόγραμμα επεξεργασίας κειμένου (")
                     + quoted(editor) + QStringLiteral(").") + kBlankLine
                     + QStringLiteral("Ορίστε το πρόγραμμα που θέλετε στη μεταβλητή περιβάλλοντος "
                                      "$ORVANEL_EDITOR, για παράδειγμα ORVANEL_EDITOR=\"gedit --wait\", "
                                      "και ξεκινήστε ξανά την εφαρμογή. Ως τότε, μπορείτε να "
                                      "επεξεργασθείτε το αρχείο ")
                     + quoted(file) + QStringLiteral(" με οποιοδήποτε πρόγραμμα επεξεργασίας κειμένου.")
               : QStringLiteral("The saved paths cannot be edited from here, because no text editor "
                                "could be started (")
                     + quoted(editor) + QStringLiteral(").") + kBlankLine
                     + QStringLiteral("Name the editor you want in the environment variable "
                                      "$ORVANEL_EDITOR, for example ORVANEL_EDITOR=\"gedit --wait\", "
                                      "and start the program again. Until then, you can edit the file ")
                     + quoted(file) + QStringLiteral(" with any text editor."),
           Msg::Exclamation | Msg::OkOnly, SavedPaths::editTitle(m_side));
}
