#pragma once

#include "engine/paths/PathHelpers.h"

#include <QByteArray>
#include <QStringList>

// While it lives, home is the home folder and roots are the only roots.
class TestRoots {
public:
    TestRoots(const QString &home, const QStringList &roots) : m_oldHome(qgetenv("HOME"))
    {
        qputenv("HOME", home.toUtf8());
        Roots::setProvider([roots] { return roots; });
    }
    ~TestRoots()
    {
        Roots::setProvider(nullptr);
        qputenv("HOME", m_oldHome);
    }
    TestRoots(const TestRoots &) = delete;
    TestRoots &operator=(const TestRoots &) = delete;

private:
    QByteArray m_oldHome;
};
