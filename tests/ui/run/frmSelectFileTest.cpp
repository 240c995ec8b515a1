#include "ui/common/Icons.h"
#include "ui/run/frmSelectFile.h"
#include "engine/fs/FileNames.h"
#include "WindowTesting.h"

#include <QRadioButton>
#include <QRegularExpression>

namespace {

class SelectFileWindow : public WindowTest {
protected:
    FileChoiceFile upper{QStringLiteral("/home/maria/Έγγραφα/Report.ODT"), 1234567,
                         QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53))};
    FileChoiceFile lower{QStringLiteral("/media/maria/USB/Έγγραφα/report.odt"), 987,
                         QDateTime(QDate(2024, 11, 2), QTime(17, 5, 0))};
};

TEST_F(SelectFileWindow, EachButtonGivesItsAnswerAndTheRuleLeftSelected)
{
    // The rule in force when the window opens, the option clicked before the button (-1: none), the answer
    // and the rule given back. No rule to show (0, 5): the window is there to ask, so asking it is.
    struct Case { int rule, option; const char *button; int answer, ruleAfter; };
    for (const Case c : {Case{1, -1, "cmdCopy_0", 0, 1}, Case{4, -1, "cmdCopy_1", 1, 4},
                         Case{2, 3, "cmdDoNotCopy", -1, 4}, Case{3, 1, "cmdCopy_0", 0, 2},
                         Case{0, -1, "cmdDoNotCopy", -1, 3}, Case{5, 0, "cmdCopy_1", 1, 1}}) {
        SCOPED_TRACE(testing::Message() << c.rule << " " << c.button);
        whenModal<frmSelectFile>([c](frmSelectFile &w) {
            if (c.option >= 0)
                click(w.optTempOptions[c.option]);
            click(w.findChild<QPushButton *>(c.button));
        });
        int rule = c.rule;
        EXPECT_EQ(frmSelectFile::choose(upper, lower, rule), c.answer);
        EXPECT_EQ(rule, c.ruleAfter);
    }
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SelectFileWindow, NoKeyAndNoControlMenuPicksAFileByAccident)
{
    frmSelectFile w(upper, lower, 3);
    activate(&w);
    EXPECT_EQ(QApplication::focusWidget(), w.cmdCopy[0]);
    for (QWidget *focus : std::initializer_list<QWidget *>{w.cmdCopy[0], w.optTempOptions[2]}) {
        focus->setFocus();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(focus, key);
    }
    EXPECT_FALSE(w.allowClose(CloseReason::ControlMenu));
    EXPECT_TRUE(w.isVisible() && w.fileChoice() == -1);
    // Tab goes through the buttons, then into the options.
    w.cmdCopy[0]->setFocus();
    for (QWidget *next : std::initializer_list<QWidget *>{w.cmdCopy[1], w.cmdDoNotCopy, w.optTempOptions[2]}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    // A deliberate press does pick.
    QTest::keyClick(w.cmdCopy[1], Qt::Key_Space);
    EXPECT_TRUE(!w.isVisible() && w.fileChoice() == 1);
    EXPECT_EQ(box.shown.size(), 1u) << "only the control menu's refusal";
}

TEST_F(SelectFileWindow, LabelsShowEachFileInItsSidesColourAndTheDateInTheWindowsLanguage)
{
    lower.path = "/media/old/" + FileNames::fromBytes(kLegacyName + "\t.odt");
    Language::applyState(Language::Greek);
    frmSelectFile w(upper, lower, 3);
    EXPECT_EQ(w.lblName[0]->text(), " " + upper.path);
    EXPECT_EQ(w.lblName[1]->text(), " /media/old/\\xD6\\xDC\\xEA\\xE5\\xEB\\xEB\\xEF\\xF2\\x09.odt");
    EXPECT_TRUE(w.lblSize[0]->text().contains(QRegularExpression("^1\\D234\\D567$")))
        << w.lblSize[0]->text().toStdString();
    // The month's name in the window's language, not the system's.
    EXPECT_TRUE(w.lblDate[0]->text().contains(QRegularExpression("14 Μαρτίου 2025 - .*26")))
        << w.lblDate[0]->text().toStdString();
    for (int i = 0; i < 2; ++i)
        for (const QLabel *l : {w.lblName[i], w.lblSize[i], w.lblDate[i]})
            EXPECT_TRUE(l->autoFillBackground() && l->palette().color(QPalette::Window) == colorOf(App().SideColor[i]))
                << l->objectName().toStdString();
}

} // namespace
