#include "ui/run/frmFinalSelection.h"

#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Icons.h"
#include "ui/common/TwipsLayout.h"
#include "engine/fs/FileNames.h"

#include <QCoreApplication>
#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QThread>

namespace {
constexpr int kDesignWidth = 11652;
constexpr int kDesignHeight = 6852;
constexpr int kMargin = 120;
constexpr int kGap = 90;
constexpr int kSideWidth = (kDesignWidth - 3 * kMargin) / 2;
constexpr int kLabelHeight = 312;
constexpr int kListTop = kMargin + kLabelHeight + 60;
constexpr int kButtonHeight = 375;
constexpr int kOkTop = kDesignHeight - kMargin - kButtonHeight;
constexpr int kSideButtonTop = kOkTop - kMargin - kButtonHeight;
constexpr int kListHeight = kSideButtonTop - kGap - kListTop;
// Sized to the Greek captions, the longer ones.
constexpr int kSelectAllWidth = 1485;
constexpr int kSelectNoneWidth = 1785;
constexpr int kReverseWidth = kSideWidth - 2 * kGap - kSelectAllWidth - kSelectNoneWidth;
constexpr int kOkWidth = 1200;

constexpr int sideLeft(int side) { return kMargin + side * (kSideWidth + kMargin); }

// Shows the whole root path when it fits and elides its middle when it does
// not, so both ends of a long path stay readable; text() keeps the path.
class PathLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect area = contentsRect().adjusted(4, 0, -4, 0);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
        style()->drawItemText(&p, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                              foregroundRole());
    }
};

QString sided(const char *name, int side)
{
    return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(side);
}

QPushButton *button(QWidget *parent, const QString &name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(name);
    // Space and Enter in a list toggle entries; they must not press a button.
    b->setAutoDefault(false);
    return b;
}

void paintSide(QWidget *w, QPalette::ColorRole role, int side)
{
    QPalette pal = w->palette();
    pal.setColor(role, colorOf(App().SideColor[side]));
    w->setPalette(pal);
}
} // namespace

frmFinalSelection::frmFinalSelection(ManualSelectionSide sides[2], QWidget *parent)
    : SecondaryWindow(parent), m_sides(sides)
{
    setObjectName(QStringLiteral("frmFinalSelection"));
    auto *layout = new TwipsLayout(this, kDesignWidth, kDesignHeight);
    // Help topics 70010, 70020, ... in control order: five per side, then ALL and OK.
    int topic = 70010;
    for (int s = 0; s < 2; ++s) {
        const int left = sideLeft(s);
        lblStartPoint[s] = new PathLabel(this);
        lblStartPoint[s]->setObjectName(sided("lblStartPoint", s));
        lblStartPoint[s]->setAutoFillBackground(true);
        layout->add(lblStartPoint[s], left, kMargin, kSideWidth, kLabelHeight);

        QListWidget *list = lstSelectItems[s] = new QListWidget(this);
        list->setObjectName(sided("lstSelectItems", s));
        // A click toggles one entry and leaves the others alone, so a long
        // selection is never lost to a stray click.
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        // Long lists lay out at once; see fill() for the width.
        list->setUniformItemSizes(true);
        layout->add(list, left, kListTop, kSideWidth, kListHeight);

        cmdSelectAll[s] = button(this, sided("cmdSelectAll", s));
        cmdSelectNone[s] = button(this, sided("cmdSelectNone", s));
        cmdReverseSelection[s] = button(this, sided("cmdReverseSelection", s));
        layout->add(cmdSelectAll[s], left, kSideButtonTop, kSelectAllWidth, kButtonHeight);
        layout->add(cmdSelectNone[s], left + kSelectAllWidth + kGap, kSideButtonTop, kSelectNoneWidth,
                    kButtonHeight);
        layout->add(cmdReverseSelection[s], left + kSideWidth - kReverseWidth, kSideButtonTop, kReverseWidth,
                    kButtonHeight);
        for (QWidget *w : sideControls(s)) {
            ContextHelp::setTopic(w, topic);
            topic += 10;
        }

        connect(cmdSelectAll[s], &QPushButton::clicked, this, [this, s] { cmdSelectAll_Click(s); });
        connect(cmdSelectNone[s], &QPushButton::clicked, this, [this, s] { cmdSelectNone_Click(s); });
        connect(cmdReverseSelection[s], &QPushButton::clicked, this,
                [this, s] { cmdReverseSelection_Click(s); });
    }
    cmdAll = button(this, QStringLiteral("cmdAll"));
    cmdOK = button(this, QStringLiteral("cmdOK"));
    const int okLeft = kDesignWidth - kMargin - kOkWidth;
    layout->add(cmdAll, okLeft - kMargin - kOkWidth, kOkTop, kOkWidth, kButtonHeight);
    layout->add(cmdOK, okLeft, kOkTop, kOkWidth, kButtonHeight);
    ContextHelp::setTopic(cmdAll, topic);
    ContextHelp::setTopic(cmdOK, topic + 10);
    resize(layout->designSize());

    connect(cmdAll, &QPushButton::clicked, this, &frmFinalSelection::cmdAll_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmFinalSelection::cmdOK_Click);

    load();
    if (lstSelectItems[0]->isEnabled())
        lstSelectItems[0]->setFocus();
    else if (lstSelectItems[1]->isEnabled())
        lstSelectItems[1]->setFocus();
    else
        cmdOK->setFocus();
}

void frmFinalSelection::select(ManualSelectionSide sides[2], QWidget *parent)
{
    // Windows live on the interface thread; a run on a worker waits for it.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { select(sides, parent); }, Qt::BlockingQueuedConnection);
        return;
    }
    // Should the window end other than by OK (the session closing), nothing is kept.
    for (int s = 0; s < 2; ++s)
        sides[s].selected.assign(sides[s].entries.size(), false);
    frmFinalSelection w(sides, parent);
    w.exec();
}

void frmFinalSelection::load()
{
    guarded(Loc::FinalSelectionLoad, [this] {
        setWindowTitle(tx("Select the items you want to be synchronized",
                          "Επιλέξτε τα στοιχεία που θέλετε να συγχρονισθούν"));
        for (int s = 0; s < 2; ++s) {
            cmdSelectAll[s]->setText(tx("Select all", "Επιλογή όλων"));
            cmdSelectNone[s]->setText(tx("Select none", "Επιλογή κανενός"));
            cmdReverseSelection[s]->setText(tx("Reverse selection", "Αναστροφή επιλογής"));
        }
        cmdAll->setText(tx("ALL", "ΟΛΑ"));
        cmdOK->setText(QStringLiteral("OK"));
        for (int s = 0; s < 2; ++s) {
            paintSide(lblStartPoint[s], QPalette::Window, s);
            paintSide(lstSelectItems[s], QPalette::Base, s);
            lblStartPoint[s]->clear();
            lstSelectItems[s]->clear();
            for (QWidget *w : sideControls(s))
                w->setEnabled(false);
        }
        for (int s = 0; s < 2; ++s)
            fill(s);
    });
}

void frmFinalSelection::fill(int side)
{
    const ManualSelectionSide &from = m_sides[side];
    if (from.rootPath.isEmpty() || from.entries.empty())
        return;
    const QString root = FileNames::shown(from.rootPath);
    lblStartPoint[side]->setText(root);
    lblStartPoint[side]->setToolTip(Qt::convertFromPlainText(root, Qt::WhiteSpaceNoWrap));
    QStringList entries;
    entries.reserve(qsizetype(from.entries.size()));
    for (const QString &entry : from.entries)
        entries << FileNames::shown(entry);
    QListWidget *list = lstSelectItems[side];
    list->addItems(entries);
    // With uniform sizes the view measures its last entry only, and would cut
    // longer ones off without a horizontal scroll bar: lend it the widest's size.
    const QFontMetrics metrics = list->fontMetrics();
    qsizetype widest = 0;
    int widestAdvance = -1;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const int advance = metrics.horizontalAdvance(entries[i]);
        if (advance > widestAdvance) {
            widestAdvance = advance;
            widest = i;
        }
    }
    list->item(list->count() - 1)->setSizeHint(list->sizeHintForIndex(list->model()->index(int(widest), 0)));
    for (QWidget *w : sideControls(side))
        w->setEnabled(true);
}

std::array<QWidget *, 5> frmFinalSelection::sideControls(int side) const
{
    return {lblStartPoint[side], lstSelectItems[side], cmdSelectAll[side], cmdSelectNone[side],
            cmdReverseSelection[side]};
}

std::vector<bool> frmFinalSelection::selectedRows(int side) const
{
    const QListWidget *list = lstSelectItems[side];
    std::vector<bool> on(size_t(list->count()), false);
    // Read range by range: asking each row is linear in the ranges, so
    // quadratic for a scattered selection of a long list.
    for (const QItemSelectionRange &range : list->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            on[size_t(row)] = true;
    return on;
}

void frmFinalSelection::change(int side, Change how)
{
    QListWidget *list = lstSelectItems[side];
    const int count = list->count();
    if (count == 0)
        return;
    QItemSelection wanted;
    const QAbstractItemModel *model = list->model();
    auto addRows = [&](int first, int last) {
        wanted.append(QItemSelectionRange(model->index(first, 0), model->index(last, 0)));
    };
    if (how == Change::All) {
        addRows(0, count - 1);
    } else if (how == Change::Reverse) {
        const std::vector<bool> on = selectedRows(side);
        for (int row = 0; row < count;) {
            if (on[size_t(row)]) {
                ++row;
                continue;
            }
            const int first = row;
            while (row < count && !on[size_t(row)])
                ++row;
            addRows(first, row - 1);
        }
    }

    QScrollBar *vertical = list->verticalScrollBar();
    QScrollBar *horizontal = list->horizontalScrollBar();
    const int top = vertical->value();
    const int left = horizontal->value();
    list->setUpdatesEnabled(false);
    QItemSelectionModel *selection = list->selectionModel();
    // Clear first, then select: replacing one scattered selection by another
    // in a single call makes Qt compare them range by range.
    selection->clearSelection();
    if (!wanted.isEmpty())
        selection->select(wanted, QItemSelectionModel::Select);
    vertical->setValue(top);
    horizontal->setValue(left);
    list->setUpdatesEnabled(true);
}

void frmFinalSelection::cmdSelectAll_Click(int side) { change(side, Change::All); }

void frmFinalSelection::cmdSelectNone_Click(int side) { change(side, Change::None); }

void frmFinalSelection::cmdReverseSelection_Click(int side) { change(side, Change::Reverse); }

void frmFinalSelection::enableButtons(bool enabled)
{
    for (int s = 0; s < 2; ++s)
        for (QPushButton *b : {cmdSelectAll[s], cmdSelectNone[s], cmdReverseSelection[s]})
            b->setEnabled(enabled);
    cmdOK->setEnabled(enabled);
    cmdAll->setEnabled(enabled);
}

void frmFinalSelection::cmdAll_Click()
{
    enableButtons(false);
    for (int s = 0; s < 2; ++s)
        if (lstSelectItems[s]->count() > 0)
            cmdSelectAll_Click(s);
    enableButtons(true);
}

void frmFinalSelection::cmdOK_Click()
{
    for (int s = 0; s < 2; ++s) {
        const std::vector<bool> rows = selectedRows(s);
        std::vector<bool> &kept = m_sides[s].selected;
        // A list cut short by a failed load keeps nothing it does not show.
        kept.assign(m_sides[s].entries.size(), false);
        for (size_t i = 0; i < kept.size() && i < rows.size(); ++i)
            kept[i] = rows[i];
    }
    done(Accepted);
}
