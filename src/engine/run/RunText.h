#pragma once

#include <QString>
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
} // namespace RunText
