// Adding records in batches: the same file as adding them one by one, free
// slots reused in the same order, and a write failing at any step leaves a
// file whose header agrees with its slots.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/Bytes.h"
#include "store/RecordHeader.h"
#include "store/RecordStore.h"
#include "tests/support/Files.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace h = format::header;
namespace r = format::record;

constexpr uint32_t kNameOffset = 829;  // First_Name of a contact
constexpr uint32_t kNameWidth = 30;

// Fails the writes a rule picks; a failing write may first pass a prefix of
// its bytes, as a full disk does.
class FaultyFiles : public testing::ForwardingFileSystem {
 public:
  // offset, length -> bytes to write before failing, or -1 to pass the write.
  using Rule = std::function<int64_t(uint64_t offset, size_t length)>;
  Rule rule;

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::Open) file = std::make_unique<Faulty>(std::move(file), this);
  }

 private:
  class Faulty : public testing::ForwardingFile {
   public:
    Faulty(std::unique_ptr<File> inner, FaultyFiles* owner) : ForwardingFile(std::move(inner)), owner_(owner) {}
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      const int64_t pass = owner_->rule ? owner_->rule(o, n) : -1;
      if (pass < 0) return inner().WriteAt(o, b, n);
      if (pass > 0) (void)inner().WriteAt(o, b, size_t(pass));
      return Result::Fail("Cannot write", ENOSPC, "faulty");
    }

   private:
    FaultyFiles* owner_;
  };
};

// What the file on disk says about itself.
struct Disk {
  Bytes bytes;
  uint32_t recordSize = 0;
  explicit Disk(const std::string& path) : bytes(testing::ReadFileBytes(path)) {
    recordSize = GetU32(bytes.data() + format::kPrologueRecordSize);
  }
  const uint8_t* header() const { return bytes.data() + format::kHeaderOffset; }
  int32_t balance() const { return GetI32(header() + h::kFreeSlotBalance); }
  uint64_t counter() const { return GetU64(header() + h::kChangeCounter); }
  size_t slots() const { return (bytes.size() - format::kFirstSlotOffset) / recordSize; }
  bool whole() const { return (bytes.size() - format::kFirstSlotOffset) % recordSize == 0; }
  const uint8_t* slot(size_t i) const { return bytes.data() + format::kFirstSlotOffset + i * recordSize; }
  size_t Count(uint8_t inUse) const {
    size_t n = 0;
    for (size_t i = 0; i < slots(); ++i) n += slot(i)[r::kInUse] == inUse;
    return n;
  }
  // Names of the live records, in file order.
  std::vector<std::string> LiveNames() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < slots(); ++i) {
      if (slot(i)[r::kInUse] == 1) names.emplace_back(RawText(slot(i) + kNameOffset, kNameWidth));
    }
    return names;
  }
};

class BatchAddTest : public ::testing::Test {
 protected:
  // A file with `live` records, of which the ones listed are then deleted.
  void MakeFile(const std::string& file, int live, const std::vector<int>& deleted) {
    ASSERT_TRUE(CreateRecordFile(file, format::FileKind::Address).ok());
    RecordStore store(file, "");
    std::vector<RecordPosition> positions;
    for (int i = 0; i < live; ++i) {
      RecordPosition at = 0;
      ASSERT_TRUE(store.AddRecord(seed[size_t(i)], &at).ok());
      positions.push_back(at);
    }
    for (int i : deleted) ASSERT_TRUE(store.DeleteRecord(positions[size_t(i)]).ok());
  }

  // Records named prefix0.. laid end to end, made with the store's header.
  Bytes Batch(const std::string& prefix, size_t count) {
    Bytes all;
    for (size_t i = 0; i < count; ++i) {
      Bytes record = testing::NewRecord(*maker);
      PutText(record.data() + kNameOffset, kNameWidth, prefix + std::to_string(i));
      all.insert(all.end(), record.begin(), record.end());
    }
    return all;
  }

  void SetUp() override {
    ASSERT_TRUE(CreateRecordFile(dir.File("maker.adr"), format::FileKind::Address).ok());
    maker = std::make_unique<RecordStore>(dir.File("maker.adr"), "");
    for (int i = 0; i < 40; ++i) {
      Bytes record = testing::NewRecord(*maker);
      PutText(record.data() + kNameOffset, kNameWidth, "seed" + std::to_string(i));
      seed.push_back(record);
    }
  }
  void TearDown() override { SetFileSystemForTesting(nullptr); }

  testing::TempDir dir;
  std::unique_ptr<RecordStore> maker;
  std::vector<Bytes> seed;
};

// The same records, one by one and as a batch, into files in the same state:
// byte for byte the same files, the same positions.
TEST_F(BatchAddTest, ABatchWritesTheFileThatAddingOneByOneWrites) {
  struct Case {
    const char* name;
    int live;
    std::vector<int> deleted;
    size_t added;
    int32_t balanceOverride;  // 1: keep the file's own balance
  };
  const std::vector<Case> cases = {
      {"empty file", 0, {}, 25, 1},
      {"packed file", 10, {}, 25, 1},
      {"fewer new records than free slots", 20, {3, 7, 8, 15}, 3, 1},
      {"as many as free slots", 20, {3, 7, 8, 15}, 4, 1},
      {"more than free slots", 20, {3, 7, 8, 15}, 25, 1},
      {"balance claims more free slots than exist", 20, {3, 7}, 25, -6},
      {"balance claims free slots of a packed file", 10, {}, 5, -3},
      {"balance misses free slots", 20, {3, 7}, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string one = dir.File("one.adr"), batch = dir.File("batch.adr");
    MakeFile(one, c.live, c.deleted);
    MakeFile(batch, c.live, c.deleted);
    if (c.balanceOverride != 1) {
      for (const std::string& file : {one, batch}) {
        Bytes value(4);
        PutI32(value.data(), c.balanceOverride);
        ASSERT_TRUE(testing::PatchFile(file, format::kHeaderOffset + h::kFreeSlotBalance, value));
      }
    }
    const Bytes records = Batch("new", c.added);
    const uint32_t size = maker->recordSize();
    std::vector<RecordPosition> onePositions, batchPositions;
    {
      RecordStore store(one, "");
      for (size_t i = 0; i < c.added; ++i) {
        RecordPosition at = 0;
        ASSERT_TRUE(store.AddRecord(Bytes(records.begin() + i * size, records.begin() + (i + 1) * size), &at).ok());
        onePositions.push_back(at);
      }
    }
    {
      RecordStore store(batch, "");
      size_t added = 0;
      ASSERT_TRUE(store.AddRecords(records, &added, &batchPositions).ok());
      EXPECT_EQ(added, c.added);
    }
    EXPECT_EQ(batchPositions, onePositions);
    EXPECT_TRUE(testing::ReadFileBytes(one) == testing::ReadFileBytes(batch));
  }
}

TEST_F(BatchAddTest, ALongBatchIsSplitAndEveryRecordGoesIn) {
  const std::string file = dir.File("long.adr");
  MakeFile(file, 0, {});
  const size_t count = kMaxBatchRecords * 2 + 17;
  const Bytes records = Batch("r", count);
  const uint64_t before = Disk(file).counter();
  {
    RecordStore store(file, "");
    size_t added = 0;
    std::vector<RecordPosition> where;
    ASSERT_TRUE(store.AddRecords(records, &added, &where).ok());
    EXPECT_EQ(added, count);
    ASSERT_EQ(where.size(), count);
    EXPECT_EQ(where.back(), store.firstSlot() + (count - 1) * store.recordSize());
  }
  Disk disk(file);
  EXPECT_EQ(disk.slots(), count);
  EXPECT_EQ(disk.counter(), before + count);
  EXPECT_EQ(disk.LiveNames().back(), "r" + std::to_string(count - 1));
}

TEST_F(BatchAddTest, AReaderAddsNothingAndRecordsOfAnotherSizeAreRefused) {
  const std::string file = dir.File("guarded.adr");
  MakeFile(file, 3, {});
  {
    RecordStore owner(file, "");
    testing::SetPasswords(owner, {"boss", "", "look"});
  }
  const std::vector<std::string> before = Disk(file).LiveNames();
  {
    RecordStore reader(file, "look");
    EXPECT_EQ(reader.AddRecords(Batch("x", 3)).code(), kReaderRefused);
    RecordStore owner(file, "boss");
    Bytes crooked = Batch("y", 2);
    crooked.pop_back();
    EXPECT_FALSE(owner.AddRecords(crooked).ok());
  }
  Disk after(file);
  EXPECT_EQ(after.LiveNames(), before);
  EXPECT_EQ(after.slots(), 3u);
}

// A write failing at each step of a batch: the call fails, says how many
// records went in, and the file holds exactly those, with a balance and a
// change counter that agree with its slots.
TEST_F(BatchAddTest, AFailedWriteLeavesAFileWhoseHeaderAgreesWithItsSlots) {
  struct Case {
    const char* name;
    FaultyFiles::Rule rule;
    size_t expectAdded;
  };
  const uint64_t firstSlot = format::kFirstSlotOffset;
  const uint32_t size = maker->recordSize();
  // The file: 10 records, slots 2 and 5 free; the batch: 6 records, two
  // into the free slots, four appended at slot 10.
  const uint64_t end = firstSlot + 10 * uint64_t(size);
  auto isSlot = [=](uint64_t o, size_t n) { return o >= firstSlot && n == size; };
  auto isFlip = [=](uint64_t o, size_t n) { return o >= firstSlot && n == 1 && (o - firstSlot) % size == r::kInUse; };
  int flips = 0;
  const std::vector<Case> cases = {
      {"the first reused slot", [&](uint64_t o, size_t n) { return isSlot(o, n) ? int64_t(100) : -1; }, 0},
      {"the second in-use byte", [&](uint64_t o, size_t n) { return isFlip(o, n) && ++flips == 2 ? 0 : -1; }, 1},
      {"the appended records, after one and a half",
       [&](uint64_t o, size_t n) { return o == end && n > size ? int64_t(size + size / 2) : -1; }, 3},
      {"the appended records, at once", [&](uint64_t o, size_t) { return o == end ? int64_t(0) : -1; }, 2},
      {"the header", [&](uint64_t o, size_t n) { return o == format::kHeaderOffset && n > 8 ? 0 : -1; }, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = dir.File("faulty.adr");
    MakeFile(file, 10, {2, 5});
    const Disk before(file);
    flips = 0;
    FaultyFiles faulty;
    SetFileSystemForTesting(&faulty);
    size_t added = 99;
    {
      RecordStore store(file, "");
      ASSERT_TRUE(store.IsOpen());
      faulty.rule = c.rule;
      EXPECT_FALSE(store.AddRecords(Batch("new", 6), &added).ok());
      faulty.rule = nullptr;
    }
    SetFileSystemForTesting(nullptr);
    EXPECT_EQ(added, c.expectAdded);
    Disk after(file);
    EXPECT_TRUE(after.whole());
    EXPECT_EQ(after.Count(0) + after.Count(1), after.slots());
    EXPECT_EQ(after.Count(1), 8 + c.expectAdded);
    if (c.expectAdded < 6) {
      // The header write went through: it counts exactly what went in.
      EXPECT_EQ(after.counter(), before.counter() + c.expectAdded);
      EXPECT_EQ(after.balance(), -int32_t(after.Count(0)));
    }
    for (const std::string& name : after.LiveNames()) EXPECT_TRUE(name.starts_with("seed") || name.starts_with("new"));
  }
}

}  // namespace
}  // namespace velmora
