#pragma once

#include "engine/fs/FileOps.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

// Every item step 1 kept on one side, compact: an item holds its own name
// (not its path), a link to its folder and what step 1 saw of it. A tree of a
// million items costs a few dozen bytes per item and no allocation of its own.
// Items are numbered in the order they were added; 0 is the root.
class ItemStore {
public:
    using Id = std::uint32_t;
    static constexpr Id kRoot = 0;
    static constexpr Id kNone = ~Id(0);

    ItemStore() { clear(); }
    void clear();
    Id add(Id parent, QStringView name, bool folder, const FileOps::Stamp &stamp);
    std::size_t size() const { return m_count; }

    bool isFolder(Id id) const { return node(id).nsFolder & kFolderBit; }
    Id parent(Id id) const { return node(id).parent; }
    QStringView name(Id id) const;
    FileOps::Stamp stamp(Id id) const
    {
        const Node &n = node(id);
        return {n.size, n.seconds, std::int64_t(n.nsFolder & ~kFolderBit)};
    }

    // The item of the other side that is the same item (same kind, its folder
    // the same item, its name the same or, where case is ignored, paired with
    // it); kNone when there is none.
    Id twin(Id id) const { return node(id).twin; }
    void setTwin(Id id, Id other) { nodeAt(id).twin = other; }

    // "a/b/c", relative to the root.
    QString path(Id id) const;
    // The path as the other side spells it: the names of the items the other
    // side has too, the own names of the rest.
    QString pathAsIn(Id id, const ItemStore &other) const;
    // "+" and a folder's path, "-" and a file's.
    QString entry(Id id) const;

private:
    static constexpr std::uint32_t kFolderBit = 1u << 31;
    struct Node {
        Id parent;
        std::uint32_t nameAt; // in m_names: the length, then the name
        Id twin;
        std::uint32_t nsFolder; // nanoseconds, and kFolderBit for a folder
        std::int64_t size;
        std::int64_t seconds;
    };
    // Fixed chunks, so that growing never copies (nor briefly doubles) what is there.
    static constexpr int kNodeBits = 14;
    static constexpr int kNameBits = 19;
    const Node &node(Id id) const { return m_nodes[id >> kNodeBits][id & ((1u << kNodeBits) - 1)]; }
    Node &nodeAt(Id id) { return m_nodes[id >> kNodeBits][id & ((1u << kNodeBits) - 1)]; }
    void appendPath(Id id, QString &out, const ItemStore *spelling) const;

    std::vector<std::unique_ptr<Node[]>> m_nodes;
    std::vector<std::unique_ptr<char16_t[]>> m_names;
    std::size_t m_count = 0;
    std::size_t m_nameEnd = 0; // in the last name chunk
};

// The items of one side, in order: each an item of the side's store.
struct ItemList {
    using Id = ItemStore::Id;
    QString RootPath; // the side's source folder, ending in "/"
    const ItemStore *store = nullptr;
    std::vector<Id> entries;

    void clear()
    {
        RootPath.clear();
        entries.clear();
    }
    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }
    QString text(std::size_t i) const { return store->entry(entries[i]); }
    std::vector<QString> texts() const;
};
