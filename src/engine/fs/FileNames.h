#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The one place where a name's bytes on disk become text and back.
//
// Linux names are bytes, not necessarily UTF-8: an old disk may hold Greek
// names in ISO-8859-7 or Windows-1253. Each byte that is not part of valid
// UTF-8 is carried inside the QString as the lone surrogate U+DC80..U+DCFF
// (the "surrogateescape" of other tools), so toBytes(fromBytes(b)) == b for
// every name, and the rest of the program can keep its QString plumbing.
// Such text must never reach a widget, a terminal or a file as it is: show it
// with shown(), store it with escaped().
namespace FileNames {

QString fromBytes(const char *bytes, qsizetype size);
QString fromBytes(const char *nulTerminated);
inline QString fromBytes(const QByteArray &bytes) { return fromBytes(bytes.constData(), bytes.size()); }
QByteArray toBytes(QStringView text);

// For people: a stray byte, and a control character (below U+0020, U+007F,
// U+0080..U+009F), as "\xNN" (upper-case hex, one per byte), so that two
// names never look alike and nothing reaches a terminal raw.
QString shown(QStringView text);
QString shown(const QString &text); // the same text, shared, when nothing needs escaping
// For the program's own files: as shown(), and a backslash as "\\", so the
// exact name can be read back with unescaped().
QString escaped(QStringView text);
QString escaped(const QString &text);
// The name escaped() wrote; ok is false where the text is not such a name.
QString unescaped(QStringView text, bool *ok = nullptr);

} // namespace FileNames
