#include "ui/options/OptionControls.h"
#include "ui/options/frmOptions.h"
#include "WindowTesting.h"

#include <QRegularExpression>
#include <QToolButton>

namespace {

const char *const kExtendedNewer = "... copy the newer file, WITHOUT asking me first. Any files "
                                   "falling within the date/time stamp limitations defined above, "
                                   "will NOT be copied.";
const char *const kPlainNewer = "... copy the newer file, WITHOUT asking me first.";

class OptionsWindow : public WindowTest {
protected:
    void SetUp() override
    {
        App().SettingsFilePath = dir.filePath("Orvanel.ini");
        // Switched off, the reminder returns at once; the number it was asked
        // for stays behind in CurrentReminder.
        App().ReminderSwitches.Swapping = false;
        App().CurrentReminder = 1;
    }

    QByteArray file() const { return readBytes(App().SettingsFilePath); }
};

// Every value shows in its control and comes back through OK unchanged, even
// from a control the rules disable.
TEST_F(OptionsWindow, OpensWithTheValuesInEffectSaysNothingAndOkStoresThemAgain)
{
    const Options values[] = {
        {.WhichItemsToCopy = 2, .WhenFileExists = 3, .CopyStructureOnly = true, .DeleteEmptyFolders = true,
         .DeleteOnCancel = false, .SwapItems = false, .ExcludeFilesFromSwapping = true, .Exactly = true,
         .Days = 12, .Hours = 7, .Minutes = 30, .Seconds = 59, .FinalSelection = true,
         .CaseSensitive = true, .ShowOptions = false, .Levels = 300},
        {.WhichItemsToCopy = 4, .WhenFileExists = 2, .CopyStructureOnly = false, .DeleteEmptyFolders = false,
         .DeleteOnCancel = true, .SwapItems = true, .ExcludeFilesFromSwapping = false, .Exactly = false,
         .Days = 1, .Hours = 23, .Minutes = 5, .Seconds = 4, .FinalSelection = false,
         .CaseSensitive = false, .ShowOptions = true, .Levels = 2}};
    for (const Options &v : values) {
        App().OptionValues = v;
        App().CaseSensitiveAtNextStart = v.CaseSensitive;
        frmOptions w;
        w.show();
        EXPECT_TRUE(box.shown.empty()) << "neither the case message nor anything else";
        EXPECT_EQ(App().CurrentReminder, 1) << "no reminder asked for";
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(App().OptionValues, v);
        EXPECT_TRUE(file().contains(v.CaseSensitive ? "\nCaseSensitive=1\n" : "\nCaseSensitive=2\n"));
    }
}

// Loaded or clicked, the swap and its exclusion enable what depends on them.
TEST_F(OptionsWindow, DependentControlsFollowTheSwapFlagsTickingTheSwapAsksForTheCautionCancelKeepsAll)
{
    App().OptionValues.ExcludeFilesFromSwapping = true;
    frmOptions w;
    w.show();
    const auto expectStates = [&w](bool swap, bool exclude) {
        SCOPED_TRACE(testing::Message() << "swap " << swap << ", exclude " << exclude);
        EXPECT_EQ(w.chkDeleteEmptyFolders->isEnabled(), !swap);
        EXPECT_EQ(w.chkDeleteOnCancel->isEnabled(), !swap);
        EXPECT_EQ(w.chkIdenticalFiles->isEnabled(), swap);
        for (QWidget *c : w.findChildren<QWidget *>(QRegularExpression("^(optFile|lbl|txt|upd)(?!Lev)")))
            EXPECT_EQ(c->isEnabled(), swap && exclude) << c->objectName().toStdString();
        EXPECT_EQ(w.optWhenFileExists[0]->text(), swap && exclude ? kExtendedNewer : kPlainNewer);
    };
    expectStates(false, true);
    click(w.chkSwapItems);
    EXPECT_EQ(App().CurrentReminder, 5);
    expectStates(true, true);
    click(w.chkIdenticalFiles);
    expectStates(true, false);
    App().CurrentReminder = 1;
    click(w.chkSwapItems);
    expectStates(false, false);
    EXPECT_EQ(App().CurrentReminder, 1) << "clearing the swap is no cause for the caution";
    EXPECT_TRUE(box.shown.empty());
    click(w.cmdCancel);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(file(), "<missing>") << "Cancel stores nothing";
    EXPECT_TRUE(App().OptionValues.ExcludeFilesFromSwapping && !App().OptionValues.SwapItems);
}

TEST_F(OptionsWindow, NumericFieldsTakeDigitsWithinRangeAndLengthStepByOneAndEnterPressesNoButton)
{
    App().OptionValues.SwapItems = App().OptionValues.ExcludeFilesFromSwapping = true;
    frmOptions w;
    activate(&w);
    w.txtHours->setFocus();
    EXPECT_EQ(w.txtHours->selectedText(), "0") << "entering selects the whole text";
    QTest::keyClicks(w.txtHours, "25");
    EXPECT_EQ(w.txtHours->text(), "") << "25 hours is out of range";
    w.txtMinutes->setFocus();
    EXPECT_EQ(w.txtHours->text(), "0") << "left empty";
    QTest::keyClicks(w.txtMinutes, "6x");
    QTest::keyClick(w.txtMinutes, Qt::Key_Return);
    EXPECT_EQ(w.txtMinutes->text(), "6");
    EXPECT_EQ(box.beeps, 2) << "the letter and Enter";
    w.txtLevels->setFocus();
    QTest::keyClicks(w.txtLevels, "12345");
    EXPECT_EQ(w.txtLevels->text(), "1234") << "a fifth digit is refused";
    for (QPushButton *b : {w.cmdOK, w.cmdCancel, w.cmdAll}) {
        b->setFocus();
        QTest::keyClick(b, Qt::Key_Return);
    }
    EXPECT_TRUE(w.isVisible()) << "Enter presses no button";
    EXPECT_EQ(w.txtLevels->text(), "1234");
    click(w.cmdAll);
    EXPECT_EQ(w.txtLevels->text(), "0");
    click(w.updLevels->down);
    EXPECT_EQ(w.txtLevels->text(), "0") << "no step below zero";
    click(w.updHours->up);
    EXPECT_EQ(w.txtHours->text(), "1");
}

TEST_F(OptionsWindow, ACaseChoiceIsExplainedStoredAndShownAgainButTakesEffectOnlyAtTheNextStart)
{
    box.answer(Msg::Ok);
    bool stored = false;
    const auto chooseCase = [](frmOptions &w) {
        click(w.chkCaseSensitive);
        click(w.cmdOK);
    };
    EXPECT_EQ(whileModal<frmOptions>([&] { stored = frmOptions::editOptions(); }, chooseCase), 1);
    EXPECT_TRUE(stored) << "the window tells that OK stored";
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(box.text(0).starts_with("Distinguish between upper-lower case letters | 64 | You decided to "
                                        "instruct this application to distinguish ")) << box.text(0);
    EXPECT_TRUE(file().contains("\nCaseSensitive=1\n"));
    EXPECT_FALSE(App().OptionValues.CaseSensitive);
    // Opened again before the restart, the box shows the choice, and OK keeps it.
    const auto confirm = [](frmOptions &w) {
        EXPECT_TRUE(w.chkCaseSensitive->isChecked());
        click(w.cmdOK);
    };
    EXPECT_EQ(whileModal<frmOptions>([&] { frmOptions::editOptions(); }, confirm), 1);
    EXPECT_EQ(box.shown.size(), 1u) << "loading says nothing";
    EXPECT_TRUE(file().contains("\nCaseSensitive=1\n"));
    EXPECT_FALSE(App().OptionValues.CaseSensitive);
}

TEST_F(OptionsWindow, ALoadErrorIsReportedAndTheWindowOpensAsFarAsItGot)
{
    App().OptionValues.WhichItemsToCopy = 9;
    frmOptions w;
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(box.shown[0].title.endsWith(", 167.")) << box.shown[0].title.toStdString();
    EXPECT_EQ(w.txtLevels->text(), "") << "not reached";
}


} // namespace
