#include "addressbook/mailmerge/LibsecretStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "tests/mailmerge/PrivateSessionBus.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::PrivateSessionBus;
using testing::ReadFileBytes;
using testing::ScopedEnv;
using testing::TempDir;
using Clock = std::chrono::steady_clock;

constexpr auto kQuickly = std::chrono::seconds(2);

MailMergeSettings WithPassword() {
  MailMergeSettings settings;
  settings.smtpServer = "smtp.example.org";
  settings.userName = "anna@example.org";
  settings.password = "s3cret pass";
  return settings;
}

// The password as the settings file holds it.
std::string PasswordInFile(const std::string& path) {
  Bytes block = ReadFileBytes(path);
  if (block.size() != mailmerge::kSettingsSize) return "(no file)";
  return DecodeMailMergeSettings(block).password;
}

// Without a secret service the store says so at once, and the password
// stays in the settings file.
void ExpectNotAvailable(LibsecretStore& store, const TempDir& dir) {
  auto started = Clock::now();
  EXPECT_FALSE(store.Available());
  EXPECT_LT(Clock::now() - started, kQuickly);

  std::string path = dir.File("MailMerge.inf");
  ASSERT_TRUE(WriteMailMergeSettings(path, WithPassword(), &store).ok());
  EXPECT_EQ(PasswordInFile(path), "s3cret pass");
  EXPECT_EQ(ReadMailMergeSettings(path, &store).password, "s3cret pass");
}

TEST(LibsecretStore, NoSessionBusMeansNoSecretService) {
  TempDir dir;
  ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", "");
  ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());  // no "bus" socket in it
  EXPECT_EQ(SessionBusAddress(), "");
  LibsecretStore store;
  ExpectNotAvailable(store, dir);
  auto started = Clock::now();
  EXPECT_EQ(store.Store("anna@smtp.example.org", "x").what(), "No secret service runs on the desktop");
  EXPECT_EQ(store.Lookup("anna@smtp.example.org").result().what(), "No secret service runs on the desktop");
  EXPECT_EQ(store.Clear("anna@smtp.example.org").what(), "No secret service runs on the desktop");
  EXPECT_LT(Clock::now() - started, kQuickly);
}

TEST(LibsecretStore, SessionBusThatIsGoneMeansNoSecretService) {
  TempDir dir;
  ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.File("bus"));
  EXPECT_EQ(SessionBusAddress(), "unix:path=" + dir.File("bus"));
  LibsecretStore store;
  ExpectNotAvailable(store, dir);
  auto started = Clock::now();
  EXPECT_FALSE(store.Store("anna@smtp.example.org", "x").ok());
  EXPECT_FALSE(store.Lookup("anna@smtp.example.org").ok());
  EXPECT_LT(Clock::now() - started, kQuickly);
}

TEST(LibsecretStore, SessionBusWithoutSecretServiceMeansNone) {
  if (::access(testing::kDbusDaemon, X_OK) != 0) GTEST_SKIP() << "dbus-daemon is not installed";
  TempDir dir;
  PrivateSessionBus bus(dir.File("session"));
  ASSERT_TRUE(bus.running());
  ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", bus.address());
  LibsecretStore store;
  ExpectNotAvailable(store, dir);
}

// A real secret service: Debian's gnome-keyring-daemon runs headless on a
// bus of the tests' own, one for the whole test program and ended with it.
// (libsecret keeps its link to the first session bus it used for the life
// of the process, as a desktop program keeps its session.)
class WithKeyring : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(testing::kDbusDaemon, X_OK) != 0) GTEST_SKIP() << "dbus-daemon is not installed";
    if (::access(testing::kGnomeKeyringDaemon, X_OK) != 0) GTEST_SKIP() << "gnome-keyring is not installed";
    static std::unique_ptr<PrivateSessionBus> shared = [] {
      std::string folder = (std::filesystem::temp_directory_path() / "velmora-keyring-XXXXXX").string();
      if (!::mkdtemp(folder.data())) return std::unique_ptr<PrivateSessionBus>();
      auto bus = std::make_unique<PrivateSessionBus>(folder, /*removeFolder=*/true);
      if (!bus->running() || !bus->StartKeyring()) return std::unique_ptr<PrivateSessionBus>();
      return bus;
    }();
    ASSERT_TRUE(shared) << "a session bus with gnome-keyring-daemon on it";
    bus_ = shared.get();
    address_.emplace("DBUS_SESSION_BUS_ADDRESS", bus_->address());
    for (int i = 0; i < 100 && !store_.Available(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(store_.Available()) << "gnome-keyring-daemon took its name on the bus";
  }

  TempDir dir_;
  PrivateSessionBus* bus_ = nullptr;
  std::optional<ScopedEnv> address_;
  LibsecretStore store_{std::chrono::seconds(10)};
};

TEST_F(WithKeyring, PasswordsAreKeptPerServerAndUser) {
  // The user name may hold "@" itself; the server is what follows the last.
  const std::string anna = "anna@example.org@smtp.example.org";
  ASSERT_TRUE(store_.Store(anna, "first").ok());
  ASSERT_TRUE(store_.Store("anna@example.org@mail.example.org", "other server").ok());
  ResultOf<std::string> found = store_.Lookup(anna);
  ASSERT_TRUE(found.ok()) << found.Message();
  EXPECT_EQ(found.value(), "first");
  EXPECT_EQ(store_.Lookup("anna@example.org@mail.example.org").value(), "other server");
  EXPECT_EQ(store_.Lookup("bob@smtp.example.org").value(), "") << "nothing stored for another user";

  ASSERT_TRUE(store_.Store(anna, "second").ok());
  EXPECT_EQ(store_.Lookup(anna).value(), "second") << "a new password replaces the old one";
  ASSERT_TRUE(store_.Clear(anna).ok());
  EXPECT_EQ(store_.Lookup(anna).value(), "");
  EXPECT_EQ(store_.Lookup("anna@example.org@mail.example.org").value(), "other server");
}

TEST_F(WithKeyring, SettingsKeepThePasswordOutOfTheFile) {
  std::string path = dir_.File("MailMerge.inf");
  ASSERT_TRUE(store_.Clear(MailMergeSecretAccount(WithPassword())).ok());
  ASSERT_TRUE(WriteMailMergeSettings(path, WithPassword(), &store_).ok());
  EXPECT_EQ(PasswordInFile(path), "");
  ResultOf<std::string> found = store_.Lookup(MailMergeSecretAccount(WithPassword()));
  ASSERT_TRUE(found.ok()) << found.Message();
  EXPECT_EQ(found.value(), "s3cret pass");
  EXPECT_EQ(ReadMailMergeSettings(path, &store_), WithPassword());
}

TEST_F(WithKeyring, ServiceThatStopsAnsweringIsGivenUpInTime) {
  Result kept = store_.Store("cara@smtp.example.org", "kept");
  ASSERT_TRUE(kept.ok()) << kept.Message();
  ASSERT_EQ(::kill(bus_->keyring(), SIGSTOP), 0);
  LibsecretStore impatient(std::chrono::milliseconds(500));
  auto started = Clock::now();
  Result stored = impatient.Store("cara@smtp.example.org", "new");
  ResultOf<std::string> found = impatient.Lookup("cara@smtp.example.org");
  auto took = Clock::now() - started;
  ::kill(bus_->keyring(), SIGCONT);
  EXPECT_EQ(stored.what(), "The secret service did not answer");
  EXPECT_EQ(found.result().what(), "The secret service did not answer");
  EXPECT_LT(took, std::chrono::seconds(6));
  // A call given up may still be carried out once the service wakes; the
  // store goes on working with it.
  ASSERT_TRUE(store_.Store("cara@smtp.example.org", "after").ok());
  ResultOf<std::string> after = store_.Lookup("cara@smtp.example.org");
  ASSERT_TRUE(after.ok()) << after.Message();
  EXPECT_EQ(after.value(), "after");
}

}  // namespace
}  // namespace velmora
