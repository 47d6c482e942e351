// The test program's entry: a QApplication on the offscreen platform, and the
// modes in which the tests start this same program as another process:
// holding the single-instance lock, answering the suite broadcast, and
// checking the broadcast on a private session bus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "shell/SingleInstance.h"
#include "shell/DBusBroadcast.h"

namespace {

// Holds the lock at path until killed (at most 60 s); prints "locked" or
// "busy".
int RunLockHelper(const char* path) {
  velmora::SingleInstanceLock lock(QString::fromLocal8Bit(path));
  const bool held = lock.TryAcquire();
  std::printf("%s\n", held ? "locked" : "busy");
  std::fflush(stdout);
  if (!held) return 1;
  QTimer::singleShot(60000, qApp, [] { QCoreApplication::exit(2); });
  return QCoreApplication::exec();
}

// Prints "ready <sender id>", then for every broadcast heard "got <what>
// <sender>"; answers 100 with 101 from its own id and leaves on 999.
int RunBroadcastHelper() {
  velmora::DBusBroadcast broadcast;
  if (!broadcast.connected()) {
    std::printf("nobus\n");
    return 1;
  }
  const qint64 self = velmora::DBusBroadcast::WindowSenderId(7);
  QObject::connect(&broadcast, &velmora::DBusBroadcast::received, [&](int what, qint64 sender) {
    std::printf("got %d %lld\n", what, static_cast<long long>(sender));
    std::fflush(stdout);
    if (what == 100) broadcast.send(101, self);
    if (what == 999) QCoreApplication::exit(0);
  });
  std::printf("ready %lld\n", static_cast<long long>(self));
  std::fflush(stdout);
  QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(3); });
  return QCoreApplication::exec();
}

}  // namespace

namespace velmora::testing {
std::string RunBroadcastExchange();  // suitebroadcast_test.cpp
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc >= 3 && std::strcmp(argv[1], "--lock-helper") == 0) return RunLockHelper(argv[2]);
  if (argc >= 2 && std::strcmp(argv[1], "--broadcast-helper") == 0) return RunBroadcastHelper();
  if (argc >= 2 && std::strcmp(argv[1], "--broadcast-check") == 0) {
    const std::string problems = velmora::testing::RunBroadcastExchange();
    std::printf("broadcast: %s\n", problems.empty() ? "ok" : problems.c_str());
    return problems.empty() ? 0 : 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
