#include "core/AppState.h"
#include "core/Language.h"
#include "core/Version.h"
#include "dialogs/frmAbout.h"
#include "ScriptedMessages.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class About : public ::testing::Test {
protected:
    ScriptedMessages box;
    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
    }
    void TearDown() override { resetAppState(); }
};

TEST_F(About, CaptionsAndVersionInBothLanguagesWithTheDescriptionWhole)
{
    const QString number = Version::number(QStringLiteral(ORVANEL_VERSION));
    for (bool greek : {false, true}) {
        Language::applyState(greek ? Language::Greek : Language::English);
        frmAbout w;
        w.show();
        EXPECT_EQ(w.windowTitle(), greek ? "Σχετικά" : "About");
        EXPECT_EQ(w.lblTitle->text(), greek ? "Συγχρονισμός φακέλλων" : "Folder synchronization");
        EXPECT_EQ(w.lblVersion->text(), (greek ? "Έκδοση " : "Version ") + number);
        EXPECT_TRUE(w.lblDescription->text().endsWith(
            greek ? "χωρίς να αντιγράψει αρχεία." : "without copying any files."));
        EXPECT_EQ(w.cmdSysInfo->text(), greek ? "Πληροφορίες συστήματος..." : "System Info...");
        const QRect d = w.lblDescription->geometry();
        EXPECT_LE(w.lblDescription->heightForWidth(d.width()), d.height()) << "description cut";
        EXPECT_LT(d.bottom(), w.Line1[0]->y());
    }
}

TEST_F(About, EnterAndEscapeCloseTheModalWindow)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        int pressed = 0;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto *w = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (w && pressed++ == 0) {
                w->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(w));
                QTest::keyClick(QApplication::focusWidget(), key);
            } else if (w) {
                ADD_FAILURE() << "still open after key " << key;
                w->close();
            }
        });
        driver.start(0);
        frmAbout::showModal(nullptr);
        EXPECT_EQ(pressed, 1);
    }
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(About, SystemInfoIsUnavailableAndTheControlMenuCannotClose)
{
    frmAbout w;
    w.show();
    QTest::mouseClick(w.cmdSysInfo, Qt::LeftButton);
    Language::applyState(Language::Greek);
    QTest::mouseClick(w.cmdSysInfo, Qt::LeftButton);
    EXPECT_FALSE(w.allowClose(CloseReason::ControlMenu));
    ASSERT_EQ(box.shown.size(), 3u);
    EXPECT_EQ(box.shown[0].prompt, "System Information is unavailable at this time.");
    EXPECT_EQ(box.shown[0].title, "System information");
    EXPECT_EQ(box.shown[0].style, Msg::Information | Msg::OkOnly);
    EXPECT_EQ(box.shown[1].prompt, "Οι Πληροφορίες Συστήματος δεν είναι διαθέσιμες αυτή τη στιγμή.");
    EXPECT_EQ(box.shown[1].title, "Πληροφορίες συστήματος");
    EXPECT_EQ(box.shown[2].title, "Κλείσιμο φόρμας");
    EXPECT_TRUE(w.isVisible());
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
}

} // namespace
