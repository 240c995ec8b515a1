#pragma once

#include <QByteArray>
#include <QString>

// Small helpers for tests on real files.
QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &data);
// Names in a folder, hidden ones included, sorted.
QStringList entriesOf(const QString &folder);
