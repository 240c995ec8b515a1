#pragma once

#include "engine/paths/PathHelpers.h"

#include <QByteArray>
#include <QStringList>

// While it lives, an environment variable has a value (or none, for a null one).
class EnvVar {
public:
    EnvVar(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~EnvVar() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }
    EnvVar(const EnvVar &) = delete;
    EnvVar &operator=(const EnvVar &) = delete;

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

// While it lives, home is the home folder and roots are the only roots.
class TestRoots {
public:
    TestRoots(const QString &home, const QStringList &roots) : m_home("HOME", home.toUtf8())
    {
        Roots::setProvider([roots] { return roots; });
    }
    ~TestRoots() { Roots::setProvider(nullptr); }
    TestRoots(const TestRoots &) = delete;
    TestRoots &operator=(const TestRoots &) = delete;

private:
    EnvVar m_home;
};
