// Times the manual selection window on long lists: filling it, the three
// selection buttons on a scattered selection, ALL, and reading the result.
//
//   orvanel_final_selection_bench [ENTRIES]     (default 100000 per side)

#include "engine/settings/AppState.h"
#include "ui/run/frmFinalSelection.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelection>
#include <QListWidget>
#include <QPushButton>
#include <QTextStream>

namespace {

void report(const char *what, QElapsedTimer &clock)
{
    QTextStream out(stdout);
    out << qSetFieldWidth(34) << Qt::left << what << qSetFieldWidth(0) << clock.restart() << " ms" << Qt::endl;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    ManualSelectionSide sides[2];
    for (int s = 0; s < 2; ++s) {
        sides[s].rootPath = s == 0 ? QStringLiteral("/home/bench/left") : QStringLiteral("/media/bench/right");
        sides[s].entries.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            sides[s].entries.push_back(
                QStringLiteral("%1d%2/s%3/file%4.txt").arg(i % 11 ? '-' : '+').arg(i / 10000).arg(i / 1000 % 10).arg(i));
    }

    QElapsedTimer clock;
    clock.start();
    frmFinalSelection w(sides);
    w.show();
    QCoreApplication::processEvents();
    report("load and show, both sides", clock);

    // Every other entry selected: the worst case for selection ranges.
    QListWidget *list = w.lstSelectItems[0];
    QItemSelection every;
    for (int i = 0; i < count; i += 2)
        every.select(list->model()->index(i, 0), list->model()->index(i, 0));
    list->selectionModel()->select(every, QItemSelectionModel::Select);
    list->scrollToItem(list->item(count / 2), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    report("(every other selected by hand)", clock);

    w.cmdReverseSelection[0]->click();
    QCoreApplication::processEvents();
    report("reverse, every other selected", clock);
    w.cmdReverseSelection[0]->click();
    QCoreApplication::processEvents();
    report("reverse again", clock);
    w.cmdSelectNone[0]->click();
    QCoreApplication::processEvents();
    report("select none", clock);
    w.cmdSelectAll[0]->click();
    QCoreApplication::processEvents();
    report("select all", clock);
    w.cmdReverseSelection[0]->click();
    QCoreApplication::processEvents();
    report("reverse of all", clock);
    w.cmdAll->click();
    QCoreApplication::processEvents();
    report("ALL, both sides", clock);
    list->selectionModel()->clearSelection();
    list->selectionModel()->select(every, QItemSelectionModel::Select);
    report("(every other selected again)", clock);
    w.cmdOK->click();
    report("OK, every other selected", clock);

    int kept = 0;
    for (const bool b : sides[0].selected)
        kept += b;
    QTextStream(stdout) << "kept " << kept << " of " << count << " on the left" << Qt::endl;
    clock.restart();
    return 0;
}
