#include "engine/run/CasePairing.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

// The rules where run tests would need many trees: kinds, own-side order,
// several spellings on both sides, and items inside renamed or clashing folders.
TEST(CasePairing, ClashesKindsAndSpellingsInsideFolders)
{
    CasePairing p;
    // A file and a folder of one exact name are two items (step 5 meets them);
    // of two spellings, neither may be created beside the other.
    p.pair(E({"-x", "-Y"}), E({"+x", "+y"}));
    EXPECT_EQ(p.dropped[0], std::vector<std::size_t>{1});
    EXPECT_EQ(p.dropped[1], std::vector<std::size_t>{1});
    EXPECT_EQ(p.clashes.size(), 2u);
    // A spelling beside a pair clashes even where the other side spells it alike
    // (a file x beside a folder X that pairs with the other side's folder x).
    p.pair(E({"-x", "+X"}), E({"+x"}));
    EXPECT_EQ(p.dropped[0], std::vector<std::size_t>{0});
    // Own side: the later spelling clashes and takes its contents along, reported once.
    const auto left = E({"-a", "+A", "-A/f", "+A/sub", "-A/sub/g"});
    p.pair(left, {});
    EXPECT_EQ(p.dropped[0], (std::vector<std::size_t>{1, 2, 3, 4}));
    ASSERT_EQ(p.clashes.size(), 1u);
    EXPECT_EQ(p.clashes[0].index, 1u);
    // Two spellings on each side: exact partners, else in list order.
    p.pair(E({"-AB", "-Ab", "-q"}), E({"-ab", "-aB", "-Q"}));
    EXPECT_TRUE(p.clashes.empty());
    EXPECT_EQ(p.matchKey("-ab"), "-AB");
    EXPECT_EQ(p.matchKey("-aB"), "-Ab");
    EXPECT_EQ(p.matchKey("-Q"), "-q");
    p.pair(E({"-ab", "-AB"}), E({"-AB", "-Ab"}));
    EXPECT_EQ(p.matchKey("-AB"), "-AB") << "an exact partner comes first";
    EXPECT_EQ(p.matchKey("-Ab"), "-ab");
    // A folder spelled otherwise: what is inside follows it both ways.
    p.pair(E({"+Dir", "-Dir/new", "+Dir/Sub", "-Dir/Sub/x"}), E({"+dir", "-dir/old", "+dir/sub", "-dir/sub/X"}));
    EXPECT_TRUE(p.clashes.empty());
    EXPECT_EQ(p.matchKey("-dir/old"), "-Dir/old");
    EXPECT_EQ(p.matchKey("-dir/sub/X"), "-Dir/Sub/x");
    EXPECT_EQ(p.rightPath("Dir/new"), "dir/new");
    EXPECT_EQ(p.rightPath("Dir/Sub/x"), "dir/sub/X");
    EXPECT_EQ(p.rightPath("Dir/Sub/more/y"), "dir/sub/more/y");
    EXPECT_EQ(p.rightPath("Other/y"), "Other/y");
}

} // namespace
