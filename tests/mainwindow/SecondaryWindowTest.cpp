#include "core/AppState.h"
#include "mainwindow/SecondaryWindow.h"
#include "ScriptedMessages.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(SecondaryWindow, NeitherEscapeNorTheControlMenuCloseItButTheProgramDoesEvenWhenModal)
{
    resetAppState();
    ScriptedMessages box;
    SecondaryWindow w;
    w.show();
    EXPECT_FALSE(w.allowClose(CloseReason::ControlMenu));
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(box.shown.size(), 1u) << "the refusal says so, Escape says nothing";

    QTimer::singleShot(0, &w, [&w] { w.close(); });
    w.exec();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(box.shown.size(), 1u);
    resetAppState();
}

} // namespace
