#include "core/AppState.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "mainwindow/CloseRefusal.h"
#include "platform/Errors.h"
#include "ScriptedMessages.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
    void TearDown() override { resetAppState(); }
    ScriptedMessages box;
};

TEST_F(Messages, ErrorReportBeforeTheFirstSwitchHasAnEmptyTitle)
{
    CommonErrorReport(53, "File not found", Loc::Startup);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, ", 150.");
    EXPECT_EQ(box.shown[0].style, 64);
}

TEST_F(Messages, ErrorReportInBothLanguages)
{
    Language::applyState(Language::English);
    CommonErrorReport(75, "Path/File access error", Loc::LanguageSwitch);
    Language::applyState(Language::Greek);
    CommonErrorReport(75, "Path/File access error", Loc::Startup);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].title, "Folder synchronization, 152.");
    EXPECT_EQ(box.shown[0].prompt,
              "Error condition 75 with the description 'Path/File access error' has occured.\r\n\r\n"
              "The application cannot perform the requested operation.");
    EXPECT_EQ(box.shown[1].title, "Συγχρονισμός φακέλλων, 150.");
    EXPECT_EQ(box.shown[1].prompt,
              "Παρουσιάσθηκε το σφάλμα με αριθμό 75 και περιγραφή «Path/File access error».\r\n\r\n"
              "Η εφαρμογή δεν μπορεί να εκτελέσει την εργασία που ζητήσατε.");
}

TEST_F(Messages, GuardedEndsTheActionAndReportsWithItsCode)
{
    Language::applyState(Language::English);
    bool after = false;
    EXPECT_FALSE(guarded(Loc::MainRefresh, [&] {
        throw AppError::fromErrno(ENOTEMPTY, "/tmp/x");
        after = true;
    }));
    EXPECT_FALSE(after);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].title, "Folder synchronization, 164.");
    EXPECT_TRUE(box.shown[0].prompt.startsWith("Error condition 75 with the description '"));
    EXPECT_TRUE(box.shown[0].prompt.contains("/tmp/x"));
    EXPECT_TRUE(guarded(Loc::MainRefresh, [] {}));
    EXPECT_EQ(box.shown.size(), 1u);
}

TEST(ErrorNumbers, ErrnoMapsOntoTheProgramsNumbers)
{
    EXPECT_EQ(errorNumberForErrno(ENOENT), 53);
    EXPECT_EQ(errorNumberForErrno(ENOTDIR), 76);
    EXPECT_EQ(errorNumberForErrno(EACCES), 70);
    EXPECT_EQ(errorNumberForErrno(ENOSPC), 61);
    EXPECT_EQ(errorNumberForErrno(EIO), 57);
    EXPECT_EQ(errorNumberForErrno(ENOTEMPTY), 75);
    EXPECT_EQ(errorNumberForErrno(EEXIST), 75);
    // An unknown failure must not look like the silently absorbed 75.
    EXPECT_NE(errorNumberForErrno(EPROTO), 75);
    EXPECT_EQ(errorText(35601), "Element not found");
}

TEST_F(Messages, CloseFromTheControlMenuIsRefusedInTheCurrentLanguage)
{
    Language::applyState(Language::English);
    EXPECT_TRUE(CloseRefusal(CloseReason::ControlMenu));
    Language::applyState(Language::Greek);
    EXPECT_TRUE(CloseRefusal(CloseReason::ControlMenu));
    EXPECT_FALSE(CloseRefusal(CloseReason::Other));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].prompt,
              "For technical reasons, it is impossible to close the form, using the control menu.");
    EXPECT_EQ(box.shown[0].title, "Closing form");
    EXPECT_EQ(box.shown[0].style, 64);
    EXPECT_EQ(box.shown[1].prompt,
              "Για τεχνικούς λόγους, το κλείσιμο της φόρμας από το μενού ελέγχου, δεν επιτρέπεται.");
    EXPECT_EQ(box.shown[1].title, "Κλείσιμο φόρμας");
}

} // namespace
