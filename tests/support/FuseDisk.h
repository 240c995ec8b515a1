#pragma once

#include <QString>

// A small FAT32 or exFAT disk image mounted through FUSE, as a USB stick
// would be; unmounted and freed again when the object goes. Needs root and
// the tools (dosfstools + fusefat, exfatprogs + exfat-fuse): without them,
// available() is false and why() says what is missing.
class FuseDisk {
public:
    enum class Kind { Fat32, ExFat };
    FuseDisk(Kind kind, const QString &mountPoint);
    ~FuseDisk();
    FuseDisk(const FuseDisk &) = delete;
    FuseDisk &operator=(const FuseDisk &) = delete;

    bool available() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_mountPoint; }

private:
    QString m_mountPoint;
    QString m_image;
    QString m_loop;
    bool m_mounted = false;
    QString m_why;
};
