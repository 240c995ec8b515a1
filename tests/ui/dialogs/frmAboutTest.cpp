#include "engine/settings/Version.h"
#include "ui/dialogs/frmAbout.h"
#include "WindowTesting.h"

namespace {

class About : public WindowTest {};

TEST_F(About, TitleAndVersionInBothLanguagesWithTheDescriptionWholeEvenInALargerFont)
{
    const LargerFont larger(1.5);
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
        const QRect d = w.lblDescription->geometry();
        EXPECT_LE(w.lblDescription->heightForWidth(d.width()), d.height()) << "description cut";
        EXPECT_LT(d.bottom(), w.Line1[0]->y());
    }
}

TEST_F(About, EnterAndEscapeCloseTheModalWindow)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        const auto press = [key](frmAbout &w) {
            activate(&w);
            QTest::keyClick(QApplication::focusWidget(), key);
        };
        EXPECT_EQ(whileModal<frmAbout>([] { frmAbout::showModal(nullptr); }, press), 1) << key;
    }
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(About, SystemInfoIsUnavailableAndOkCloses)
{
    frmAbout w;
    w.show();
    QTest::mouseClick(w.cmdSysInfo, Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.text(0), "System information | 64 | System Information is unavailable at this time.");
    EXPECT_TRUE(w.isVisible());
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
}

} // namespace
