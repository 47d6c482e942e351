// The toolkit tests need an application object; they run on the offscreen
// platform, with a program folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "tests/support/Sandbox.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("QT_LOGGING_RULES", "qt.multimedia.*=false", 0);
  velmora::testing::TempDir home;  // tests that need their own folder make one
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
