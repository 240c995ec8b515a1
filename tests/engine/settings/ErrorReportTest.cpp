#include "engine/settings/ErrorReport.h"
#include "engine/settings/Language.h"
#include "engine/settings/Version.h"
#include "engine/settings/CloseRefusal.h"
#include "engine/fs/Errors.h"
#include "AppFixture.h"

#include <cerrno>

namespace {

using Messages = AppFixture;

TEST_F(Messages, ErrorReportsAndTheCloseRefusalSpeakTheCurrentLanguageAndVersionsArePadded)
{
    CommonErrorReport(53, "File not found", Loc::Startup);
    EXPECT_TRUE(box.text(0).starts_with(", 150. | 64 | ")) << "before the first switch the title is empty";
    Language::applyState(Language::English);
    CommonErrorReport(75, "Path/File access error", Loc::LanguageSwitch);
    EXPECT_EQ(box.text(1), "Folder synchronization, 152. | 64 | Error condition 75 with the description "
                           "'Path/File access error' has occured.\r\n\r\nThe application cannot perform the "
                           "requested operation.");
    Language::applyState(Language::Greek);
    CommonErrorReport(75, "Path/File access error", Loc::Startup);
    EXPECT_EQ(box.text(2), "Συγχρονισμός φακέλλων, 150. | 64 | Παρουσιάσθηκε το σφάλμα με αριθμό 75 και περιγραφή "
                           "«Path/File access error».\r\n\r\nΗ εφαρμογή δεν μπορεί να εκτελέσει την εργασία που "
                           "ζητήσατε.");
    // The control menu's Close is refused, in the current language.
    Language::applyState(Language::English);
    EXPECT_TRUE(CloseRefusal(CloseReason::ControlMenu));
    Language::applyState(Language::Greek);
    EXPECT_TRUE(CloseRefusal(CloseReason::ControlMenu));
    EXPECT_FALSE(CloseRefusal(CloseReason::Other));
    EXPECT_EQ(box.text(3), "Closing form | 64 | For technical reasons, it is impossible to close the form, using the "
                           "control menu.");
    EXPECT_EQ(box.text(4), "Κλείσιμο φόρμας | 64 | Για τεχνικούς λόγους, το κλείσιμο της φόρμας από το μενού ελέγχου, "
                           "δεν επιτρέπεται.");
    EXPECT_EQ(box.shown.size(), 5u);
    // The version: three numbers of at least four digits.
    using Version::number;
    EXPECT_EQ(number("2026.1.0"), "2026.0001.0000");
    EXPECT_EQ(number("12345.00067.8"), "12345.0067.0008") << "long numbers kept, surplus zeros not";
    EXPECT_EQ(number("3"), "0003.0000.0000");
    EXPECT_EQ(number("1.2.3.4"), "0001.0002.0003");
}

TEST_F(Messages, ErrnoMapsOntoTheProgramsNumbersAndGuardedEndsTheActionWithItsCode)
{
    Language::applyState(Language::English);
    bool after = false;
    EXPECT_FALSE(guarded(Loc::MainRefresh, [&] {
        throw AppError::fromErrno(ENOTEMPTY, "/tmp/x");
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_TRUE(box.text(0).starts_with("Folder synchronization, 164. | 64 | Error condition 75 with the description '"));
    EXPECT_TRUE(box.shown[0].prompt.contains("/tmp/x"));
    EXPECT_TRUE(guarded(Loc::MainRefresh, [] {}));
    EXPECT_EQ(box.shown.size(), 1u);
    for (auto [err, number] : {std::pair{ENOENT, 53}, {ENOTDIR, 76}, {EACCES, 70}, {ENOSPC, 61}, {EIO, 57},
                               {ENOTEMPTY, 75}, {EEXIST, 75}})
        EXPECT_EQ(errorNumberForErrno(err), number) << err;
    EXPECT_NE(errorNumberForErrno(EPROTO), 75) << "an unknown failure must not look like the silently absorbed 75";
    EXPECT_EQ(errorText(35601), "Element not found");
}

} // namespace
