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
    AppError(int number, QString description);
    // The error of a failed system call: errno mapped to our number, the
    // system's own text as the description, naming the path when there is one.
    static AppError fromErrno(int err, const QString &path = QString());

    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

int errorNumberForErrno(int err);
// The standard text of an error number, for errors that do not come from errno.
QString errorText(int number);
