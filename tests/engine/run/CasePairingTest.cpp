#include "engine/run/CasePairing.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <QHash>

namespace {

// Two sides' items from "+folder" / "-file" entries in walk order, paired.
struct Sides {
    ItemStore store[2];
    CasePairing p;

    void pair(const std::vector<QString> &left, const std::vector<QString> &right)
    {
        for (int side = 0; side < 2; ++side) {
            store[side].clear();
            QHash<QString, ItemStore::Id> folders{{QString(), ItemStore::kRoot}};
            for (const QString &e : side == 0 ? left : right) {
                const QString path = e.mid(1);
                const qsizetype slash = path.lastIndexOf('/');
                const ItemStore::Id id = store[side].add(folders.value(slash < 0 ? QString() : path.left(slash)),
                                                         QStringView(path).mid(slash + 1), e[0] == '+', {});
                if (e[0] == '+')
                    folders.insert(path, id);
            }
        }
        p.pair(store[0], store[1], true);
    }
    // List positions of the items left out.
    std::vector<std::size_t> dropped(int side) const
    {
        std::vector<std::size_t> out;
        for (const ItemStore::Id id : p.dropped[side])
            out.push_back(id - 1);
        return out;
    }
    // A right item as the left side spells it.
    QString leftSpelling(const QString &rightEntry) const { return spelled(1, rightEntry); }
    QString rightSpelling(const QString &leftEntry) const { return spelled(0, leftEntry); }
    QString spelled(int side, const QString &entry) const
    {
        for (ItemStore::Id id = 1; id < store[side].size(); ++id)
            if (store[side].entry(id) == entry)
                return entry.left(1) + store[side].pathAsIn(id, store[1 - side]);
        return {};
    }
};

// The rules where run tests would need many trees: kinds, own-side order,
// several spellings on both sides, and items inside renamed or clashing folders.
TEST(CasePairing, ClashesKindsAndSpellingsInsideFolders)
{
    Sides s;
    // A file and a folder of one exact name are two items (step 5 meets them);
    // of two spellings, neither may be created beside the other.
    s.pair(E({"-x", "-Y"}), E({"+x", "+y"}));
    EXPECT_EQ(s.dropped(0), std::vector<std::size_t>{1});
    EXPECT_EQ(s.dropped(1), std::vector<std::size_t>{1});
    EXPECT_EQ(s.p.clashes.size(), 2u);
    EXPECT_EQ(s.store[0].twin(1), ItemStore::kNone);
    // A spelling beside a pair clashes even where the other side spells it alike
    // (a file x beside a folder X that pairs with the other side's folder x).
    s.pair(E({"-x", "+X"}), E({"+x"}));
    EXPECT_EQ(s.dropped(0), std::vector<std::size_t>{0});
    // Own side: the later spelling clashes and takes its contents along, reported once.
    s.pair(E({"-a", "+A", "-A/f", "+A/sub", "-A/sub/g"}), {});
    EXPECT_EQ(s.dropped(0), (std::vector<std::size_t>{1, 2, 3, 4}));
    ASSERT_EQ(s.p.clashes.size(), 1u);
    EXPECT_EQ(s.p.clashes[0].id, 2u);
    // Two spellings on each side: exact partners, else in list order.
    s.pair(E({"-AB", "-Ab", "-q"}), E({"-ab", "-aB", "-Q"}));
    EXPECT_TRUE(s.p.clashes.empty());
    EXPECT_EQ(s.leftSpelling("-ab"), "-AB");
    EXPECT_EQ(s.leftSpelling("-aB"), "-Ab");
    EXPECT_EQ(s.leftSpelling("-Q"), "-q");
    s.pair(E({"-ab", "-AB"}), E({"-AB", "-Ab"}));
    EXPECT_EQ(s.leftSpelling("-AB"), "-AB") << "an exact partner comes first";
    EXPECT_EQ(s.leftSpelling("-Ab"), "-ab");
    // A folder spelled otherwise: what is inside follows it both ways.
    s.pair(E({"+Dir", "-Dir/new", "+Dir/Sub", "-Dir/Sub/x", "+Dir/Sub/more", "-Dir/Sub/more/y", "+Other", "-Other/y"}),
           E({"+dir", "-dir/old", "+dir/sub", "-dir/sub/X"}));
    EXPECT_TRUE(s.p.clashes.empty());
    EXPECT_EQ(s.leftSpelling("-dir/old"), "-Dir/old");
    EXPECT_EQ(s.leftSpelling("-dir/sub/X"), "-Dir/Sub/x");
    EXPECT_EQ(s.rightSpelling("-Dir/new"), "-dir/new");
    EXPECT_EQ(s.rightSpelling("-Dir/Sub/x"), "-dir/sub/X");
    EXPECT_EQ(s.rightSpelling("-Dir/Sub/more/y"), "-dir/sub/more/y");
    EXPECT_EQ(s.rightSpelling("-Other/y"), "-Other/y");
}

} // namespace
