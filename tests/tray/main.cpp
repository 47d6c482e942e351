// The entry of the tray program's tests: one QApplication on the offscreen
// platform, then the tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "tests/support/Sandbox.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Nothing may reach the user's own desktop: every bus is a private one.
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/velmora-tests", 1);
  velmora::testing::TempDir home;
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
