#include "engine/run/ItemList.h"

#include <QVarLengthArray>
#include <cstring>

void ItemStore::clear()
{
    m_nodes.clear();
    m_names.clear();
    m_count = 0;
    m_nameEnd = std::size_t(1) << kNameBits; // the first name opens a chunk
    add(kNone, QStringView(), true, FileOps::Stamp());
}

ItemStore::Id ItemStore::add(Id parent, QStringView name, bool folder, const FileOps::Stamp &stamp)
{
    constexpr std::size_t kNodeChunk = std::size_t(1) << kNodeBits;
    constexpr std::size_t kNameChunk = std::size_t(1) << kNameBits;
    const std::size_t length = std::size_t(name.size());
    if (m_nameEnd + 1 + length > kNameChunk) {
        m_names.push_back(std::make_unique_for_overwrite<char16_t[]>(kNameChunk));
        m_nameEnd = 0;
    }
    char16_t *at = m_names.back().get() + m_nameEnd;
    at[0] = char16_t(length);
    if (length > 0)
        std::memcpy(at + 1, name.utf16(), length * sizeof(char16_t));
    const std::uint32_t nameAt = std::uint32_t(((m_names.size() - 1) << kNameBits) | m_nameEnd);
    m_nameEnd += 1 + length;

    if (m_count % kNodeChunk == 0)
        m_nodes.push_back(std::make_unique_for_overwrite<Node[]>(kNodeChunk));
    const Id id = Id(m_count++);
    nodeAt(id) = Node{parent, nameAt, kNone, std::uint32_t(stamp.nanoseconds) | (folder ? kFolderBit : 0u), stamp.size,
                      stamp.seconds};
    return id;
}

QStringView ItemStore::name(Id id) const
{
    const std::uint32_t at = node(id).nameAt;
    const char16_t *p = m_names[at >> kNameBits].get() + (at & ((1u << kNameBits) - 1));
    return QStringView(p + 1, qsizetype(p[0]));
}

void ItemStore::appendPath(Id id, QString &out, const ItemStore *spelling) const
{
    // Names from the item up to the root, then written root first.
    QVarLengthArray<Id, 64> chain;
    for (Id p = id; p != kRoot && p != kNone; p = parent(p))
        chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            out += QLatin1Char('/');
        const Id there = spelling ? twin(*it) : kNone;
        out += there != kNone ? spelling->name(there) : name(*it);
    }
}

QString ItemStore::path(Id id) const
{
    QString out;
    appendPath(id, out, nullptr);
    return out;
}

QString ItemStore::pathAsIn(Id id, const ItemStore &other) const
{
    QString out;
    appendPath(id, out, &other);
    return out;
}

QString ItemStore::entry(Id id) const
{
    QString out(1, isFolder(id) ? QLatin1Char('+') : QLatin1Char('-'));
    appendPath(id, out, nullptr);
    return out;
}

std::vector<QString> ItemList::texts() const
{
    std::vector<QString> out;
    out.reserve(entries.size());
    for (const Id id : entries)
        out.push_back(store->entry(id));
    return out;
}
