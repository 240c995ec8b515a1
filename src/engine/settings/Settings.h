#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing the keys of Orvanel.ini at App().SettingsFilePath.
namespace Settings {

// The numeric value of a stored text: leading blanks skipped, then an optional
// sign, digits and decimal fraction; a text that does not start with a number is 0.
double numericValue(const QByteArray &text);
// Rounds to the nearest integer, halves to the even neighbour.
int roundHalfEven(double value);

// A number or flag key as the start-up sequence sees it: its first 4 characters.
QByteArray readShortKey(const char *section, const char *key);
// An integer key: the stored value rounded when it lies within lo..hi, else fallback.
int readIntegerKey(const char *section, const char *key, int lo, int hi, int fallback);
// [Undo] KeepRuns: how many runs of a pair keep their undo data (0..99, else 1).
int readUndoKeepRuns();
// Flag keys: set exactly when the value is 1, or (readFlagUnlessTwo) unless it is 2.
bool readFlagKey(const char *section, const char *key);
bool readFlagUnlessTwo(const char *section, const char *key);
// An initial path: at most 1023 bytes, cut back to a whole character.
QString readInitialPath(int side);

// Start-up reads, in the order the start-up sequence makes them.
bool readLanguageIsGreek();
void readInitialPaths();
void readOptionValues();
void readReminderSwitches();

// Writes one key; failures are silent (read-only file, missing rights).
bool write(const char *section, const char *key, const QString &value);

} // namespace Settings
