#pragma once

#include <QDateTime>
#include <QString>
#include <cstddef>
#include <cstdint>

// Texts and numbers as a run shows them.
namespace RunText {
// "#,###,###,##0": digits grouped in thousands with the locale's separator.
QString formatCount(std::int64_t value);
// The percentage of a progress bar: position/last as a whole number, halves to
// even, 100 when last < 1, kept within 0..100.
int progressPercent(std::int64_t position, std::int64_t last);
QString stepTitle(int step, bool swapping);
// The totals line of a finished run.
QString countersLine(std::int64_t folders, std::int64_t files, std::int64_t bytes);
QString noItemsPrompt(bool swapping);
QString noItemsTitle();
// The notice of temporary files of killed runs that a run removed.
QString leftoversRemoved(int count);
// "1,234 bytes" in the current language.
QString bytes(std::int64_t count);

// Undo data.
// A side's disk has no room for the old versions a swap keeps.
QString noRoomForUndo(int side, std::int64_t needed, std::int64_t free);
// The window's question about a run on the same folders that was cut short.
QString cutShortQuestion(const QDateTime &started, std::int64_t held);
// Before the window of a stopped swap closes.
QString undoStoppedRunQuestion(std::int64_t held);
QString undoTitle();
// What an undo did.
QString undoneText(bool complete, std::size_t skipped);
} // namespace RunText
