#include "core/AppState.h"
#include "core/Language.h"
#include "mainwindow/ContextHelp.h"
#include "options/OptionControls.h"
#include "options/frmOptions.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const char *const kExtendedNewer = "... copy the newer file, WITHOUT asking me first. Any files "
                                   "falling within the date/time stamp limitations defined above, "
                                   "will NOT be copied.";
const char *const kPlainNewer = "... copy the newer file, WITHOUT asking me first.";

class OptionsWindow : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedMessages box;

    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
        App().SettingsFilePath = dir.filePath("Orvanel.ini");
        // Switched off, the reminder returns at once; the number it was asked
        // for stays behind in CurrentReminder.
        App().ReminderSwitches.Swapping = false;
        App().CurrentReminder = 1;
    }
    void TearDown() override { resetAppState(); }

    QByteArray file() const { return readBytes(App().SettingsFilePath); }
    static void activate(QWidget *w)
    {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    static void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center()); }
    static void paste(QLineEdit *field, const QString &text)
    {
        QApplication::clipboard()->setText(text);
        field->selectAll();
        field->paste();
    }
};

TEST_F(OptionsWindow, OpensWithTheValuesInEffectAndSaysNothing)
{
    App().OptionValues = {.WhichItemsToCopy = 2, .WhenFileExists = 3, .CopyStructureOnly = true,
                          .DeleteEmptyFolders = true, .DeleteOnCancel = false, .SwapItems = true,
                          .ExcludeFilesFromSwapping = true, .Exactly = true, .Days = 12, .Hours = 7,
                          .Minutes = 0, .Seconds = 59, .FinalSelection = true, .CaseSensitive = true,
                          .ShowOptions = false, .Levels = 300};
    frmOptions w;
    w.show();
    EXPECT_TRUE(box.shown.empty()) << "neither the case message nor anything else";
    EXPECT_EQ(App().CurrentReminder, 1) << "no reminder asked for";
    EXPECT_EQ(file(), "<missing>");

    EXPECT_TRUE(w.optWhichItemsToCopy[1]->isChecked());
    EXPECT_TRUE(w.optWhenFileExists[2]->isChecked());
    EXPECT_TRUE(w.chkCopyStructureOnly->isChecked() && w.chkDeleteEmptyFolders->isChecked());
    EXPECT_FALSE(w.chkDeleteOnCancel->isChecked());
    EXPECT_TRUE(w.chkSwapItems->isChecked() && w.chkIdenticalFiles->isChecked());
    EXPECT_TRUE(w.optFileDateTimeStamp[0]->isChecked());
    EXPECT_EQ(QStringList({w.txtDays->text(), w.txtHours->text(), w.txtMinutes->text(),
                           w.txtSeconds->text(), w.txtLevels->text()}),
              QStringList({"12", "7", "0", "59", "300"}));
    EXPECT_TRUE(w.chkFinalSelection->isChecked());
    EXPECT_TRUE(w.chkCaseSensitive->isChecked() && w.chkCaseSensitive->isVisible());
    EXPECT_FALSE(w.chkShowOptions->isChecked());
    EXPECT_EQ(w.chkSwapItems->property("Tag").toString(), "") << "the loading mark is gone";
    EXPECT_EQ(w.windowTitle(), "Options");
    EXPECT_EQ(w.fraGeneralOptions->title(), " General options ");
    EXPECT_EQ(w.optWhenFileExists[0]->text(), kExtendedNewer);
}

TEST_F(OptionsWindow, DependentControlsFollowTheTwoSwapFlags)
{
    for (const bool swap : {false, true}) {
        for (const bool exclude : {false, true}) {
            SCOPED_TRACE(testing::Message() << "swap " << swap << ", exclude " << exclude);
            App().OptionValues.SwapItems = swap;
            App().OptionValues.ExcludeFilesFromSwapping = exclude;
            frmOptions w;
            w.show();
            EXPECT_EQ(w.chkDeleteEmptyFolders->isEnabled(), !swap);
            EXPECT_EQ(w.chkDeleteOnCancel->isEnabled(), !swap);
            EXPECT_EQ(w.chkIdenticalFiles->isEnabled(), swap);
            EXPECT_EQ(w.chkIdenticalFiles->isChecked(), exclude);
            for (QWidget *c : w.findChildren<QWidget *>(QRegularExpression("^(optFile|lbl|txt|upd)(?!Levels)")))
                EXPECT_EQ(c->isEnabled(), swap && exclude) << c->objectName().toStdString();
            EXPECT_EQ(w.optWhenFileExists[0]->text(), swap && exclude ? kExtendedNewer : kPlainNewer);
            for (QWidget *c : w.findChildren<QWidget *>(
                     QRegularExpression("^(opt(Which|When)|.*Levels|cmd|chk(Case|Copy|Final|Swap|Show))")))
                EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
            click(w.cmdOK);
            // Disabled, the exclusion box keeps its value and is stored with it.
            EXPECT_TRUE(file().contains(exclude ? "\nExcludeFilesFromSwapping=1\n"
                                                : "\nExcludeFilesFromSwapping=0\n"));
        }
    }
}

TEST_F(OptionsWindow, TickingSwapAsksForTheReminderAndSwitchesTheCaptions)
{
    App().OptionValues.ExcludeFilesFromSwapping = true;
    frmOptions w;
    w.show();
    click(w.chkSwapItems);
    EXPECT_EQ(App().CurrentReminder, 5);
    EXPECT_EQ(w.optWhenFileExists[0]->text(), kExtendedNewer);
    EXPECT_TRUE(w.txtDays->isEnabled());
    EXPECT_FALSE(w.chkDeleteOnCancel->isEnabled());

    click(w.chkIdenticalFiles);
    EXPECT_EQ(w.optWhenFileExists[0]->text(), kPlainNewer);
    EXPECT_FALSE(w.txtDays->isEnabled());
    click(w.chkIdenticalFiles);
    EXPECT_EQ(w.optWhenFileExists[0]->text(), kExtendedNewer);

    App().CurrentReminder = 1;
    click(w.chkSwapItems);
    EXPECT_EQ(App().CurrentReminder, 1) << "clearing the swap is no cause for the caution";
    EXPECT_EQ(w.optWhenFileExists[0]->text(), kPlainNewer);
    EXPECT_TRUE(w.chkDeleteOnCancel->isEnabled());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(OptionsWindow, NumericFieldsTakeDigitsWithinTheirRangeAndLengthAndStepByOne)
{
    App().OptionValues.SwapItems = true;
    App().OptionValues.ExcludeFilesFromSwapping = true;
    frmOptions w;
    activate(&w);

    w.txtHours->setFocus();
    EXPECT_EQ(w.txtHours->selectedText(), "0") << "entering selects the whole text";
    QTest::keyClicks(w.txtHours, "25");
    EXPECT_EQ(w.txtHours->text(), "") << "25 hours is out of range";
    w.txtMinutes->setFocus();
    EXPECT_EQ(w.txtHours->text(), "0") << "left empty";

    QTest::keyClicks(w.txtMinutes, "6x");
    EXPECT_EQ(w.txtMinutes->text(), "6");
    EXPECT_EQ(box.beeps, 1);
    QTest::keyClick(w.txtMinutes, Qt::Key_Return);
    EXPECT_EQ(box.beeps, 2);
    EXPECT_TRUE(w.isVisible()) << "Enter presses no button";

    w.txtDays->setFocus();
    QTest::keyClicks(w.txtDays, "9999");
    EXPECT_EQ(w.txtDays->text(), "999") << "a fourth digit is refused";
    w.txtLevels->setFocus();
    QTest::keyClicks(w.txtLevels, "12345");
    EXPECT_EQ(w.txtLevels->text(), "1234") << "a fifth digit is refused";

    paste(w.txtLevels, "1a");
    EXPECT_EQ(w.txtLevels->text(), "0");
    paste(w.txtHours, "1a");
    EXPECT_EQ(w.txtHours->text(), "");
    paste(w.txtLevels, "123456");
    EXPECT_EQ(w.txtLevels->text(), "1234") << "pasted characters beyond the length are refused";
    EXPECT_EQ(box.beeps, 2);
    EXPECT_TRUE(box.shown.empty());

    w.txtHours->setText("22");
    click(w.updHours->up);
    click(w.updHours->up);
    EXPECT_EQ(w.txtHours->text(), "23");
    w.txtLevels->setText("1");
    click(w.updLevels->down);
    click(w.updLevels->down);
    EXPECT_EQ(w.txtLevels->text(), "0");
    click(w.updLevels->up);
    click(w.cmdAll);
    EXPECT_EQ(w.txtLevels->text(), "0");
}

TEST_F(OptionsWindow, OkStoresAllSixteenKeysInOrderAndTheRunningValues)
{
    writeBytes(App().SettingsFilePath, "[General]\nLanguage=1\n");
    frmOptions w;
    activate(&w);
    click(w.optWhichItemsToCopy[2]);
    click(w.optWhenFileExists[1]);
    click(w.chkCopyStructureOnly);
    click(w.chkFinalSelection);
    click(w.chkDeleteOnCancel);
    click(w.chkSwapItems);
    click(w.chkIdenticalFiles);
    click(w.optFileDateTimeStamp[0]);
    w.txtDays->setFocus();
    QTest::keyClicks(w.txtDays, "007");
    w.txtMinutes->setFocus();
    QTest::keyClicks(w.txtMinutes, "30");
    click(w.chkShowOptions);
    w.txtLevels->setFocus();
    QTest::keyClicks(w.txtLevels, "0012");
    w.txtHours->setFocus();
    QTest::keyClicks(w.txtHours, "99");
    ASSERT_EQ(w.txtHours->text(), "");
    w.cmdOK->click(); // as a shortcut would: the field never loses the focus

    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_FALSE(w.isVisible());
    const QList<QByteArray> lines = file().split('\n');
    const QList<QByteArray> want = {
        "[General]", "Language=1", "[Options]", "WhichItemsToCopy=3", "CopyStructureOnly=1",
        "DeleteOnCancel=2", "DeleteEmptyFolders=2", "SwapItems=1", "ExcludeFilesFromSwapping=1",
        "WhenFileExists=2", "FinalSelection=1", "CaseSensitive=2", "ShowOptions=2", "Levels=12",
        "[DateTimeStamp]", "Exactly=1", "Days=007", "Hours=0", "Minutes=30", "Seconds=0", ""};
    ASSERT_EQ(lines.size(), want.size()) << file().constData();
    for (qsizetype i = 0; i < want.size(); ++i)
        EXPECT_EQ(lines[i], want[i]) << "line " << i + 1;

    EXPECT_EQ(App().OptionValues.Levels, 12);
    EXPECT_EQ(App().OptionValues.WhichItemsToCopy, 3);
}

TEST_F(OptionsWindow, ACaseChoiceIsStoredButTakesEffectOnlyAtTheNextStart)
{
    {
        frmOptions w;
        w.show();
        box.answer(Msg::Ok);
        click(w.chkCaseSensitive);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].title, "Distinguish between upper-lower case letters");
        EXPECT_EQ(box.shown[0].style, Msg::Information | Msg::OkOnly);
        EXPECT_TRUE(box.shown[0].prompt.startsWith(
            "You decided to instruct this application to distinguish between upper and lower case "
            "letters in item names.\r\n\r\nMake CERTAIN"));
        click(w.cmdOK);
        EXPECT_TRUE(file().contains("\nCaseSensitive=1\n"));
        EXPECT_FALSE(App().OptionValues.CaseSensitive);
    }
    {
        frmOptions w;
        w.show();
        EXPECT_FALSE(w.chkCaseSensitive->isChecked()) << "the value in effect";
        EXPECT_EQ(box.shown.size(), 1u);
        click(w.cmdOK);
        EXPECT_TRUE(file().contains("\nCaseSensitive=2\n"));
    }
}

TEST_F(OptionsWindow, EnterEscapeAndCancelStoreAndChangeNothing)
{
    frmOptions w;
    activate(&w);
    click(w.chkSwapItems);
    click(w.optWhichItemsToCopy[0]);
    for (QPushButton *b : {w.cmdOK, w.cmdCancel, w.cmdAll}) {
        b->setFocus();
        QTest::keyClick(b, Qt::Key_Return);
        QTest::keyClick(b, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible()) << b->objectName().toStdString();
    }
    click(w.cmdCancel);
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(file(), "<missing>");
    EXPECT_EQ(App().OptionValues, Options());
}

TEST_F(OptionsWindow, RightClickHelpOnControlsButNotOnLabelsOrFields)
{
    App().HelpFilePath = dir.filePath("OrvanelUk.hlp");
    writeBytes(App().HelpFilePath, "[40220]\nStores the options.\n[40360]\nDays up-down.\n"
                                   "[40010]\nGeneral.\n[40350]\nDays field.\n");
    std::vector<int> shown;
    const auto previous = ContextHelp::setDisplay(
        [&](QWidget *, int topic, const QString &, const QPoint &) { shown.push_back(topic); });
    App().OptionValues.SwapItems = true;
    App().OptionValues.ExcludeFilesFromSwapping = true;
    frmOptions w;
    w.show();
    auto rightClick = [](QWidget *c) { QTest::mouseClick(c, Qt::RightButton, {}, QPoint(2, 2)); };
    rightClick(w.cmdOK);
    rightClick(w.updDays->down);
    rightClick(w.fraGeneralOptions);
    rightClick(w.lblDays);
    rightClick(w.txtDays);
    EXPECT_EQ(shown, (std::vector<int>{40220, 40360, 40010}));
    EXPECT_EQ(ContextHelp::topic(w.txtDays), 40350) << "still there for the \"?\" help";
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(file(), "<missing>");
    ContextHelp::setDisplay(previous);
}

TEST_F(OptionsWindow, ALoadErrorIsReportedAndTheWindowOpensAsFarAsItGot)
{
    App().OptionValues.CopyStructureOnly = true;
    App().OptionValues.WhichItemsToCopy = 9;
    App().OptionValues.Levels = 77;
    frmOptions w;
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(box.shown[0].title.endsWith(", 167.")) << box.shown[0].title.toStdString();
    EXPECT_EQ(w.windowTitle(), "Options");
    EXPECT_TRUE(w.chkCopyStructureOnly->isChecked());
    EXPECT_EQ(w.txtLevels->text(), "") << "not reached";
}

TEST_F(OptionsWindow, EditOptionsTellsWhetherOkWasPressed)
{
    for (const bool ok : {true, false}) {
        QTimer::singleShot(0, [ok] {
            auto *w = qobject_cast<frmOptions *>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            (ok ? w->cmdOK : w->cmdCancel)->click();
        });
        EXPECT_EQ(frmOptions::editOptions(), ok);
    }
}

// The window opens large enough for every caption of either language, plain
// or extended, to show whole.
TEST_F(OptionsWindow, NoCaptionIsCutAtTheOpeningSize)
{
    for (const int language : {Language::English, Language::Greek}) {
        Language::applyState(language);
        for (const bool extended : {false, true}) {
            App().OptionValues.SwapItems = extended;
            App().OptionValues.ExcludeFilesFromSwapping = extended;
            frmOptions w;
            w.show();
            EXPECT_GE(w.width(), 601);
            EXPECT_GE(w.height(), 481);
            for (QAbstractButton *b : w.findChildren<QAbstractButton *>()) {
                if (b->text().isEmpty() || qobject_cast<QToolButton *>(b))
                    continue;
                const QRect inWindow(b->mapTo(&w, QPoint()), b->size());
                EXPECT_TRUE(w.rect().contains(inWindow)) << b->objectName().toStdString();
                if (qobject_cast<QPushButton *>(b)) {
                    EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), b->width());
                    continue;
                }
                // Indicator and spacing take at most 24 pixels in every style here.
                const QRect need = b->fontMetrics().boundingRect(
                    QRect(0, 0, b->width() - 24, 10000), Qt::TextWordWrap, b->text());
                EXPECT_LE(need.height(), b->height())
                    << b->objectName().toStdString() << " " << b->text().toStdString();
            }
            for (QLabel *l : w.findChildren<QLabel *>())
                EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width());
            for (QGroupBox *g : w.findChildren<QGroupBox *>())
                EXPECT_LE(g->fontMetrics().horizontalAdvance(g->title()) + 16, g->width());
        }
    }
}

} // namespace
