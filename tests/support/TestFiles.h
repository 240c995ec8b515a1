#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QTemporaryDir>
#include <initializer_list>
#include <vector>

// Small helpers for tests on real files; a write makes the folders it needs.
QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &data);
// A temporary folder that goes whole, also with names in a legacy encoding
// (QTemporaryDir would leave those behind).
class TempDir : public QTemporaryDir {
public:
    ~TempDir();
};

// A list of entries ("+folder", "-file") from literals.
std::vector<QString> E(std::initializer_list<const char *> texts);
// Names in a folder, hidden ones included, sorted.
QStringList entriesOf(const QString &folder);

#include <QMap>
#include <cstdint>

// Byte-exact names (legacy encodings, control characters): a file with its
// missing folders, an optional whole-second modification time, and a whole
// tree as relative path -> content ("/" for a folder, "-> target" for a link),
// without the undo data kept at its root.
void makeFile(const QByteArray &path, const QByteArray &data, std::int64_t mtime = -1);
QMap<QByteArray, QByteArray> bytesTree(const QByteArray &root);
using Tree = QMap<QByteArray, QByteArray>;

// One entry of a tree, by its exact bytes: a folder ("a/b/") or a file ("a/f")
// with its content, and optionally its modification time and mode.
struct Item {
    QByteArray path, data;
    std::int64_t seconds = -1; // -1: now
    long nanoseconds = 0;
    int mode = -1;             // -1: as created
    Item(const char *p) : path(p) {}
    Item(QByteArray p, QByteArray d = {}, std::int64_t s = -1, long ns = 0, int m = -1)
        : path(std::move(p)), data(std::move(d)), seconds(s), nanoseconds(ns), mode(m) {}
};
// Creates each item below root, with the folders it lies in.
void makeTree(const QString &root, std::initializer_list<Item> items);
// "mode seconds.nanoseconds" of a path, not following a link: 0644 1500000000.000000001
QByteArray stampOf(const QString &path);

// A temporary folder holding a tree, made from items and read back whole.
class TempTree : public TempDir {
public:
    TempTree(std::initializer_list<Item> items = {}) { add(items); }
    void add(std::initializer_list<Item> items) { makeTree(path(), items); }
    QString at(const QString &relative) const { return filePath(relative); }
    Tree snapshot(const QString &relative = {}) const;
};
// A name in ISO-8859-7, as old Greek disks hold it: "Φάκελλος".
inline const QByteArray kLegacyName("\xd6\xdc\xea\xe5\xeb\xeb\xef\xf2");
