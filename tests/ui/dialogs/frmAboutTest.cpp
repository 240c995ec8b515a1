#include "engine/settings/Version.h"
#include "ui/dialogs/frmAbout.h"
#include "WindowTesting.h"

namespace {

class About : public WindowTest {};

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

TEST_F(About, ShowsTheVersionSystemInfoIsUnavailableAndOkCloses)
{
    frmAbout w;
    w.show();
    EXPECT_EQ(w.lblVersion->text(), "Version " + Version::number(QStringLiteral(ORVANEL_VERSION)));
    QTest::mouseClick(w.cmdSysInfo, Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.text(0), "System information | 64 | System Information is unavailable at this time.");
    EXPECT_TRUE(w.isVisible());
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
}

} // namespace
