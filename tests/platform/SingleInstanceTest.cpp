#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    ASSERT_EQ(first->acquire(), SingleInstance::Result::Acquired);
    SingleInstance second(dir.path());
    EXPECT_EQ(second.acquire(), SingleInstance::Result::AlreadyRunning);
    first.reset();
    EXPECT_EQ(second.acquire(), SingleInstance::Result::Acquired);
}

TEST(SingleInstance, LockLeftByACrashedProcessIsTakenOver)
{
    QTemporaryDir dir;
    QProcess gone;
    gone.start(QStringLiteral("sleep"), {QStringLiteral("0")});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    QFile lock(QDir(dir.path()).filePath(SingleInstance::lockFileName()));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid) + "\norvanel\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    SingleInstance next(dir.path());
    EXPECT_EQ(next.acquire(), SingleInstance::Result::Acquired);
}
