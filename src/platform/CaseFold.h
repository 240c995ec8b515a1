#pragma once

#include <QString>
#include <QStringView>

// How names compare when letter case is ignored: Unicode simple case folding,
// code point by code point, as case-insensitive disks do. One letter folds to
// one letter: "ß" stays "ß" (it is not "SS"), the ligature "ﬁ" is not "FI";
// "Σ", "σ" and "ς" fold together. A stray byte of a legacy name (a lone
// surrogate, see FileNames) folds to itself.
namespace CaseFold {

char32_t of(char32_t c);
QString folded(QStringView text);
bool equal(QStringView a, QStringView b);

} // namespace CaseFold
