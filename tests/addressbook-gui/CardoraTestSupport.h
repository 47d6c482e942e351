// What the address book's window tests share: the registry of Qt Test
// suites, and a sandbox per test function (tests/support/GuiSandbox.h) with
// quiet suite settings.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/GuiSandbox.h"

namespace velmora::testing {

using SuiteFactory = std::function<std::unique_ptr<QObject>()>;
struct SuiteEntry {
  const char* name;
  SuiteFactory factory;
};
std::vector<SuiteEntry>& Suites();
bool RegisterSuite(const char* name, SuiteFactory factory);

#define CARDORA_TEST_SUITE(Class)                                               \
  static const bool kRegistered##Class = ::velmora::testing::RegisterSuite( \
      #Class, [] { return std::unique_ptr<QObject>(new Class); });

// The sandbox of every test function: the window-test sandbox with quiet
// suite settings (no sound, animation or splash).
class Sandbox : public GuiSandbox {
 public:
  Sandbox() : GuiSandbox(Settings::Quiet) {}
};

}  // namespace velmora::testing
