#include "EntryIndex.h"

namespace {

constexpr std::uint64_t kFnvBasis = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

std::uint64_t mix(std::uint64_t h, char16_t c) { return (h ^ c) * kFnvPrime; }
std::uint64_t finish(std::uint64_t h) { return h ^ (h >> 29); }

std::uint64_t plainHash(const QString &text)
{
    std::uint64_t h = kFnvBasis;
    for (const QChar c : text)
        h = mix(h, c.unicode());
    return finish(h);
}

} // namespace

EntryIndex::EntryIndex(const std::vector<QString> &texts, bool caseSensitive)
    : m_texts(texts), m_caseSensitive(caseSensitive)
{
    // A third of the slots stay free: probes stay short without doubling the table.
    m_slots.assign(texts.size() + texts.size() / 2 + 16, Slot{0, kNone, kNone});
    if (!caseSensitive)
        m_upper.assign(0x10000, 0);
}

// NormalizeCase upper-cases the whole text; character by character gives the
// same result, except that a few characters become two or more ("ß" → "SS")
// and surrogate pairs belong together. Those texts take the whole-text path.
// The others are folded through a table filled as characters are met, which
// spares Unicode's tables (and an allocation) for every path with a Greek name.
char16_t EntryIndex::fold(char16_t c)
{
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? char16_t(c - 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return kSpecial;
    char16_t &u = m_upper[c];
    if (u == 0) {
        const QString upper = QString(QChar(c)).toUpper();
        u = upper.size() == 1 && upper[0].unicode() != kSpecial ? upper[0].unicode() : kSpecial;
    }
    return u;
}

std::uint64_t EntryIndex::hashOf(const QString &text)
{
    if (m_caseSensitive)
        return plainHash(text);
    std::uint64_t h = kFnvBasis;
    for (const QChar c : text) {
        const char16_t u = fold(c.unicode());
        if (u == kSpecial)
            return plainHash(text.toUpper());
        h = mix(h, u);
    }
    return finish(h);
}

bool EntryIndex::sameKey(const QString &a, const QString &b)
{
    if (m_caseSensitive)
        return a == b;
    if (a.size() == b.size()) {
        for (qsizetype i = 0; i < a.size(); ++i) {
            const char16_t x = fold(a[i].unicode()), y = fold(b[i].unicode());
            if (x == kSpecial || y == kSpecial)
                return a.toUpper() == b.toUpper();
            if (x != y)
                return false;
        }
        return true;
    }
    // Different lengths can only meet through a character that grows.
    for (const QString *t : {&a, &b})
        for (const QChar c : *t)
            if (fold(c.unicode()) == kSpecial)
                return a.toUpper() == b.toUpper();
    return false;
}

EntryIndex::Slot *EntryIndex::locate(const QString &text, std::uint64_t hash)
{
    const std::size_t n = m_slots.size();
    // Maps the hash's top half onto the table without a division.
    std::size_t at = std::size_t((std::uint64_t(std::uint32_t(hash >> 32)) * n) >> 32);
    for (;; at = at + 1 == n ? 0 : at + 1) {
        Slot &s = m_slots[at];
        if (s.key == kNone || (s.hash == hash && sameKey(m_texts[s.key], text)))
            return &s;
    }
}

std::size_t &EntryIndex::slot(std::size_t i)
{
    const QString &text = m_texts[i];
    const std::uint64_t hash = hashOf(text);
    Slot *s = locate(text, hash);
    if (s->key == kNone) {
        s->hash = hash;
        s->key = i;
    }
    return s->value;
}

std::size_t *EntryIndex::find(const QString &text)
{
    Slot *s = locate(text, hashOf(text));
    return s->key == kNone ? nullptr : &s->value;
}
