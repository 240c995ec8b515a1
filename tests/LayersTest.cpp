#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Every line of the sources that matches pattern, as "file:line: text", for
// files (relative to src/) that allowed does not let through.
QStringList linesMatching(const QRegularExpression &pattern, const std::function<bool(const QString &)> &allowed)
{
    QStringList found;
    for (QDirIterator it(ORVANEL_SRC, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString file = QDir(ORVANEL_SRC).relativeFilePath(it.next());
        if (allowed(file))
            continue;
        const QStringList lines = QString::fromUtf8(readBytes(it.filePath())).split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (lines[i].section("//", 0, 0).contains(pattern))
                found << file + ":" + QString::number(i + 1) + ": " + lines[i].trimmed();
    }
    return found;
}

// The engine and the batch front end never see a window.
TEST(Layers, NeitherTheEngineNorTheBatchFrontEndIncludesAWindowHeader)
{
    static const QRegularExpression windows(R"(#\s*include\s*[<"](ui/|Q(Widget|Application|Dialog|MessageBox)\b))");
    const QStringList found = linesMatching(windows, [](const QString &file) {
        return !file.startsWith("engine/") && !file.startsWith("cli/");
    });
    EXPECT_TRUE(found.isEmpty()) << found.join('\n').toStdString();
}

// One seam reaches the file system, so every rule about real disks lives in one place.
TEST(Layers, NothingOutsideTheFileSystemSeamCallsTheFileSystemByItself)
{
    static const QRegularExpression call(
        R"((?<![\w.>:])(::)?(open|openat|creat|stat|lstat|fstat|fstatat|statx|opendir|fdopendir|readdir|rename|)"
        R"(renameat|renameat2|mkdir|mkdirat|rmdir|unlink|unlinkat|linkat|symlink|symlinkat|readlink|readlinkat|)"
        R"(realpath|access|faccessat|nftw)\s*\()");
    const QStringList found = linesMatching(call, [](const QString &file) { return file.startsWith("engine/fs/"); });
    EXPECT_TRUE(found.isEmpty()) << found.join('\n').toStdString();
}

} // namespace
