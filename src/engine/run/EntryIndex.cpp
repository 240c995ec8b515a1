#include "engine/run/EntryIndex.h"

namespace {

std::uint64_t hashOf(const QString &text)
{
    std::uint64_t h = 14695981039346656037ULL;
    for (const QChar c : text)
        h = (h ^ c.unicode()) * 1099511628211ULL;
    return h ^ (h >> 29);
}

} // namespace

EntryIndex::EntryIndex(std::size_t count, KeyOf keyOf) : m_keyOf(std::move(keyOf))
{
    // A third of the slots stay free: probes stay short without doubling the table.
    m_slots.assign(count + count / 2 + 16, Slot{0, kNone, kNone});
}

EntryIndex::Slot *EntryIndex::locate(const QString &text, std::uint64_t hash)
{
    const std::size_t n = m_slots.size();
    // Maps the hash's top half onto the table without a division.
    std::size_t at = std::size_t((std::uint64_t(std::uint32_t(hash >> 32)) * n) >> 32);
    for (;; at = at + 1 == n ? 0 : at + 1) {
        Slot &s = m_slots[at];
        if (s.key == kNone || (s.hash == hash && m_keyOf(s.key) == text))
            return &s;
    }
}

std::size_t &EntryIndex::slot(std::size_t i)
{
    const QString &text = m_keyOf(i);
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
