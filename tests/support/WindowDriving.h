#pragma once

#include "core/AppState.h"
#include "core/Language.h"
#include "ScriptedMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// A window under test: the default state in English, every message box scripted.
class WindowTest : public ::testing::Test {
protected:
    ScriptedMessages box;
    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
    }
    void TearDown() override { resetAppState(); }
};

// Shows a window and waits until it has the keyboard, as a user's window would.
inline void activate(QWidget *w)
{
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

inline void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

// Lets act handle the modal window W that the code under test is about to open;
// a window act leaves open is a failure, and is closed so the test goes on.
template <class W, class F>
void whenModal(F act)
{
    QTimer::singleShot(0, [act] {
        auto *w = qobject_cast<W *>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr) << "the window did not come up modally";
        act(*w);
        if (w->isVisible()) {
            ADD_FAILURE() << "the window is still open";
            w->close();
        }
    });
}
