// The single-instance lock: held by one instance at a time, in this process
// or another, and taken over from a process that died holding it.
#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include "ShellTestSupport.h"

namespace velmora::testing {
namespace {

class SingleInstanceTest : public ShellTest {
 protected:
  // This test program holding the lock at path in a second process.
  std::unique_ptr<QProcess> StartHolder(const QString& path) {
    auto holder = std::make_unique<QProcess>();
    holder->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--lock-helper"), path});
    EXPECT_TRUE(holder->waitForStarted(5000));
    EXPECT_TRUE(holder->waitForReadyRead(10000));
    EXPECT_EQ(holder->readLine().trimmed().toStdString(), "locked");
    return holder;
  }
  QString lockPath = QString::fromStdString(File("runtime/TesselWndApp_Cardora.lock"));
};

TEST_F(SingleInstanceTest, TheLockLivesInTheRuntimeFolderUnderTheWindowClassName) {
  EXPECT_EQ(SingleInstanceLock::PathFor(QStringLiteral("Cardora")), lockPath);
  EXPECT_EQ(SingleInstanceLock::PathFor(QStringLiteral("Almanor")),
            QString::fromStdString(File("runtime/TesselWndApp_Almanor.lock")));
}

TEST_F(SingleInstanceTest, ASecondAttemptFailsWhileTheFirstHoldsIt) {
  SingleInstanceLock first(lockPath);
  ASSERT_TRUE(first.TryAcquire());
  {
    SingleInstanceLock second(lockPath);
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_EQ(second.error(), QLockFile::LockFailedError);
  }
  EXPECT_TRUE(first.held()) << "the failed attempt leaves the holder's lock alone";
  SingleInstanceLock other(QString::fromStdString(File("runtime/TesselWndApp_Almanor.lock")));
  EXPECT_TRUE(other.TryAcquire()) << "each program has its own lock";
}

TEST_F(SingleInstanceTest, ALockReleasedAtExitCanBeTakenAgain) {
  { SingleInstanceLock first(lockPath); ASSERT_TRUE(first.TryAcquire()); }
  SingleInstanceLock next(lockPath);
  EXPECT_TRUE(next.TryAcquire());
}

TEST_F(SingleInstanceTest, AnotherRunningInstanceKeepsItsLock) {
  std::unique_ptr<QProcess> holder = StartHolder(lockPath);
  SingleInstanceLock mine(lockPath);
  EXPECT_FALSE(mine.TryAcquire());
  holder->kill();
  holder->waitForFinished(5000);
}

TEST_F(SingleInstanceTest, ALockOfACrashedInstanceIsTakenOver) {
  std::unique_ptr<QProcess> holder = StartHolder(lockPath);
  holder->kill();  // SIGKILL: the lock file stays behind
  ASSERT_TRUE(holder->waitForFinished(5000));
  ASSERT_TRUE(QFile::exists(lockPath));
  SingleInstanceLock mine(lockPath);
  EXPECT_TRUE(mine.TryAcquire());
}

TEST_F(SingleInstanceTest, TheEntryPointHoldsTheLockForTheRestOfTheProcess) {
  EXPECT_TRUE(AcquireSingleInstance(QStringLiteral("Cardora")));
  EXPECT_TRUE(QFile::exists(lockPath));
  SingleInstanceLock second(lockPath);
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_TRUE(AcquireSingleInstance(QStringLiteral("Cardora"))) << "asking again in the same process";
}

}  // namespace
}  // namespace velmora::testing
