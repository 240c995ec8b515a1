#include "mainwindow/SecondaryWindow.h"
#include "WindowTesting.h"

class SecondaryWindowClose : public WindowTest {};

// Escape is no way out of a secondary window; the program's own close is, even of a modal one.
TEST_F(SecondaryWindowClose, EscapeDoesNotButTheProgramDoes)
{
    SecondaryWindow w;
    QTimer::singleShot(0, &w, [&w] {
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        w.close();
        EXPECT_FALSE(w.isVisible());
        w.done(QDialog::Rejected); // in case it did not close
    });
    w.exec();
    EXPECT_TRUE(box.shown.empty());
}
