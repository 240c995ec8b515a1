#include "engine/run/CasePairing.h"

#include "engine/paths/CaseFold.h"

#include <QSet>
#include <algorithm>
#include <cstdint>

namespace {

constexpr std::uint64_t kFnvBasis = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

std::uint64_t mix(std::uint64_t h, char32_t c) { return (h ^ c) * kFnvPrime; }

// One spelling met at some depth: its side and index. The hash covers its
// folder (as paired) and its folded name, so spellings that may be one item
// sort next to each other.
struct Spelling {
    std::uint64_t hash;
    std::uint32_t index;
    std::uint8_t side;
};

QStringView pathOf(const QString &entry) { return QStringView(entry).mid(1); }

// Position of the last "/" of an entry's path, or 0 (the marker) when it has none.
qsizetype lastSlash(const QString &entry)
{
    const QChar *p = entry.constData();
    qsizetype i = entry.size();
    while (--i > 0 && p[i] != u'/') {
    }
    return i;
}

QStringView nameOf(const QString &entry) { return QStringView(entry).mid(lastSlash(entry) + 1); }

QStringView folderOf(const QString &entry)
{
    const qsizetype slash = lastSlash(entry);
    return slash == 0 ? QStringView() : QStringView(entry).mid(1, slash - 1);
}

std::size_t depthOf(const QString &entry)
{
    std::size_t depth = 0;
    for (const QChar c : entry)
        depth += c == u'/';
    return depth;
}

bool isFolder(const QString &entry) { return entry.startsWith(u'+'); }

QString joined(QStringView folder, QStringView name)
{
    return folder.isEmpty() ? name.toString() : folder.toString() + QLatin1Char('/') + name.toString();
}

} // namespace

void CasePairing::clear()
{
    for (auto &d : dropped)
        d.clear();
    clashes.clear();
    m_rightKey.clear();
    m_rightSpelling.clear();
}

// One call of pair(): the lists, depth by depth, and what has been settled so far.
struct CasePairing::Pass {
    CasePairing &out;
    const std::vector<QString> *lists[2];
    std::vector<std::vector<std::uint32_t>> byDepth[2];
    QSet<QString> droppedFolders[2];

    const QString &entryOf(const Spelling &s) const { return (*lists[s.side])[s.index]; }

    // The folder of an item as the left side spells it (storage holds the
    // text where it is not the entry's own).
    QStringView pairedFolderView(int side, const QString &entry, QString &storage) const
    {
        const QStringView folder = folderOf(entry);
        if (side == 1 && !out.m_rightKey.isEmpty()) {
            const auto it = out.m_rightKey.constFind(QLatin1Char('+') + folder.toString());
            if (it != out.m_rightKey.cend()) {
                storage = it->mid(1);
                return storage;
            }
        }
        return folder;
    }

    QString pairedFolder(int side, const QString &entry) const
    {
        QString storage;
        return pairedFolderView(side, entry, storage).toString();
    }

    // A right item goes on under the left spelling name, in its paired folder.
    void sharedSpelling(int side, const QString &entry, QStringView name)
    {
        if (side == 0)
            return;
        QString storage;
        const QStringView folder = pairedFolderView(1, entry, storage);
        if (storage.isNull() && name == nameOf(entry))
            return; // spelled alike, in a folder spelled alike: the usual case costs nothing
        const QString shared = joined(folder, name);
        if (shared != pathOf(entry)) {
            out.m_rightKey.insert(entry, entry.left(1) + shared);
            out.m_rightSpelling.insert(shared, pathOf(entry).toString());
        }
    }

    void drop(int side, std::size_t index, bool report)
    {
        const QString &entry = (*lists[side])[index];
        out.dropped[side].push_back(index);
        if (report)
            out.clashes.push_back({side, index});
        if (isFolder(entry))
            droppedFolders[side].insert(pathOf(entry).toString());
    }

    void sortByDepth()
    {
        for (int side = 0; side < 2; ++side)
            for (std::size_t i = 0; i < lists[side]->size(); ++i) {
                const std::size_t depth = depthOf((*lists[side])[i]);
                if (byDepth[side].size() <= depth)
                    byDepth[side].resize(depth + 1);
                byDepth[side][depth].push_back(std::uint32_t(i));
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
            for (const std::uint32_t i : byDepth[side][depth]) {
                const QString &entry = (*lists[side])[i];
                if (!droppedFolders[side].isEmpty() && droppedFolders[side].contains(folderOf(entry).toString())) {
                    drop(side, i, false); // reported with its folder
                    continue;
                }
                met.push_back({hashOf(side, entry), i, std::uint8_t(side)});
            }
        }
        std::sort(met.begin(), met.end(), [](const Spelling &a, const Spelling &b) {
            return a.hash != b.hash ? a.hash < b.hash : a.side != b.side ? a.side < b.side : a.index < b.index;
        });
    }

    std::uint64_t hashOf(int side, const QString &entry) const
    {
        std::uint64_t h = kFnvBasis;
        QString storage;
        for (const QChar c : pairedFolderView(side, entry, storage))
            h = mix(h, c.unicode());
        h = mix(h, u'/');
        const QStringView name = nameOf(entry);
        for (qsizetype k = 0; k < name.size(); ++k) {
            char32_t c = name[k].unicode();
            if (QChar::isHighSurrogate(c) && k + 1 < name.size() && name[k + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), name[++k].unicode());
            h = mix(h, CaseFold::of(c));
        }
        return h;
    }

    // The spellings met[first, end) share a hash.
    void settleRun(const std::vector<Spelling> &met, std::size_t first, std::size_t end)
    {
        QString storage;
        // The usual cases: an item of one side only, or the same spelling on both.
        if (end - first == 1) {
            sharedSpelling(met[first].side, entryOf(met[first]), nameOf(entryOf(met[first])));
            return;
        }
        if (end - first == 2 && met[first].side == 0 && met[first + 1].side == 1
            && entryOf(met[first]).front() == entryOf(met[first + 1]).front()
            && nameOf(entryOf(met[first])) == nameOf(entryOf(met[first + 1]))
            && pairedFolderView(1, entryOf(met[first + 1]), storage) == folderOf(entryOf(met[first]))) {
            sharedSpelling(1, entryOf(met[first + 1]), nameOf(entryOf(met[first + 1])));
            return;
        }
        // Otherwise sort the run into groups of one folder and one folded
        // name (a shared hash may still hide two groups), and settle each.
        std::vector<bool> taken(end - first, false);
        for (std::size_t g = first; g < end; ++g) {
            if (taken[g - first])
                continue;
            std::vector<Spelling> group[2];
            const QString folder = pairedFolder(met[g].side, entryOf(met[g]));
            const QStringView name = nameOf(entryOf(met[g]));
            for (std::size_t k = g; k < end; ++k) {
                if (taken[k - first] || !CaseFold::equal(nameOf(entryOf(met[k])), name)
                    || pairedFolder(met[k].side, entryOf(met[k])) != folder)
                    continue;
                taken[k - first] = true;
                group[met[k].side].push_back(met[k]); // in list order: met is sorted so
            }
            settleGroup(group);
        }
    }

    // One folder's spellings of one folded name, per side: exact spellings
    // pair first, then any; what is left clashes where the name is taken.
    void settleGroup(const std::vector<Spelling> (&group)[2])
    {
        std::vector<int> partner[2]; // index into the other side's group, or -1
        for (int side = 0; side < 2; ++side)
            partner[side].assign(group[side].size(), -1);
        auto pairUp = [&](bool exact) {
            for (std::size_t l = 0; l < group[0].size(); ++l) {
                if (partner[0][l] >= 0)
                    continue;
                const QString &a = entryOf(group[0][l]);
                for (std::size_t r = 0; r < group[1].size(); ++r) {
                    const QString &b = entryOf(group[1][r]);
                    if (partner[1][r] >= 0 || a.front() != b.front() || (exact && nameOf(a) != nameOf(b)))
                        continue;
                    partner[0][l] = int(r);
                    partner[1][r] = int(l);
                    break;
                }
            }
        };
        pairUp(true);
        pairUp(false);
        bool anyPair = false;
        for (const int p : partner[0])
            anyPair = anyPair || p >= 0;
        for (int side = 0; side < 2; ++side)
            for (std::size_t k = 0; k < group[side].size(); ++k) {
                const QString &entry = entryOf(group[side][k]);
                if (partner[side][k] >= 0) {
                    if (side == 1) // shares the left spelling
                        sharedSpelling(1, entry, nameOf(entryOf(group[0][std::size_t(partner[1][k])])));
                    continue;
                }
                bool clash = anyPair || k > 0; // k > 0: an earlier spelling of its own side
                for (const Spelling &other : group[1 - side])
                    clash = clash || nameOf(entryOf(other)) != nameOf(entry);
                if (clash)
                    drop(side, group[side][k].index, true);
                else
                    sharedSpelling(side, entry, nameOf(entry));
            }
    }
};

void CasePairing::pair(const std::vector<QString> &left, const std::vector<QString> &right)
{
    clear();
    Pass pass{*this, {&left, &right}, {}, {}};
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
        return a.side != b.side ? a.side < b.side : a.index < b.index;
    });
}

const QString &CasePairing::matchKey(const QString &rightEntry) const
{
    if (m_rightKey.isEmpty())
        return rightEntry;
    const auto it = m_rightKey.constFind(rightEntry);
    return it == m_rightKey.cend() ? rightEntry : *it;
}

QString CasePairing::rightPath(const QString &leftPath) const
{
    if (m_rightSpelling.isEmpty())
        return leftPath;
    // The deepest folder (or the item itself) the right side spells otherwise.
    for (qsizetype end = leftPath.size(); end > 0; end = leftPath.lastIndexOf(u'/', end - 1)) {
        const auto it = m_rightSpelling.constFind(leftPath.left(end));
        if (it != m_rightSpelling.cend())
            return *it + leftPath.mid(end);
    }
    return leftPath;
}
