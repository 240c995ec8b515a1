#pragma once

#include "engine/run/ItemList.h"

#include <vector>

// Which items of the two sides are one item, and, when letter case is
// ignored, which items must be left alone because another item differs from
// them only in letter case.
//
// Folder by folder (an item's folder being the item its folder was paired
// with), items of one kind and one name pair across the sides. When case is
// ignored, exact spellings pair first; a spelling without an exact partner
// then pairs with the other side's first unpaired spelling of the same kind
// that folds the same. A spelling still unpaired is a clash when its folded
// name is taken: on the other side by a pair or by another spelling, or on
// its own side by an earlier item. A clashing folder takes everything inside
// it along.
//
// The pairs are the stores' twins; a right item goes on under the left
// spelling of its folders (ItemStore::pathAsIn).
class CasePairing {
public:
    struct Clash {
        int side;
        ItemStore::Id id;
    };

    // The stores' items are "+folder" / "-file" in walk order (a folder
    // before what it holds); either may hold the root alone.
    void pair(ItemStore &left, ItemStore &right, bool foldCase);
    void clear();

    // Per side, the items (ascending) to leave out: the clashes and
    // everything inside a clashing folder.
    std::vector<ItemStore::Id> dropped[2];
    // The clashes themselves, one per item to report.
    std::vector<Clash> clashes;

private:
    struct Pass;
};
