#include "ui/run/frmFinalSelection.h"
#include "engine/fs/FileNames.h"
#include "WindowTesting.h"

#include <QScrollBar>

namespace {

using Flags = std::vector<bool>;

class FinalSelection : public WindowTest {
protected:
    ManualSelectionSide sides[2];

    void offer(int side, const QString &root, int count)
    {
        sides[side].rootPath = root;
        for (int i = 0; i < count; ++i)
            sides[side].entries.push_back(QStringLiteral("%1dir/entry %2").arg(i % 3 ? '-' : '+').arg(i));
    }
    static Flags bits(std::initializer_list<int> values) { return Flags(values.begin(), values.end()); }
};

TEST_F(FinalSelection, ASideWithoutEntriesOrRootStaysDisabledAndAllSelectsTheOther)
{
    offer(0, "", 2); // not processed
    offer(1, "/home/maria/Docs" + FileNames::fromBytes("\xd6"), 4);
    sides[1].entries[2] = "-dir/" + FileNames::fromBytes(kLegacyName + "\n");
    frmFinalSelection w(sides);
    w.show();
    EXPECT_EQ(w.lblStartPoint[1]->text(), "/home/maria/Docs\\xD6");
    ASSERT_EQ(w.lstSelectItems[1]->count(), 4);
    EXPECT_EQ(w.lstSelectItems[1]->item(2)->text(), "-dir/\\xD6\\xDC\\xEA\\xE5\\xEB\\xEB\\xEF\\xF2\\x0A");
    EXPECT_EQ(w.selectedRows(1), Flags(4, false));
    for (int s = 0; s < 2; ++s)
        for (QWidget *c : std::vector<QWidget *>{w.lblStartPoint[s], w.lstSelectItems[s], w.cmdSelectAll[s],
                                                 w.cmdSelectNone[s], w.cmdReverseSelection[s]})
            EXPECT_EQ(c->isEnabled(), s == 1) << c->objectName().toStdString();
    clickRow(w.lstSelectItems[1], 1);
    click(w.cmdAll);
    EXPECT_EQ(w.selectedRows(1), Flags(4, true));
    for (int s = 0; s < 2; ++s)
        for (QPushButton *b : {w.cmdSelectAll[s], w.cmdSelectNone[s], w.cmdReverseSelection[s]})
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    w.cmdOK_Click();
    EXPECT_EQ(sides[1].selected, Flags(4, true));
    EXPECT_EQ(sides[0].selected, Flags(2, false)) << "one flag per entry, even when not shown";
}

TEST_F(FinalSelection, ClicksToggleEntriesAndTheButtonsActOnTheirOwnSideKeepingTheScrollPosition)
{
    offer(0, "/l", 400);
    offer(1, "/r", 4);
    frmFinalSelection w(sides);
    w.show();
    for (int row : {1, 3, 2, 2})
        clickRow(w.lstSelectItems[1], row);
    EXPECT_EQ(w.selectedRows(1), bits({0, 1, 0, 1})) << "a click toggles one entry";
    QListWidget *list = w.lstSelectItems[0];
    for (int row : {0, 1, 2, 150, 152, 153, 399})
        clickRow(list, row);
    list->scrollToItem(list->item(200), QAbstractItemView::PositionAtTop);
    const int top = list->verticalScrollBar()->value();
    ASSERT_GT(top, 0);
    const Flags before = w.selectedRows(0);
    Flags reversed = before;
    reversed.flip();
    for (const Flags &expected : {reversed, before}) {
        click(w.cmdReverseSelection[0]);
        EXPECT_EQ(w.selectedRows(0), expected);
        EXPECT_EQ(list->verticalScrollBar()->value(), top);
    }
    EXPECT_EQ(w.selectedRows(1), bits({0, 1, 0, 1}));
    click(w.cmdSelectNone[1]);
    EXPECT_EQ(w.selectedRows(1), Flags(4, false));
    click(w.cmdSelectAll[1]);
    EXPECT_EQ(w.selectedRows(1), Flags(4, true));
    EXPECT_EQ(w.selectedRows(0), before);
}

TEST_F(FinalSelection, TheModalWindowKeepsTheSelectionInOrderAndScrollsToALongEntry)
{
    offer(0, "/l", 4);
    offer(1, "/r", 2);
    sides[0].entries[1] = "-" + QString(300, QLatin1Char('w'));
    sides[1].selected = {true, true, true};
    whenModal<frmFinalSelection>([&](frmFinalSelection &w) {
        QListWidget *list = w.lstSelectItems[0];
        EXPECT_GE(list->horizontalScrollBar()->maximum() + list->viewport()->width(),
                  list->fontMetrics().horizontalAdvance(sides[0].entries[1]));
        clickRow(list, 3);
        clickRow(list, 1);
        click(w.cmdOK);
    });
    frmFinalSelection::select(sides);
    EXPECT_EQ(sides[0].selected, bits({0, 1, 0, 1}));
    EXPECT_EQ(sides[1].selected, Flags(2, false)) << "nothing selected, whatever came in";
}

} // namespace
