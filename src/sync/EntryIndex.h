#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// Finds entries of a list by their case-normalised text (NormalizeCase)
// without keeping a normalised copy of each: the table holds indexes into the
// list, so a list of 100,000 paths costs a few bytes per entry instead of a
// second string each. Each distinct text has one slot with a value of the
// caller's choosing. The list must outlive the index and stay unchanged.
class EntryIndex {
public:
    static constexpr std::size_t kNone = std::size_t(-1);

    EntryIndex(const std::vector<QString> &texts, bool caseSensitive);

    // Adds texts[i]'s key if it is new; returns its slot's value, which
    // starts as kNone and may be changed by the caller.
    std::size_t &slot(std::size_t i);
    // The value of a text's key, or nullptr when no entry has that key.
    std::size_t *find(const QString &text);

private:
    struct Slot {
        std::uint64_t hash;
        std::size_t key; // index of the entry that added it; kNone when free
        std::size_t value;
    };
    static constexpr char16_t kSpecial = 0xFFFF;
    char16_t fold(char16_t c);
    std::uint64_t hashOf(const QString &text);
    bool sameKey(const QString &a, const QString &b);
    Slot *locate(const QString &text, std::uint64_t hash);

    const std::vector<QString> &m_texts;
    bool m_caseSensitive;
    std::vector<Slot> m_slots;
    std::vector<char16_t> m_upper; // each character's upper case; 0 = not looked up yet
};
