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
// tree as relative path -> content ("/" for a folder, "-> target" for a link).
void makeFile(const QByteArray &path, const QByteArray &data, std::int64_t mtime = -1);
QMap<QByteArray, QByteArray> bytesTree(const QByteArray &root);
// Creates below root, by their exact bytes, each folder ("a/b/") and empty file
// ("a/f") of paths, with the folders they lie in.
void makeTree(const QString &root, const QByteArrayList &paths);
// A name in ISO-8859-7, as old Greek disks hold it: "Φάκελλος".
inline const QByteArray kLegacyName("\xd6\xdc\xea\xe5\xeb\xeb\xef\xf2");
