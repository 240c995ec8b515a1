#pragma once

#include <QString>
#include <vector>

// The items of one side: "+" and a folder's path relative to the side's root,
// or "-" and a file's; "/" separates, no leading or trailing "/". Entries keep
// the order in which they were added.
struct ItemList {
    QString RootPath; // the side's source folder, ending in "/"
    std::vector<QString> entries;

    void clear()
    {
        RootPath.clear();
        entries.clear();
    }
    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }
    static bool isFolder(const QString &entry) { return entry.startsWith(QLatin1Char('+')); }
    static QString relativePath(const QString &entry) { return entry.mid(1); }
};
