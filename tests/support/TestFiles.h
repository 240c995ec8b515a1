#pragma once

#include <QByteArray>
#include <QString>

// Small helpers for tests on real files.
QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &data);
// Names in a folder, hidden ones included, sorted.
QStringList entriesOf(const QString &folder);

#include <QMap>
#include <cstdint>

// Byte-exact names (legacy encodings, control characters): a file with its
// missing folders, an optional whole-second modification time, and a whole
// tree as relative path -> content ("/" for a folder, "-> target" for a link).
void makeFile(const QByteArray &path, const QByteArray &data, std::int64_t mtime = -1);
QMap<QByteArray, QByteArray> bytesTree(const QByteArray &root);
