#include "SingleInstance.h"

#include <QDir>

SingleInstance::SingleInstance(const QString &settingsFolder)
    : m_path(QDir(settingsFolder).filePath(lockFileName()))
{
}

SingleInstance::Result SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(m_path);
    // Only a lock whose process is gone is stale, however old it is.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Result::Acquired;
    switch (m_lock->error()) {
    case QLockFile::LockFailedError:
        return Result::AlreadyRunning;
    case QLockFile::PermissionError:
        m_failure = QStringLiteral("Permission denied: ") + m_path;
        break;
    default:
        m_failure = QStringLiteral("Cannot create the lock file: ") + m_path;
        break;
    }
    m_lock.reset();
    return Result::Failed;
}
