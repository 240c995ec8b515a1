#pragma once

#include <QString>
#include <QStringView>

// How names compare when letter case is ignored: Unicode simple case folding,
// code point by code point, as case-insensitive disks do. One letter folds to
// one letter: "ß" stays "ß" (it is not "SS"), the ligature "ﬁ" is not "FI";
// "Σ", "σ" and "ς" fold together. A stray byte of a legacy name (a lone
// surrogate, see FileNames) folds to itself.
namespace CaseFold {

char32_t ofOther(char32_t c);
// Inline for the letters most names are made of.
inline char32_t of(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return ofOther(c);
}
QString folded(QStringView text);
bool equal(QStringView a, QStringView b);

} // namespace CaseFold
