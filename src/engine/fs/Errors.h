#pragma once

#include <QString>
#include <exception>

// Error numbers the program reports; errno values map onto them.
namespace ErrorCode {
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int ElementNotFound = 35601;
} // namespace ErrorCode

// An error with the number and description shown in the common error report.
class AppError : public std::exception {
public:
    AppError(int number, QString description, int err = 0);
    // The error of a failed system call: errno mapped to our number, the
    // system's own text as the description, naming the path when there is one.
    static AppError fromErrno(int err, const QString &path = QString());

    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    // The errno it came from; 0 when it did not come from a system call.
    int systemError() const { return m_errno; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    int m_errno = 0;
    QString m_description;
    QByteArray m_what;
};

// A failure to read the item being copied, as opposed to writing its copy:
// the run skips that item and reports it instead of stopping.
class SourceError : public AppError {
public:
    explicit SourceError(const AppError &e) : AppError(e) {}
};

int errorNumberForErrno(int err);
// The system's own words for an errno value.
QString systemText(int err);
// The standard text of an error number, for errors that do not come from errno.
QString errorText(int number);
