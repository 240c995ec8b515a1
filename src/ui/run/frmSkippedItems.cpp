#include "ui/run/frmSkippedItems.h"

#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "ui/dialogs/PictureBox.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/TwipsLayout.h"
#include "engine/fs/FileNames.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace {
constexpr int kDesignWidth = 11172;
constexpr int kMargin = 120;
constexpr int kGap = 120;
constexpr int kTextWidth = kDesignWidth - 2 * kMargin;
constexpr int kLineHeight = 252;
constexpr int kListHeight = 3492;
constexpr int kButtonWidth = 1332;
constexpr int kButtonHeight = 492;
// Not among the codes of the other windows.
constexpr const char *kLoadLocation = "181";

QLabel *textLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    // A file may be called "<b>x": names are never markup.
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}
} // namespace

QString shownNotices(const QStringList &notices)
{
    QStringList lines;
    // One by one: shown() would turn the line breaks between them into \x0A.
    for (const QString &n : notices)
        lines << FileNames::shown(n);
    return lines.join(QLatin1Char('\n'));
}

frmSkippedItems::frmSkippedItems(const SkippedItemsReport &report, QWidget *parent) : SecondaryWindow(parent)
{
    setObjectName(QStringLiteral("frmSkippedItems"));
    lblCount = textLabel(this, "lblCount");
    lstSkipped = new QListWidget(this);
    lstSkipped->setObjectName(QStringLiteral("lstSkipped"));
    lblListFile = textLabel(this, "lblListFile");
    // The path is there to be found again: let it be copied.
    lblListFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblNotices = textLabel(this, "lblNotices");
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    guarded(kLoadLocation, [&] { load(report); });

    // The texts are known now: each label gets the height its text needs and
    // what lies below moves down, so a long path or notice is never cut.
    struct Place {
        QWidget *widget;
        QRect twips;
    };
    std::vector<Place> places;
    int top = kMargin;
    auto below = [&](QWidget *w, int height) {
        places.push_back({w, QRect(kMargin, top, kTextWidth, height)});
        top += height + kGap;
    };
    below(lblCount, wrappedHeightTwips(lblCount, kTextWidth, kLineHeight));
    below(lstSkipped, kListHeight);
    below(lblListFile, wrappedHeightTwips(lblListFile, kTextWidth, kLineHeight));
    if (lblNotices->text().isEmpty())
        lblNotices->hide();
    else
        below(lblNotices, wrappedHeightTwips(lblNotices, kTextWidth, kLineHeight));
    places.push_back({cmdOK, QRect(kDesignWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight)});
    auto *layout = new TwipsLayout(this, kDesignWidth, top + kButtonHeight + kMargin);
    for (const Place &p : places)
        layout->add(p.widget, p.twips.left(), p.twips.top(), p.twips.width(), p.twips.height());
    resize(layout->designSize());

    ContextHelp::setTopic(lblCount, 100010);
    ContextHelp::setTopic(lstSkipped, 100020);
    ContextHelp::setTopic(lblListFile, 100030);
    ContextHelp::setTopic(lblNotices, 100040);
    ContextHelp::setTopic(cmdOK, 100050);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    cmdOK->setFocus();
}

void frmSkippedItems::showReport(const SkippedItemsReport &report, QWidget *parent)
{
    frmSkippedItems w(report, parent);
    w.exec();
}

void frmSkippedItems::load(const SkippedItemsReport &report)
{
    setWindowTitle(tx("Skipped items", "Στοιχεία που παραλείφθηκαν"));
    const std::size_t count = report.items.size();
    QString heading = SkippedItems::countText(count);
    if (report.stopped)
        heading = tx("The synchronization process was interrupted.", "Η διαδικασία του συγχρονισμού διακόπηκε.")
                  + QLatin1Char(' ') + heading;
    if (count > std::size_t(ShownItems))
        heading += QLatin1Char(' ')
                   + tx("The first %1 are listed here.", "Εδώ εμφανίζονται τα πρώτα %1.").arg(ShownItems);
    lblCount->setText(heading);

    const std::size_t shown = std::min(count, std::size_t(ShownItems));
    for (std::size_t i = 0; i < shown; ++i) {
        // Long paths run past the list's edge: the tooltip holds the whole line.
        auto *item = new QListWidgetItem(SkippedItems::line(report.items[i]), lstSkipped);
        item->setToolTip(item->text());
    }

    lblListFile->setText((report.listWritten
                              ? tx("The whole list is in the file %1.", "Ολόκληρη η λίστα βρίσκεται στο αρχείο %1.")
                              : tx("The whole list could not be written to the file %1.",
                                   "Δεν ήταν δυνατόν να γραφεί ολόκληρη η λίστα στο αρχείο %1."))
                             .arg(quoted(report.listFile)));
    lblNotices->setText(shownNotices(report.notices));
    cmdOK->setText(QStringLiteral("OK"));
}
