#pragma once

#include <QString>

// Small helpers the steps share.
namespace StepTools {

// Folders and files in the order the user sees them: letter case aside first.
inline bool byName(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

// The folder holding a relative path; "" for the root.
inline QString parentOf(const QString &rel)
{
    const qsizetype slash = rel.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : rel.left(slash);
}

} // namespace StepTools
