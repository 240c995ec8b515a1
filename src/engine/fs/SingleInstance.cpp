#include "engine/fs/SingleInstance.h"

#include "engine/fs/FileNames.h"

#include <QDir>

SingleInstance::SingleInstance(const QString &settingsFolder)
    : m_folder(settingsFolder), m_path(QDir(settingsFolder).filePath(lockFileName()))
{
}

SingleInstance::~SingleInstance()
{
    m_lock.reset(); // while its path through the folder's descriptor still works
}

SingleInstance::Result SingleInstance::acquire()
{
    QString lockPath = m_path;
    // Qt spells every path in UTF-8: a folder with a legacy name is reached through its descriptor.
    if (FileNames::toBytes(m_folder) != m_folder.toUtf8()) {
        if (!m_folderFd.isOpen()) {
            try {
                m_folderFd = FileOps::Folder::open(m_folder);
            } catch (const AppError &) {
                // the lock file's own error says what is wrong
            }
        }
        if (m_folderFd.isOpen())
            lockPath = QStringLiteral("/proc/self/fd/%1/").arg(m_folderFd.descriptor()) + lockFileName();
    }
    m_lock = std::make_unique<QLockFile>(lockPath);
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
