#include "core/AppState.h"
#include "core/Settings.h"
#include "platform/FileNames.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    void SetUp() override
    {
        resetAppState();
        App().SettingsFilePath = dir.filePath("Orvanel.ini");
    }
    void TearDown() override { resetAppState(); }
    void file(const QByteArray &text) { writeBytes(App().SettingsFilePath, text); }
    Options load()
    {
        Settings::readOptionValues();
        return App().OptionValues;
    }
};

TEST(NumericValue, ReadsTheLeadingNumber)
{
    using Settings::numericValue;
    EXPECT_EQ(numericValue("12"), 12);
    EXPECT_EQ(numericValue("  07"), 7);
    EXPECT_EQ(numericValue("\t+3.5x"), 3.5);
    EXPECT_EQ(numericValue("-1"), -1);
    EXPECT_EQ(numericValue(".25"), 0.25);
    EXPECT_EQ(numericValue("abc"), 0);
    EXPECT_EQ(numericValue(""), 0);
    EXPECT_EQ(numericValue("-"), 0);
    EXPECT_EQ(numericValue("1e3"), 1);
}

TEST(NumericValue, RoundsHalvesToEven)
{
    using Settings::roundHalfEven;
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(2.4), 2);
    EXPECT_EQ(roundHalfEven(2.6), 3);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
}

TEST_F(SettingsFile, NoFileGivesEveryStartUpValue)
{
    Settings::readReminderSwitches();
    Settings::readInitialPaths();
    EXPECT_EQ(load(), Options());
    EXPECT_EQ(App().ReminderSwitches, Reminders());
    EXPECT_TRUE(Settings::readLanguageIsGreek());
    EXPECT_EQ(App().InitialPath[0], QString());
    EXPECT_FALSE(QFileInfo::exists(App().SettingsFilePath)) << "reading creates nothing";
}

TEST_F(SettingsFile, IntegerKeysTakeOnlyValuesInTheirRange)
{
    file("[Options]\nLevels=12345\nWhichItemsToCopy=2.5\nWhenFileExists=3.5\n"
         "[DateTimeStamp]\nDays=1000\nHours=07\nMinutes=\nSeconds=58.5\n");
    Options o = load();
    EXPECT_EQ(o.Levels, 1234) << "only four characters are read";
    EXPECT_EQ(o.WhichItemsToCopy, 2);
    EXPECT_EQ(o.WhenFileExists, 1) << "3.5 lies outside 1..3";
    EXPECT_EQ(o.Days, 0);
    EXPECT_EQ(o.Hours, 7);
    EXPECT_EQ(o.Minutes, 0);
    EXPECT_EQ(o.Seconds, 58);

    file("[DateTimeStamp]\nSeconds=59.4\nHours=-0.4\n");
    EXPECT_EQ(load().Seconds, 0) << "the range is checked before rounding";
    EXPECT_EQ(App().OptionValues.Hours, 0);
    file("[Options]\nWhichItemsToCopy=3.5\n");
    EXPECT_EQ(load().WhichItemsToCopy, 4);
    file("[Options]\nWhichItemsToCopy=0\n");
    EXPECT_EQ(load().WhichItemsToCopy, 5);
    file("[Options]\nWhichItemsToCopy=6\n");
    EXPECT_EQ(load().WhichItemsToCopy, 5);
}

TEST_F(SettingsFile, FlagsFollowTheirTwoEncodings)
{
    file("[Options]\nDeleteOnCancel=0\nShowOptions=2\nSwapItems=2\nCaseSensitive=1\n"
         "CopyStructureOnly=1.0\n[DateTimeStamp]\nExactly=1\n");
    Options o = load();
    EXPECT_TRUE(o.DeleteOnCancel);
    EXPECT_FALSE(o.ShowOptions);
    EXPECT_FALSE(o.SwapItems);
    EXPECT_TRUE(o.CaseSensitive);
    EXPECT_TRUE(o.CopyStructureOnly);
    EXPECT_TRUE(o.Exactly);
    file("[Options]\nDeleteOnCancel=2\n");
    EXPECT_FALSE(load().DeleteOnCancel);
}

TEST_F(SettingsFile, RemindersAreSwitchedOffByZeroWhateverTheCase)
{
    file("[warnings]\noptions=0\nMANUAL=abc\n");
    Settings::readReminderSwitches();
    Reminders expected;
    expected.Options = false;
    expected.Manual = false; // a text that is no number reads as 0
    EXPECT_EQ(App().ReminderSwitches, expected);
}

TEST_F(SettingsFile, LanguageIsGreekOnlyForZero)
{
    for (const char *v : {"0", "", "abc", "0.0"}) {
        file(QByteArray("[General]\nLanguage=") + v + "\n");
        EXPECT_TRUE(Settings::readLanguageIsGreek()) << v;
    }
    for (const char *v : {"1", "2", "-1"}) {
        file(QByteArray("[General]\nLanguage=") + v + "\n");
        EXPECT_FALSE(Settings::readLanguageIsGreek()) << v;
    }
}

TEST_F(SettingsFile, InitialPathsAreCutTo1023BytesOnACharacterBoundary)
{
    const QByteArray longPath = "/" + QByteArray(1099, 'a');
    const QByteArray greek = "/" + QByteArray(1021, 'b') + "φάκελλος";
    file("[General]\nLeftInitialPath=" + longPath + "\nRightInitialPath=" + greek + "\n");
    Settings::readInitialPaths();
    EXPECT_EQ(App().InitialPath[0], QString::fromLatin1(longPath.left(1023)));
    // byte 1023 falls inside the two-byte φ: the broken half is dropped
    EXPECT_EQ(App().InitialPath[1], QString::fromUtf8(greek.left(1022)));

    // A stray byte of a legacy name is a whole character: kept at the end, and cut as one.
    const QByteArray legacy = "/" + QByteArray(1021, 'c') + kLegacyName;
    file("[General]\nLeftInitialPath=" + legacy.left(1023) + "\nRightInitialPath=" + legacy + "\n");
    Settings::readInitialPaths();
    EXPECT_EQ(FileNames::toBytes(App().InitialPath[0]), legacy.left(1023));
    EXPECT_EQ(FileNames::toBytes(App().InitialPath[1]), legacy.left(1023));
}

TEST_F(SettingsFile, WriteIsSilentWhenItFails)
{
    App().SettingsFilePath = dir.filePath("missing/Orvanel.ini");
    EXPECT_FALSE(Settings::write("General", "Language", "1"));
}

} // namespace
