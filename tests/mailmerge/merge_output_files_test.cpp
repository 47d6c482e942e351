// The files the mail merge writes itself (its settings, the data file, the
// e-mail template): their permissions, and what another user planted at
// their names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/MergeDataFile.h"
#include "addressbook/mailmerge/MergeTemplates.h"
#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::CanActAsOtherUser;
using testing::MakeSharedFolder;
using testing::ModeOf;
using testing::PlantLinkAsOtherUser;
using testing::ReadWholeFile;
using testing::ScopedUmask;
using testing::TempDir;
using testing::WriteWholeFile;

MailMergeSettings WithClearPassword() {
  MailMergeSettings s;
  s.smtpServer = "mail.example.org";
  s.userName = "ann";
  s.password = "secret";
  return s;
}

TEST(MergeOutputFiles, TheSettingsWithAPasswordAreReadableByTheirOwnerOnly) {
  struct Case {
    const char* name;
    mode_t umask;
    int existing;  // bits of a settings file already there, or -1
  };
  const Case cases[] = {
      {"new file, usual mask", 022, -1},
      {"new file, no mask", 0, -1},
      {"replacing a world-readable file", 022, 0644},
      {"replacing a private file", 022, 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.File("MailMerge.inf");
    if (c.existing >= 0) {
      ASSERT_TRUE(WriteWholeFile(path, "old"));
      ASSERT_EQ(::chmod(path.c_str(), mode_t(c.existing)), 0);
    }
    ScopedUmask mask(c.umask);
    // No keyring: the password is written in the file.
    ASSERT_TRUE(WriteMailMergeSettings(path, WithClearPassword(), nullptr).ok());
    EXPECT_EQ(ModeOf(path), mode_t(0600));
    EXPECT_EQ(ReadMailMergeSettings(path, nullptr).password, "secret");
  }
}

TEST(MergeOutputFiles, ADataFileIsNoWiderThanTheBookItComesFrom) {
  TempDir dir;
  const std::string path = dir.File("__tdatafile.tmp");
  ScopedUmask mask(022);
  ASSERT_TRUE(CreateDataFile(path, false, OutputMode::NoWiderThan(0600)).ok());
  EXPECT_EQ(ModeOf(path), mode_t(0600));
  ASSERT_TRUE(WriteWholeFile(dir.File("other.tmp"), ""));
  ASSERT_TRUE(CreateDataFile(dir.File("other.tmp"), false).ok());
  EXPECT_EQ(ModeOf(dir.File("other.tmp")), mode_t(0644));
}

TEST(MergeOutputFiles, AnotherUsersLinkAtAMergeFileIsReplacedNotWrittenThrough) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  struct Case {
    const char* name;
    std::function<bool(const std::string&)> write;
  };
  const Case cases[] = {
      {"MailMerge.inf", [](const std::string& p) { return WriteMailMergeSettings(p, WithClearPassword()).ok(); }},
      {"__tdatafile.tmp", [](const std::string& p) { return CreateDataFile(p, true).ok(); }},
      {"Default.txt", [](const std::string& p) { return SaveEmailTemplate(p, "Dear <<First_Name>>").ok(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string shared = MakeSharedFolder(dir.path());
    const std::string victim = dir.File("victim");
    ASSERT_TRUE(WriteWholeFile(victim, "the victim's own\n"));
    const std::string path = shared + "/" + c.name;
    ASSERT_TRUE(PlantLinkAsOtherUser(victim, path));
    ASSERT_TRUE(c.write(path));
    EXPECT_EQ(ReadWholeFile(victim), "the victim's own\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
  }
}

TEST(MergeOutputFiles, RowsAreNotAppendedThroughALinkAtTheDataFile) {
  TempDir dir;
  const std::string victim = dir.File("victim");
  ASSERT_TRUE(WriteWholeFile(victim, "kept\n"));
  const std::string path = dir.File("__tdatafile.tmp");
  ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
  EXPECT_FALSE(AppendDataRow(path, "\"a\"\r\n").ok());
  EXPECT_EQ(ReadWholeFile(victim), "kept\n");
}

}  // namespace
}  // namespace velmora
