#include "FuseDisk.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

namespace {

bool runTool(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished(5000);
        return false;
    }
    if (output)
        *output = QString::fromUtf8(p.readAll()).trimmed();
    return p.exitCode() == 0;
}

QString tool(const char *name)
{
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(QString::fromLatin1(name), {"/sbin", "/usr/sbin"});
}

} // namespace

FuseDisk::FuseDisk(Kind kind, const QString &mountPoint) : m_mountPoint(mountPoint)
{
    if (::geteuid() != 0) {
        m_why = "needs root to mount a disk image";
        return;
    }
    const bool exfat = kind == Kind::ExFat;
    const QString mkfs = tool(exfat ? "mkfs.exfat" : "mkfs.vfat");
    const QString mount = tool(exfat ? "mount.exfat-fuse" : "fusefat");
    if (mkfs.isEmpty() || mount.isEmpty() || (exfat && tool("losetup").isEmpty())) {
        m_why = exfat ? "needs exfatprogs and exfat-fuse" : "needs dosfstools and fusefat";
        return;
    }
    QDir().mkpath(mountPoint);
    m_image = mountPoint + ".img";
    QFile::remove(m_image);
    if (!runTool(tool("truncate"), {"-s", "64M", m_image})
        || !runTool(mkfs, exfat ? QStringList{m_image} : QStringList{"-F", "32", m_image})) {
        m_why = "could not make the disk image";
        return;
    }
    if (exfat) {
        if (!runTool(tool("losetup"), {"-f", "--show", m_image}, &m_loop)) {
            m_why = "no free loop device";
            return;
        }
        m_mounted = runTool(mount, {m_loop, mountPoint});
    } else {
        m_mounted = runTool(mount, {"-o", "rw+", m_image, mountPoint});
    }
    if (!m_mounted)
        m_why = "the FUSE mount failed (is /dev/fuse there?)";
}

FuseDisk::~FuseDisk()
{
    if (m_mounted && !runTool(tool("fusermount"), {"-u", m_mountPoint}))
        runTool(tool("umount"), {"-l", m_mountPoint});
    if (!m_loop.isEmpty())
        runTool(tool("losetup"), {"-d", m_loop});
    if (!m_image.isEmpty())
        QFile::remove(m_image);
}
