#pragma once

#include <QByteArray>

// The sectioned key=value settings file. Section and key names match without
// regard to ASCII case; every line the program does not change is kept byte for
// byte. Writes replace the whole file atomically (temporary file + rename), so a
// crash or a full disk leaves the previous file intact.

// Copies the key's value (or defaultText when the file, section or key is
// missing) into buffer, at most size - 1 bytes followed by a NUL. Returns the
// number of bytes copied, without the NUL.
unsigned GetPrivateProfileStringA(const char *section, const char *key, const char *defaultText,
                                  char *buffer, unsigned size, const char *path);

// Sets the key's value, creating file, section or key as needed. Returns false
// when nothing was written: a read-only or unreadable file, a folder we cannot
// write in, a full disk, or a name or value that would break the line format
// (a line break or NUL in it).
bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                const char *path);

namespace profile {
// The same read, returning the text; size is the buffer size of the call.
QByteArray read(const QByteArray &section, const QByteArray &key, const QByteArray &defaultText,
                unsigned size, const QByteArray &path);
}
