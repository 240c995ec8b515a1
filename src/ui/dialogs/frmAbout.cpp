#include "ui/dialogs/frmAbout.h"

#include "ui/dialogs/PictureBox.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "engine/settings/Version.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Icons.h"
#include "ui/common/TwipsLayout.h"
#include "engine/settings/MessageService.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kDesignWidth = 6732;
constexpr int kDesignHeight = 3372;
constexpr int kMargin = 120;
constexpr int kIconSize = 720;
constexpr int kTextLeft = kMargin + kIconSize + 180;
constexpr int kTextWidth = kDesignWidth - kMargin - kTextLeft;
constexpr int kDescriptionTop = 960;
constexpr int kLineTop = 2640;
constexpr int kDescriptionHeight = kLineTop - 120 - kDescriptionTop;
constexpr int kButtonTop = 2790;
constexpr int kButtonHeight = 462;
constexpr int kOkWidth = 1332;
constexpr int kSysInfoWidth = 2880;
constexpr int kOkLeft = kDesignWidth - kMargin - kOkWidth;
constexpr int kSysInfoLeft = kOkLeft - 120 - kSysInfoWidth;

QLabel *label(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    return l;
}

QFrame *line(QWidget *parent, const char *name, const QColor &color)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setAutoFillBackground(true);
    QPalette pal = f->palette();
    pal.setColor(QPalette::Window, color);
    f->setPalette(pal);
    return f;
}
} // namespace

frmAbout::frmAbout(QWidget *parent) : SecondaryWindow(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    picIcon = new PictureBox(&Icons::copyrightPicture, this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    lblTitle = label(this, "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);
    lblVersion = label(this, "lblVersion");
    lblDescription = label(this, "lblDescription");
    Line1[0] = line(this, "Line1", QColor(128, 128, 128));
    Line1[1] = line(this, "Line1_1", Qt::white);
    lblDisclaimer = label(this, "lblDisclaimer");
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    load();

    // The description grows downwards when its text would be cut, and the
    // separator and buttons move down with the window.
    const int descriptionHeight =
        wrappedHeightTwips(lblDescription, kTextWidth, kDescriptionHeight);
    const int extra = descriptionHeight - kDescriptionHeight;
    auto *layout = new TwipsLayout(this, kDesignWidth, kDesignHeight + extra);
    layout->add(picIcon, kMargin, kMargin, kIconSize, kIconSize);
    layout->add(lblTitle, kTextLeft, kMargin, kTextWidth, 480);
    layout->add(lblVersion, kTextLeft, 600, kTextWidth, 300);
    layout->add(lblDescription, kTextLeft, kDescriptionTop, kTextWidth, descriptionHeight);
    layout->add(Line1[0], kMargin, kLineTop + extra, kDesignWidth - 2 * kMargin, 15);
    layout->add(Line1[1], kMargin, kLineTop + 15 + extra, kDesignWidth - 2 * kMargin, 15);
    layout->add(lblDisclaimer, kMargin, kButtonTop + extra, kSysInfoLeft - 2 * kMargin,
                kButtonHeight);
    layout->add(cmdSysInfo, kSysInfoLeft, kButtonTop + extra, kSysInfoWidth, kButtonHeight);
    layout->add(cmdOK, kOkLeft, kButtonTop + extra, kOkWidth, kButtonHeight);
    // A large desktop font would cut the title or the version line: the window
    // grows as a whole until both fit.
    layout->growUntil(this, [&](double scale) {
        return layout->wrappedFits(lblTitle, scale) && layout->wrappedFits(lblVersion, scale);
    });
    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    using ContextHelp::setTopic;
    setTopic(picIcon, 30010);
    setTopic(lblTitle, 30020);
    setTopic(lblVersion, 30030);
    setTopic(lblDescription, 30040);
    setTopic(lblDisclaimer, 30050);
    setTopic(cmdOK, 30060);
    setTopic(cmdSysInfo, 30070);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::showModal(QWidget *parent)
{
    frmAbout w(parent);
    w.exec();
}

void frmAbout::load()
{
    guarded(Loc::AboutLoad, [this] {
        setWindowTitle(tx("About", "Σχετικά"));
        lblTitle->setText(tx(Texts::TitleEn, Texts::TitleEl));
        lblDescription->setText(tx(
            "This application copies into a new folder, the structure and the files of two other "
            "folders. It can also synchronize the structure and the files of two folders, by "
            "swapping them between the source folders. The structure and the files that will be "
            "copied, are user selectable. The application can also duplicate a structure without "
            "copying any files.",
            "Η εφαρμογή αυτή αντιγράφει σε ένα νέο φάκελλο, τη δομή και τα αρχεία δύο άλλων "
            "φακέλλων. Μπορεί επίσης να συγχρονίσει τη δομή και τα αρχεία δύο φακέλλων, μέσω "
            "ανταλλαγής τους στους πηγαίους φακέλλους. Η δομή και τα αρχεία τα οποία θα "
            "αντιγραφούν, επιλέγονται από το χρήστη. Η εφαρμογή μπορεί επίσης να κάνει "
            "αναπαραγωγή της δομής, χωρίς να αντιγράψει αρχεία."));
        lblDisclaimer->setText(QString());
        cmdOK->setText(QStringLiteral("OK"));
        cmdSysInfo->setText(tx("System Info...", "Πληροφορίες συστήματος..."));
        lblVersion->setText(Version::line());
    });
}

void frmAbout::cmdOK_Click() { accept(); }

void frmAbout::reject() { cmdOK->click(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo()
{
    // No system information program to start here; the window stays open.
    MsgBox(tx("System Information is unavailable at this time.",
              "Οι Πληροφορίες Συστήματος δεν είναι διαθέσιμες αυτή τη στιγμή."),
           Msg::Information | Msg::OkOnly, tx("System information", "Πληροφορίες συστήματος"));
}
