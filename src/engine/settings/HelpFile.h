#pragma once

#include <QString>

// The help files: plain UTF-8 text. A line "[10010]" (blanks around it allowed)
// starts topic 10010; its text is the lines up to the next topic line, without
// leading and trailing blank lines. Lines before the first topic are ignored.
// A topic number given twice keeps its first text.

// The topic's text, or an empty text when the file or the topic is missing.
// Parsed files are cached per path and read again only when the file changes,
// so a right click costs a stat, not a read. Safe to call from any thread.
QString helpTopicText(const QString &helpFile, int topic);

namespace HelpFile {
// Bounds on what one file can cost; a larger file or topic is cut off there.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;
constexpr qsizetype MaxTopicChars = 64 * 1024;
// Forgets every parsed file.
void clearCache();
// How many files have been read and parsed so far: the cache's own count.
int parses();
} // namespace HelpFile
