#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// Finds entries of a list by their matching text without keeping a copy of
// each: the table holds indexes into the list, so a list of 100,000 paths
// costs a few bytes per entry instead of a second string each. Each distinct
// text has one slot with a value of the caller's choosing. The texts must
// outlive the index and stay unchanged.
class EntryIndex {
public:
    static constexpr std::size_t kNone = std::size_t(-1);
    // The matching text of entry i (its own text, or the spelling it shares
    // with the other side when letter case is ignored).
    using KeyOf = std::function<const QString &(std::size_t)>;

    EntryIndex(std::size_t count, KeyOf keyOf);

    // Adds entry i's text if it is new; returns its slot's value, which
    // starts as kNone and may be changed by the caller.
    std::size_t &slot(std::size_t i);
    // The value of a text, or nullptr when no entry has that text.
    std::size_t *find(const QString &text);

private:
    struct Slot {
        std::uint64_t hash;
        std::size_t key; // index of the entry that added it; kNone when free
        std::size_t value;
    };
    Slot *locate(const QString &text, std::uint64_t hash);

    KeyOf m_keyOf;
    std::vector<Slot> m_slots;
};
