#pragma once

#include <QHash>
#include <QString>
#include <vector>

// Which items of the two sides are one item when letter case is ignored, and
// which items must be left alone because another item differs from them only
// in letter case.
//
// Folder by folder (an item's folder being the item its folder was paired
// with), exact spellings pair across the sides first; a spelling without an
// exact partner then pairs with the other side's first unpaired spelling of
// the same kind that folds the same. A spelling still unpaired is a clash
// when its folded name is taken: on the other side by a pair or by another
// spelling, or on its own side by an earlier item of the list. A clashing
// folder takes everything inside it along.
//
// Paired items share the left side's spelling, so the later steps match
// entries by exact text: a right entry matches under matchKey().
class CasePairing {
public:
    struct Clash {
        int side;
        std::size_t index; // in that side's list
    };

    // Entries are "+folder" / "-file" paths in walk order (a folder before
    // what it holds); either list may be empty.
    void pair(const std::vector<QString> &left, const std::vector<QString> &right);
    void clear();

    // Per side, the indexes (ascending) of the entries to leave out: the
    // clashes and everything inside a clashing folder.
    std::vector<std::size_t> dropped[2];
    // The clashes themselves, one per item to report.
    std::vector<Clash> clashes;

    // The text a right entry matches under: the left spelling of the item.
    const QString &matchKey(const QString &rightEntry) const;
    // A left item's path as the right side spells it (its own spelling where
    // the right side has no such item).
    QString rightPath(const QString &leftPath) const;

private:
    struct Pass;
    QHash<QString, QString> m_rightKey;      // right entry -> left-spelled entry, where they differ
    QHash<QString, QString> m_rightSpelling; // left-spelled path -> right path, where they differ
};
