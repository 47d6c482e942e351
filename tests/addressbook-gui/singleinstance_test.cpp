// The built Cardora program started as separate processes: a second start
// without arguments leaves at once with exit code 0 while the first keeps
// running and keeps its lock; a start with a file runs beside it.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include "CardoraTestSupport.h"
#include "shell/MainWindowPresence.h"

using velmora::testing::Sandbox;

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Sandbox> sandbox_;
  std::vector<std::unique_ptr<QProcess>> processes_;

  QProcess* Launch(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_HOME"), QString::fromStdString(sandbox_->folder()));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(sandbox_->File("xdg-data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(sandbox_->File("runtime")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(CARDORA_BINARY), arguments);
    processes_.push_back(std::move(process));
    return processes_.back().get();
  }
  QString LockPath() const { return QString::fromStdString(sandbox_->File("runtime/TesselWndApp_Cardora.lock")); }
  QString DefaultFile() const { return QString::fromStdString(sandbox_->File("Works/cardora.adr")); }

 private slots:
  void init() { sandbox_ = std::make_unique<Sandbox>(); }
  void cleanup() {
    for (auto& process : processes_) {
      if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
    processes_.clear();
    sandbox_.reset();
  }

  void secondStartWithoutArgumentsLeaves() {
    QProcess* first = Launch({});
    QVERIFY(first->waitForStarted(5000));
    // The first instance holds the lock and has opened its default file.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(LockPath()) && QFileInfo::exists(DefaultFile()), 10000);
    QProcess* second = Launch({});
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    // The first is untouched: still running, still holding its lock.
    QTest::qWait(300);
    QCOMPARE(first->state(), QProcess::Running);
    QVERIFY(QFileInfo::exists(LockPath()));
    QProcess* third = Launch({});
    QVERIFY(third->waitForFinished(10000));
    QCOMPARE(third->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
  }

  void runningMainWindowIsSeenByOthers() {
    const velmora::MainWindowPresence presence(QStringLiteral("TesselWndApp_Cardora"));
    QVERIFY(!presence.OthersExist());
    QProcess* first = Launch({});
    QVERIFY(first->waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(presence.OthersExist(), 10000);
    // A process that died without closing leaves a mark that no longer
    // counts.
    first->kill();
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(!QDir(presence.Folder()).isEmpty());
    QVERIFY(!presence.OthersExist());
  }

  void startWithAFileRunsBeside() {
    QProcess* first = Launch({});
    QVERIFY(first->waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(LockPath()) && QFileInfo::exists(DefaultFile()), 10000);
    QProcess* withFile = Launch({DefaultFile()});
    QVERIFY(withFile->waitForStarted(5000));
    // It does not leave: it runs its own main window on the same file.
    QVERIFY(!withFile->waitForFinished(2500));
    QCOMPARE(withFile->state(), QProcess::Running);
    QCOMPARE(first->state(), QProcess::Running);
  }
};

CARDORA_TEST_SUITE(SingleInstanceTest)
#include "singleinstance_test.moc"
