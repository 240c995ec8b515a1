#include "core/AppState.h"
#include "core/Language.h"
#include "mainwindow/ContextHelp.h"
#include "platform/HelpFile.h"
#include "TestFiles.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Shown {
    QWidget *control;
    int topic;
    QString text;
};

class ContextHelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        App().EnglishHelpFilePath = dir.filePath("OrvanelUk.hlp");
        App().GreekHelpFilePath = dir.filePath("OrvanelGr.hlp");
        writeBytes(App().EnglishHelpFilePath, "[10150]\nStarts the synchronization.\n"
                                              "[10010]\nThe folders.\n[40010]\nThe general options.\n");
        writeBytes(App().GreekHelpFilePath, "[10150]\nΞεκινά το συγχρονισμό.\n");
        Language::applyState(Language::English);
        previous = ContextHelp::setDisplay([this](QWidget *c, int t, const QString &text, const QPoint &) {
            shown.push_back({c, t, text});
        });
        ContextHelp::install(qApp);
        ContextHelp::install(qApp);
        window.resize(300, 300);
        sync = new QPushButton("Sync", &window);
        ContextHelp::setTopic(sync, 10150);
        window.show();
    }
    void TearDown() override
    {
        ContextHelp::setDisplay(previous);
        resetAppState();
    }

    QTemporaryDir dir;
    std::vector<Shown> shown;
    ContextHelp::Display previous;
    QWidget window;
    QPushButton *sync = nullptr;
};

TEST_F(ContextHelpTest, AnyButtonButTheLeftShowsTheTopicOfTheCurrentLanguage)
{
    auto *plain = new QPushButton("Plain", &window);
    auto *unknown = new QPushButton("Unknown", &window);
    ContextHelp::setTopic(unknown, 10999);
    plain->show();
    unknown->show();

    QTest::mouseRelease(sync, Qt::RightButton);
    ASSERT_EQ(shown.size(), 1u) << "installed twice, shown once";
    EXPECT_EQ(shown[0].control, sync);
    EXPECT_EQ(shown[0].topic, 10150);
    EXPECT_EQ(shown[0].text, "Starts the synchronization.");
    QTest::mouseRelease(sync, Qt::MiddleButton);
    EXPECT_EQ(shown.size(), 2u);

    QTest::mouseClick(sync, Qt::LeftButton);
    QTest::mouseRelease(plain, Qt::RightButton);
    QTest::mouseRelease(unknown, Qt::RightButton);
    EXPECT_EQ(shown.size(), 2u) << "left button, no topic, topic not in the file: nothing";

    Language::applyState(Language::Greek);
    ContextHelp::showFor(sync);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, "Ξεκινά το συγχρονισμό.");

    App().HelpFilePath.clear();
    QTest::mouseRelease(sync, Qt::RightButton);
    App().HelpFilePath = dir.filePath("missing.hlp");
    QTest::mouseRelease(sync, Qt::RightButton);
    EXPECT_EQ(shown.size(), 3u) << "no help file: nothing, and no message";
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(ContextHelpTest, ChildrenAnswerWithTheNearestAncestorsTopicWithinTheirWindow)
{
    auto *layout = new QVBoxLayout(&window);
    auto *tree = new QTreeWidget;
    auto *frame = new QWidget;
    frame->setMinimumSize(200, 80);
    auto *inFrame = new QLabel("Days", frame);
    auto *silent = new QLabel("no help", frame);
    silent->move(0, 30);
    layout->addWidget(tree);
    layout->addWidget(frame);
    QApplication::processEvents(); // the layout shows its widgets later
    ContextHelp::setTopic(tree, 10010);
    ContextHelp::setTopic(frame, 40010);
    ContextHelp::setTopic(silent, 0);
    ContextHelp::setTopic(&window, 10150);
    auto *dialog = new QDialog(&window);
    auto *inDialog = new QPushButton("OK", dialog);
    dialog->show();

    QTest::mouseRelease(tree->viewport(), Qt::RightButton);
    QTest::mouseRelease(inFrame, Qt::RightButton);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].control, tree) << "the viewport counts as the tree";
    EXPECT_EQ(shown[1].topic, 40010);

    QTest::mouseRelease(silent, Qt::RightButton);
    QTest::mouseRelease(inDialog, Qt::RightButton);
    EXPECT_EQ(shown.size(), 2u) << "topic 0 stops the fall-back, and so does a window's edge";
}

// Counts the context menus that reach it instead of opening one.
class CountingEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    int menus = 0;

protected:
    void contextMenuEvent(QContextMenuEvent *) override { ++menus; }
};

TEST_F(ContextHelpTest, TheMouseContextMenuGivesWayToHelpUnlessTheControlKeepsIt)
{
    CountingEdit withHelp(&window), ownMenu(&window);
    ContextHelp::setTopic(&withHelp, 10150);
    ContextHelp::setTopic(&ownMenu, 10150, ContextHelp::RightClick::KeepsOwnMenu);
    for (CountingEdit *w : {&withHelp, &ownMenu})
        for (auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard}) {
            QContextMenuEvent e(reason, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(w, &e);
        }
    EXPECT_EQ(withHelp.menus, 1) << "only the keyboard's menu";
    EXPECT_EQ(ownMenu.menus, 2);

    QTest::mouseRelease(&ownMenu, Qt::RightButton);
    EXPECT_TRUE(shown.empty());
}

TEST_F(ContextHelpTest, TheQuestionMarkModeShowsTheSameText)
{
    auto *frame = new QWidget(&window);
    frame->setGeometry(0, 100, 200, 100);
    auto *label = new QLabel("Days", frame);
    auto *unknown = new QPushButton("Unknown", &window);
    unknown->move(0, 50);
    ContextHelp::setTopic(frame, 40010);
    ContextHelp::setTopic(unknown, 10999);
    frame->show();
    unknown->show();

    QHelpEvent query(QEvent::QueryWhatsThis, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(sync, &query);
    EXPECT_TRUE(query.isAccepted());
    QHelpEvent queryUnknown(QEvent::QueryWhatsThis, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(unknown, &queryUnknown);
    EXPECT_FALSE(queryUnknown.isAccepted()) << "no text: the cursor says so";

    QHelpEvent onLabel(QEvent::WhatsThis, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(label, &onLabel);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].control, frame) << "Qt passes the event from the label to the frame";

    QWhatsThis::enterWhatsThisMode();
    QTest::mouseClick(sync, Qt::LeftButton);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "Starts the synchronization.");

    QWhatsThis::enterWhatsThisMode();
    QTest::mouseClick(unknown, Qt::LeftButton);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode()) << "a click with nothing to show ends the mode too";
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(ContextHelpTest, TheDefaultDisplayIsAWhatsThisPopup)
{
    ContextHelp::setDisplay({});
    QTest::mouseRelease(sync, Qt::RightButton);
    int popups = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        popups += w->isVisible() && QByteArray(w->metaObject()->className()) == "QWhatsThat";
    EXPECT_EQ(popups, 1);
    QWhatsThis::hideText();
    QTest::qWait(0);
}

} // namespace
