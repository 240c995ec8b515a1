#include "WindowTesting.h"

#include <QContextMenuEvent>
#include <QWhatsThis>

namespace {

class ContextHelpTest : public WindowTest {
protected:
    void SetUp() override
    {
        App().EnglishHelpFilePath = dir.filePath("OrvanelUk.hlp");
        writeBytes(App().EnglishHelpFilePath, "[10150]\nStarts the synchronization.\n"
                                              "[10010]\nThe folders.\n[40010]\nThe general options.\n");
        Language::applyState(Language::English);
        ContextHelp::install(qApp);
        ContextHelp::setTopic(sync, 10150);
        ContextHelp::setTopic(unknown, 10999); // not in the file
        window.show();
    }

    RecordedHelp help;
    std::vector<RecordedHelp::Shown> &shown = help.shown;
    QWidget window;
    QPushButton *sync = new QPushButton("Sync", &window);
    QPushButton *unknown = new QPushButton("Unknown", &window);
};

TEST_F(ContextHelpTest, AnyButtonButTheLeftShowsTheNearestTopicWithinTheWindowFromTheHelpFile)
{
    auto *tree = new QTreeWidget(&window);
    auto *plain = new QPushButton("Plain", &window);
    ContextHelp::setTopic(tree, 10010);
    auto *dialog = new QDialog(&window);
    auto *inDialog = new QPushButton("OK", dialog);
    plain->show();
    tree->show();
    dialog->show();
    QTest::mouseRelease(sync, Qt::RightButton);
    QTest::mouseRelease(sync, Qt::MiddleButton);
    QTest::mouseClick(sync, Qt::LeftButton);
    QTest::mouseRelease(plain, Qt::RightButton);
    QTest::mouseRelease(unknown, Qt::RightButton);
    QTest::mouseRelease(tree->viewport(), Qt::RightButton);
    ContextHelp::setTopic(&window, 10150);
    QTest::mouseRelease(inDialog, Qt::RightButton);
    ASSERT_EQ(shown.size(), 3u) << "nothing for the left button, no topic, a topic not in the file or "
                                   "the topic of a dialog's parent window";
    EXPECT_EQ(shown[0].control, sync);
    EXPECT_EQ(shown[0].topic, 10150);
    EXPECT_EQ(shown[0].text, "Starts the synchronization.");
    EXPECT_EQ(shown[2].control, tree) << "the viewport counts as the tree";
    App().HelpFilePath = dir.filePath("missing.hlp");
    QTest::mouseRelease(sync, Qt::RightButton);
    EXPECT_EQ(shown.size(), 3u) << "no help file: nothing, and no message";
}

// Counts the context menus that reach it instead of opening one.
struct CountingEdit : QLineEdit {
    using QLineEdit::QLineEdit;
    int menus = 0;
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

TEST_F(ContextHelpTest, TheQuestionMarkModeShowsTheSameTextAndTheDefaultDisplayIsAPopup)
{
    auto *frame = new QWidget(&window);
    auto *label = new QLabel("Days", frame);
    ContextHelp::setTopic(frame, 40010);
    QHelpEvent query(QEvent::QueryWhatsThis, QPoint(1, 1), QPoint(1, 1));
    QHelpEvent queryUnknown(QEvent::QueryWhatsThis, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(sync, &query);
    QApplication::sendEvent(unknown, &queryUnknown);
    EXPECT_TRUE(query.isAccepted());
    EXPECT_FALSE(queryUnknown.isAccepted()) << "no text: the cursor says so";
    QHelpEvent onLabel(QEvent::WhatsThis, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(label, &onLabel);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].control, frame) << "Qt passes the event from the label to the frame";
    for (QPushButton *clicked : {sync, unknown}) {
        QWhatsThis::enterWhatsThisMode();
        QTest::mouseClick(clicked, Qt::LeftButton);
        EXPECT_FALSE(QWhatsThis::inWhatsThisMode()) << "a click ends the mode, with or without a text";
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "Starts the synchronization.");
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
