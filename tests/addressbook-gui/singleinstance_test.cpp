// The built Cardora program started as separate processes: a second start
// without arguments leaves at once with exit code 0 while the first keeps
// running and keeps its lock; a start with a file runs beside it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "CardoraTestSupport.h"
#include "shell/MainWindowPresence.h"

namespace velmora::testing {
namespace {

// The marks in folder, each with its text (the process that made it) and
// the processes that have it open, for a failure's message.
std::string MarksAndTheirHolders(const QString& folder) {
  std::string out;
  for (const QFileInfo& mark : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
    QFile file(mark.filePath());
    out += "\n" + mark.fileName().toStdString() + ": ";
    if (file.open(QIODevice::ReadOnly)) out += file.readAll().replace('\n', ' ').toStdString();
    for (const QFileInfo& process : QDir(QStringLiteral("/proc")).entryInfoList(QDir::Dirs)) {
      const QDir fds(process.filePath() + QStringLiteral("/fd"));
      for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System)) {
        if (fd.symLinkTarget() == mark.absoluteFilePath()) out += " [open in process " + process.fileName().toStdString() + "]";
      }
    }
  }
  return out;
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto& process : processes_) {
      if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
    processes_.clear();
  }

  QProcess* Launch(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_HOME"), QString::fromStdString(sandbox_.folder()));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(sandbox_.File("xdg-data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(sandbox_.File("runtime")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(CARDORA_BINARY), arguments);
    processes_.push_back(std::move(process));
    return processes_.back().get();
  }
  QString LockPath() const { return QString::fromStdString(sandbox_.File("runtime/TesselWndApp_Cardora.lock")); }
  QString DefaultFile() const { return QString::fromStdString(sandbox_.File("Works/cardora.adr")); }
  // The first instance holds the lock and has opened its default file.
  bool FirstIsUp() const {
    return WaitUntil([this] { return QFileInfo::exists(LockPath()) && QFileInfo::exists(DefaultFile()); }, 10000);
  }

 private:
  Sandbox sandbox_;
  std::vector<std::unique_ptr<QProcess>> processes_;  // killed before the sandbox goes
};

TEST_F(SingleInstanceTest, SecondStartWithoutArgumentsLeaves) {
  QProcess* first = Launch({});
  ASSERT_TRUE(first->waitForStarted(5000));
  ASSERT_TRUE(FirstIsUp());
  QProcess* second = Launch({});
  ASSERT_TRUE(second->waitForFinished(10000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  // The first is untouched: still running, still holding its lock.
  RunEventsFor(300);
  EXPECT_EQ(first->state(), QProcess::Running);
  EXPECT_TRUE(QFileInfo::exists(LockPath()));
  QProcess* third = Launch({});
  ASSERT_TRUE(third->waitForFinished(10000));
  EXPECT_EQ(third->exitCode(), 0);
  EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, RunningMainWindowIsSeenByOthers) {
  const MainWindowPresence presence(QStringLiteral("TesselWndApp_Cardora"));
  ASSERT_FALSE(presence.OthersExist());
  QProcess* first = Launch({});
  ASSERT_TRUE(first->waitForStarted(5000));
  ASSERT_TRUE(WaitUntil([&] { return presence.OthersExist(); }, 10000));
  // A process that died without closing leaves a mark that no longer
  // counts.
  first->kill();
  ASSERT_TRUE(first->waitForFinished(5000));
  EXPECT_FALSE(QDir(presence.Folder()).isEmpty());
  // On a busy machine the mark can still be held a while after the kill
  // (seen up to several seconds while the whole suite runs): it must come
  // free, not stay. When it does not, what holds it is shown.
  const bool freed = WaitUntil([&] { return !presence.OthersExist(); }, 30000);
  EXPECT_TRUE(freed) << MarksAndTheirHolders(presence.Folder());
}

TEST_F(SingleInstanceTest, StartWithAFileRunsBeside) {
  QProcess* first = Launch({});
  ASSERT_TRUE(first->waitForStarted(5000));
  ASSERT_TRUE(FirstIsUp());
  QProcess* withFile = Launch({DefaultFile()});
  ASSERT_TRUE(withFile->waitForStarted(5000));
  // It does not leave: it runs its own main window on the same file.
  EXPECT_FALSE(withFile->waitForFinished(2500));
  EXPECT_EQ(withFile->state(), QProcess::Running);
  EXPECT_EQ(first->state(), QProcess::Running);
}

}  // namespace
}  // namespace velmora::testing
