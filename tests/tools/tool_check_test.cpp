// velmora check on clean and hand-damaged files.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "ToolFixture.h"
#include "resources/Strings.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
namespace h = format::header;
namespace r = format::record;
using format::FileKind;

class ToolCheckTest : public ToolTest {
 protected:
  const uint32_t size = format::InfoOf(FileKind::Address).recordSize;

  // Three sample contacts, the middle one deleted: balance -1, one free slot.
  void SetUp() override {
    Ok({"create", "--examples", book});
    RecordStore store(book, "");
    ASSERT_TRUE(store.DeleteRecord(SlotPosition(size, 1)).ok());
  }
};

TEST_F(ToolCheckTest, ACleanFilePasses) {
  ToolRun run = Run({"check", book});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "ok\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(ToolCheckTest, FindsEachKindOfDamage) {
  struct Case {
    const char* what;
    std::function<void(const std::string& path, uint32_t size)> damage;
    std::vector<std::string> findings;  // the start of each expected line
  };
  const Case cases[] = {
      {"balance claims no free slot",
       [](const std::string& p, uint32_t) { PatchI32(p, HeaderFieldOffset(h::kFreeSlotBalance), 0); },
       {"free-slot balance 0, but the file has 1 free slots (expected -1)"}},
      {"positive balance",
       [](const std::string& p, uint32_t) { PatchI32(p, HeaderFieldOffset(h::kFreeSlotBalance), 2); },
       {"free-slot balance 2,"}},
      {"stale edit lock",
       [](const std::string& p, uint32_t s) { Patch(p, SlotPosition(s, 2) + r::kEditLock, {1}); },
       {"edit lock held on the record at position " + std::to_string(SlotPosition(3729, 2))}},
      {"lock byte on a free slot is harmless",
       [](const std::string& p, uint32_t s) { Patch(p, SlotPosition(s, 1) + r::kEditLock, {1}); },
       {}},
      {"partial slot", [](const std::string& p, uint32_t) { Append(p, 100); },
       {"length: " + std::to_string(SlotPosition(3729, 3) + 100) + " bytes end in a partial slot of 100 bytes"}},
      {"open count after a crash",
       [](const std::string& p, uint32_t) { PatchI32(p, HeaderFieldOffset(h::kOpenCount), 3); },
       {"open count 3 while nobody has the file open"}},
      {"odd in-use byte", [](const std::string& p, uint32_t s) { Patch(p, SlotPosition(s, 0) + r::kInUse, {7}); },
       {"slot at position 2625: in-use byte 7"}},
      {"unknown record size",
       [](const std::string& p, uint32_t) { PatchI32(p, format::kPrologueRecordSize, 1000); },
       {"prologue: record size 1000", "the slots cannot be examined"}},
      {"impossible header size",
       [](const std::string& p, uint32_t) { PatchI32(p, format::kPrologueHeaderSize, 12); },
       {"prologue: header size 12, expected 1581", "the slots cannot be examined"}},
      {"two faults at once",
       [](const std::string& p, uint32_t s) {
         PatchI32(p, HeaderFieldOffset(h::kOpenCount), 1);
         Patch(p, SlotPosition(s, 0) + r::kEditLock, {1});
       },
       {"open count 1", "edit lock held on the record at position 2625"}},
  };
  const std::string pristine = ReadWholeFile(book);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(book, std::ios::binary | std::ios::trunc) << pristine;
    c.damage(book, size);
    ToolRun run = Run({"check", book});
    ToolRun lines{0, run.err, ""};
    std::vector<std::string> found = lines.Lines();
    if (c.findings.empty()) {
      EXPECT_EQ(run.exitCode, 0) << run.err;
      continue;
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(found.size(), c.findings.size()) << run.err;
    for (size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i].rfind(c.findings[i], 0), 0u) << found[i];
  }
}

TEST_F(ToolCheckTest, OpenCountAndLocksOfAFileInUseAreNotFindings) {
  RecordStore holder(book, "");
  ASSERT_TRUE(holder.LockRecord(SlotPosition(size, 0)).ok());
  ToolRun run = Run({"check", book});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  ASSERT_TRUE(holder.UnlockRecord(SlotPosition(size, 0)).ok());
}

// A compaction killed midway leaves its copy beside the file, as large as
// the file. check removes such copies (no compaction holds them) and says
// so on standard output; the file passes. Other hidden files stay.
TEST_F(ToolCheckTest, CheckRemovesTheCopyOfAKilledCompaction) {
  const std::string copy = dir.File(".book.adr.compact.q7Rt2x");
  const std::string otherWriters = dir.File(".book.adr.q7Rt2x");
  ASSERT_TRUE(WriteWholeFile(copy, ReadWholeFile(book)));
  ASSERT_TRUE(WriteWholeFile(otherWriters, std::string("partial")));
  const uint64_t copySize = fs::file_size(copy);
  const std::string before = ReadWholeFile(book);

  ToolRun run = Run({"check", book});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "removed \"" + copy + "\": the copy (" + std::to_string(copySize) +
                         " bytes) of a compaction that did not finish\nok\n");
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(fs::exists(copy));
  EXPECT_TRUE(fs::exists(otherWriters));
  EXPECT_EQ(ReadWholeFile(book), before);

  // Once removed, nothing is left to tell.
  EXPECT_EQ(Ok({"check", book}).out, "ok\n");
}

// compact removes such a copy too, and tells it with what it dropped.
TEST_F(ToolCheckTest, CompactRemovesTheCopyOfAKilledCompaction) {
  const std::string copy = dir.File(".book.adr.compact.Q7rT2X");
  ASSERT_TRUE(WriteWholeFile(copy, ReadWholeFile(book)));
  ToolRun run = Ok({"compact", book});
  EXPECT_NE(run.out.find("Removed \"" + copy + "\""), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(copy));
  EXPECT_EQ(Ok({"check", book}).out, "ok\n");
}

TEST_F(ToolCheckTest, CheckDoesNotChangeTheFile) {
  PatchI32(book, HeaderFieldOffset(h::kOpenCount), 3);
  const std::string before = ReadWholeFile(book);
  EXPECT_EQ(Run({"check", book}).exitCode, 1);
  EXPECT_EQ(Run({"info", book}).exitCode, 0);
  EXPECT_EQ(ReadWholeFile(book), before);
}

}  // namespace
}  // namespace velmora::testing

namespace velmora::testing {
namespace {

// Runs the tool as the user "nobody" (the caller must be root).
ToolRun RunAsNobody(const std::string& scratch, const std::vector<std::string>& args) {
  const std::string outPath = scratch + "/.nobody-stdout";
  const std::string errPath = scratch + "/.nobody-stderr";
  std::vector<std::string> words{VELMORA_TOOL};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(120);
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(121);
    ::execv(VELMORA_TOOL, argv.data());
    ::_exit(122);
  }
  ToolRun run;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadWholeFile(outPath);
  run.err = ReadWholeFile(errPath);
  return run;
}

// Another user's 0444 file: listed with Reader rights, every change refused
// with the Reader's message, and `check` says what it could not find out.
TEST_F(ToolCheckTest, AFileThatCanOnlyBeReadIsListedAndCheckedWithoutGuessing) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(book.c_str(), 0444), 0);
  const std::string before = ReadWholeFile(book);

  ToolRun list = RunAsNobody(dir.path(), {"list", book});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.Lines().size(), 2u);  // the two records left by SetUp

  ToolRun add = RunAsNobody(dir.path(), {"add", book});
  EXPECT_EQ(add.exitCode, 1);
  EXPECT_EQ(add.err, LoadText(102) + "\n");

  ToolRun check = RunAsNobody(dir.path(), {"check", book});
  EXPECT_EQ(check.exitCode, 0) << check.err;
  EXPECT_EQ(check.out, "ok\n");
  EXPECT_EQ(check.err.rfind("Could not take the presence lock (the file can only be read by this user)", 0), 0u)
      << check.err;
  EXPECT_EQ(ReadWholeFile(book), before);  // not even the open count moved
}

}  // namespace
}  // namespace velmora::testing
