#pragma once

#include <QString>

namespace Version {
// "2026.1.0" as "2026.0001.0000": three numbers, each at least four digits.
// Missing numbers count as 0; numbers beyond the third are not shown.
QString number(const QString &dotted);
// "Version " or "Έκδοση " followed by the program's own number.
QString line();
} // namespace Version
