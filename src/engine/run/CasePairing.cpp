#include "engine/run/CasePairing.h"

#include "engine/paths/CaseFold.h"

#include <algorithm>
#include <cstdint>

namespace {

using Id = ItemStore::Id;
constexpr Id kNone = ItemStore::kNone;
constexpr std::uint64_t kFnvBasis = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

std::uint64_t mix(std::uint64_t h, std::uint64_t c) { return (h ^ c) * kFnvPrime; }

// One spelling met at some depth: its side and item. The hash covers its
// folder (as paired) and its name (folded where case is ignored), so
// spellings that may be one item sort next to each other.
struct Spelling {
    std::uint64_t hash;
    Id id;
    std::uint8_t side;
};

} // namespace

void CasePairing::clear()
{
    for (auto &d : dropped)
        d.clear();
    clashes.clear();
}

// One call of pair(): the items, depth by depth, and what has been settled so far.
struct CasePairing::Pass {
    CasePairing &out;
    ItemStore *stores[2];
    bool fold;
    std::vector<std::vector<Id>> byDepth[2];
    std::vector<bool> isDropped[2];

    // An item's folder as one number for both sides: a left folder, or the
    // twin of a right one; a right folder without a twin counts apart.
    std::uint64_t folderKey(int side, Id id) const
    {
        const Id p = stores[side]->parent(id);
        if (side == 0)
            return p;
        const Id twin = stores[1]->twin(p);
        return twin != kNone ? twin : (std::uint64_t(1) << 32) | p;
    }

    QStringView nameOf(const Spelling &s) const { return stores[s.side]->name(s.id); }
    bool folderOf(const Spelling &s) const { return stores[s.side]->isFolder(s.id); }

    std::uint64_t hashOf(int side, Id id) const
    {
        std::uint64_t h = mix(kFnvBasis, folderKey(side, id));
        const QStringView name = stores[side]->name(id);
        if (!fold) {
            for (const QChar c : name)
                h = mix(h, c.unicode());
            return h;
        }
        for (qsizetype k = 0; k < name.size(); ++k) {
            char32_t c = name[k].unicode();
            if (QChar::isHighSurrogate(c) && k + 1 < name.size() && name[k + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), name[++k].unicode());
            h = mix(h, CaseFold::of(c));
        }
        return h;
    }

    bool sameName(QStringView a, QStringView b) const { return fold ? CaseFold::equal(a, b) : a == b; }

    void twins(const Spelling &l, const Spelling &r)
    {
        stores[0]->setTwin(l.id, r.id);
        stores[1]->setTwin(r.id, l.id);
    }

    void drop(int side, Id id, bool report)
    {
        out.dropped[side].push_back(id);
        if (report)
            out.clashes.push_back({side, id});
        isDropped[side][id] = true;
    }

    void sortByDepth()
    {
        for (int side = 0; side < 2; ++side) {
            const ItemStore &s = *stores[side];
            std::vector<std::uint32_t> depth(s.size(), 0);
            for (Id id = 1; id < s.size(); ++id) {
                const Id p = s.parent(id);
                depth[id] = p == ItemStore::kRoot ? 0 : depth[p] + 1;
                if (byDepth[side].size() <= depth[id])
                    byDepth[side].resize(depth[id] + 1);
                byDepth[side][depth[id]].push_back(id);
            }
        }
    }

    // The spellings of one depth, sorted so that those that may be one item
    // lie next to each other; items inside a dropped folder go with it.
    void spellingsAt(std::size_t depth, std::vector<Spelling> &met)
    {
        met.clear();
        for (int side = 0; side < 2; ++side) {
            if (depth >= byDepth[side].size())
                continue;
            for (const Id id : byDepth[side][depth]) {
                if (isDropped[side][stores[side]->parent(id)]) {
                    drop(side, id, false); // reported with its folder
                    continue;
                }
                met.push_back({hashOf(side, id), id, std::uint8_t(side)});
            }
            std::vector<Id>().swap(byDepth[side][depth]);
        }
        std::sort(met.begin(), met.end(), [](const Spelling &a, const Spelling &b) {
            return a.hash != b.hash ? a.hash < b.hash : a.side != b.side ? a.side < b.side : a.id < b.id;
        });
    }

    // The spellings met[first, end) share a hash.
    void settleRun(const std::vector<Spelling> &met, std::size_t first, std::size_t end)
    {
        // The usual cases: an item of one side only, or the same item on both.
        if (end - first == 1)
            return;
        const Spelling &a = met[first], &b = met[first + 1];
        if (end - first == 2 && a.side == 0 && b.side == 1 && folderOf(a) == folderOf(b) && nameOf(a) == nameOf(b)
            && folderKey(0, a.id) == folderKey(1, b.id)) {
            twins(a, b);
            return;
        }
        // Otherwise sort the run into groups of one folder and one name (a
        // shared hash may still hide two groups), and settle each.
        std::vector<bool> taken(end - first, false);
        for (std::size_t g = first; g < end; ++g) {
            if (taken[g - first])
                continue;
            std::vector<Spelling> group[2];
            const std::uint64_t folder = folderKey(met[g].side, met[g].id);
            const QStringView name = nameOf(met[g]);
            for (std::size_t k = g; k < end; ++k) {
                if (taken[k - first] || !sameName(nameOf(met[k]), name) || folderKey(met[k].side, met[k].id) != folder)
                    continue;
                taken[k - first] = true;
                group[met[k].side].push_back(met[k]); // in list order: met is sorted so
            }
            settleGroup(group);
        }
    }

    // One folder's spellings of one name, per side: exact spellings pair
    // first, then any; where case is ignored, what is left clashes where the
    // name is taken.
    void settleGroup(const std::vector<Spelling> (&group)[2])
    {
        std::vector<int> partner[2]; // index into the other side's group, or -1
        for (int side = 0; side < 2; ++side)
            partner[side].assign(group[side].size(), -1);
        auto pairUp = [&](bool exact) {
            for (std::size_t l = 0; l < group[0].size(); ++l) {
                if (partner[0][l] >= 0)
                    continue;
                for (std::size_t r = 0; r < group[1].size(); ++r) {
                    if (partner[1][r] >= 0 || folderOf(group[0][l]) != folderOf(group[1][r])
                        || (exact && nameOf(group[0][l]) != nameOf(group[1][r])))
                        continue;
                    partner[0][l] = int(r);
                    partner[1][r] = int(l);
                    twins(group[0][l], group[1][r]);
                    break;
                }
            }
        };
        pairUp(true);
        if (!fold)
            return;
        pairUp(false);
        bool anyPair = false;
        for (const int p : partner[0])
            anyPair = anyPair || p >= 0;
        for (int side = 0; side < 2; ++side)
            for (std::size_t k = 0; k < group[side].size(); ++k) {
                if (partner[side][k] >= 0)
                    continue;
                bool clash = anyPair || k > 0; // k > 0: an earlier spelling of its own side
                for (const Spelling &other : group[1 - side])
                    clash = clash || nameOf(other) != nameOf(group[side][k]);
                if (clash)
                    drop(side, group[side][k].id, true);
            }
    }
};

void CasePairing::pair(ItemStore &left, ItemStore &right, bool foldCase)
{
    clear();
    Pass pass{*this, {&left, &right}, foldCase, {}, {}};
    for (int side = 0; side < 2; ++side) {
        ItemStore &s = *pass.stores[side];
        for (Id id = 0; id < s.size(); ++id)
            s.setTwin(id, kNone);
        pass.isDropped[side].assign(s.size(), false);
    }
    left.setTwin(ItemStore::kRoot, ItemStore::kRoot);
    right.setTwin(ItemStore::kRoot, ItemStore::kRoot);
    // Parents are settled before their children: depth by depth.
    pass.sortByDepth();
    std::vector<Spelling> met;
    const std::size_t depths = std::max(pass.byDepth[0].size(), pass.byDepth[1].size());
    for (std::size_t depth = 0; depth < depths; ++depth) {
        pass.spellingsAt(depth, met);
        for (std::size_t first = 0; first < met.size();) {
            std::size_t end = first + 1;
            while (end < met.size() && met[end].hash == met[first].hash)
                ++end;
            pass.settleRun(met, first, end);
            first = end;
        }
    }
    for (auto &d : dropped)
        std::sort(d.begin(), d.end());
    std::sort(clashes.begin(), clashes.end(), [](const Clash &a, const Clash &b) {
        return a.side != b.side ? a.side < b.side : a.id < b.id;
    });
}
