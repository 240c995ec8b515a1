// Copies a generated tree with FileOps::copyFile, cp -a and rsync -a, each into
// a new empty folder, and prints the times and ratios: first many small
// files, then a few big ones.
//
//   orvanel_copy_bench [--clean] [BENCH_FOLDER]   (default /tmp/orvanel-bench)
//
// The source tree BENCH_FOLDER/copysrc is made once and kept. Each run copies
// into new folders named after the time; --clean removes the copies of earlier
// runs first. Nothing is deleted right before a measurement: mass deletions
// leave these disks slow to create files for a while.
//
// copyFile syncs every file to disk and the tools do not, so each tool's time
// is also shown with a syncfs of the destination afterwards. "orvanel/4" is
// copyFile on four threads.

#include "engine/fs/FileOps.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFolders = 20, kFilesPerFolder = 100;
constexpr qint64 kSmall = 64 << 10, kBig = qint64(256) << 20;

QTextStream out(stdout);

QByteArray noise(qint64 size, quint32 seed)
{
    QByteArray data(size, '\0');
    quint32 x = seed | 1;
    auto *w = reinterpret_cast<quint32 *>(data.data());
    for (qint64 i = 0; i < size / 4; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        w[i] = x;
    }
    return data;
}

void makeSource(const QString &src)
{
    if (QFileInfo::exists(src + "/.complete"))
        return;
    out << "making " << kFolders * kFilesPerFolder << " files of 64 KiB and two of 256 MiB in "
        << src << Qt::endl;
    for (int d = 0; d < kFolders; ++d) {
        const QString folder = QStringLiteral("%1/small/d%2").arg(src).arg(d);
        QDir().mkpath(folder);
        for (int f = 0; f < kFilesPerFolder; ++f) {
            QFile file(QStringLiteral("%1/f%2.bin").arg(folder).arg(f));
            file.open(QIODevice::WriteOnly);
            file.write(noise(kSmall, quint32(d * 1000 + f)));
        }
    }
    QDir().mkpath(src + "/big");
    for (int b = 0; b < 2; ++b) {
        QFile file(QStringLiteral("%1/big/big%2.bin").arg(src).arg(b));
        file.open(QIODevice::WriteOnly);
        const QByteArray block = noise(16 << 20, quint32(77 + b));
        for (qint64 done = 0; done < kBig; done += block.size())
            file.write(block);
    }
    QFile(src + "/.complete").open(QIODevice::WriteOnly);
}

template <typename Visit> void walk(const QString &folder, const QString &relative, Visit &&visit)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    QStringList files, folders;
    while (const dirent *e = ::readdir(dir)) {
        const QString name = QFile::decodeName(e->d_name);
        if (name == "." || name == "..")
            continue;
        (e->d_type == DT_DIR ? folders : files).append(name);
    }
    ::closedir(dir);
    for (const QString &f : files)
        visit(folder + '/' + f, relative + f, false);
    for (const QString &f : folders) {
        visit(folder + '/' + f, relative + f, true);
        walk(folder + '/' + f, relative + f + '/', visit);
    }
}

// With several threads the files' fsyncs overlap and the file system can
// commit them together; one thread is what a plain run does.
void copyTree(const QString &src, const QString &dst, int threads)
{
    ::mkdir(QFile::encodeName(dst).constData(), 0777);
    FileOps::Tree from(src), to(dst);
    std::vector<QString> files;
    walk(src, QString(), [&](const QString &, const QString &relative, bool folder) {
        if (folder)
            to.createFolder(relative);
        else if (threads == 1)
            FileOps::copyFile(from, relative, to, relative, FileOps::Replace::No);
        else
            files.push_back(relative);
    });
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads && !files.empty(); ++t)
        workers.emplace_back([&] {
            FileOps::Tree myFrom(src), myTo(dst); // a tree is one thread's
            for (std::size_t i; (i = next++) < files.size();)
                FileOps::copyFile(myFrom, files[i], myTo, files[i], FileOps::Replace::No);
        });
    for (std::thread &w : workers)
        w.join();
}

// Reads the tree once, so no contender pays for a cold cache.
void warm(const QString &src)
{
    static char buf[1 << 20];
    walk(src, QString(), [](const QString &path, const QString &, bool folder) {
        if (folder)
            return;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        while (fd >= 0 && ::read(fd, buf, sizeof buf) > 0) {
        }
        if (fd >= 0)
            ::close(fd);
    });
}

void syncFs(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
}

struct Timing {
    double copy = -1; // seconds; negative when not run
    double withSync = -1;
};

template <typename Copy> Timing timed(const QString &dst, Copy &&copy)
{
    syncFs(QFileInfo(dst).path()); // earlier writes are not ours to pay for
    QElapsedTimer t;
    t.start();
    copy();
    Timing r;
    r.copy = t.nsecsElapsed() / 1e9;
    syncFs(dst);
    r.withSync = t.nsecsElapsed() / 1e9;
    return r;
}

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QString bench = QStringLiteral("/tmp/orvanel-bench");
    bool clean = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == "--clean")
            clean = true;
        else
            bench = a;
    }
    const QString src = bench + "/copysrc";
    if (clean) {
        for (const QString &old : QDir(bench).entryList({"copy-*"}, QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(bench + '/' + old).removeRecursively();
    }
    QDir().mkpath(bench);
    makeSource(src);
    warm(src);

    const QString rsync = QStandardPaths::findExecutable("rsync");
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss-zzz");
    const QString base = bench + "/copy-" + stamp;
    QDir().mkpath(base);
    out << "copies go to " << base << Qt::endl;
    if (rsync.isEmpty())
        out << "rsync is not installed: its column is skipped" << Qt::endl;

    const char *parts[] = {"small", "big"};
    const char *labels[] = {"2000 files of 64 KiB", "2 files of 256 MiB"};
    for (int p = 0; p < 2; ++p) {
        const QString part = src + '/' + parts[p];
        const QString prefix = base + '/' + parts[p];
        const Timing ours = timed(prefix + "-orvanel", [&] {
            copyTree(part, prefix + "-orvanel", 1);
        });
        const Timing ours4 = timed(prefix + "-orvanel4", [&] {
            copyTree(part, prefix + "-orvanel4", 4);
        });
        const Timing cp = timed(prefix + "-cp", [&] {
            if (!run("cp", {"-a", part, prefix + "-cp"}))
                out << "cp -a failed" << Qt::endl;
        });
        Timing rs;
        if (!rsync.isEmpty())
            rs = timed(prefix + "-rsync", [&] {
                if (!run(rsync, {"-a", part + '/', prefix + "-rsync/"}))
                    out << "rsync -a failed" << Qt::endl;
            });

        out << Qt::endl << labels[p] << " (ratio: orvanel on one thread / this):" << Qt::endl;
        auto line = [&](const char *name, const Timing &t) {
            if (t.copy < 0)
                return;
            out << QStringLiteral("  %1 %2 s   with syncfs %3 s   ratio %4 (with syncfs %5)")
                       .arg(QLatin1String(name), -9)
                       .arg(t.copy, 7, 'f', 3)
                       .arg(t.withSync, 7, 'f', 3)
                       .arg(ours.copy / t.copy, 5, 'f', 2)
                       .arg(ours.withSync / t.withSync, 5, 'f', 2)
                << Qt::endl;
        };
        line("orvanel", ours);
        line("orvanel/4", ours4);
        line("cp -a", cp);
        line("rsync -a", rs);
    }
    return 0;
}
