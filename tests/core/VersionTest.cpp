#include "core/AppState.h"
#include "core/Version.h"

#include <gtest/gtest.h>

namespace {

TEST(Version, ThreeNumbersOfAtLeastFourDigitsAfterTheLanguagesWord)
{
    using Version::number;
    EXPECT_EQ(number("2026.1.0"), "2026.0001.0000");
    EXPECT_EQ(number("12345.00067.8"), "12345.0067.0008") << "long numbers kept, surplus zeros not";
    EXPECT_EQ(number("3"), "0003.0000.0000");
    EXPECT_EQ(number("1.2.3.4"), "0001.0002.0003");

    resetAppState();
    App().LanguageIsGreek = false;
    EXPECT_EQ(Version::line(), "Version " + number(ORVANEL_VERSION));
    App().LanguageIsGreek = true;
    EXPECT_EQ(Version::line(), "Έκδοση " + number(ORVANEL_VERSION));
    resetAppState();
}

} // namespace
