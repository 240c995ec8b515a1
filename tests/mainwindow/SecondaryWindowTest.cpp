#include "core/AppState.h"
#include "core/Language.h"
#include "mainwindow/SecondaryWindow.h"
#include "ScriptedMessages.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(SecondaryWindow, ControlMenuCloseIsRefusedAndTheWindowKeepsItsValues)
{
    resetAppState();
    Language::applyState(Language::English);
    ScriptedMessages box;
    SecondaryWindow w;
    auto *edit = new QLineEdit(&w);
    w.show();
    edit->setText("edited");
    EXPECT_FALSE(w.allowClose(CloseReason::ControlMenu));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(edit->text(), "edited");
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "Closing form");

    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible()) << "Escape is no way out of a secondary window";

    EXPECT_TRUE(w.close()) << "the program's own close is never refused";
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(box.shown.size(), 1u);
    resetAppState();
}

TEST(SecondaryWindow, ModalRunEndsWhenTheProgramClosesIt)
{
    resetAppState();
    ScriptedMessages box;
    SecondaryWindow w;
    QTimer::singleShot(0, &w, [&w] { w.close(); });
    w.exec();
    EXPECT_TRUE(box.shown.empty());
}

} // namespace
