// Initialisation files: reading rules, writes that keep the rest of the
// file, atomic replacement, and the program folder and file names.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "store/FileSystem.h"
#include "store/Settings.h"
#include "tests/support/OtherUser.h"
#include "tests/support/Files.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// A fresh folder as VELMORA_HOME for each test; the old value comes back.
class SettingsTest : public ::testing::Test {
 protected:
  void TearDown() override { SetProgramName(""); }

  void Write(const std::string& content) { ASSERT_TRUE(velmora::testing::WriteWholeFile(file_, content)); }
  std::string Contents() { return velmora::testing::ReadWholeFile(file_); }
  std::string Text(std::string_view section, std::string_view key) {
    std::string value = "sentinel";
    int found = ReadSettingText(file_, section, key, value);
    EXPECT_EQ(found, value.empty() ? 0 : 1);
    return value;
  }
  std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename());
    return names;
  }

  velmora::testing::TempDir dir_;
  std::string folder_ = dir_.path();
  std::string file_ = dir_.File("test.ini");
};

TEST_F(SettingsTest, ReadingRules) {
  Write(
      "\xEF\xBB\xBF"
      "orphan=outside any section\r\n"
      "; comment=not a key\r\n"
      "[Preference]\r\n"
      "  Sort  =  3  \r\n"
      "Tab=\t7\r\n"
      ";PaneId=9\r\n"
      "Empty=\r\n"
      "NoEquals\r\n"
      "Path=C:\\a=b\r\n"
      "Twice=first\r\n"
      "Twice=second\r\n"
      "[ Other ]\n"
      "Sort=99\n"
      "[preference]\n"
      "Late=from a repeated section\n"
      "Last=no line break");
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"Preference", "Sort", "3"},
      {"PREFERENCE", "sORT", "3"},  // names match ignoring case
      {"Preference", "Tab", "7"},
      {"Preference", "PaneId", ""},     // commented out
      {"Preference", "Empty", ""},      // empty counts as absent
      {"Preference", "NoEquals", ""},
      {"Preference", "Path", "C:\\a=b"},  // split at the first '='
      {"Preference", "Twice", "first"},
      {"Preference", "orphan", ""},
      {"Other", "Sort", "99"},
      {"Preference", "Late", "from a repeated section"},
      {"Preference", "Last", "no line break"},
      {"Missing", "Sort", ""},
      {"", "orphan", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.section, c.key), c.value) << c.section << "/" << c.key;
}

TEST_F(SettingsTest, MissingFileReadsAsAbsent) {
  EXPECT_EQ(Text("Preference", "Sort"), "");
  int value = 42;
  EXPECT_EQ(ReadSettingInt(folder_ + "/none.ini", "Preference", "Sort", value), 0);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(ReadSettingInt(folder_, "Preference", "Sort", value), 0);  // a folder is no file
  EXPECT_TRUE(ReadSettingSwitch(file_, "Preference", "Sound"));
}

TEST_F(SettingsTest, TextIsCutAtCharacterBoundaries) {
  Write("[S]\nk=a\xC3\xA9z\nold=caf\xE9\n");  // é in UTF-8, then é in Windows-1252
  std::string out;
  EXPECT_EQ(ReadSettingText(file_, "S", "k", out, 3), 1);
  EXPECT_EQ(out, "a");  // é would not fit whole into 2 bytes
  EXPECT_EQ(ReadSettingText(file_, "S", "k", out, 4), 1);
  EXPECT_EQ(out, "a\xC3\xA9");
  EXPECT_EQ(ReadSettingText(file_, "S", "k", out, 1), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(ReadSettingText(file_, "S", "k", out, 0), 0);
  EXPECT_EQ(ReadSettingText(file_, "S", "old", out), 1);
  EXPECT_EQ(out, "caf\xC3\xA9");
}

TEST_F(SettingsTest, IntegersTakeTheLeadingNumber) {
  struct Case {
    const char* value;
    int found;
    int number;
  };
  const Case cases[] = {
      {"42", 1, 42},
      {"-7", 1, -7},
      {"+3", 1, 3},
      {"12abc", 1, 12},
      {"abc", 1, 0},  // "NetworkRefresh=abc" reads as 0
      {"-", 1, 0},
      {"1.9", 1, 1},
      {"2147483647", 1, 2147483647},
      {"-2147483648", 1, -2147483647 - 1},
      {"99999999999999999999", 1, 2147483647},
      {"-99999999999999999999", 1, -2147483647 - 1},
      {"", 0, 1234},  // absent: the caller's default stays
  };
  for (const Case& c : cases) {
    Write(std::string("[Preference]\nNetworkRefresh = ") + c.value + "\n");
    int value = 1234;
    EXPECT_EQ(ReadSettingInt(file_, "Preference", "NetworkRefresh", value), c.found) << c.value;
    EXPECT_EQ(value, c.number) << c.value;
  }
}

TEST_F(SettingsTest, OnlyZeroSwitchesOff) {
  struct Case {
    const char* line;
    bool on;
  };
  const Case cases[] = {
      {"Sound=0", false}, {"Sound=1", true}, {"Sound=no", true},
      {"Sound=", true},   {"Sound=00", true}, {"Other=0", true},
  };
  for (const Case& c : cases) {
    Write(std::string("[Preference]\n") + c.line + "\n");
    EXPECT_EQ(ReadSettingSwitch(file_, "Preference", "Sound"), c.on) << c.line;
  }
}

TEST_F(SettingsTest, WriteCreatesFileAndSection) {
  EXPECT_TRUE(WriteSettingText(file_, "Preference", "DefaulFile", "/home/u/book.adr").ok());
  EXPECT_TRUE(WriteSettingInt(file_, "Preference", "PaneId", -5).ok());
  EXPECT_TRUE(WriteSettingText(file_, "eServer", "server", "example.org").ok());
  EXPECT_EQ(Contents(),
            "[Preference]\nDefaulFile=/home/u/book.adr\nPaneId=-5\n"
            "[eServer]\nserver=example.org\n");
  int pane = 0;
  EXPECT_EQ(ReadSettingInt(file_, "preference", "paneid", pane), 1);
  EXPECT_EQ(pane, -5);
}

TEST_F(SettingsTest, WriteKeepsTheRestOfTheFile) {
  const std::string before =
      "; written by hand\r\n"
      "[Preference]\r\n"
      "Sort = 3 ; not a comment\r\n"
      "Tab=1\r\n"
      "\r\n"
      "[Other]\r\n"
      "Keep=this\r\n";
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  };
  const Case cases[] = {
      // An existing key changes in place, keeping its spelling and line ending.
      {"preference", "SORT", "5",
       "; written by hand\r\n[Preference]\r\nSort=5\r\nTab=1\r\n\r\n[Other]\r\nKeep=this\r\n"},
      // A new key goes to the end of its section, before the blank line.
      {"Preference", "PaneId", "2",
       "; written by hand\r\n[Preference]\r\nSort = 3 ; not a comment\r\nTab=1\r\nPaneId=2\r\n\r\n"
       "[Other]\r\nKeep=this\r\n"},
      {"Other", "New", "x",
       "; written by hand\r\n[Preference]\r\nSort = 3 ; not a comment\r\nTab=1\r\n\r\n"
       "[Other]\r\nKeep=this\r\nNew=x\r\n"},
      // A new section goes to the end of the file.
      {"Tessel Server", "port", "8080", before + "[Tessel Server]\r\nport=8080\r\n"},
  };
  for (const Case& c : cases) {
    Write(before);
    EXPECT_TRUE(WriteSettingText(file_, c.section, c.key, c.value).ok());
    EXPECT_EQ(Contents(), c.after) << c.section << "/" << c.key;
    EXPECT_EQ(Text(c.section, c.key), c.value);
  }
}

// Several keys in one rewrite land exactly where one-by-one writes would
// put them; one bad name refuses them all.
TEST_F(SettingsTest, SeveralKeysInOneWriteMatchOneByOneWrites) {
  const std::string before = "[Preference]\r\nSort=3\r\n\r\n[Other]\r\nKeep=this\r\n";
  const std::vector<SettingValue> values{{"Tab", "1"}, {"sort", "5"}, {"WPLeft", "-20"}, {"Tab", "2"}};
  Write(before);
  for (const SettingValue& v : values) ASSERT_TRUE(WriteSettingText(file_, "Preference", v.key, v.value).ok());
  const std::string oneByOne = Contents();
  Write(before);
  EXPECT_TRUE(WriteSettingTexts(file_, "Preference", values).ok());
  EXPECT_EQ(Contents(), oneByOne);
  EXPECT_EQ(Text("Preference", "Tab"), "2");

  Write(before);
  EXPECT_FALSE(WriteSettingTexts(file_, "Preference", {{"Tab", "1"}, {"k=v", "2"}}).ok());
  EXPECT_EQ(Contents(), before);
}

TEST_F(SettingsTest, WriteAfterALastLineWithoutLineBreak) {
  Write("[A]\nx=1");
  EXPECT_TRUE(WriteSettingText(file_, "A", "y", "2").ok());
  EXPECT_EQ(Contents(), "[A]\nx=1\ny=2\n");
  Write("[A]\nx=1");
  EXPECT_TRUE(WriteSettingText(file_, "B", "y", "2").ok());
  EXPECT_EQ(Contents(), "[A]\nx=1\n[B]\ny=2\n");
  Write("[A]\nx=1");
  EXPECT_TRUE(WriteSettingText(file_, "A", "x", "3").ok());
  EXPECT_EQ(Contents(), "[A]\nx=3");
}

TEST_F(SettingsTest, LineBreaksCannotCreateKeysOrSections) {
  Write("[Preference]\nSort=1\n");
  EXPECT_TRUE(WriteSettingText(file_, "Preference", "Path", "x\r\n[Evil]\r\nSort=9\nTab=8").ok());
  EXPECT_EQ(Text("Evil", "Sort"), "");
  EXPECT_EQ(Text("Preference", "Tab"), "");
  EXPECT_EQ(Text("Preference", "Sort"), "1");
  EXPECT_EQ(Text("Preference", "Path"), "x[Evil]Sort=9Tab=8");
  EXPECT_TRUE(WriteSettingText(file_, "Pref\nerence", "Ta\r\nb", "4").ok());
  EXPECT_EQ(Text("Preference", "Tab"), "4");
  EXPECT_EQ(Contents(), "[Preference]\nSort=1\nPath=x[Evil]Sort=9Tab=8\nTab=4\n");
}

TEST_F(SettingsTest, NamesThatCannotReadBackAreRefused) {
  Write("[A]\nx=1\n");
  for (auto [section, key] : std::vector<std::pair<const char*, const char*>>{
           {"A", "k=v"}, {"A", ""}, {"A", " \r\n "}, {"A", "[B"}, {"A", ";c"}, {"", "k"}, {"A]", "k"}}) {
    EXPECT_FALSE(WriteSettingText(file_, section, key, "v").ok()) << section << "/" << key;
  }
  EXPECT_EQ(Contents(), "[A]\nx=1\n");
}

TEST_F(SettingsTest, AtomicWriteLeavesNoTemporaryFileAndKeepsPermissions) {
  Write("[A]\nx=1\n");
  ASSERT_EQ(chmod(file_.c_str(), 0600), 0);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(WriteSettingInt(file_, "A", "x", i).ok());
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
  struct stat info;
  ASSERT_EQ(stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // A folder that does not exist cannot take the file; nothing is left behind.
  EXPECT_FALSE(WriteSettingText(folder_ + "/missing/x.ini", "A", "x", "1").ok());
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

// Fails one step of a settings write as a full disk or a refused rename
// would; everything else goes to the real file system.
class FailingFileSystem : public testing::ForwardingFileSystem {
 public:
  enum class Step { None, Create, Write, Sync, Rename };
  Step fail = Step::None;

  Result Rename(const std::string& from, const std::string& to) override {
    if (fail == Step::Rename) return Result::Fail("Cannot rename", EXDEV, from);
    return real().Rename(from, to);
  }
  Result CreateTemp(const std::string& beside, std::string& temp, std::unique_ptr<File>& out) override {
    if (fail == Step::Create) return Result::Fail("Cannot create a temporary file beside", EACCES, beside);
    return ForwardingFileSystem::CreateTemp(beside, temp, out);
  }

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::CreateTemp && (fail == Step::Write || fail == Step::Sync)) {
      file = std::make_unique<Failing>(std::move(file), fail);
    }
  }

 private:
  // Writes half of what it is given before a full disk, or fails the flush.
  class Failing : public testing::ForwardingFile {
   public:
    Failing(std::unique_ptr<File> inner, Step step) : ForwardingFile(std::move(inner)), step_(step) {}
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (step_ != Step::Write) return inner().WriteAt(o, b, n);
      (void)inner().WriteAt(o, b, n / 2);
      return Result::Fail("Cannot write", ENOSPC, "settings");
    }
    Result Sync() override { return step_ == Step::Sync ? Result::Fail("Cannot flush", EIO, "settings") : inner().Sync(); }

   private:
    Step step_;
  };
};

TEST_F(SettingsTest, AFailedWriteIsReportedAndLeavesTheOldFileAsItWas) {
  using Step = FailingFileSystem::Step;
  struct Case {
    Step step;
    int error;
  };
  const Case cases[] = {{Step::Create, EACCES}, {Step::Write, ENOSPC}, {Step::Sync, EIO}, {Step::Rename, EXDEV}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    Write("[Preference]\nSort=3\n");
    FailingFileSystem failing;
    failing.fail = c.step;
    SetFileSystemForTesting(&failing);
    Result written = WriteSettingInt(file_, "Preference", "Sort", 7);
    SetFileSystemForTesting(nullptr);
    EXPECT_FALSE(written.ok());
    EXPECT_EQ(written.sysError(), c.error);
    EXPECT_FALSE(written.Message().empty());
    EXPECT_EQ(Contents(), "[Preference]\nSort=3\n");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});  // no temporary file left
  }
  // The same write through the real file system goes in.
  EXPECT_TRUE(WriteSettingInt(file_, "Preference", "Sort", 7).ok());
  EXPECT_EQ(Contents(), "[Preference]\nSort=7\n");
}

TEST_F(SettingsTest, WriteThroughASymbolicLinkKeepsTheLink) {
  Write("[A]\nx=1\n");
  std::string link = folder_ + "/link.ini";
  ASSERT_EQ(symlink(file_.c_str(), link.c_str()), 0);
  EXPECT_TRUE(WriteSettingText(link, "A", "x", "2").ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Contents(), "[A]\nx=2\n");
}

TEST_F(SettingsTest, ALinkAnotherUserPlantedIsNeitherFollowedNorWrittenThrough) {
  if (!testing::CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  const std::string shared = testing::MakeSharedFolder(folder_);
  // The victim's own file, and a name where none exists yet.
  const std::string kept = folder_ + "/private.txt";
  {
    std::ofstream out(kept);
    out << "secret\n";
  }
  const std::string created = folder_ + "/created-in-the-victims-name";
  const std::string toKept = shared + "/Velmora.ini";
  const std::string toNothing = shared + "/Cardora.ini";
  ASSERT_TRUE(testing::PlantLinkAsOtherUser(kept, toKept));
  ASSERT_TRUE(testing::PlantLinkAsOtherUser(created, toNothing));

  for (const std::string& link : {toKept, toNothing}) {
    const Result written = WriteSettingText(link, "A", "x", "2");
    EXPECT_FALSE(written.ok()) << link;
    EXPECT_NE(written.Message().find("link another user made"), std::string::npos) << written.Message();
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays as it was";
  }
  std::ifstream in(kept);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "secret\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(created))) << "nothing created in the victim's name";
}

TEST_F(SettingsTest, ConcurrentWritersKeepEachOthersKeys) {
  constexpr int kWriters = 4;
  constexpr int kKeys = 25;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([this, w] {
      for (int k = 0; k < kKeys; ++k) {
        EXPECT_TRUE(WriteSettingInt(file_, "S" + std::to_string(w), "K" + std::to_string(k), k).ok());
      }
    });
  }
  for (auto& t : writers) t.join();
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeys; ++k) {
      int value = -1;
      ASSERT_EQ(ReadSettingInt(file_, "S" + std::to_string(w), "K" + std::to_string(k), value), 1);
      EXPECT_EQ(value, k);
    }
  }
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(SettingsTest, VelmoraHomeIsTheProgramFolder) {
  EXPECT_EQ(ProgramFolder(), folder_);
  setenv("VELMORA_HOME", (folder_ + "//").c_str(), 1);
  EXPECT_EQ(ProgramFolder(), folder_);  // no trailing slash
  EXPECT_EQ(SuiteSettingsPath(), folder_ + "/Velmora.ini");
  EXPECT_EQ(SuiteSettingsPath("Cardora.tb1"), folder_ + "/Cardora.tb1");
}

TEST_F(SettingsTest, WithoutVelmoraHomeTheWritableExecutableFolder) {
  fs::path executable = fs::read_symlink("/proc/self/exe");
  if (access(executable.parent_path().c_str(), W_OK) != 0) GTEST_SKIP() << "executable folder not writable";
  setenv("VELMORA_HOME", "", 1);  // empty counts as unset
  EXPECT_EQ(ProgramFolder(), executable.parent_path().string());
  unsetenv("VELMORA_HOME");
  EXPECT_EQ(ProgramFolder(), executable.parent_path().string());
}

TEST_F(SettingsTest, AnInstalledProgramKeepsItsDataInTheUsersFolderEvenWhereItMayWrite) {
  const std::string dataHome = folder_ + "/data";
  const velmora::testing::ScopedEnv home("VELMORA_HOME", "");
  const velmora::testing::ScopedEnv data("XDG_DATA_HOME", dataHome);
  // Root may write into /usr/bin; the data still goes to the user's folder.
  for (const char* program : {"/usr/bin/Cardora", "/usr/local/bin/Almanor", "/bin/velmora"}) {
    EXPECT_EQ(ProgramFolderFor(program), dataHome + "/velmora") << program;
  }
  // A program in a folder of its own (a build, an unpacked copy) keeps its
  // data beside it when it may write there.
  EXPECT_EQ(ProgramFolderFor(folder_ + "/Cardora"), folder_);
  EXPECT_TRUE(IsSystemProgramFolder("/usr/bin"));
  EXPECT_TRUE(IsSystemProgramFolder("/usr/bin/"));
  EXPECT_FALSE(IsSystemProgramFolder(folder_));
}

TEST_F(SettingsTest, ProgramNameNamesTheProgramFile) {
  std::string own = fs::read_symlink("/proc/self/exe").filename();
  EXPECT_EQ(ProgramName(), own);
  EXPECT_EQ(ProgramSettingsPath(), folder_ + "/" + own + ".ini");
  SetProgramName("Almanor");
  EXPECT_EQ(ProgramName(), "Almanor");
  EXPECT_EQ(ProgramSettingsPath(), folder_ + "/Almanor.ini");
  SetProgramName("");
  EXPECT_EQ(ProgramName(), own);
}

}  // namespace
}  // namespace velmora
