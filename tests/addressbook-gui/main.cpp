// The entry of the address book's window tests: one QApplication on the
// offscreen platform, then every registered Qt Test suite in turn, or only
// the one named with "--suite <name>".
#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CardoraTestSupport.h"

namespace velmora::testing {

std::vector<SuiteEntry>& Suites() {
  static std::vector<SuiteEntry> suites;
  return suites;
}

bool RegisterSuite(const char* name, SuiteFactory factory) {
  Suites().push_back({name, std::move(factory)});
  return true;
}

}  // namespace velmora::testing

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("QT_LOGGING_RULES", "qt.multimedia.*=false", 0);
  // The suite broadcast of the tests must never reach the user's programs.
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  // Nothing the tests do may reach the user's real folders.
  velmora::testing::TempDir home;
  QApplication application(argc, argv);

  const char* only = nullptr;
  std::vector<char*> rest{argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--suite") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      rest.push_back(argv[i]);
    }
  }
  int failed = 0;
  bool ran = false;
  for (const auto& suite : velmora::testing::Suites()) {
    if (only && std::strcmp(only, suite.name) != 0) continue;
    ran = true;
    auto object = suite.factory();
    failed += QTest::qExec(object.get(), int(rest.size()), rest.data());
  }
  if (!ran) {
    std::fprintf(stderr, "no suite named %s\n", only ? only : "(any)");
    return 2;
  }
  return failed == 0 ? 0 : 1;
}
