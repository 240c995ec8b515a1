#include "TestFiles.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

// By the path's bytes, so that tests can reach names in legacy encodings.
QByteArray readBytes(const QString &path)
{
    QFile f;
    const int fd = ::open(FileNames::toBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return QByteArray("<missing>");
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &data)
{
    QFile f;
    const int fd = ::open(FileNames::toBytes(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || !f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)
        || f.write(data) != data.size())
        throw std::runtime_error("cannot write test file");
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

void makeTree(const QString &root, const QByteArrayList &paths)
{
    const QByteArray base = FileNames::toBytes(root) + '/';
    for (const QByteArray &path : paths) {
        for (qsizetype slash = path.indexOf('/'); slash >= 0; slash = path.indexOf('/', slash + 1)) {
            if (::mkdir((base + path.left(slash)).constData(), 0777) != 0 && errno != EEXIST)
                throw std::runtime_error("cannot make test folder");
        }
        if (path.endsWith('/'))
            continue;
        const int fd = ::open((base + path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0)
            throw std::runtime_error("cannot make test file");
        ::close(fd);
    }
}
