#include "core/AppState.h"
#include "core/Language.h"
#include "mainwindow/Icons.h"
#include "sync/frmSelectFile.h"
#include "platform/FileNames.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

class SelectFileWindow : public ::testing::Test {
protected:
    ScriptedMessages box;
    FileChoiceFile upper{QStringLiteral("/home/maria/Έγγραφα/Report.ODT"), 1234567,
                         QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53))};
    FileChoiceFile lower{QStringLiteral("/media/maria/USB/Έγγραφα/report.odt"), 987,
                         QDateTime(QDate(2024, 11, 2), QTime(17, 5, 0))};

    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
    }
    void TearDown() override { resetAppState(); }

    static void activate(QWidget *w)
    {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    // Runs the modal window and lets `act` handle it once it is up.
    int chooseWith(int &rule, std::function<void(frmSelectFile &)> act)
    {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<frmSelectFile *>(QApplication::activeModalWidget());
            if (!w)
                return;
            acted = true;
            act(*w);
        });
        const int answer = frmSelectFile::choose(upper, lower, rule);
        EXPECT_TRUE(acted) << "the window did not come up modally";
        return answer;
    }
};

TEST_F(SelectFileWindow, EachButtonGivesItsAnswerAndTheRuleLeftSelected)
{
    struct Case {
        const char *button;
        int option; // clicked before the button; -1 leaves the rule in force
        int answer;
        int rule;
    };
    for (const Case c : {Case{"cmdCopy_0", -1, 0, 3}, Case{"cmdCopy_1", 0, 1, 1},
                         Case{"cmdDoNotCopy", 3, -1, 4}, Case{"cmdCopy_0", 1, 0, 2}}) {
        SCOPED_TRACE(c.button);
        int rule = 3;
        const int answer = chooseWith(rule, [&](frmSelectFile &w) {
            if (c.option >= 0)
                QTest::mouseClick(w.optTempOptions[c.option], Qt::LeftButton);
            QTest::mouseClick(w.findChild<QPushButton *>(c.button), Qt::LeftButton);
        });
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(rule, c.rule);
    }
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SelectFileWindow, OpensWithTheRuleInForceSelected)
{
    for (int rule = 1; rule <= 4; ++rule) {
        frmSelectFile w(upper, lower, rule);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(w.optTempOptions[i]->isChecked(), i == rule - 1) << rule << " " << i;
        EXPECT_EQ(w.remainingChoice(), rule);
    }
    // No rule to show: the window is there to ask, so asking it is.
    for (const int rule : {0, 5, -1}) {
        int given = rule;
        EXPECT_EQ(chooseWith(given, [](frmSelectFile &w) { w.cmdDoNotCopy->click(); }), -1);
        EXPECT_EQ(given, 3) << rule;
    }
}

TEST_F(SelectFileWindow, ControlMenuCloseIsRefusedYetTakesTheSelectedRule)
{
    frmSelectFile w(upper, lower, 3);
    activate(&w);
    QTest::mouseClick(w.optTempOptions[0], Qt::LeftButton);
    EXPECT_FALSE(w.allowClose(CloseReason::ControlMenu));
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "Closing form");
    EXPECT_EQ(w.remainingChoice(), 1);
    EXPECT_EQ(w.fileChoice(), -1);

    // The next choice of rule counts, not the one taken at the refusal.
    QTest::mouseClick(w.optTempOptions[1], Qt::LeftButton);
    QTest::mouseClick(w.cmdCopy[1], Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.fileChoice(), 1);
    EXPECT_EQ(w.remainingChoice(), 2);
    EXPECT_EQ(box.shown.size(), 1u);
}

TEST_F(SelectFileWindow, NoKeyPicksAFileByAccident)
{
    frmSelectFile w(upper, lower, 3);
    activate(&w);
    EXPECT_EQ(QApplication::focusWidget(), w.cmdCopy[0]);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(QApplication::focusWidget(), key);
    w.optTempOptions[2]->setFocus();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape})
        QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.fileChoice(), -1);

    // Tab goes through the buttons, then into the options.
    w.cmdCopy[0]->setFocus();
    QWidget *expected[] = {w.cmdCopy[1], w.cmdDoNotCopy, w.optTempOptions[2]};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }

    // A deliberate press does pick.
    w.cmdCopy[1]->setFocus();
    QTest::keyClick(w.cmdCopy[1], Qt::Key_Space);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.fileChoice(), 1);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SelectFileWindow, LabelsShowEachFileInItsSidesColour)
{
    lower.path = "/media/old/" + FileNames::fromBytes(kLegacyName + "\t.odt");
    for (const int lang : {Language::English, Language::Greek}) {
        Language::applyState(lang);
        frmSelectFile w(upper, lower, 3);
        EXPECT_EQ(w.lblName[0]->text(), " " + upper.path);
        EXPECT_EQ(w.lblName[1]->text(),
                  " /media/old/\\xD6\\xDC\\xEA\\xE5\\xEB\\xEB\\xEF\\xF2\\x09.odt");
        EXPECT_TRUE(QRegularExpression("^1\\D234\\D567$").match(w.lblSize[0]->text()).hasMatch())
            << w.lblSize[0]->text().toStdString();
        EXPECT_EQ(w.lblSize[1]->text(), "987");
        const QString date0 = w.lblDate[0]->text();
        const QString date1 = w.lblDate[1]->text();
        EXPECT_TRUE(date0.contains("2025") && date0.contains(" - ") && date0.contains("26"))
            << date0.toStdString();
        EXPECT_TRUE(date1.contains("2024")) << date1.toStdString();
        // The month's name in the window's language, not the system's.
        EXPECT_TRUE(date0.contains(lang == Language::Greek ? "Μαρτίου" : "March")) << date0.toStdString();
        for (int i = 0; i < 2; ++i)
            for (const QLabel *l : {w.lblName[i], w.lblSize[i], w.lblDate[i]}) {
                EXPECT_TRUE(l->autoFillBackground());
                EXPECT_EQ(l->palette().color(QPalette::Window), colorOf(App().SideColor[i]))
                    << l->objectName().toStdString();
            }
    }
}

// With the desktop's font the window opens large enough for every caption of
// either language, and for both dates, to show whole.
TEST_F(SelectFileWindow, CaptionsOfBothLanguagesShowWhole)
{
    for (const int lang : {Language::English, Language::Greek}) {
        Language::applyState(lang);
        frmSelectFile w(upper, lower, 3);
        w.show();
        const bool el = lang == Language::Greek;
        EXPECT_EQ(w.windowTitle(), el ? "Επιλέξτε το αρχείο που θέλετε να αντιγραφεί"
                                      : "Select the file you want to be copied");
        EXPECT_EQ(w.cmdCopy[1]->text(), el ? "Να αντιγραφεί αυτό το αρχείο" : "Copy this file");
        EXPECT_EQ(w.cmdDoNotCopy->text(),
                  el ? "Να μην αντιγραφεί κανένα αρχείο" : "Do not copy any of these files");
        EXPECT_EQ(w.fraTempOptions->title(), el ? " Για τα υπόλοιπα κοινά αρχεία που απομένουν ... "
                                                : " For the remaining common files ... ");
        EXPECT_EQ(w.optTempOptions[3]->text(),
                  el ? "... να μην αντιγραφεί κανένα, ΚΑΙ ΝΑ ΜΗΝ ΕΡΩΤΗΘΩ ΞΑΝΑ."
                     : "... copy nothing, AND DON'T ASK ME ANY MORE.");
        EXPECT_GE(w.width(), 745);
        EXPECT_GE(w.height(), 257);
        for (QAbstractButton *b : w.findChildren<QAbstractButton *>()) {
            const QRect inWindow(b->mapTo(&w, QPoint()), b->size());
            EXPECT_TRUE(w.rect().contains(inWindow)) << b->objectName().toStdString();
            if (qobject_cast<QPushButton *>(b)) {
                EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), b->width());
                continue;
            }
            // Indicator and spacing take at most 24 pixels in every style here.
            const QRect need = b->fontMetrics().boundingRect(QRect(0, 0, b->width() - 24, 10000),
                                                             Qt::TextWordWrap, b->text());
            EXPECT_LE(need.height(), b->height()) << b->text().toStdString();
        }
        for (int i = 0; i < 2; ++i)
            for (const QLabel *l : {w.lblSize[i], w.lblDate[i]})
                EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width())
                    << l->text().toStdString();
        EXPECT_LE(w.fraTempOptions->fontMetrics().horizontalAdvance(w.fraTempOptions->title()) + 16,
                  w.fraTempOptions->width());
    }
}

} // namespace
