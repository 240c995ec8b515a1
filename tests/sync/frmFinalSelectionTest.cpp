#include "core/AppState.h"
#include "core/Language.h"
#include "mainwindow/Icons.h"
#include "sync/frmFinalSelection.h"
#include "platform/FileNames.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Flags = std::vector<bool>;

class FinalSelection : public ::testing::Test {
protected:
    ScriptedMessages box;
    ManualSelectionSide sides[2];

    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
    }
    void TearDown() override { resetAppState(); }

    void offer(int side, const QString &root, int count)
    {
        sides[side].rootPath = root;
        for (int i = 0; i < count; ++i)
            sides[side].entries.push_back(QStringLiteral("%1dir/entry %2").arg(i % 3 ? '-' : '+').arg(i));
    }
    static void clickRow(QListWidget *list, int row)
    {
        list->scrollToItem(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    static Flags bits(std::initializer_list<int> values) { return Flags(values.begin(), values.end()); }
    static void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
};

TEST_F(FinalSelection, OpensUnselectedAndASideWithoutEntriesOrRootStaysDisabled)
{
    offer(0, "/home/maria/Docs" + FileNames::fromBytes("\xd6"), 4);
    offer(1, "", 2); // not processed
    sides[0].entries[2] = "-dir/" + FileNames::fromBytes(kLegacyName + "\n");
    frmFinalSelection w(sides);
    EXPECT_EQ(w.windowTitle(), "Select the items you want to be synchronized");
    EXPECT_EQ(w.lblStartPoint[0]->text(), "/home/maria/Docs\\xD6");
    ASSERT_EQ(w.lstSelectItems[0]->count(), 4);
    EXPECT_EQ(w.lstSelectItems[0]->item(1)->text(), "-dir/entry 1");
    EXPECT_EQ(w.lstSelectItems[0]->item(2)->text(),
              "-dir/\\xD6\\xDC\\xEA\\xE5\\xEB\\xEB\\xEF\\xF2\\x0A");
    EXPECT_EQ(w.selectedRows(0), Flags(4, false));
    EXPECT_EQ(w.lstSelectItems[1]->count(), 0);
    for (int s = 0; s < 2; ++s)
        for (QWidget *c : std::vector<QWidget *>{w.lblStartPoint[s], w.lstSelectItems[s], w.cmdSelectAll[s],
                                                 w.cmdSelectNone[s], w.cmdReverseSelection[s]})
            EXPECT_EQ(c->isEnabled(), s == 0) << c->objectName().toStdString();
    EXPECT_EQ(w.lstSelectItems[1]->palette().color(QPalette::Base), colorOf(RightSideColor));

    w.cmdOK_Click();
    EXPECT_EQ(sides[0].selected, Flags(4, false));
    EXPECT_EQ(sides[1].selected, Flags(2, false)) << "one flag per entry, even when not shown";
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(FinalSelection, CaptionsInBothLanguages)
{
    const char *expected[2][6] = {
        {"Select the items you want to be synchronized", "Select all", "Select none", "Reverse selection", "ALL",
         "OK"},
        {"Επιλέξτε τα στοιχεία που θέλετε να συγχρονισθούν", "Επιλογή όλων", "Επιλογή κανενός",
         "Αναστροφή επιλογής", "ΟΛΑ", "OK"}};
    for (const auto &t : expected) {
        Language::applyState(&t == &expected[0] ? Language::English : Language::Greek);
        frmFinalSelection w(sides);
        EXPECT_EQ(w.windowTitle(), t[0]);
        for (int s = 0; s < 2; ++s) {
            EXPECT_EQ(w.cmdSelectAll[s]->text(), t[1]);
            EXPECT_EQ(w.cmdSelectNone[s]->text(), t[2]);
            EXPECT_EQ(w.cmdReverseSelection[s]->text(), t[3]);
        }
        EXPECT_EQ(w.cmdAll->text(), t[4]);
        EXPECT_EQ(w.cmdOK->text(), t[5]);
    }
}

TEST_F(FinalSelection, ClicksToggleEntriesAndTheButtonsActOnTheirOwnSideOnly)
{
    offer(0, "/l", 5);
    offer(1, "/r", 4);
    frmFinalSelection w(sides);
    w.show();
    for (int row : {1, 3, 2, 2})
        clickRow(w.lstSelectItems[1], row);
    EXPECT_EQ(w.selectedRows(1), bits({0, 1, 0, 1})) << "a click toggles one entry";

    click(w.cmdSelectAll[0]);
    EXPECT_EQ(w.selectedRows(0), Flags(5, true));
    click(w.cmdReverseSelection[1]);
    EXPECT_EQ(w.selectedRows(1), bits({1, 0, 1, 0}));
    EXPECT_EQ(w.selectedRows(0), Flags(5, true));

    clickRow(w.lstSelectItems[0], 4);
    click(w.cmdReverseSelection[0]);
    EXPECT_EQ(w.selectedRows(0), bits({0, 0, 0, 0, 1}));
    click(w.cmdSelectNone[1]);
    EXPECT_EQ(w.selectedRows(1), Flags(4, false));
}

TEST_F(FinalSelection, ReverseTwiceGivesBackTheSelectionAndTheScrollPosition)
{
    offer(0, "/l", 400);
    frmFinalSelection w(sides);
    w.show();
    QListWidget *list = w.lstSelectItems[0];
    for (int row : {0, 1, 2, 150, 152, 153, 399})
        clickRow(list, row);
    list->scrollToItem(list->item(200), QAbstractItemView::PositionAtTop);
    const int top = list->verticalScrollBar()->value();
    ASSERT_GT(top, 0);
    const Flags before = w.selectedRows(0);

    click(w.cmdReverseSelection[0]);
    Flags expected = before;
    expected.flip();
    EXPECT_EQ(w.selectedRows(0), expected);
    EXPECT_EQ(list->verticalScrollBar()->value(), top);
    click(w.cmdReverseSelection[0]);
    EXPECT_EQ(w.selectedRows(0), before);
    EXPECT_EQ(list->verticalScrollBar()->value(), top);
}

TEST_F(FinalSelection, AllSelectsTheFilledSideAndLeavesTheButtonsOfBothSidesEnabled)
{
    offer(1, "/r", 3);
    frmFinalSelection w(sides);
    w.show();
    clickRow(w.lstSelectItems[1], 1);
    click(w.cmdAll);
    EXPECT_EQ(w.selectedRows(1), Flags(3, true));
    for (int s = 0; s < 2; ++s)
        for (QPushButton *b : {w.cmdSelectAll[s], w.cmdSelectNone[s], w.cmdReverseSelection[s]})
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.cmdAll->isEnabled() && w.cmdOK->isEnabled());
    EXPECT_FALSE(w.lstSelectItems[0]->isEnabled());
}

TEST_F(FinalSelection, ALongEntryBeforeTheLastCanBeScrolledIntoView)
{
    offer(0, "/l", 3);
    sides[0].entries[1] = "-" + QString(300, QLatin1Char('w'));
    frmFinalSelection w(sides);
    w.show();
    QListWidget *list = w.lstSelectItems[0];
    EXPECT_GE(list->horizontalScrollBar()->maximum() + list->viewport()->width(),
              list->fontMetrics().horizontalAdvance(sides[0].entries[1]));
}

TEST_F(FinalSelection, TheModalWindowEndsOnlyThroughOkAndKeepsTheSelectionInOrder)
{
    offer(0, "/l", 4);
    offer(1, "/r", 2);
    sides[1].selected = {true, true, true};
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto *w = qobject_cast<frmFinalSelection *>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        acted = true;
        EXPECT_FALSE(w->allowClose(CloseReason::ControlMenu));
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_TRUE(w->isVisible());
        clickRow(w->lstSelectItems[0], 3);
        clickRow(w->lstSelectItems[0], 1);
        click(w->cmdOK);
    });
    frmFinalSelection::select(sides);
    EXPECT_TRUE(acted);
    EXPECT_EQ(sides[0].selected, bits({0, 1, 0, 1}));
    EXPECT_EQ(sides[1].selected, Flags(2, false)) << "nothing selected, whatever came in";
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "Closing form");
}

} // namespace
