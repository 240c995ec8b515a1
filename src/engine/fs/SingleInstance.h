#pragma once

#include "engine/fs/FileOps.h"

#include <QLockFile>
#include <QString>
#include <memory>

// One running instance per settings folder, held by a lock file in it. A lock
// left behind by a crashed instance is taken over.
class SingleInstance {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    explicit SingleInstance(const QString &settingsFolder);
    ~SingleInstance();
    Result acquire();
    // Why the lock could not be taken when acquire() returned Failed.
    QString failureText() const { return m_failure; }
    static QString lockFileName() { return QStringLiteral("Orvanel.lock"); }

private:
    QString m_folder;
    QString m_path;
    FileOps::Folder m_folderFd;
    std::unique_ptr<QLockFile> m_lock;
    QString m_failure;
};
