#include "core/AppState.h"
#include "core/Settings.h"
#include "mainwindow/SavedPaths.h"
#include "platform/FileNames.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SavedPathsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString left = dir.filePath("SavedLeftPaths.txt");
    QString right = dir.filePath("SavedRightPaths.txt");
    ScriptedMessages box;

    void SetUp() override
    {
        resetAppState();
        App().LanguageIsGreek = false;
        App().SavedPathsFile[0] = left;
        App().SavedPathsFile[1] = right;
        App().SettingsFilePath = dir.filePath("Orvanel.ini");
    }
    void TearDown() override { resetAppState(); }
};

TEST_F(SavedPathsFile, AlreadySavedIgnoresTrailingSlashAndCaseUnlessCaseSensitive)
{
    const QByteArray list = "/home/u/Other\r\n/home/u/data/\r\n/\r\n";
    writeBytes(left, list);

    SaveRecentPath("/home/u/Data", 0);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "Path '/home/u/Data' has already been saved in the recent paths list.");
    EXPECT_EQ(box.shown[0].title, "<--  Save path");
    EXPECT_EQ(box.shown[0].style, Msg::Information);

    SaveRecentPath("/", 0);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].style, Msg::Information) << "the root is stored as it is";

    App().OptionValues.CaseSensitive = true;
    box.answer(Msg::No);
    SaveRecentPath("/home/u/Data", 0);
    ASSERT_EQ(box.shown.size(), 3u);
    EXPECT_EQ(box.shown[2].prompt, "Do you really want to save path '/home/u/Data' in the recent paths list?");
    EXPECT_EQ(box.shown[2].style, Msg::Question | Msg::YesNo);
    EXPECT_EQ(readBytes(left), list) << "No writes nothing";
    EXPECT_EQ(box.unexpected, 0);
}

TEST_F(SavedPathsFile, NewPathGoesFirstAndEveryOldLineFollowsUnchanged)
{
    App().LanguageIsGreek = true;
    writeBytes(right, "/a\n\r\n  \n/b");
    QFile::setPermissions(right, QFile::ReadOwner | QFile::WriteOwner);
    writeBytes(dir.filePath("SavedRightPaths.bak"), "left by a crash");

    box.answer(Msg::Yes);
    SaveRecentPath("/home/u/Νέος", 1);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt,
              "Θέλετε πράγματι να αποθηκεύσετε τη διαδρομή «/home/u/Νέος» στις πρόσφατες διαδρομές;");
    EXPECT_EQ(box.shown[0].title, "Αποθήκευση διαδρομής  -->");
    EXPECT_EQ(readBytes(right), QByteArray("/home/u/Νέος\r\n/a\r\n\r\n  \r\n/b\r\n"));
    EXPECT_EQ(QFile::permissions(right) & 0x7077, QFile::ReadOwner | QFile::WriteOwner)
        << "the rewrite keeps the file's permissions";
    EXPECT_EQ(entriesOf(dir.path()), QStringList({"SavedRightPaths.txt"}));

    box.answer(Msg::Yes);
    SaveRecentPath("/second", 1);
    EXPECT_TRUE(readBytes(right).startsWith("/second\r\n/home/u/Νέος\r\n/a\r\n"));

    // An old disk's name goes in as its bytes and comes back as the same path.
    const QString legacy = "/old/" + FileNames::fromBytes(kLegacyName);
    box.answer(Msg::Yes);
    SaveRecentPath(legacy, 1);
    EXPECT_TRUE(readBytes(right).startsWith("/old/" + kLegacyName + "\r\n/second\r\n"));
    EXPECT_EQ(savedPathLines(1).front(), legacy);

    box.shown.clear();
    SaveRecentPath("/home/u/νέος", 1);
    SaveRecentPath(legacy + "/", 1);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].prompt,
              "Η διαδρομή «/home/u/νέος» έχει ήδη αποθηκευθεί στις πρόσφατες διαδρομές.")
        << "letter case of Greek names folds too";
    EXPECT_EQ(box.shown[1].style, Msg::Information) << "the stored bytes are the same path";
}

TEST_F(SavedPathsFile, MissingListIsCreatedAndAListBehindALinkStaysThere)
{
    box.answer(Msg::Yes);
    SaveRecentPath("/x", 0);
    EXPECT_EQ(readBytes(left), "/x\r\n");

    QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath("paths.txt");
    writeBytes(real, "/old\r\n");
    ASSERT_TRUE(QFile::link(real, right));
    box.answer(Msg::Yes);
    SaveRecentPath("/y", 1);
    EXPECT_TRUE(QFileInfo(right).isSymLink());
    EXPECT_EQ(readBytes(real), "/y\r\n/old\r\n");
    EXPECT_EQ(entriesOf(elsewhere.path()), QStringList({"paths.txt"}));
}

TEST_F(SavedPathsFile, AFailedWriteLeavesTheOldListWholeAndIsReported)
{
    writeBytes(left, "/kept\r\n");
    ASSERT_TRUE(QDir(dir.path()).mkpath("SavedLeftPaths.bak/inside"));
    box.answer(Msg::Yes);
    SaveRecentPath("/new", 0);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_TRUE(box.shown[1].title.endsWith(", 153.")) << box.shown[1].title.toStdString();
    EXPECT_EQ(readBytes(left), "/kept\r\n");
}

TEST_F(SavedPathsFile, PathsWithALineBreakAreRefusedWithoutWriting)
{
    writeBytes(left, "/kept\r\n");
    SaveRecentPath("/a\nb", 0);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, "Path '/a\\x0Ab' cannot be saved in the recent paths list, because it "
                                   "contains a line break and the list holds one path per line.");
    EXPECT_EQ(box.shown[0].style, Msg::Exclamation);

    App().LanguageIsGreek = true;
    SetInitialPath("/a\rb", 1);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].prompt,
              "Η διαδρομή «/a\\x0Db» δεν μπορεί να ορισθεί ως αρχική διαδρομή της εφαρμογής, επειδή "
              "περιέχει αλλαγή γραμμής ή είναι μεγαλύτερη από 1023 bytes.");
    EXPECT_EQ(box.shown[1].title, "Ορισμός αρχικής διαδρομής  -->");
    SetInitialPath("/" + QString(1023, 'x'), 1);
    EXPECT_EQ(box.shown.size(), 3u) << "a longer path would be read back cut short";

    EXPECT_EQ(readBytes(left), "/kept\r\n");
    EXPECT_EQ(entriesOf(dir.path()), QStringList({"SavedLeftPaths.txt"}));
    EXPECT_EQ(box.unexpected, 0);
}

TEST_F(SavedPathsFile, InitialPathComparesExactlyAndIsWrittenOnYes)
{
    App().InitialPath[0] = "/home/u/Data";
    box.answer(Msg::Yes);
    SetInitialPath("/home/u/DATA", 0);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt,
              "Do you really want to set '/home/u/DATA' as the initial path of the application?");
    EXPECT_EQ(box.shown[0].title, "<--  Save initial path");
    EXPECT_EQ(box.shown[0].style, Msg::Question | Msg::YesNo);
    EXPECT_EQ(App().InitialPath[0], "/home/u/DATA");
    EXPECT_EQ(Settings::readInitialPath(0), "/home/u/DATA");

    SetInitialPath("/home/u/DATA", 0);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].prompt,
              "Path '/home/u/DATA' has already been set as the initial path of the application.");
    EXPECT_EQ(box.shown[1].title, "<--  Set initial path");
    EXPECT_EQ(box.shown[1].style, Msg::Information);

    App().LanguageIsGreek = true;
    box.answer(Msg::No);
    SetInitialPath("/srv", 1);
    EXPECT_EQ(box.shown[2].prompt,
              "Θέλετε πράγματι να ορίσετε τη διαδρομή «/srv» ως αρχική διαδρομή της εφαρμογής;");
    EXPECT_EQ(box.shown[2].title, "Αποθήκευση αρχικής διαδρομής  -->");
    EXPECT_EQ(App().InitialPath[1], "");
    EXPECT_EQ(readBytes(App().SettingsFilePath), "[General]\nLeftInitialPath=/home/u/DATA\n");

    // Stored as the path's bytes, and read back as the same path.
    const QByteArray bytes = "/old/" + kLegacyName;
    box.answer(Msg::Yes);
    SetInitialPath(FileNames::fromBytes(bytes), 1);
    EXPECT_EQ(FileNames::toBytes(App().InitialPath[1]), bytes);
    EXPECT_EQ(FileNames::toBytes(Settings::readInitialPath(1)), bytes);
    EXPECT_EQ(box.unexpected, 0);
}

TEST_F(SavedPathsFile, AnInitialPathThatCannotBeStoredIsReportedAndNotTaken)
{
    App().SettingsFilePath = dir.filePath("missing/Orvanel.ini");
    box.answer(Msg::Yes);
    SetInitialPath("/srv", 1);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_TRUE(box.shown[1].title.endsWith(", 154.")) << box.shown[1].title.toStdString();
    EXPECT_EQ(App().InitialPath[1], "");
}

class Environment : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QByteArray oldPath = qgetenv("PATH");
    QByteArray oldEditor = qgetenv("ORVANEL_EDITOR");
    bool hadEditor = qEnvironmentVariableIsSet("ORVANEL_EDITOR");

    void TearDown() override
    {
        qputenv("PATH", oldPath);
        if (hadEditor)
            qputenv("ORVANEL_EDITOR", oldEditor);
        else
            qunsetenv("ORVANEL_EDITOR");
    }
};

TEST_F(Environment, EditorIsTheUsersChoiceElseAKnownEditorElseXdgOpen)
{
    qputenv("ORVANEL_EDITOR", "my-editor --line \"two words\"");
    EXPECT_EQ(editorCommand("/s/My Paths.txt"),
              QStringList({"my-editor", "--line", "two words", "/s/My Paths.txt"}));

    qunsetenv("ORVANEL_EDITOR");
    const QString kate = dir.filePath("kate");
    for (const QString &exe : {kate, dir.filePath("mousepad")}) {
        writeBytes(exe, "#!/bin/sh\n");
        QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner);
    }
    qputenv("PATH", QFile::encodeName(dir.path()));
    EXPECT_EQ(editorCommand("/s/p.txt"), QStringList({kate, "--block", "/s/p.txt"}));

    QFile::remove(kate);
    QFile::remove(dir.filePath("mousepad"));
    EXPECT_EQ(editorCommand("-p.txt"), QStringList({"xdg-open", QDir::current().filePath("-p.txt")}))
        << "a file name never passes for an option";
}

} // namespace
