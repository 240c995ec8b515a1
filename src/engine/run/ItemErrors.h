#pragma once

#include "engine/fs/Errors.h"
#include "engine/fs/FileOps.h"
#include "engine/run/SkippedItems.h"

#include <QString>

// What an error on one item does to a run. Most belong to the item alone: it
// is reported as skipped and the run goes on. The rest (a full disk, a failing
// device) stop the run and reach the common error report.
namespace ItemErrors {

// Step 5 could not read source or write destRel under to: reports the item
// with the reason the error gives, or rethrows what must stop the run.
void skipOrStop(SkippedItems &skipped, const QString &source, FileOps::Tree &to, const QString &destRel,
                const AppError &e);

// A folder the empty-folder step could not remove stays as it is and is no
// fault of the run: not empty, in use, refused (error 75), gone, or no longer
// a folder.
bool folderStays(const AppError &e);

} // namespace ItemErrors
