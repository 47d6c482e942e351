// Damaged record files: compaction and every writer refuse them, with the
// same words as the damage test of `velmora check`, and change nothing.
// Also how compaction treats the folder, links and ownership of the file it
// rewrites, and files this user may only read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>

#include "store/Bytes.h"
#include "store/Compact.h"
#include "store/RecordFileView.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "tests/support/Files.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace h = format::header;
namespace r = format::record;
using testing::ReadWholeFile;

constexpr uint32_t kContact = 3729;

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class DamageTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string path = dir.File("book.adr");

  // Three records, then closed cleanly.
  void SetUp() override {
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    RecordStore store(path, "");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(store.AddRecord(testing::NewRecord(store)).ok());
  }
  uint64_t Slot(int i) const { return format::kFirstSlotOffset + uint64_t(i) * kContact; }
};

TEST_F(DamageTest, WritersAndCompactionRefuseADamagedFileAndChangeNothing) {
  struct Case {
    const char* what;
    uint64_t offset;
    Bytes bytes;
    const char* problem;  // the start of the problem named in the refusal
  };
  auto u32 = [](uint32_t v) {
    Bytes b(4);
    PutU32(b.data(), v);
    return b;
  };
  const Case cases[] = {
      {"header size off by one", 0, {0x2e, 0x06}, "prologue: header size 1582, expected 1581"},
      {"record size 549", format::kPrologueRecordSize, u32(549), "prologue: record size 549 is not that of"},
      {"record size of another kind", format::kPrologueRecordSize, u32(1100),
       "prologue: record size 1100 does not fit the kind \"Address\""},
      {"record size 2627", format::kPrologueRecordSize, u32(2627), "prologue: record size 2627 does not fit"},
      {"record size 65536", format::kPrologueRecordSize, u32(65536), "prologue: record size 65536 is not"},
      {"category block size", format::kPrologueCategorySize, u32(1033), "prologue: category block size 1033"},
      {"in-use byte 7", Slot(1) + r::kInUse, {7}, "slot at position 6354: in-use byte 7, expected 0 or 1"},
      {"a live slot that does not start with the record size", Slot(2) + r::kRecordSize, u32(2627),
       "slot at position 10083: a record of 2627 bytes in slots of 3729"},
  };
  const Bytes pristine = testing::ReadFileBytes(path);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(testing::WriteWholeFile(path, pristine));
    ASSERT_TRUE(testing::PatchFile(path, c.offset, c.bytes));
    const Bytes damaged = testing::ReadFileBytes(path);
    const std::string expected = std::string("The record file is damaged (") + c.problem;

    // The damage test of `check`.
    RecordFileView view;
    ASSERT_TRUE(view.Load(path).ok());
    Result found = view.FindDamage();
    EXPECT_EQ(found.Message().rfind(expected, 0), 0u) << found.Message();

    CompactReport report;
    Result compacted = CheckAndCompact(path, 1, {}, &report);
    EXPECT_FALSE(compacted.ok());
    EXPECT_EQ(compacted.Message(), found.Message());
    EXPECT_FALSE(report.compacted);
    EXPECT_EQ(testing::ReadFileBytes(path), damaged);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"book.adr"});

    {
      RecordStore store(path, "");
      ASSERT_TRUE(store.IsOpen()) << store.OpenError().Message();  // still readable
      EXPECT_EQ(store.Damage().Message(), found.Message());
      Bytes record = testing::NewRecord(store);
      for (const Result& change : {store.AddRecord(record), store.UpdateRecord(record, Slot(0)),
                                   store.DeleteRecord(Slot(0)), store.LockRecord(Slot(0))}) {
        EXPECT_FALSE(change.ok());
        EXPECT_EQ(change.Message(), found.Message());
      }
    }
    EXPECT_EQ(testing::ReadFileBytes(path), damaged);
  }
}

// Connections that only read do not scan the slots at open; the scan runs
// before the first change, so damage done after the open is still caught.
TEST_F(DamageTest, SlotsDamagedAfterTheOpenAreFoundBeforeTheFirstChange) {
  RecordStore store(path, "");
  ASSERT_TRUE(store.IsOpen()) << store.OpenError().Message();
  ASSERT_TRUE(testing::PatchFile(path, Slot(1) + r::kInUse, Bytes{7}));
  const Bytes before = testing::ReadFileBytes(path);
  Result added = store.AddRecord(testing::NewRecord(store));
  EXPECT_FALSE(added.ok());
  EXPECT_NE(added.Message().find("The record file is damaged"), std::string::npos) << added.Message();
  EXPECT_EQ(store.Damage().Message(), added.Message());
  EXPECT_EQ(testing::ReadFileBytes(path), before);
}

TEST_F(DamageTest, AReaderIsRefusedWithTheReadersCodeEvenOnADamagedFile) {
  {
    RecordStore owner(path, "");
    testing::SetPasswords(owner, {"own", "", "read"});
  }
  ASSERT_TRUE(testing::PatchFile(path, Slot(1) + r::kInUse, {9}));
  RecordStore store(path, "read");
  ASSERT_TRUE(store.IsOpen());
  EXPECT_EQ(store.AddRecord(testing::NewRecord(store)).code(), kReaderRefused);
  EXPECT_EQ(store.DeleteRecord(Slot(0)).code(), kReaderRefused);
}

TEST_F(DamageTest, ACutShortLastSlotIsDroppedAndReported) {
  const uint64_t whole = std::filesystem::file_size(path);
  Bytes partial(kContact - 1, 0);
  partial[r::kInUse] = 1;
  PutU32(partial.data(), kContact);
  ASSERT_TRUE(testing::PatchFile(path, whole, partial));

  std::vector<std::string> notices, messages;
  CompactUi ui;
  ui.showNotice = [&](const std::string& n) { notices.push_back(n); };
  ui.showMessage = [&](const std::string& m) { messages.push_back(m); };
  CompactReport report;
  ASSERT_TRUE(CheckAndCompact(path, 1, ui, &report).ok());
  EXPECT_TRUE(report.compacted);
  EXPECT_EQ(report.recordsKept, 3u);
  EXPECT_EQ(report.slotsRead, 3u);
  EXPECT_EQ(report.freeSlotsDropped, 0u);
  EXPECT_EQ(report.partialSlotBytes, kContact - 1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0], "Compacting \"" + path + "\" dropped 1 slot: the last one held only 3728 bytes (an "
                        "addition that never finished).");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(std::filesystem::file_size(path), whole);

  // Without a notice callback the message box says it.
  ASSERT_TRUE(testing::PatchFile(path, whole, partial));
  CompactUi boxOnly;
  boxOnly.showMessage = [&](const std::string& m) { messages.push_back(m); };
  ASSERT_TRUE(CheckAndCompact(path, 1, boxOnly).ok());
  EXPECT_EQ(messages, notices);

  // Free slots are what compaction is for; they are counted, not announced.
  {
    RecordStore store(path, "");
    ASSERT_TRUE(store.DeleteRecord(Slot(1)).ok());
  }
  notices.clear();
  ASSERT_TRUE(CheckAndCompact(path, 1, ui, &report).ok());
  EXPECT_EQ(report.freeSlotsDropped, 1u);
  EXPECT_EQ(report.partialSlotBytes, 0u);
  EXPECT_TRUE(notices.empty());
}

TEST_F(DamageTest, APlantedTemporaryLinkIsNeverFollowed) {
  const std::string victim = dir.File("victim.txt");
  ASSERT_TRUE(testing::WriteWholeFile(victim, std::string("keep\n")));
  for (const char* planted : {"book.adr.temp", "book.adr.copy", ".book.adr.temp"}) {
    std::filesystem::create_symlink(victim, dir.File(planted));
  }
  ASSERT_TRUE(CheckAndCompact(path, 1).ok());
  ASSERT_TRUE(CopyRecordFile(path, dir.File("copy.adr")).ok());
  EXPECT_EQ(ReadWholeFile(victim), "keep\n");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{".book.adr.temp", "book.adr", "book.adr.copy",
                                                                  "book.adr.temp", "copy.adr", "victim.txt"}));

  // Each temporary file is new, beside its file, and private until it is
  // given the permissions of the file it replaces.
  std::set<std::string> names;
  for (int i = 0; i < 3; ++i) {
    std::string temp;
    std::unique_ptr<File> file;
    ASSERT_TRUE(FileSystem::Default().CreateTemp(path, temp, file).ok());
    EXPECT_EQ(temp.rfind(dir.path() + "/.book.adr.", 0), 0u) << temp;
    struct stat st;
    ASSERT_EQ(::lstat(temp.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    names.insert(temp);
    ASSERT_TRUE(FileSystem::Default().Remove(temp).ok());
  }
  EXPECT_EQ(names.size(), 3u);
}

TEST_F(DamageTest, CompactingThroughALinkRewritesTheRealFileAndKeepsTheLink) {
  const std::string link = dir.File("link.adr");
  std::filesystem::create_symlink(path, link);
  testing::PatchFile(path, format::kHeaderOffset + h::kOpenCount, {2, 0, 0, 0});
  ASSERT_TRUE(CheckAndCompact(link, 0).ok());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::equivalent(link, path));
  EXPECT_EQ(GetI32(testing::HeaderOnDisk(path).data() + h::kOpenCount), 0);
  {
    RecordStore viaLink(link, "");
    ASSERT_TRUE(viaLink.AddRecord(testing::NewRecord(viaLink)).ok());
  }
  RecordStore viaPath(path, "");
  RecordQuery all;
  all.AddMatchAll();
  ASSERT_TRUE(all.Run(viaPath).ok());
  EXPECT_EQ(all.count(), 4u);  // one file, whichever name was used
}

TEST_F(DamageTest, CompactionKeepsPermissionsOwnerAndGroup) {
  const mode_t oldMask = ::umask(022);
  struct Case {
    mode_t mode;
    bool chownToNobody;
  };
  const bool root = ::geteuid() == 0;
  for (const Case& c : {Case{0600, false}, Case{0640, false}, Case{0664, root}, Case{0660, root}}) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    if (c.chownToNobody) {
      ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    struct stat before, after;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(CheckAndCompact(path, 1).ok());
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);  // really rewritten
    EXPECT_EQ(after.st_mode & 07777, c.mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
  }
  ::umask(oldMask);
}

// Runs body in a child process that has become the user "nobody"; the
// child's exit code is body's result. Needs root.
int AsNobody(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 91;
}

TEST_F(DamageTest, CompactionThatWouldTakeTheFileFromItsOwnerIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  testing::PatchFile(path, format::kHeaderOffset + h::kOpenCount, {1, 0, 0, 0});
  const Bytes before = testing::ReadFileBytes(path);
  const int outcome = AsNobody([&] {
    Result compacted = CheckAndCompact(path, 1);
    if (compacted.ok()) return 1;
    if (compacted.sysError() != EPERM) return 2;
    if (compacted.Message().find("without changing who may use it") == std::string::npos) return 3;
    return 0;
  });
  EXPECT_EQ(outcome, 0);
  EXPECT_EQ(testing::ReadFileBytes(path), before);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"book.adr"});
}

// Opens every file for writing with "Permission denied", as a read-only
// mount or another user's 0444 file does; reading works.
class ReadOnlyFileSystem : public FileSystem {
 public:
  Result Open(const std::string& path, std::unique_ptr<File>& out) override {
    (void)out;
    return Result::Fail("Cannot open", EACCES, path);
  }
  Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) override { return Open(path, out); }
  bool Exists(const std::string& path) override { return Posix().Exists(path); }
  Result Remove(const std::string& path) override { return Result::Fail("Cannot delete", EROFS, path); }
  Result Rename(const std::string& from, const std::string&) override {
    return Result::Fail("Cannot rename", EROFS, from);
  }
  Result SyncFolderOf(const std::string& path) override { return Posix().SyncFolderOf(path); }
};

TEST_F(DamageTest, AFileThatCanOnlyBeReadOpensWithReaderRights) {
  const Bytes before = testing::ReadFileBytes(path);
  ReadOnlyFileSystem readOnly;
  SetFileSystemForTesting(&readOnly);
  {
    RecordStore store(path, "");
    ASSERT_TRUE(store.IsOpen()) << store.OpenError().Message();
    EXPECT_TRUE(store.IsReadOnly());
    EXPECT_EQ(store.GetAccessLevel(), kAccessReader);
    RecordQuery all;
    all.AddMatchAll();
    ASSERT_TRUE(all.Run(store).ok());
    EXPECT_EQ(all.count(), 3u);
    Bytes record;
    EXPECT_TRUE(store.ReadRecord(record, Slot(0)).ok());
    for (const Result& change :
         {store.AddRecord(record), store.UpdateRecord(record, Slot(0)), store.DeleteRecord(Slot(0)),
          store.LockRecord(Slot(0)), store.WriteHeader(testing::HeaderOnDisk(path)),
          store.SetFileIdentity("A", "a@b", "", "")}) {
      EXPECT_EQ(change.code(), kReaderRefused);
    }
    bool inUse = false;
    Result probed = RecordStore::ProbeInUse(path, inUse);
    EXPECT_FALSE(probed.ok());
    EXPECT_EQ(probed.Message().rfind("Could not take the presence lock", 0), 0u) << probed.Message();
    // Compaction names the real reason, not a user who has the file open.
    Result compacted = CheckAndCompact(path, 1);
    EXPECT_EQ(compacted.Message(), "Cannot open \"" + path + "\": Permission denied");
  }
  SetFileSystemForTesting(nullptr);
  EXPECT_EQ(testing::ReadFileBytes(path), before);  // the open count too
}

TEST_F(DamageTest, EditLockGuardUnlocksOnEveryPath) {
  RecordStore store(path, "");
  {
    EditLock lock(store, Slot(0));
    ASSERT_TRUE(lock.held()) << lock.result().Message();
    EditLock second(store, Slot(0));
    EXPECT_FALSE(second.held());
    EXPECT_FALSE(second.result().ok());
  }
  EXPECT_TRUE(store.LockRecord(Slot(0)).ok());  // released by the first guard
  ASSERT_TRUE(store.UnlockRecord(Slot(0)).ok());
  EditLock early(store, Slot(1));
  ASSERT_TRUE(early.held());
  EXPECT_TRUE(early.Release().ok());
  EXPECT_FALSE(early.held());
  EXPECT_FALSE(early.Release().ok());
  EXPECT_TRUE(store.LockRecord(Slot(1)).ok());
  ASSERT_TRUE(store.UnlockRecord(Slot(1)).ok());
}

}  // namespace
}  // namespace velmora
