#include "engine/settings/Settings.h"
#include "engine/paths/PathHelpers.h"
#include "engine/paths/SavedPaths.h"
#include "engine/fs/FileNames.h"
#include "AppFixture.h"
#include "TestRoots.h"

namespace {

class SavedPathsFile : public AppFixture {
protected:
    QString left = tmp.filePath("SavedLeftPaths.txt"), right = tmp.filePath("SavedRightPaths.txt");
    void SetUp() override
    {
        AppFixture::SetUp();
        App().SavedPathsFile[0] = left;
        App().SavedPathsFile[1] = right;
    }
};

TEST_F(SavedPathsFile, NewPathGoesFirstAndEveryOldLineFollowsUnchanged)
{
    App().LanguageIsGreek = true;
    writeBytes(right, "/a\n\r\n  \n/b");
    writeBytes(tmp.filePath("SavedRightPaths.bak"), "left by a crash");
    box.answer(Msg::Yes);
    SaveRecentPath("/home/u/Νέος", 1);
    EXPECT_EQ(box.text(0), "Αποθήκευση διαδρομής  --> | 36 | Θέλετε πράγματι να αποθηκεύσετε τη διαδρομή "
                           "«/home/u/Νέος» στις πρόσφατες διαδρομές;");
    EXPECT_EQ(readBytes(right), QByteArray("/home/u/Νέος\r\n/a\r\n\r\n  \r\n/b\r\n"));
    EXPECT_EQ(entriesOf(tmp.path()), QStringList({"SavedRightPaths.txt"}));
    // An old disk's name goes in as its bytes and comes back as the same path.
    const QString legacy = "/old/" + FileNames::fromBytes(kLegacyName);
    box.answer(Msg::Yes);
    SaveRecentPath(legacy, 1);
    EXPECT_TRUE(readBytes(right).startsWith("/old/" + kLegacyName + "\r\n/home/u/Νέος\r\n/a\r\n"));
    EXPECT_EQ(savedPathLines(1), (QStringList{legacy, "/home/u/Νέος", "/a", "/b"}));
    SaveRecentPath("/home/u/νέος", 1);
    SaveRecentPath(legacy + "/", 1);
    EXPECT_EQ(box.text(2), "Αποθήκευση διαδρομής  --> | 64 | Η διαδρομή «/home/u/νέος» έχει ήδη αποθηκευθεί "
                           "στις πρόσφατες διαδρομές.") << "letter case of Greek names folds too";
    EXPECT_TRUE(box.text(3).starts_with("Αποθήκευση διαδρομής  --> | 64 |")) << "the stored bytes are the same path";
}

// Links, permissions and a full disk: the settings file's tests cover the write both share.
TEST_F(SavedPathsFile, MissingListIsCreatedAndAFailedWriteKeepsTheOld)
{
    box.answer(Msg::Yes);
    SaveRecentPath("/x", 0);
    EXPECT_EQ(readBytes(left), "/x\r\n");
    ASSERT_TRUE(QDir(tmp.path()).mkpath("SavedLeftPaths.bak/inside")); // the companion cannot be written
    box.answer(Msg::Yes);
    SaveRecentPath("/new", 0);
    EXPECT_TRUE(box.text(2).starts_with(", 153. | 64 |")) << box.text(2);
    EXPECT_EQ(readBytes(left), "/x\r\n");
}

TEST_F(SavedPathsFile, AlreadySavedPathsIgnoreTrailingSlashAndCaseAndUnsafePathsAreRefusedWithoutWriting)
{
    const QByteArray list = "/home/u/Other\r\n/home/u/data/\r\n/\r\n";
    writeBytes(left, list);
    SaveRecentPath("/home/u/Data", 0);
    EXPECT_EQ(box.text(0), "<--  Save path | 64 | Path '/home/u/Data' has already been saved in the recent paths list.");
    SaveRecentPath("/", 0);
    EXPECT_TRUE(box.text(1).starts_with("<--  Save path | 64 |")) << "the root is stored as it is";
    App().OptionValues.CaseSensitive = true;
    box.answer(Msg::No);
    SaveRecentPath("/home/u/Data", 0);
    EXPECT_EQ(box.text(2), "<--  Save path | 36 | Do you really want to save path '/home/u/Data' in the recent paths list?");
    SaveRecentPath("/a\nb", 0);
    EXPECT_EQ(box.text(3), "<--  Save path | 48 | Path '/a\\x0Ab' cannot be saved in the recent paths list, "
                           "because it contains a line break and the list holds one path per line.");
    App().LanguageIsGreek = true;
    SetInitialPath("/a\rb", 1);
    EXPECT_EQ(box.text(4), "Ορισμός αρχικής διαδρομής  --> | 48 | Η διαδρομή «/a\\x0Db» δεν μπορεί να ορισθεί ως "
                           "αρχική διαδρομή της εφαρμογής, επειδή περιέχει αλλαγή γραμμής ή είναι μεγαλύτερη "
                           "από 1023 bytes.");
    SetInitialPath("/" + QString(1023, 'x'), 1);
    EXPECT_TRUE(box.text(5).starts_with("Ορισμός αρχικής διαδρομής  --> | 48 |")) << "it would be read back cut short";
    EXPECT_EQ(readBytes(left), list) << "No writes nothing";
    EXPECT_EQ(entriesOf(tmp.path()), QStringList({"SavedLeftPaths.txt"}));
}

TEST_F(SavedPathsFile, InitialPathComparesExactlyAndIsWrittenOnYes)
{
    App().InitialPath[0] = "/home/u/Data";
    box.answer(Msg::Yes);
    SetInitialPath("/home/u/DATA", 0);
    EXPECT_EQ(box.text(0), "<--  Save initial path | 36 | Do you really want to set '/home/u/DATA' as the "
                           "initial path of the application?");
    EXPECT_EQ(App().InitialPath[0], "/home/u/DATA");
    SetInitialPath("/home/u/DATA", 0);
    EXPECT_EQ(box.text(1), "<--  Set initial path | 64 | Path '/home/u/DATA' has already been set as the "
                           "initial path of the application.");
    App().LanguageIsGreek = true;
    box.answer(Msg::No);
    SetInitialPath("/srv", 1);
    EXPECT_EQ(box.text(2), "Αποθήκευση αρχικής διαδρομής  --> | 36 | Θέλετε πράγματι να ορίσετε τη διαδρομή "
                           "«/srv» ως αρχική διαδρομή της εφαρμογής;");
    EXPECT_EQ(App().InitialPath[1], "");
    EXPECT_EQ(readBytes(App().SettingsFilePath), "[General]\nLeftInitialPath=/home/u/DATA\n");
    // Stored as the path's bytes, and read back as the same path.
    const QByteArray bytes = "/old/" + kLegacyName;
    box.answer(Msg::Yes);
    SetInitialPath(FileNames::fromBytes(bytes), 1);
    EXPECT_EQ(FileNames::toBytes(App().InitialPath[1]), bytes);
    EXPECT_EQ(FileNames::toBytes(Settings::readInitialPath(1)), bytes);
    // One that cannot be stored is reported and not taken.
    App().SettingsFilePath = tmp.filePath("missing/Orvanel.ini");
    box.answer(Msg::Yes);
    SetInitialPath("/srv", 0);
    EXPECT_TRUE(box.text(5).starts_with(", 154. | 64 |")) << box.text(5);
    EXPECT_EQ(App().InitialPath[0], "/home/u/DATA");
}

TEST_F(AppFixture, EditorIsTheUsersChoiceElseAKnownEditorElseXdgOpen)
{
    const EnvVar path("PATH", QFile::encodeName(tmp.path()));
    EnvVar editor("ORVANEL_EDITOR", "my-editor --line \"two words\"");
    EXPECT_EQ(editorCommand("/s/My Paths.txt"), QStringList({"my-editor", "--line", "two words", "/s/My Paths.txt"}));
    qunsetenv("ORVANEL_EDITOR");
    const QString kate = tmp.filePath("kate");
    writeBytes(kate, "#!/bin/sh\n");
    QFile::setPermissions(kate, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(editorCommand("/s/p.txt"), QStringList({kate, "--block", "/s/p.txt"}));
    QFile::remove(kate);
    EXPECT_EQ(editorCommand("-p.txt"), QStringList({"xdg-open", QDir::current().filePath("-p.txt")}))
        << "a file name never passes for an option";
}

TEST(PathText, WildcardsAsUsersKnowThemAndTidyLinuxPaths)
{
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"a.txt", "", true},           {"a.doc", "*.txt; *.doc", true}, {"ab.c", "a?.c", true},
        {"abc.c", "a?.c", false},      {"[x].txt", "[x]*", true},       {"x.txt", "[x]*", false},
        {"a.tar.gz", "*.gz", true},    {"a.gz.bak", "*.gz", false}};
    for (const auto &[name, pattern, match] : cases)
        EXPECT_EQ(matchesPattern(name, pattern), match) << name << " " << pattern;
    EXPECT_EQ(QStringList({parentFolder("/a/b"), parentFolder("/a"), parentFolder("/")}),
              QStringList({"/a", "/", ""}));
    EXPECT_EQ(tidyFolderPath("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(tidyFolderPath("/a/b/../../.."), "/");
}

} // namespace
