#include "engine/paths/CaseFold.h"

#include <array>

namespace CaseFold {

namespace {

// Qt's QChar::toCaseFolded is the simple folding; a table for the Basic
// Multilingual Plane spares the lookup for every character of every name.
const std::array<char16_t, 0x10000> &bmpTable()
{
    static const auto table = [] {
        std::array<char16_t, 0x10000> t{};
        for (char32_t c = 0; c < 0x10000; ++c)
            t[c] = char16_t(QChar::isSurrogate(c) ? c : QChar::toCaseFolded(c));
        return t;
    }();
    return table;
}

// The code point at i, and how many UTF-16 units it takes.
char32_t codePointAt(QStringView s, qsizetype i, int *units)
{
    const char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, s[i + 1].unicode());
    }
    *units = 1;
    return c;
}

} // namespace

char32_t ofOther(char32_t c) { return c < 0x10000 ? bmpTable()[c] : QChar::toCaseFolded(c); }

QString folded(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        int units;
        const char32_t c = of(codePointAt(text, i, &units));
        if (c < 0x10000) {
            out.append(QChar(char16_t(c)));
        } else {
            out.append(QChar(QChar::highSurrogate(c)));
            out.append(QChar(QChar::lowSurrogate(c)));
        }
        i += units;
    }
    return out;
}

bool equal(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        int ua, ub;
        if (of(codePointAt(a, i, &ua)) != of(codePointAt(b, j, &ub)))
            return false;
        i += ua;
        j += ub;
    }
    return i == a.size() && j == b.size();
}

} // namespace CaseFold
