#pragma once

// What the window tests share: real windows driven with Qt Test inside
// GoogleTest, the scripted message boxes and real files.
#include "engine/settings/AppState.h"
#include "engine/settings/Language.h"
#include "ui/common/ContextHelp.h"
#include "AppFixture.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"
#include "TestRoots.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <tuple>
#include <gtest/gtest.h>
#include <vector>

// A window test: the program's state fresh before and after it, English,
// message boxes scripted, and a folder of its own.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() { Language::applyState(Language::English); }

    AppStateGuard state;
    TempDir dir;
    ScriptedMessages box;
};

// While it lives, the variables keep their values for when it goes.
template <class... T>
class Keep {
public:
    explicit Keep(T &...v) : m_refs(v...), m_values(v...) {}
    ~Keep() { m_refs = m_values; }

private:
    std::tuple<T &...> m_refs;
    std::tuple<T...> m_values;
};

// While it lives, the application's font is larger, as a user may set it.
struct LargerFont {
    const QFont normal = QApplication::font();
    explicit LargerFont(double factor)
    {
        QFont larger = normal;
        larger.setPointSizeF(normal.pointSizeF() * factor);
        QApplication::setFont(larger);
    }
    ~LargerFont() { QApplication::setFont(normal); }
};

// What a list, or a tree node's children, show, row by row.
inline QStringList textsOf(const QListWidget *list)
{
    QStringList t;
    for (int i = 0; list && i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

inline QStringList textsOf(const QTreeWidgetItem *node)
{
    QStringList t;
    for (int i = 0; node && i < node->childCount(); ++i)
        t << node->child(i)->text(0);
    return t;
}

inline void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center()); }

// Clicks a list's row, scrolled into view.
inline void clickRow(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// Shows the window and waits until it has the keyboard.
inline void activate(QWidget *w)
{
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

// The object names of the widgets that Tab visits, from the one with the focus
// round to it again (or 40 of them).
inline QStringList tabChain()
{
    QStringList names;
    QWidget *const first = QApplication::focusWidget();
    for (int i = 0; first && i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        names << (now ? now->objectName() : QStringLiteral("(none)"));
        if (now == first)
            break;
    }
    return names;
}

// Runs call, doing act on each modal window of type W that it opens; a window
// that act leaves open fails the test and is ended. Returns how many opened.
template <class W>
int whileModal(const std::function<void()> &call, const std::function<void(W &)> &act)
{
    int opened = 0;
    QTimer driver; // dies with this call, so it never fires into another test
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto *w = qobject_cast<W *>(QApplication::activeModalWidget())) {
            ++opened;
            act(*w);
            if (w->isVisible()) {
                ADD_FAILURE() << "still open";
                w->done(QDialog::Rejected);
            }
        }
    });
    driver.start(0);
    call();
    return opened;
}

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

// While it lives, context help is recorded instead of shown.
struct RecordedHelp {
    struct Shown { QWidget *control; int topic; QString text; };
    std::vector<Shown> shown;
    ContextHelp::Display previous =
        ContextHelp::setDisplay([this](QWidget *c, int topic, const QString &text, const QPoint &) {
            shown.push_back({c, topic, text});
        });
    ~RecordedHelp() { ContextHelp::setDisplay(previous); }
};
