#include "ui/run/frmSelectTargetFolder.h"

#include "engine/run/TargetFolder.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/FolderTree.h"
#include "engine/paths/PathHelpers.h"
#include "ui/common/TwipsLayout.h"
#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"
#include "engine/fs/Locations.h"
#include "engine/settings/MessageService.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <exception>

namespace {
constexpr int kDesignWidth = 10932;
constexpr int kDesignHeight = 6852;
constexpr int kMargin = 120;
constexpr int kHalfWidth = (kDesignWidth - 3 * kMargin) / 2;
constexpr int kRightLeft = 2 * kMargin + kHalfWidth;
constexpr int kButtonWidth = 1200;
constexpr int kButtonHeight = 375;
constexpr int kButtonTop = kDesignHeight - kMargin - kButtonHeight;
constexpr int kTextHeight = 312;
constexpr int kTextTop = kButtonTop - 2 * kMargin - kTextHeight;
// Two lines, so a long root still shows whole.
constexpr int kLabelHeight = 480;
constexpr int kLabelTop = kTextTop - 60 - kLabelHeight;
constexpr int kTreeHeight = kLabelTop - kMargin - kMargin;

constexpr std::uint32_t kLightYellow = 0x00C0FFFF;

QPushButton *button(QWidget *parent, const char *name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    // Enter in the name field is OK's, through the field's own handler.
    b->setAutoDefault(false);
    return b;
}

// The part of a path below its root; empty for a root itself.
QString belowRoot(const QString &path, const QString &root)
{
    return path.size() > root.size() ? path.mid(AddTrailingSeparator(root).size()) : QString();
}
} // namespace

frmSelectTargetFolder::frmSelectTargetFolder(const QStringList &sources, QWidget *parent)
    : SecondaryWindow(parent), m_sources(sources)
{
    setObjectName(QStringLiteral("frmSelectTargetFolder"));
    auto *layout = new TwipsLayout(this, kDesignWidth, kDesignHeight);

    File1 = new FileList(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->installEventFilter(this);
    File1->setFocusPolicy(Qt::ClickFocus); // Tab passes the display-only list by
    layout->add(File1, kMargin, kMargin, kHalfWidth, kDesignHeight - 2 * kMargin);

    lstControl = new QListWidget(this);
    lstControl->setObjectName(QStringLiteral("lstControl"));
    lstControl->hide();
    lstControl->setFocusPolicy(Qt::NoFocus);
    layout->add(lstControl, kMargin, kMargin, kHalfWidth, kDesignHeight - 2 * kMargin);

    tvwControl = new FolderTree(this);
    tvwControl->setObjectName(QStringLiteral("tvwControl"));
    layout->add(tvwControl, kRightLeft, kMargin, kHalfWidth, kTreeHeight);

    lblTargetFolder = new QLabel(this);
    lblTargetFolder->setObjectName(QStringLiteral("lblTargetFolder"));
    lblTargetFolder->setWordWrap(true);
    lblTargetFolder->setTextFormat(Qt::PlainText);
    lblTargetFolder->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    layout->add(lblTargetFolder, kRightLeft, kLabelTop, kHalfWidth, kLabelHeight);

    txtTargetFolder = new QLineEdit(this);
    txtTargetFolder->setObjectName(QStringLiteral("txtTargetFolder"));
    txtTargetFolder->installEventFilter(this);
    layout->add(txtTargetFolder, kRightLeft, kTextTop, kHalfWidth, kTextHeight);

    cmdCancel = button(this, "cmdCancel");
    cmdOK = button(this, "cmdOK");
    const int okLeft = kDesignWidth - kMargin - kButtonWidth;
    layout->add(cmdCancel, okLeft - kMargin - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight);
    layout->add(cmdOK, okLeft, kButtonTop, kButtonWidth, kButtonHeight);

    ContextHelp::setTopic(File1, 60010);
    ContextHelp::setTopic(lstControl, 60010);
    ContextHelp::setTopic(tvwControl, 60020);
    ContextHelp::setTopic(lblTargetFolder, 60030);
    // The field keeps its edit menu (paste); its help comes through "?".
    ContextHelp::setTopic(txtTargetFolder, 60030, ContextHelp::RightClick::KeepsOwnMenu);
    ContextHelp::setTopic(cmdCancel, 60050);
    ContextHelp::setTopic(cmdOK, 60060);

    connect(tvwControl, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem *node) { ExpandNode(tvwControl, node); });
    // Keyboard moves count as clicks; the program's own moves don't.
    connect(tvwControl, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *node) {
        if (node && !tvwControl->programSelecting)
            tvwControl_NodeClick(node);
    });
    connect(txtTargetFolder, &QLineEdit::textChanged, this, &frmSelectTargetFolder::txtTargetFolder_Change);
    // Enter in the name field is OK; the deletion question behind it defaults to No.
    connect(txtTargetFolder, &QLineEdit::returnPressed, this, [this] {
        if (cmdOK->isEnabled())
            cmdOK->click();
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmSelectTargetFolder::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelectTargetFolder::cmdCancel_Click);

    setTabOrder(tvwControl, txtTargetFolder);
    setTabOrder(txtTargetFolder, cmdCancel);
    setTabOrder(cmdCancel, cmdOK);
    load();
    // A large desktop font would cut the line that names the root: the window
    // grows as a whole until it fits for every root.
    const QString shown = lblTargetFolder->text();
    layout->growUntil(this, [&](double scale) {
        for (const QString &root : Roots::list()) {
            lblTargetFolder->setText(m_prefix + FileNames::shown(root));
            if (!layout->wrappedFits(lblTargetFolder, scale))
                return false;
        }
        return true;
    });
    lblTargetFolder->setText(shown);
    txtTargetFolder->setFocus();
}

QString frmSelectTargetFolder::choose(const QStringList &sources, QWidget *parent)
{
    // Windows live on the interface thread; a run on a worker waits for it.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        QString chosen;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { chosen = choose(sources, parent); },
            Qt::BlockingQueuedConnection);
        return chosen;
    }
    App().TargetFolderPath.clear();
    frmSelectTargetFolder w(sources, parent);
    w.exec();
    return App().TargetFolderPath;
}

void frmSelectTargetFolder::load()
{
    guarded(Loc::TargetFolderLoad, [this] {
        setWindowTitle(tx("Set target folder", "Ορισμός φακέλλου προορισμού"));
        m_prefix = tx("Name of target folder on drive ", "Όνομα του φακέλλου προορισμού στο δίσκο ");
        cmdCancel->setText(tx("Cancel", "Άκυρο"));
        SetTreeBackColor(tvwControl, kLightYellow);
        SelectPath(Locations::homeFolder(), tvwControl, File1, lstControl);
        txtTargetFolder->clear();
        txtTargetFolder_Change();
        showRoot();
        cmdOK->setText(QStringLiteral("OK"));
    });
}

void frmSelectTargetFolder::showRoot()
{
    const QString root = TargetFolder::rootOf(SelectedPath(tvwControl));
    lblTargetFolder->setText(m_prefix + FileNames::shown(root));
}

void frmSelectTargetFolder::tvwControl_NodeClick(QTreeWidgetItem *node)
{
    ShowNodeFiles(tvwControl, node, File1, lstControl);
    // Judged by the root that holds the path, as OK will be: a folder that is
    // itself a root (home below "/") is no name below one.
    const QString p = SelectedPath(tvwControl);
    const QString name = belowRoot(p, TargetFolder::rootOf(p));
    m_clickedName.clear();
    if (!name.isEmpty() && !name.contains(QLatin1Char('/'))) {
        m_clickedName = name;
        txtTargetFolder->setText(FileNames::shown(name));
        cmdOK->setEnabled(true);
    } else {
        txtTargetFolder->clear();
        cmdOK->setEnabled(false);
    }
    showRoot();
}

void frmSelectTargetFolder::txtTargetFolder_Change()
{
    cmdOK->setEnabled(!txtTargetFolder->text().trimmed().isEmpty());
}

bool frmSelectTargetFolder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtTargetFolder) {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->text().contains(QLatin1Char('/'))) {
            Beep();
            return true;
        }
        if (event->type() == QEvent::FocusIn)
            QMetaObject::invokeMethod(txtTargetFolder, &QLineEdit::selectAll, Qt::QueuedConnection);
    } else if (watched == File1 && event->type() == QEvent::FocusIn) {
        // The file list only displays.
        File1->clearSelection();
        cmdCancel->setFocus();
    }
    return SecondaryWindow::eventFilter(watched, event);
}

void frmSelectTargetFolder::backToName()
{
    txtTargetFolder->setFocus();
}

void frmSelectTargetFolder::creationFailed(const QString &name, const QString &root, const QString &reason)
{
    // "Unavailable" is a guess; on Linux the usual cause is a root the user may not write in.
    const QString why = reason.isEmpty() ? QString()
                                         : QStringLiteral("\r\n")
                                               + tx("The system's reason: ", "Η αιτία, κατά το σύστημα: ")
                                               + reason + QLatin1Char('.');
    MsgBox(App().LanguageIsGreek
               ? QStringLiteral("Η δημιουργία του φακέλλου ") + quoted(name)
                     + QStringLiteral(" κατέστη αδύνατη, ίσως διότι ο δίσκος ") + quoted(root)
                     + QStringLiteral(" δεν είναι διαθέσιμος.") + why
               : QStringLiteral("Folder ") + quoted(name)
                     + QStringLiteral(" could not be created, probably because drive ") + quoted(root)
                     + QStringLiteral(" is unavailable.") + why,
           Msg::Critical | Msg::OkOnly, tx("Create target folder", "Δημιουργία φακέλλου προορισμού"));
    backToName();
}

void frmSelectTargetFolder::cmdOK_Click()
{
    const QString root = TargetFolder::rootOf(SelectedPath(tvwControl));
    // The field shows a clicked name readable; unless edited since, the name on disk is meant.
    const QString typed = txtTargetFolder->text();
    const QString name = !m_clickedName.isEmpty() && typed == FileNames::shown(m_clickedName)
                             ? m_clickedName
                             : typed.trimmed();
    try {
        // One literal name, or nothing is touched: "..", "a/b" and the like
        // would reach outside the root.
        if (!TargetFolder::validName(name)) {
            creationFailed(name, root);
            return;
        }
        const QString path = AddTrailingSeparator(root) + name;
        for (const QString &source : m_sources) {
            if (!TargetFolder::endangersSource(path, {source}))
                continue;
            MsgBox(App().LanguageIsGreek
                       ? QStringLiteral("Ο φάκελλος προορισμού ") + quoted(path)
                             + QStringLiteral(" είναι, βρίσκεται μέσα σε, ή περιέχει, έναν από τους "
                                              "φακέλλους που συγχρονίζονται (")
                             + quoted(source) + QStringLiteral("). Επιλέξτε άλλο όνομα.")
                       : QStringLiteral("The target folder ") + quoted(path)
                             + QStringLiteral(" is, lies inside, or holds one of the folders being "
                                              "synchronized (")
                             + quoted(source) + QStringLiteral("). Choose another name."),
                   Msg::Exclamation | Msg::OkOnly,
                   tx("Set target folder", "Ορισμός φακέλλου προορισμού"));
            backToName();
            return;
        }

        // Whatever the entry is; a symlink counts as itself.
        if (FileOps::pathExists(path)) {
            const QString question =
                App().LanguageIsGreek
                    ? QStringLiteral("Υπάρχει ήδη φάκελλος ή αρχείο με όνομα ") + quoted(name)
                          + QStringLiteral(", στο πρώτο επίπεδο του δίσκου ") + quoted(root)
                          + QStringLiteral(".") + kBlankLine
                          + QStringLiteral("ΠΡΟΣΟΧΗ: Ο ΦΑΚΕΛΛΟΣ ΘΑ ΔΙΑΓΡΑΦΕΙ ΟΡΙΣΤΙΚΩΣ.") + kBlankLine
                          + QStringLiteral("Θέλετε πράγματι να διαγραφεί;")
                    : QStringLiteral("There is already a top level folder or file named ") + quoted(name)
                          + QStringLiteral(", on drive ") + quoted(root) + QStringLiteral(".")
                          + kBlankLine + QStringLiteral("ATTENTION: THE FOLDER WILL BE PERMANENTLY DELETED.")
                          + kBlankLine + QStringLiteral("Do you really want to delete it?");
            if (MsgBox(question, Msg::Question | Msg::YesNo | Msg::DefaultSecond,
                       tx("Delete target folder", "Διαγραφή φακέλλου προορισμού"))
                != Msg::Yes) {
                backToName();
                return;
            }
            setEnabled(false);
            const bool deleted = DeleteTargetFolder(path, true, Loc::TargetFolderOk);
            setEnabled(true);
            if (!deleted) {
                backToName();
                return;
            }
        }

        FileOps::createFolder(path); // a failure is reported below
        App().TargetFolderPath = path;
        done(Accepted);
    } catch (const AppError &e) {
        setEnabled(true);
        creationFailed(name, root, e.systemError() ? systemText(e.systemError()) : e.description());
    } catch (const std::exception &) {
        setEnabled(true);
        creationFailed(name, root);
    }
}

void frmSelectTargetFolder::cmdCancel_Click()
{
    App().TargetFolderPath.clear();
    done(Rejected);
}
