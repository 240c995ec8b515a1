#include "engine/fs/SingleInstance.h"
#include "TestFiles.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEndsAndACrashedHoldersLockIsTakenOver)
{
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    ASSERT_EQ(first->acquire(), SingleInstance::Result::Acquired);
    SingleInstance second(dir.path());
    EXPECT_EQ(second.acquire(), SingleInstance::Result::AlreadyRunning);
    first.reset();
    EXPECT_EQ(second.acquire(), SingleInstance::Result::Acquired);
    QTemporaryDir other;
    QProcess gone;
    gone.start("true", {});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    writeBytes(QDir(other.path()).filePath(SingleInstance::lockFileName()),
               QByteArray::number(deadPid) + "\norvanel\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_EQ(SingleInstance(other.path()).acquire(), SingleInstance::Result::Acquired);
}
