#pragma once

#include <QString>

namespace Language {
constexpr int Greek = 0;
constexpr int English = 1;

// The engine's share of a language switch: the flag, the message title, the
// help file and the author's name.
void applyState(int index);
// Stores the choice so the next start uses it.
void store(int index);
// The copyright line in the current language, with this year.
QString copyrightLine();
// The maker's name, the same in both languages.
QString makerName();
} // namespace Language
