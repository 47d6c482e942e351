// What the address book's window tests share: a sandbox per test
// (tests/support/GuiSandbox.h) with quiet suite settings, and waiting on the
// event loop (tests/support/WaitUntil.h).
#pragma once

#include <gtest/gtest.h>

#include "tests/support/GuiSandbox.h"
#include "tests/support/WaitUntil.h"

namespace velmora::testing {

// The sandbox of every test: the window-test sandbox with quiet suite
// settings (no sound, animation or splash).
class Sandbox : public GuiSandbox {
 public:
  Sandbox() : GuiSandbox(Settings::Quiet) {}
};

}  // namespace velmora::testing
