#include "engine/settings/Settings.h"
#include "engine/settings/Startup.h"
#include "engine/fs/FileNames.h"
#include "AppFixture.h"

#include <sys/stat.h>

namespace {

class SettingsFile : public AppFixture {
protected:
    Options load(const QByteArray &text)
    {
        writeBytes(App().SettingsFilePath, text);
        Settings::readOptionValues();
        return App().OptionValues;
    }
};

TEST_F(SettingsFile, NoFileGivesEveryStartUpValueRemindersGoOffAndGreekIsChosenOnlyByZero)
{
    Settings::readReminderSwitches();
    Settings::readInitialPaths();
    Settings::readOptionValues();
    EXPECT_EQ(App().OptionValues, Options());
    EXPECT_EQ(App().ReminderSwitches, Reminders());
    EXPECT_TRUE(Settings::readLanguageIsGreek());
    EXPECT_FALSE(QFileInfo::exists(App().SettingsFilePath)) << "reading creates nothing";
    writeBytes(App().SettingsFilePath, "[warnings]\noptions=0\nMANUAL=abc\n[General]\nLanguage=abc\n");
    Settings::readReminderSwitches();
    Reminders expected;
    expected.Options = expected.Manual = false; // a text that is no number reads as 0
    EXPECT_EQ(App().ReminderSwitches, expected);
    EXPECT_TRUE(Settings::readLanguageIsGreek());
    for (const char *v : {"1", "-1", "0.5"}) {
        writeBytes(App().SettingsFilePath, QByteArray("[General]\nLanguage=") + v + "\n");
        EXPECT_FALSE(Settings::readLanguageIsGreek()) << v;
    }
}

TEST_F(SettingsFile, IntegerKeysTakeOnlyValuesInTheirRangeAndFlagsFollowTheirTwoEncodings)
{
    const Options o = load("[Options]\nLevels=12345\nWhichItemsToCopy=2.5\nWhenFileExists=3.5\n"
                     "DeleteOnCancel=0\nShowOptions=2\nSwapItems=2\nCaseSensitive=1\nCopyStructureOnly=1.0\n"
                     "[DateTimeStamp]\nDays=1000\nHours=+07\nMinutes=\nSeconds=58.5\nExactly=1\n");
    // Only four characters are read; 3.5 lies outside 1..3; 58.5 rounds to even; only 1 sets a flag, only 2 clears
    // DeleteOnCancel and ShowOptions.
    EXPECT_EQ(o, (Options{.WhichItemsToCopy = 2, .CopyStructureOnly = true, .Exactly = true, .Hours = 7, .Seconds = 58,
                          .CaseSensitive = true, .ShowOptions = false, .Levels = 1234}));
    EXPECT_EQ(load("[DateTimeStamp]\nSeconds=59.4\n").Seconds, 0) << "the range is checked before rounding";
    EXPECT_EQ(load("[DateTimeStamp]\nDays=-1\n").Days, 0) << "a negative number is out of range";
    EXPECT_EQ(load("[Options]\nWhichItemsToCopy=3.5\n").WhichItemsToCopy, 4);
    EXPECT_EQ(load("[Options]\nWhichItemsToCopy=0\n").WhichItemsToCopy, 5);
    EXPECT_FALSE(load("[Options]\nDeleteOnCancel=2\n").DeleteOnCancel);
}

TEST_F(SettingsFile, InitialPathsAreCutTo1023BytesOnACharacterBoundary)
{
    const QByteArray longPath = "/" + QByteArray(1099, 'a');
    const QByteArray greek = "/" + QByteArray(1021, 'b') + "φάκελλος";
    writeBytes(App().SettingsFilePath, "[General]\nLeftInitialPath=" + longPath + "\nRightInitialPath=" + greek + "\n");
    Settings::readInitialPaths();
    EXPECT_EQ(App().InitialPath[0], QString::fromLatin1(longPath.left(1023)));
    // byte 1023 falls inside the two-byte φ: the broken half is dropped
    EXPECT_EQ(App().InitialPath[1], QString::fromUtf8(greek.left(1022)));
    // A stray byte of a legacy name is a whole character: kept at the end, and cut as one.
    const QByteArray legacy = "/" + QByteArray(1021, 'c') + kLegacyName;
    writeBytes(App().SettingsFilePath, "[General]\nLeftInitialPath=" + legacy.left(1023) + "\nRightInitialPath=" + legacy + "\n");
    Settings::readInitialPaths();
    EXPECT_EQ(FileNames::toBytes(App().InitialPath[0]), legacy.left(1023));
    EXPECT_EQ(FileNames::toBytes(App().InitialPath[1]), legacy.left(1023));
}

} // namespace

TEST_F(SettingsFile, AFifoOrAFolderInPlaceOfASettingsFileIsReportedReadAsMissingAndNeverReplaced)
{
    Startup::computeFileLocations(tmp.path(), tmp.path());
    ASSERT_EQ(::mkfifo(FileNames::toBytes(App().SettingsFilePath).constData(), 0644), 0);
    ASSERT_TRUE(QDir().mkpath(App().SavedPathsFile[0]));
    Settings::readOptionValues(); // would block on the FIFO for ever
    EXPECT_EQ(App().OptionValues, Options());
    EXPECT_FALSE(Settings::write("General", "Language", "1"));
    struct stat st {};
    EXPECT_TRUE(::stat(FileNames::toBytes(App().SettingsFilePath).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    const QString message = Startup::settingsFilesInTheWay();
    EXPECT_TRUE(message.contains("Orvanel.ini") && message.contains("SavedLeftPaths.txt")
                && !message.contains("SavedRightPaths.txt"))
        << message.toStdString();
}
