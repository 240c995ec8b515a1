#pragma once

#include "engine/fs/Errors.h"

#include <QString>
#include <exception>
#include <new>

// Where an unexpected error arose; shown in the title of the error report.
namespace Loc {
inline constexpr const char *AboutLoad = "149";
inline constexpr const char *Startup = "150";
inline constexpr const char *CreateSavedPathsFile = "151";
inline constexpr const char *LanguageSwitch = "152";
inline constexpr const char *SavePathRecent = "153";
inline constexpr const char *SetInitialPath = "154";
inline constexpr const char *RecallPathLoad = "158";
inline constexpr const char *RecallPathFill = "159";
inline constexpr const char *RecallPathEdit = "160";
inline constexpr const char *MainRefresh = "164";
inline constexpr const char *MainUpOneLevel = "165";
inline constexpr const char *MainOptions = "166";
inline constexpr const char *OptionsLoad = "167";
inline constexpr const char *OptionsOk = "168";
inline constexpr const char *SynchronizeLoad = "169";
inline constexpr const char *SynchronizationRun = "170";
inline constexpr const char *TargetFolderLoad = "171";
inline constexpr const char *MainSynchronize = "172";
inline constexpr const char *TargetFolderOk = "173";
inline constexpr const char *SynchronizeClose = "174";
inline constexpr const char *FinalSelectionLoad = "177";
inline constexpr const char *FileChoiceLoad = "178";
inline constexpr const char *ReminderLoad = "179";
inline constexpr const char *ReminderOk = "180";
} // namespace Loc

// The common error report: one information message in the current language.
void CommonErrorReport(int number, const QString &description, const char *location);
QString errorReportPrompt(int number, const QString &description);
QString errorReportTitle(const char *location);

// Runs an action; an unexpected error ends it and is reported with the
// location code. Returns whether the action ran to its end.
template <class F>
bool guarded(const char *location, F &&action)
{
    try {
        action();
        return true;
    } catch (const AppError &e) {
        CommonErrorReport(e.number(), e.description(), location);
    } catch (const std::bad_alloc &) {
        CommonErrorReport(ErrorCode::OutOfMemory, errorText(ErrorCode::OutOfMemory), location);
    } catch (const std::exception &e) {
        CommonErrorReport(ErrorCode::DeviceIO, QString::fromLocal8Bit(e.what()), location);
    }
    return false;
}
