#include "store/Compact.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "store/Bytes.h"
#include "store/RecordHeader.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "store/Refresh.h"
#include "tests/support/Files.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace h = format::header;
namespace r = format::record;

using testing::ReadWholeFile;

// Passes everything to the real file system but can fail renames, the
// creation of the temporary file or writes to it.
class FaultyFileSystem : public testing::ForwardingFileSystem {
 public:
  bool failRename = false;
  bool failTempWrites = false;
  bool failTempCreation = false;

  Result CreateTemp(const std::string& near, std::string& tempPath, std::unique_ptr<File>& out) override {
    if (failTempCreation) {
      tempPath = near + ".XXXXXX";
      return Result::Fail("Program can't create a temporary file beside", EACCES, near);
    }
    return ForwardingFileSystem::CreateTemp(near, tempPath, out);
  }
  Result Rename(const std::string& from, const std::string& to) override {
    if (failRename) return Result::Fail("Cannot rename", EACCES, from);
    return real().Rename(from, to);
  }

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::CreateTemp && failTempWrites) file = std::make_unique<FullDisk>(std::move(file));
  }

 private:
  // Accepts the prefix, then reports a full disk.
  class FullDisk : public testing::ForwardingFile {
   public:
    using ForwardingFile::ForwardingFile;
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (o >= format::kFirstSlotOffset) return Result::Fail("Cannot write", ENOSPC, "temp");
      return inner().WriteAt(o, b, n);
    }
  };
};

class CompactTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string path = dir.File("book.adr");

  void SetUp() override { ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok()); }

  // Adds count records, deletes every one whose index is in freeEvery, locks
  // lockIndex, and leaves the file as a crashed program would: open count up.
  void Populate(int count, int freeEvery, int lockIndex, int openCount) {
    RecordStore store(path, "");
    std::vector<RecordPosition> positions;
    Bytes record;
    for (int i = 0; i < count; ++i) {
      store.InitRecord(record, store.recordSize());
      PutI32(record.data() + 2528, i);
      RecordPosition where = 0;
      ASSERT_TRUE(store.AddRecord(record, &where).ok());
      positions.push_back(where);
    }
    for (int i = 0; i < count; ++i) {
      if (freeEvery && i % freeEvery == 0) {
        ASSERT_TRUE(store.DeleteRecord(positions[i]).ok());
      }
    }
    if (lockIndex >= 0) {
      ASSERT_TRUE(store.LockRecord(positions[lockIndex]).ok());
    }
    Bytes header;
    ASSERT_TRUE(store.ReadHeader(header).ok());
    PutI32(header.data() + h::kOpenCount, openCount + 1);  // + this connection
    ASSERT_TRUE(store.WriteHeader(header).ok());
  }
  std::vector<int32_t> LiveNumbers() {
    RecordStore store(path, "");
    RecordQuery query;
    query.AddMatchAll();
    EXPECT_TRUE(query.Run(store).ok());
    std::vector<int32_t> numbers;
    Bytes record;
    for (RecordPosition p : query.positions()) {
      EXPECT_TRUE(store.ReadRecord(record, p).ok());
      EXPECT_EQ(record[r::kEditLock], 0);
      numbers.push_back(GetI32(record.data() + 2528));
    }
    return numbers;
  }
  Bytes RawHeader() { return testing::HeaderOnDisk(path); }
  // The names in the test's folder, sorted: compaction leaves nothing beside
  // the file it rewrites.
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(CompactTest, ACleanFileIsNotTouched) {
  Populate(5, 2, -1, 0);
  std::string before = ReadWholeFile(path);
  EXPECT_TRUE(CheckAndCompact(path, 0).ok());
  EXPECT_EQ(ReadWholeFile(path), before);
}

TEST_F(CompactTest, ACrashedFileIsCompactedWithoutLosingLiveRecords) {
  SetRefreshAllowed(true);
  Populate(250, 5, 3, 3);  // 50 free slots, one lock held, open count 3
  SetRefreshAllowed(true);
  uint64_t total = 0, steps = 0;
  std::string shownName;
  CompactUi ui;
  ui.begin = [&](const std::string& name, uint64_t slots) {
    shownName = name;
    total = slots;
  };
  ui.step = [&] { ++steps; };
  EXPECT_TRUE(CheckAndCompact(path, 0, ui).ok());
  EXPECT_EQ(shownName, "book.adr");
  EXPECT_EQ(total, 250u);
  EXPECT_EQ(steps, 250u);
  EXPECT_EQ(std::filesystem::file_size(path), 2625u + 200u * 3729u);
  Bytes header = RawHeader();
  EXPECT_EQ(GetI32(header.data() + h::kOpenCount), 0);
  EXPECT_EQ(GetI32(header.data() + h::kFreeSlotBalance), 0);
  std::vector<int32_t> expected;
  for (int i = 0; i < 250; ++i) {
    if (i % 5 != 0) expected.push_back(i);
  }
  EXPECT_EQ(LiveNumbers(), expected);  // order kept, locks cleared
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"book.adr"});
  RecordStore reopened(path, "");
  Bytes record;
  EXPECT_TRUE(reopened.LockRecord(2625 + 3729).ok());  // editable again
  ASSERT_TRUE(reopened.UnlockRecord(2625 + 3729).ok());
}

TEST_F(CompactTest, APrefixOnlyFileCompactsToAnIdenticalFile) {
  std::string before = ReadWholeFile(path);
  EXPECT_TRUE(CheckAndCompact(path, 1).ok());
  EXPECT_EQ(ReadWholeFile(path), before);
}

TEST_F(CompactTest, AFileInUseIsLeftAlone) {
  Populate(3, 2, -1, 0);
  RecordStore holder(path, "");
  std::string before = ReadWholeFile(path);
  EXPECT_FALSE(CheckAndCompact(path, 1).ok());
  EXPECT_EQ(ReadWholeFile(path), before);
  EXPECT_FALSE(CheckAndCompact(dir.File("missing.adr"), 1).ok());
}

TEST_F(CompactTest, FailuresKeepTheSourceAndSayWhy) {
  Populate(10, 2, -1, 2);
  std::string before = ReadWholeFile(path);
  FaultyFileSystem faulty;
  SetFileSystemForTesting(&faulty);
  std::vector<std::string> messages;
  CompactUi ui;
  ui.showMessage = [&](const std::string& m) { messages.push_back(m); };
  bool ended = false;
  ui.end = [&] { ended = true; };

  faulty.failTempWrites = true;
  Result full = CheckAndCompact(path, 0, ui);
  EXPECT_FALSE(full.ok());
  EXPECT_EQ(full.sysError(), ENOSPC);
  EXPECT_NE(full.Message().find("Cannot compact \"" + path + "\": writing the new copy failed in"), std::string::npos)
      << full.Message();
  EXPECT_NE(full.Message().find("No space left on device"), std::string::npos) << full.Message();
  EXPECT_EQ(ReadWholeFile(path), before);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"book.adr"});
  EXPECT_TRUE(ended);
  EXPECT_TRUE(messages.empty());

  faulty.failTempWrites = false;
  faulty.failRename = true;
  EXPECT_FALSE(CheckAndCompact(path, 0, ui).ok());
  EXPECT_EQ(ReadWholeFile(path), before);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"book.adr"});
  ASSERT_EQ(messages.size(), 1u);
  // The message names the temporary file that was made beside the source,
  // under the name compaction gives its copies.
  const std::string start = "Compact: MoveFile: error.\r\n\"" + dir.path() + "/.book.adr.compact.";
  const std::string end = "\"\r\nto\r\n\"" + path + "\"\r\n";
  EXPECT_EQ(messages[0].rfind(start, 0), 0u) << messages[0];
  EXPECT_TRUE(messages[0].ends_with(end)) << messages[0];
  EXPECT_EQ(messages[0].size(), start.size() + 6 + end.size()) << messages[0];

  faulty.failRename = false;
  faulty.failTempCreation = true;
  messages.clear();
  Result notMade = CheckAndCompact(path, 1, ui);
  EXPECT_FALSE(notMade.ok());
  EXPECT_EQ(notMade.sysError(), EACCES);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Program can't create \"" + path + ".compact.XXXXXX\".");
  EXPECT_EQ(ReadWholeFile(path), before);
  SetFileSystemForTesting(nullptr);
}

TEST_F(CompactTest, CopyRecordFileReplacesTheTarget) {
  Populate(4, 0, -1, 0);
  std::string target = dir.File("copy.adr");
  std::ofstream(target) << "old contents";
  ASSERT_TRUE(CopyRecordFile(path, target).ok());
  EXPECT_EQ(ReadWholeFile(target), ReadWholeFile(path));
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"book.adr", "copy.adr"}));
  EXPECT_FALSE(CopyRecordFile(dir.File("missing.adr"), target).ok());
  EXPECT_EQ(ReadWholeFile(target), ReadWholeFile(path));
}

}  // namespace
}  // namespace velmora
