#pragma once

#include <QString>

// Every text is chosen where it is shown, from its English and Greek literal.
QString tx(const char *english, const char *greek);

// A name inside a message: 'name' in English, «name» in Greek; stray bytes
// and control characters shown as \xNN.
QString quoted(const QString &name);

// The title of a message about one side: "<--  title" left, "title  -->" right.
QString sideTitle(int side, const char *english, const char *greek);

// A blank line inside a message.
inline const QString kBlankLine = QStringLiteral("\r\n\r\n");

namespace Texts {
inline constexpr const char *TitleEn = "Folder synchronization";
inline constexpr const char *TitleEl = "Συγχρονισμός φακέλλων";
} // namespace Texts
