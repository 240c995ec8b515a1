#include "ui/common/Icons.h"
#include "ui/main/frmRecallPath.h"
#include "engine/fs/FileNames.h"
#include "WindowTesting.h"

namespace {

class RecallWindow : public WindowTest {
protected:
    QString left = dir.filePath("SavedLeftPaths.txt");
    QString right = dir.filePath("SavedRightPaths.txt");

    void SetUp() override
    {
        App().SavedPathsFile[0] = left;
        App().SavedPathsFile[1] = right;
    }
    EnvVar editor{"ORVANEL_EDITOR", {}};
    // The editor: a shell script that gets the file as its last argument.
    void editorDoes(const QByteArray &shell)
    {
        writeBytes(dir.filePath("editor.sh"), shell);
        qputenv("ORVANEL_EDITOR", "/bin/sh " + QFile::encodeName(dir.filePath("editor.sh")));
    }
    static QColor background(const QListWidget *list) { return list->palette().color(QPalette::Base); }
};

TEST_F(RecallWindow, ListsTheSideAndRecallsTheClickedLineAsStored)
{
    // A line is a path's bytes: shown readable, recalled exactly.
    writeBytes(right, "/a\r\n\r\n  /b\xd6\x01 \r\n");
    QString chosen;
    const auto choose = [&](frmRecallPath &w) {
        EXPECT_EQ(w.windowTitle(), "Recall path  -->");
        EXPECT_EQ(textsOf(w.lstSavedPaths), QStringList({"/a", "  /b\\xD6\\x01 "}));
        EXPECT_FALSE(w.cmdRecall->isEnabled());
        EXPECT_EQ(background(w.lstSavedPaths), colorOf(RightSideColor));
        EXPECT_TRUE(QFile::exists(left)) << "both sides' files are made when missing";
        clickRow(w.lstSavedPaths, 1);
        QTest::mouseClick(w.cmdRecall, Qt::LeftButton);
    };
    EXPECT_EQ(whileModal<frmRecallPath>([&] { chosen = frmRecallPath::chooseRecent(1); }, choose), 1);
    EXPECT_EQ(FileNames::toBytes(chosen), "  /b\xd6\x01 ");
    EXPECT_TRUE(box.shown.empty());
}

// The editor runs only after OK; whatever it leaves is listed, and a blank list stays grey.
TEST_F(RecallWindow, EditRunsTheEditorAfterOkAndListsWhatItLeftAndCancelRecallsNothing)
{
    writeBytes(right, " \r\n\t\n\r\n");
    editorDoes("printf '/edited\\r\\n' > \"$1\"\n");
    App().RecallSide = 1;
    App().RecalledPath[1] = "/stale";
    frmRecallPath w;
    w.show();
    EXPECT_EQ(w.lstSavedPaths->count(), 0);
    const QColor grey = background(w.lstSavedPaths);
    EXPECT_EQ(grey, w.palette().color(QPalette::Inactive, QPalette::Window));
    box.answer(Msg::Ok);
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.text(0), ("Edit saved paths  --> | 65 | The application is suspended for as long as you are "
                            "editing the file '" + right + "'.").toStdString());
    EXPECT_EQ(textsOf(w.lstSavedPaths), QStringList({"/edited"}));
    EXPECT_EQ(background(w.lstSavedPaths), grey);
    clickRow(w.lstSavedPaths, 0);
    editorDoes("rm \"$1\"\n");
    box.answer(Msg::Cancel);
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    EXPECT_EQ(readBytes(right), "/edited\r\n");
    EXPECT_TRUE(w.cmdRecall->isEnabled()) << "the selection is kept";
    box.answer(Msg::Ok);
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    EXPECT_EQ(readBytes(right), "") << "made again, empty";
    EXPECT_EQ(w.lstSavedPaths->count(), 0);
    EXPECT_FALSE(w.cmdRecall->isEnabled());
    QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    EXPECT_EQ(App().RecalledPath[1], "");
    EXPECT_FALSE(w.isVisible());
}

TEST_F(RecallWindow, WithoutAnEditorEditSaysHowToNameOneAndWhileOneRunsTheWindowWaitsPainted)
{
    qputenv("ORVANEL_EDITOR", "/nonexistent/editor --wait");
    frmRecallPath w;
    w.show();
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u) << "no suspension announced for an editor that cannot start";
    EXPECT_TRUE(box.text(0).starts_with("<--  Edit saved paths | 48 | The saved paths cannot be edited from "
                                        "here, because no text editor could be started ('/nonexistent/editor')."))
        << box.text(0);
    EXPECT_TRUE(box.shown[0].prompt.contains("$ORVANEL_EDITOR"));
    // The event loop goes on while the editor runs: the window repaints, disabled.
    editorDoes("sleep 0.3; printf '/x\\r\\n' > \"$1\"\n");
    int seen = -1;
    QTimer::singleShot(100, &w, [&] { seen = w.isEnabled(); });
    box.answer(Msg::Ok);
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    EXPECT_EQ(seen, 0);
    EXPECT_TRUE(w.isEnabled());
    EXPECT_EQ(textsOf(w.lstSavedPaths), QStringList({"/x"}));
    // The desktop's opener, last resort, found no application for text.
    writeBytes(dir.filePath("xdg-open"), "#!/bin/sh\nexit 3\n");
    QFile::setPermissions(dir.filePath("xdg-open"), QFile::ReadOwner | QFile::ExeOwner);
    qputenv("ORVANEL_EDITOR", QFile::encodeName(dir.filePath("xdg-open")));
    box.answer(Msg::Ok);
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    EXPECT_TRUE(box.shown.back().prompt.contains("$ORVANEL_EDITOR"));
}

TEST_F(RecallWindow, AnUnreadableListIsReportedAsAFillError)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("SavedLeftPaths.txt"));
    frmRecallPath w;
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(box.shown[0].title.endsWith(", 159.")) << box.shown[0].title.toStdString();
    EXPECT_FALSE(w.cmdRecall->isEnabled());
}

} // namespace
