// The suite broadcast between two processes on a private session bus (this
// test program runs itself under dbus-run-session), and without any bus.
#include "shell/DBusBroadcast.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <sstream>

#include "ShellTestSupport.h"

namespace velmora::testing {

// Runs in the process started under dbus-run-session ("--broadcast-check"):
// sends 100 to a helper process, which answers 101. Empty when all went as
// expected, else what did not.
std::string RunBroadcastExchange() {
  DBusBroadcast mine;
  if (!mine.connected()) return "no session bus under dbus-run-session";
  std::vector<std::pair<int, qint64>> heard;
  QObject::connect(&mine, &DBusBroadcast::received, [&](int what, qint64 sender) { heard.emplace_back(what, sender); });

  QProcess helper;
  helper.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--broadcast-helper")});
  if (!helper.waitForStarted(5000) || !helper.waitForReadyRead(10000)) return "the helper did not start";
  const QByteArray ready = helper.readLine().trimmed();
  if (!ready.startsWith("ready ")) return "helper said: " + ready.toStdString();
  const qint64 helperId = ready.mid(6).toLongLong();

  const qint64 myId = DBusBroadcast::WindowSenderId(42);
  // Sent again until answered: the helper's subscription may still be on its
  // way to the bus when it says it is ready.
  QElapsedTimer clock;
  clock.start();
  while (heard.empty() && clock.elapsed() < 10000) {
    if (!mine.send(100, myId)) return "send failed";
    QTest::qWait(100);
  }
  mine.send(999, myId);
  const bool ended = helper.waitForFinished(10000);
  const std::string output = (ready + "\n" + helper.readAll()).toStdString();

  std::ostringstream problems;
  if (!ended || helper.exitCode() != 0) problems << "the helper did not end on 999; ";
  if (heard.empty()) problems << "no answer from the helper; ";
  for (const auto& [what, sender] : heard) {
    if (what != 101 || sender != helperId) problems << "heard " << what << " from " << sender << "; ";
  }
  if (output.find("got 100 " + std::to_string(myId) + "\n") == std::string::npos) {
    problems << "the helper did not hear 100 with this sender; ";
  }
  if (output.find("got 101") != std::string::npos) problems << "the helper heard its own broadcast; ";
  if (!problems.str().empty()) problems << "helper output: " << output;
  return problems.str();
}

namespace {

TEST(SuiteBroadcastTest, ReachesAnotherProcessButNotItsSender) {
  const QString runSession = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
  if (runSession.isEmpty()) GTEST_SKIP() << "dbus-run-session is not installed: no session bus can be started";
  QProcess check;
  check.setProcessChannelMode(QProcess::MergedChannels);
  check.start(runSession, {QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                           QStringLiteral("--broadcast-check")});
  ASSERT_TRUE(check.waitForStarted(5000));
  ASSERT_TRUE(check.waitForFinished(60000));
  const std::string output = check.readAll().toStdString();
  EXPECT_EQ(check.exitCode(), 0) << output;
  EXPECT_NE(output.find("broadcast: ok"), std::string::npos) << output;
}

TEST(SuiteBroadcastTest, WithoutABusNothingIsSentAndNothingFails) {
  QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/velmora-bus"),
                                                       QStringLiteral("velmora-no-bus"));
  DBusBroadcast broadcast(none);
  EXPECT_FALSE(broadcast.connected());
  EXPECT_FALSE(broadcast.send(100, 1));
  QDBusConnection::disconnectFromBus(QStringLiteral("velmora-no-bus"));
}

TEST(SuiteBroadcastTest, SenderIdNamesProcessAndWindow) {
  const qint64 id = DBusBroadcast::WindowSenderId(0x1234567890ULL);
  EXPECT_EQ(id >> 32, QCoreApplication::applicationPid());
  EXPECT_EQ(id & 0xFFFFFFFF, 0x34567890);
  EXPECT_NE(DBusBroadcast::WindowSenderId(1), DBusBroadcast::WindowSenderId(2));
}

}  // namespace
}  // namespace velmora::testing
