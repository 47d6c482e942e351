// The entry of the calendar's window tests: one QApplication on the
// offscreen platform, then the tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "tests/support/Sandbox.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("QT_LOGGING_RULES", "qt.multimedia.*=false", 0);
  // The suite broadcast of the tests must never reach the user's programs.
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  // Nothing the tests do may reach the user's real folders.
  velmora::testing::TempDir home;
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
