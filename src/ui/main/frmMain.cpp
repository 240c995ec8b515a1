#include "ui/main/frmMain.h"

#include "ui/common/ContextHelp.h"
#include "ui/common/FolderTree.h"
#include "ui/common/Icons.h"
#include "engine/paths/PathHelpers.h"
#include "engine/paths/SavedPaths.h"
#include "ui/main/frmRecallPath.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmWarning.h"
#include "ui/options/frmOptions.h"
#include "ui/run/frmSynchronize.h"
#include "ui/common/TwipsLayout.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Language.h"
#include "engine/settings/Settings.h"
#include "engine/settings/Startup.h"
#include "engine/settings/Texts.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/Locations.h"
#include "engine/settings/MessageService.h"
#include "engine/fs/SingleInstance.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {
constexpr int kDesignWidth = 11172;
constexpr int kDesignHeight = 7932;
constexpr int kButton = 612;

QString sided(const char *name, int side)
{
    return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(side);
}

void paintBackground(QWidget *w, std::uint32_t bgr)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, colorOf(bgr));
    w->setPalette(pal);
}

const char *const kHelpEn = "If we click the RIGHT mouse button on the various elements of the application, we shall get on-line help. Furthermore, if a question-mark appears in the title bar of a window, we can click the LEFT mouse button on the question-mark and then on the item for which we want to get on-line help.\r\n"
    "\r\n"
    "If we hover the mouse pointer over the buttons with the icons, we shall see a concise description of what each button does.\r\n"
    "\r\n"
    "The term ITEM, depending on the context in which it is referenced, may represent (either explicitly or in any combination) the following:\r\n"
    "1) A drive and/or a drive letter.\r\n"
    "2) A folder and/or a folder name.\r\n"
    "3) A subfolder and/or a subfolder name.\r\n"
    "4) A file and/or a file name.\r\n"
    "\r\n"
    "The term DESTINATION ITEM, represents the target folder, which is the folder where the results of the synchronization process will be stored.";
const char *const kHelpEl = "Για να λάβουμε άμεση βοήθεια, αρκεί να πατήσουμε το ΔΕΞΙΟ κουμπί του ποντικιού, στα διάφορα χειριστήρια της εφαρμογής. Επιπλέον, αν στη γραμμή τίτλου ενός παραθύρου υπάρχει ένα ερωτηματικό, μπορούμε να πατήσουμε το ΑΡΙΣΤΕΡΟ κουμπί του ποντικιού στο ερωτηματικό και κατόπιν, στο στοιχείο για το οποίο θέλουμε να λάβουμε άμεση βοήθεια.\r\n"
    "\r\n"
    "Αν αφήσουμε για λίγο το δείκτη του ποντικιού επάνω στα κουμπιά με τα εικονίδια, θα δούμε μία συνοπτική περιγραφή της εργασίας που επιτελεί το κάθε κουμπί.\r\n"
    "\r\n"
    "Ο όρος ΣΤΟΙΧΕΙΟ, αναλόγως με το κείμενο στο οποίο αναφέρεται, μπορεί να αντιπροσωπεύει (είτε ρητώς ή με οποιοδήποτε συνδυασμό) τα εξής:\r\n"
    "1) Ένα δίσκο ή/και το γράμμα ενός δίσκου.\r\n"
    "2) Ένα φάκελλο ή/και το όνομα ενός φακέλλου.\r\n"
    "3) Έναν υποφάκελλο ή/και το όνομα ενός υποφακέλλου.\r\n"
    "4) Ένα αρχείο ή/και το όνομα ενός αρχείου.\r\n"
    "\r\n"
    "Ο όρος ΣΤΟΙΧΕΙΟ ΠΡΟΟΡΙΣΜΟΥ, αντιπροσωπεύει το φάκελλο προορισμού, δηλαδή το φάκελλο μέσα στον οποίο θα αποθηκευθούν τα αποτελέσματα του συγχρονισμού.";
} // namespace

frmMain::frmMain(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    m_layout = new TwipsLayout(this, kDesignWidth, kDesignHeight);
    buildSide(0);
    buildSide(1);
    buildCommon();
    setHelpTopics();
    ContextHelp::offerHelpKey(this);
    resize(m_layout->designSize());
    openOptions = [this] { frmOptions::editOptions(this); };
    openSynchronization = [this](const RunInputs &in) { frmSynchronize::showModal(in, this); };
    openAbout = [this] { frmAbout::showModal(this); };
    lblCopyright->installEventFilter(this);
    picCopyright->installEventFilter(this);
}

RunInputs frmMain::runInputs() const
{
    RunInputs in;
    for (int side = 0; side < 2; ++side) {
        in.SourcePath[side] = SelectedPath(tvwControl[side]);
        in.Pattern[side] = txtFileType[side]->text().trimmed();
    }
    return in;
}

frmMain::~frmMain() = default;

void frmMain::setHelpTopics()
{
    using ContextHelp::setTopic;
    for (int side = 0; side < 2; ++side) {
        const bool left = side == 0;
        setTopic(tvwControl[side], left ? 10010 : 10020);
        setTopic(cmdSavePath[side], left ? 10030 : 10070);
        setTopic(cmdRecallPath[side], left ? 10040 : 10080);
        setTopic(cmdRefresh[side], left ? 10050 : 10090);
        setTopic(cmdUpOneLevel[side], left ? 10060 : 10100);
        setTopic(lblFileType[side], left ? 10190 : 10200);
        setTopic(txtFileType[side], left ? 10190 : 10220);
        setTopic(cmdAsterisk[side], left ? 10210 : 10220);
        setTopic(filFile[side], left ? 10230 : 10240);
        setTopic(lstControl[side], left ? 10230 : 10240);
        setTopic(cmdLanguage[side], left ? 10120 : 10130);
    }
    setTopic(cmdHelp, 10110);
    setTopic(cmdOptions, 10140);
    setTopic(cmdSynchronize, 10150);
    setTopic(cmdEnd, 10160);
    setTopic(lblCopyright, 10170);
    setTopic(picCopyright, 10180);
}

QToolButton *frmMain::iconButton(const char *name, const QIcon &icon, int left, int top)
{
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(icon);
    b->setIconSize(QSize(28, 28));
    b->setAutoRaise(false);
    m_layout->add(b, left, top, kButton, kButton);
    return b;
}

void frmMain::buildSide(int side)
{
    const int treeLeft = side == 0 ? 120 : 5760;
    tvwControl[side] = new FolderTree(this);
    tvwControl[side]->setObjectName(sided("tvwControl", side));
    m_layout->add(tvwControl[side], treeLeft, 120, 5292, 3972);
    connect(tvwControl[side], &QTreeWidget::itemExpanded, this,
            [this, side](QTreeWidgetItem *node) { ExpandNode(tvwControl[side], node); });
    // Keyboard moves show the folder as a click does; the program's own moves don't.
    connect(tvwControl[side], &QTreeWidget::currentItemChanged, this,
            [this, side](QTreeWidgetItem *node) {
                if (node && !tvwControl[side]->programSelecting)
                    ShowNodeFiles(tvwControl[side], node, filFile[side], lstControl[side]);
            });

    static const int buttonLeft[2][4] = {{120, 840, 1560, 2280}, {8280, 9000, 9720, 10440}};
    QToolButton **buttons[4] = {&cmdSavePath[side], &cmdRecallPath[side], &cmdRefresh[side],
                                &cmdUpOneLevel[side]};
    const char *names[4] = {"cmdSavePath", "cmdRecallPath", "cmdRefresh", "cmdUpOneLevel"};
    const QIcon icons[4] = {Icons::savePath(), Icons::recallPath(), Icons::refresh(),
                            Icons::upOneLevel()};
    for (int i = 0; i < 4; ++i) {
        *buttons[i] = iconButton("", icons[i], buttonLeft[side][i], 4200);
        (*buttons[i])->setObjectName(sided(names[i], side));
    }
    connect(cmdSavePath[side], &QToolButton::clicked, this, [this, side] { cmdSavePath_Click(side); });
    connect(cmdRecallPath[side], &QToolButton::clicked, this, [this, side] { cmdRecallPath_Click(side); });
    connect(cmdRefresh[side], &QToolButton::clicked, this, [this, side] { cmdRefresh_Click(side); });
    connect(cmdUpOneLevel[side], &QToolButton::clicked, this, [this, side] { cmdUpOneLevel_Click(side); });

    lblFileType[side] = new QLabel(this);
    lblFileType[side]->setObjectName(sided("lblFileType", side));
    m_layout->add(lblFileType[side], side == 0 ? 120 : 8520, 5040, 2532, 252);

    txtFileType[side] = new QLineEdit(this);
    txtFileType[side]->setObjectName(sided("txtFileType", side));
    m_layout->add(txtFileType[side], treeLeft, 5280, 4932, 288);
    txtFileType[side]->installEventFilter(this);
    connect(txtFileType[side], &QLineEdit::textChanged, this, [this, side] { txtFileType_Change(side); });

    cmdAsterisk[side] = new QPushButton(QStringLiteral("*.*"), this);
    cmdAsterisk[side]->setObjectName(sided("cmdAsterisk", side));
    cmdAsterisk[side]->setAutoDefault(false);
    m_layout->add(cmdAsterisk[side], side == 0 ? 5040 : 10680, 5280, 372, 288);
    connect(cmdAsterisk[side], &QPushButton::clicked, this, [this, side] { cmdAsterisk_Click(side); });

    filFile[side] = new FileList(this);
    filFile[side]->setObjectName(sided("filFile", side));
    filFile[side]->installEventFilter(this);
    // Tab passes it by: it only displays, and taking the focus would send the
    // focus to the picture, past every button in between.
    filFile[side]->setFocusPolicy(Qt::ClickFocus);
    m_layout->add(filFile[side], treeLeft, 5640, 5292, 2184);

    lstControl[side] = new QListWidget(this);
    lstControl[side]->setObjectName(sided("lstControl", side));
    lstControl[side]->hide();
    lstControl[side]->setFocusPolicy(Qt::NoFocus); // always empty
    m_layout->add(lstControl[side], treeLeft, 5640, 5292, 2184);
}

void frmMain::buildCommon()
{
    lblCopyright = new QLabel(this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    lblCopyright->setAlignment(Qt::AlignCenter);
    m_layout->add(lblCopyright, 3000, 4200, 5172, 252);

    cmdHelp = iconButton("cmdHelp", Icons::help(), 3000, 4560);
    cmdLanguage[0] = iconButton("cmdLanguage_0", Icons::greekFlag(), 3720, 4560);
    cmdLanguage[1] = iconButton("cmdLanguage_1", Icons::englishFlag(), 4440, 4560);
    picCopyright = new QLabel(this);
    picCopyright->setObjectName(QStringLiteral("picCopyright"));
    picCopyright->setPixmap(Icons::copyrightPicture(TwipsLayout::toPixels(432)));
    picCopyright->setAlignment(Qt::AlignCenter);
    picCopyright->setFocusPolicy(Qt::ClickFocus);
    m_layout->add(picCopyright, 5400, 4650, 432, 432);
    cmdOptions = iconButton("cmdOptions", Icons::options(), 6120, 4560);
    cmdSynchronize = iconButton("cmdSynchronize", Icons::synchronize(), 6840, 4560);
    cmdEnd = iconButton("cmdEnd", Icons::exit(), 7560, 4560);

    // The language buttons' tooltips name both languages and never change.
    cmdLanguage[0]->setToolTip(QStringLiteral("Ελληνικά / Greek"));
    cmdLanguage[1]->setToolTip(QStringLiteral("English / Αγγλικά"));
    connect(cmdLanguage[0], &QToolButton::clicked, this, [this] { cmdLanguage_Click(0); });
    connect(cmdLanguage[1], &QToolButton::clicked, this, [this] { cmdLanguage_Click(1); });
    connect(cmdHelp, &QToolButton::clicked, this, &frmMain::cmdHelp_Click);
    connect(cmdEnd, &QToolButton::clicked, this, &frmMain::cmdEnd_Click);
    connect(cmdOptions, &QToolButton::clicked, this, &frmMain::cmdOptions_Click);
    connect(cmdSynchronize, &QToolButton::clicked, this, &frmMain::cmdSynchronize_Click);

    const char *names[4] = {"Recent", "Initial", "Help", "Cancel"};
    mnuSavePath = new QMenu(this);
    mnuSavePath->setObjectName(QStringLiteral("mnuSavePath"));
    mnuRecallPath = new QMenu(this);
    mnuRecallPath->setObjectName(QStringLiteral("mnuRecallPath"));
    for (int i = 0; i < 4; ++i) {
        if (i >= 2) {
            mnuSavePath->addSeparator();
            mnuRecallPath->addSeparator();
        }
        mnuSavePathItem[i] = mnuSavePath->addAction(QString());
        mnuSavePathItem[i]->setObjectName(QStringLiteral("mnuSavePath") + QLatin1String(names[i]));
        mnuRecallPathItem[i] = mnuRecallPath->addAction(QString());
        mnuRecallPathItem[i]->setObjectName(QStringLiteral("mnuRecallPath") + QLatin1String(names[i]));
    }
    auto sideOf = [](QMenu *menu) { return menu->property("side").toInt(); };
    connect(mnuSavePathItem[2], &QAction::triggered, this,
            [this, sideOf] { ContextHelp::showFor(cmdSavePath[sideOf(mnuSavePath)]); });
    connect(mnuRecallPathItem[2], &QAction::triggered, this,
            [this, sideOf] { ContextHelp::showFor(cmdRecallPath[sideOf(mnuRecallPath)]); });
    connect(mnuSavePathItem[0], &QAction::triggered, this, [this, sideOf] {
        const int side = sideOf(mnuSavePath);
        SaveRecentPath(SelectedPath(tvwControl[side]), side);
    });
    connect(mnuSavePathItem[1], &QAction::triggered, this, [this, sideOf] {
        const int side = sideOf(mnuSavePath);
        SetInitialPath(SelectedPath(tvwControl[side]), side);
    });
    connect(mnuRecallPathItem[0], &QAction::triggered, this, [this, sideOf] {
        const int side = sideOf(mnuRecallPath);
        const QString chosen = frmRecallPath::chooseRecent(side, this);
        if (!chosen.isEmpty())
            recallSide(side, chosen);
    });
    connect(mnuRecallPathItem[1], &QAction::triggered, this, [this, sideOf] {
        const int side = sideOf(mnuRecallPath);
        recallSide(side, App().InitialPath[side]);
    });
}

bool frmMain::load(const QString &settingsFolder, const QString &dataFolder)
{
    // 1. One instance per settings folder; a refused start touches no file.
    bool folderUsable = true;
    try {
        Startup::ensureSettingsFolder(settingsFolder);
    } catch (const AppError &e) {
        folderUsable = false;
        CommonErrorReport(e.number(), e.description(), Loc::Startup);
    }
    if (folderUsable) {
        m_instance = std::make_unique<SingleInstance>(settingsFolder);
        switch (m_instance->acquire()) {
        case SingleInstance::Result::Acquired:
            break;
        case SingleInstance::Result::AlreadyRunning:
            QApplication::setApplicationDisplayName(QStringLiteral("...duplicate instance."));
            MsgBox(QStringLiteral("The application is already active and cannot have more than one "
                                  "instances at the same time."),
                   Msg::Critical | Msg::OkOnly, App().MessageTitle);
            m_instance.reset();
            return false;
        case SingleInstance::Result::Failed:
            // Without the lock we still start: the user keeps a working program,
            // and the settings writes fail quietly if the folder is not ours.
            CommonErrorReport(ErrorCode::PermissionDenied, m_instance->failureText(), Loc::Startup);
            m_instance.reset();
            break;
        }
    }

    guarded(Loc::Startup, [&] {
        Startup::computeFileLocations(settingsFolder, dataFolder); // 2
        Startup::initSideValues();                                // 3
        for (int side = 0; side < 2; ++side)                     // 4
            guarded(Loc::CreateSavedPathsFile, [side] { Startup::EnsureSavedPathsFile(side); });
        for (int side = 0; side < 2; ++side) { // 5
            const QRect box = m_layout->twips(txtFileType[side]);
            const QRect star = m_layout->twips(cmdAsterisk[side]);
            m_layout->setTwips(cmdAsterisk[side], star.left(), star.top(), star.width(), box.height());
        }
        App().LanguageIsGreek = Settings::readLanguageIsGreek(); // 6
        cmdLanguage[App().LanguageIsGreek ? 0 : 1]->click();
        const QString inTheWay = Startup::settingsFilesInTheWay();
        if (!inTheWay.isEmpty())
            MsgBox(inTheWay, Msg::Exclamation | Msg::OkOnly, App().MessageTitle);
        Settings::readInitialPaths();     // 7
        Settings::readOptionValues();     // 8
        Settings::readReminderSwitches(); // 9
        cmdAsterisk[0]->click();          // 10
        cmdAsterisk[1]->click();
        for (int side = 0; side < 2; ++side) { // 11
            SetTreeBackColor(tvwControl[side], App().SideColor[side]);
            paintBackground(txtFileType[side], App().SideColor[side]);
            paintBackground(filFile[side], App().SideColor[side]);
            paintBackground(lstControl[side], App().SideColor[side]);
        }
        for (int side = 0; side < 2; ++side) { // 12
            lstControl[side]->clear();
            if (App().InitialPath[side].isEmpty()) {
                App().InitialPath[side] = Locations::homeFolder();
                MsgBox(Startup::defaultInitialPathPrompt(App().InitialPath[side]),
                       Msg::Information | Msg::OkOnly, Startup::defaultInitialPathTitle(side));
            }
            RecallPath(App().InitialPath[side], side, tvwControl[side], filFile[side], lstControl[side]);
        }
    });
    return true;
}

void frmMain::cmdLanguage_Click(int index)
{
    guarded(Loc::LanguageSwitch, [&] {
        Language::applyState(index);
        setMainTexts();
        setWindowTitle(App().MessageTitle);
        Language::store(index);
    });
}

void frmMain::setMainTexts()
{
    picCopyright->setToolTip(Language::makerName());
    lblCopyright->setToolTip(tx("Copyright notice", "Πνευματικά δικαιώματα"));
    lblCopyright->setText(Language::copyrightLine());
    cmdHelp->setToolTip(tx("Help", "Βοήθεια"));
    cmdEnd->setToolTip(tx("Exit", "Έξοδος"));
    const char *menuEn[4] = {"Recent", "Initial", "Help", "Cancel"};
    const char *menuEl[4] = {"Πρόσφατες", "Αρχική", "Βοήθεια", "Άκυρο"};
    for (int side = 0; side < 2; ++side)
        cmdSavePath[side]->setToolTip(tx("Save path", "Αποθήκευση διαδρομής"));
    for (int i = 0; i < 4; ++i)
        mnuSavePathItem[i]->setText(tx(menuEn[i], menuEl[i]));
    for (int side = 0; side < 2; ++side)
        cmdRecallPath[side]->setToolTip(tx("Recall path", "Ανάκληση διαδρομής"));
    for (int i = 0; i < 4; ++i)
        mnuRecallPathItem[i]->setText(tx(menuEn[i], menuEl[i]));
    for (int side = 0; side < 2; ++side)
        cmdRefresh[side]->setToolTip(tx("Refresh path", "Ανανέωση διαδρομής"));
    for (int side = 0; side < 2; ++side)
        cmdUpOneLevel[side]->setToolTip(tx("Up one level", "Ένα επίπεδο επάνω"));
    for (int side = 0; side < 2; ++side)
        lblFileType[side]->setText(tx("File type", "Τύπος αρχείων"));
    cmdOptions->setToolTip(tx("Options", "Επιλογές"));
    cmdSynchronize->setToolTip(tx("Folder synchronization", "Συγχρονισμός φακέλλων"));
}

void frmMain::cmdAsterisk_Click(int side) { txtFileType[side]->setText(QStringLiteral("*.*")); }

void frmMain::cmdHelp_Click()
{
    MsgBox(tx(kHelpEn, kHelpEl), Msg::Information | Msg::OkOnly, tx("Help", "Βοήθεια"));
}

void frmMain::cmdEnd_Click() { close(); }

void frmMain::recallSide(int side, const QString &path)
{
    RecallPath(path, side, tvwControl[side], filFile[side], lstControl[side]);
}

void frmMain::cmdUpOneLevel_Click(int side)
{
    guarded(Loc::MainUpOneLevel, [&] {
        const QString p = SelectedPath(tvwControl[side]);
        if (p == QLatin1String("/")) {
            MsgBox(tx("You are already on the root directory of the current drive and as a result, "
                      "you cannot go up any further.",
                      "Βρίσκεστε ήδη στο πρώτο επίπεδο του τρέχοντος δίσκου και επομένως δεν "
                      "μπορείτε να μετακινηθείτε σε υψηλότερο επίπεδο."),
                   Msg::Critical | Msg::OkOnly, tx("Up one level", "Ένα επίπεδο επάνω"));
            return;
        }
        recallSide(side, parentFolder(p.isEmpty() ? Locations::homeFolder() : p));
    });
}

void frmMain::cmdRefresh_Click(int side)
{
    guarded(Loc::MainRefresh, [&] {
        const QString p = SelectedPath(tvwControl[side]);
        tvwControl[side]->removeAll();
        recallSide(side, p);
    });
}

void frmMain::popUp(QMenu *menu, int side)
{
    menu->setProperty("side", side);
    menu->exec(QCursor::pos());
}

void frmMain::cmdSavePath_Click(int side) { popUp(mnuSavePath, side); }

void frmMain::cmdRecallPath_Click(int side)
{
    QAction *initial = mnuRecallPathItem[1];
    const QString caption = initial->text();
    // A menu takes "&" for a shortcut mark; the path shows it as it is.
    const QString path =
        FileNames::shown(App().InitialPath[side]).replace(QLatin1Char('&'), QStringLiteral("&&"));
    initial->setText(caption + QStringLiteral("  [ ") + path + QStringLiteral(" ]"));
    popUp(mnuRecallPath, side);
    initial->setText(caption);
}

void frmMain::cmdOptions_Click()
{
    guarded(Loc::MainOptions, [&] { openOptions(); });
}

void frmMain::cmdSynchronize_Click()
{
    guarded(Loc::MainSynchronize, [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        if (App().OptionValues.ShowOptions) {
            App().CurrentReminder = 1;
            ShowReminder();
            openOptions();
        }
        openSynchronization(runInputs());
        // A run adds, replaces and removes items on both sides and may create a target folder.
        for (int side = 0; side < 2; ++side)
            RefreshTree(tvwControl[side], filFile[side], lstControl[side]);
    });
}

void frmMain::txtFileType_Change(int side)
{
    const QString t = txtFileType[side]->text().trimmed();
    // A pattern being typed ends with ";" until its next part follows.
    if (t.endsWith(QLatin1Char(';')))
        return;
    filFile[side]->setPattern(t);
}

void frmMain::txtFileType_LostFocus(int side)
{
    if (txtFileType[side]->text().trimmed().isEmpty())
        cmdAsterisk[side]->click();
    txtFileType[side]->setText(txtFileType[side]->text().trimmed());
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == lblCopyright || watched == picCopyright) && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() != Qt::RightButton) {
        guarded(Loc::AboutLoad, [this] { openAbout(); });
        return true;
    }
    for (int side = 0; side < 2; ++side) {
        if (watched == txtFileType[side]) {
            if (event->type() == QEvent::FocusIn)
                QMetaObject::invokeMethod(txtFileType[side], &QLineEdit::selectAll, Qt::QueuedConnection);
            else if (event->type() == QEvent::FocusOut)
                txtFileType_LostFocus(side);
        } else if (watched == filFile[side] && event->type() == QEvent::FocusIn) {
            // The file list only displays.
            filFile[side]->clearSelection();
            picCopyright->setFocus();
        }
    }
    return QWidget::eventFilter(watched, event);
}
