#include "engine/settings/Settings.h"
#include "engine/options/OptionRules.h"
#include "RunFixture.h"

#include <limits>

namespace {

using namespace OptionRules;

Options excluding(bool exactly, bool swap = true, bool exclude = true)
{
    return {.SwapItems = swap, .ExcludeFilesFromSwapping = exclude, .Exactly = exactly};
}

TEST(OptionRules, NumberFieldsTakeDigitsInRangeAndSwapExclusionCountsSecondBoundaries)
{
    EXPECT_TRUE(acceptsTypedCharacter(QLatin1Char('7')) && acceptsTypedCharacter(QChar(8))) << "digits and Backspace";
    for (QChar c : QStringLiteral("a-.\r\x1b") + QChar(0x0663)) // 0x0663: an Arabic-Indic three
        EXPECT_FALSE(acceptsTypedCharacter(c)) << int(c.unicode());
    // The maximum and leading zeros stay; texts only pasting makes (" 5", "+5", an overflow) are no number.
    const std::tuple<Field, const char *, const char *> changes[] = {
        {Field::Hours, "25", ""}, {Field::Minutes, "60", ""}, {Field::Days, "007", "007"}, {Field::Levels, "", ""},
        {Field::Levels, "9999", "9999"}, {Field::Days, " 5", "0"}, {Field::Minutes, "+5", ""},
        {Field::Levels, "99999999999", "0"}};
    for (auto [field, text, after] : changes)
        EXPECT_EQ(afterChange(field, text), after) << text;
    EXPECT_EQ(afterLeaving(""), "0");
    EXPECT_EQ(stepped(Field::Hours, "23", +1), "23");
    EXPECT_EQ(stepped(Field::Levels, "0", -1), "0");
    EXPECT_EQ(stepped(Field::Days, "007", +1), "8");
    EXPECT_EQ(stepped(Field::Minutes, "", +1), "1");
    // Swap exclusion counts second boundaries, not elapsed time: 2 ns across one is a second.
    EXPECT_EQ(secondBoundariesBetween({10, 999999999}, {11, 1}), 1u);
    EXPECT_EQ(secondBoundariesBetween({12, 500}, {10, 999999999}), 2u);
    // Before 1970 the second is the one below: -0.5 s lies in second -1.
    EXPECT_EQ(secondBoundariesBetween({-1, 500000000}, {0, 0}), 1u);
    EXPECT_EQ(secondBoundariesBetween({0, -500000000}, {-1, 0}), 0u) << "unnormalised nanoseconds";
    const auto lo = std::numeric_limits<std::int64_t>::min();
    const auto hi = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(secondBoundariesBetween({lo, 0}, {hi, 0}), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(toleranceSeconds({.Days = 999, .Hours = 23, .Minutes = 59, .Seconds = 59}), 86399999);
    const FileTime a{1000, 900000000}, sameSecond{1000, 0}, nextSecond{1001, 100000000}, hourLater{4600, 0};
    // A zero tolerance: less-than excludes nothing, exactly excludes the same second.
    EXPECT_FALSE(excludedFromSwap(excluding(false), 0, a, sameSecond));
    EXPECT_TRUE(excludedFromSwap(excluding(true), 0, a, sameSecond));
    EXPECT_FALSE(excludedFromSwap(excluding(true), 0, a, nextSecond));
    EXPECT_TRUE(excludedFromSwap(excluding(true), 3600, hourLater, a));
    EXPECT_FALSE(excludedFromSwap(excluding(false), 3600, a, hourLater));
    EXPECT_TRUE(excludedFromSwap(excluding(false), 2, a, nextSecond));
    EXPECT_FALSE(excludedFromSwap(excluding(true, false, true), 0, a, sameSecond)) << "copy mode";
    EXPECT_FALSE(excludedFromSwap(excluding(true, true, false), 0, a, sameSecond));
}

TEST_F(AppFixture, StoredOptionsKeepTheirTextsAndTheRunningCaseRule)
{
    writeBytes(App().SettingsFilePath, "; mine\n[Options]\nLevels=12\nOther=kept\n");
    storeOptions({.WhichItemsToCopy = 3, .WhenFileExists = 2, .CopyStructureOnly = true, .DeleteEmptyFolders = true,
                  .DeleteOnCancel = false, .SwapItems = true, .ExcludeFilesFromSwapping = true, .Exactly = true,
                  .Days = "007", .Hours = "05", .Minutes = "9", .Seconds = "59", .FinalSelection = true,
                  .CaseSensitive = true, .ShowOptions = false, .Levels = "0042"});
    EXPECT_EQ(readBytes(App().SettingsFilePath),
              "; mine\n[Options]\nLevels=42\nOther=kept\nWhichItemsToCopy=3\nCopyStructureOnly=1\nDeleteOnCancel=2\n"
              "DeleteEmptyFolders=1\nSwapItems=1\nExcludeFilesFromSwapping=1\nWhenFileExists=2\nFinalSelection=1\n"
              "CaseSensitive=1\nShowOptions=2\n[DateTimeStamp]\nExactly=1\nDays=007\nHours=05\nMinutes=9\nSeconds=59\n");
    Options want{.WhichItemsToCopy = 3, .WhenFileExists = 2, .CopyStructureOnly = true, .DeleteEmptyFolders = true,
                 .DeleteOnCancel = false, .SwapItems = true, .ExcludeFilesFromSwapping = true, .Exactly = true,
                 .Days = 7, .Hours = 5, .Minutes = 9, .Seconds = 59, .FinalSelection = true,
                 .CaseSensitive = false, .ShowOptions = false, .Levels = 42}; // the case rule of this run stays
    EXPECT_EQ(App().OptionValues, want);
    // The next start reads back what this run now uses, and the new case rule.
    Settings::readOptionValues();
    want.CaseSensitive = true;
    EXPECT_EQ(App().OptionValues, want);
}

using FileTimes = RunFixture;

// Step 4 counts whole seconds: one apart, or a nanosecond across a boundary, is
// newer; within the same second the left copy stands for both.
TEST_F(FileTimes, AWholeSecondApartIsNewerLessIsTheSame)
{
    makeTree(left, {{"second", "L", kBase}, {"under", "L", kBase, 1}, {"across", "L", kBase, 999'999'999}});
    makeTree(right, {{"second", "R", kBase + 1}, {"under", "R", kBase, 999'999'999}, {"across", "R", kBase + 1}});
    EXPECT_EQ(run(false), SyncRun::Outcome::Finished);
    EXPECT_EQ(tree(target), (Tree{{"across", "R"}, {"second", "R"}, {"under", "L"}}));
}

} // namespace
