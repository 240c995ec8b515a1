#include "engine/fs/Errors.h"

#include "engine/fs/FileNames.h"

#include <cerrno>
#include <cstring>

AppError::AppError(int number, QString description, int err)
    : m_number(number), m_errno(err), m_description(std::move(description)),
      m_what(QByteArray::number(number) + ": " + m_description.toUtf8())
{
}

AppError AppError::fromErrno(int err, const QString &path)
{
    QString text = systemText(err);
    if (!path.isEmpty())
        text += QStringLiteral(": ") + FileNames::shown(path);
    AppError e(errorNumberForErrno(err), text);
    e.m_errno = err;
    return e;
}

QString systemText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

int errorNumberForErrno(int err)
{
    switch (err) {
    case ENOENT:
        return ErrorCode::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ErrorCode::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrorCode::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorCode::DiskFull;
    case EEXIST:
    case ENOTEMPTY:
    case EISDIR:
    case EBUSY:
    case ETXTBSY:
    case EXDEV:
        return ErrorCode::PathFileAccess;
    case ENOMEM:
        return ErrorCode::OutOfMemory;
    default:
        // Unknown failures must stop a run, so they never map to the absorbed 75.
        return ErrorCode::DeviceIO;
    }
}

QString errorText(int number)
{
    switch (number) {
    case ErrorCode::Overflow: return QStringLiteral("Overflow");
    case ErrorCode::OutOfMemory: return QStringLiteral("Out of memory");
    case ErrorCode::SubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case ErrorCode::FileNotFound: return QStringLiteral("File not found");
    case ErrorCode::DeviceIO: return QStringLiteral("Device I/O error");
    case ErrorCode::DiskFull: return QStringLiteral("Disk full");
    case ErrorCode::PermissionDenied: return QStringLiteral("Permission denied");
    case ErrorCode::PathFileAccess: return QStringLiteral("Path/File access error");
    case ErrorCode::PathNotFound: return QStringLiteral("Path not found");
    case ErrorCode::ElementNotFound: return QStringLiteral("Element not found");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}
