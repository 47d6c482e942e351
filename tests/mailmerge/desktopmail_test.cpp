#include "addressbook/mailmerge/DesktopMail.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "addressbook/mailmerge/InternetMail.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;

using testing::ScopedEnv;
using testing::TempDir;

TEST(DesktopMail, Arguments) {
  EXPECT_EQ(XdgEmailArguments("a@example.org", "Hi\r\nthere", "Dear Anna\r\n", {"/a/one", "/b/two"}),
            (std::vector<std::string>{"--utf8", "--subject", "Hi there", "--body", "Dear Anna\r\n", "--attach",
                                      "/a/one", "--attach", "/b/two", "a@example.org"}));
}

TEST(DesktopMail, ClientFoundOnPathAndRunPerMessage) {
  TempDir dir;
  std::string bin = dir.File("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  {
    ScopedEnv path("PATH", bin);
    EXPECT_EQ(FindXdgEmail(), "");
  }
  // A stand-in client that writes down its arguments, one a line, and fails
  // for the address "busy@example.org".
  std::string script = bin + "/xdg-email";
  std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" << dir.File("args")
                        << "\"\n[ \"$(eval echo \\${$#})\" != busy@example.org ]\n";
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  ScopedEnv path("PATH", bin + ":/usr/bin:/bin");
  std::string program = FindXdgEmail();
  ASSERT_EQ(program, script);

  EXPECT_EQ(SendWithDesktopClient(program, "a@example.org", "Hello", "Body", {"/a/one"}), kMailSent);
  EXPECT_EQ(ReadWholeFile(dir.File("args")), "--utf8\n--subject\nHello\n--body\nBody\n--attach\n/a/one\na@example.org\n");
  EXPECT_NE(SendWithDesktopClient(program, "busy@example.org", "Hello", "Body", {}), kMailSent);
  EXPECT_EQ(SendWithDesktopClient(program, "a@example.org\nb", "Hello", "Body", {}), kMailBadAddress);
  EXPECT_EQ(SendWithDesktopClient(program, "--help", "Hello", "Body", {}), kMailBadAddress);
  EXPECT_EQ(SendWithDesktopClient("", "a@example.org", "Hello", "Body", {}), kMailNoLibrary);
}

}  // namespace
}  // namespace velmora
