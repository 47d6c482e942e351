// Record files the fuzzer found faults with (tests/data/fuzz), and its seed
// corpus (fuzz/corpus), each run through the same sequence and checks as the
// fuzzer (fuzz/RecordFileExercise.h); then the faults themselves, pinned
// down one by one.
//
// Memory faults in these inputs show as crashes only in a sanitizer build
// (the fuzz build, or any build with -fsanitize=address,undefined); the
// tests of behaviour below fail in every build.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/RecordFileExercise.h"
#include "store/Bytes.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace h = format::header;

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = std::filesystem::path(info.param).filename().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class RecordFileInputTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordFileInputTest, PassesEveryCheck) {
  testing::TempDir dir;
  Bytes input = fuzzing::ReadWholeFile(GetParam());
  EXPECT_EQ(fuzzing::RecordFileExercise(dir.path(), input.data(), input.size()).Run(), "");
}

INSTANTIATE_TEST_SUITE_P(Findings, RecordFileInputTest, ::testing::ValuesIn(FilesIn(VELMORA_TEST_DATA "/fuzz")),
                         TestName);
INSTANTIATE_TEST_SUITE_P(Seeds, RecordFileInputTest,
                         ::testing::ValuesIn(FilesIn(VELMORA_TEST_DATA "/../../fuzz/corpus")), TestName);

class FuzzFindingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok()); }
  testing::TempDir dir;
  std::string path = dir.File("found.adr");
};

// Found by the fuzzer: a sort key shorter than the width of its comparer's
// value type (one byte of an i32) made the comparer read past the keys the
// sort had gathered. The comparer must see the whole value, as it does when
// it compares inside the records.
TEST_F(FuzzFindingTest, ASortKeyShorterThanItsValueStillComparesTheWholeValue) {
  constexpr uint32_t kField = 3725;  // an i32 at the end of an address-book record
  constexpr int kRecords = 50;
  RecordStore store(path, "");
  for (int i = 0; i < kRecords; ++i) {
    Bytes record;
    store.InitRecord(record, store.recordSize());
    // Equal low bytes; the values fall from record to record.
    PutI32(record.data() + kField, (kRecords - i) << 8);
    ASSERT_TRUE(store.AddRecord(record).ok());
  }
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(store).ok());
  std::vector<RecordPosition> fileOrder = query.positions();

  Result sorted = query.Sort(store, kField, 1, CompareInt32);
  if (!sorted.ok()) GTEST_SKIP() << "refusing such a key is sound too";
  std::vector<RecordPosition> expected(fileOrder.rbegin(), fileOrder.rend());
  EXPECT_EQ(query.positions(), expected);
}

// Found by the fuzzer: a damaged header whose open count is the largest i32
// made opening overflow a signed integer, and a balance at the smallest i32
// made a delete overflow. The counters wrap as the 32-bit fields they are:
// opening and closing leaves the open count where it was, and the next
// check compacts the file.
TEST_F(FuzzFindingTest, CountersAtTheirLimitsSurviveOpenDeleteAndClose) {
  RecordPosition where = 0;
  {
    RecordStore store(path, "");
    Bytes record;
    store.InitRecord(record, store.recordSize());
    ASSERT_TRUE(store.AddRecord(record, &where).ok());
  }
  Bytes file = fuzzing::ReadWholeFile(path);
  PutI32(file.data() + format::kHeaderOffset + h::kOpenCount, INT32_MAX);
  PutI32(file.data() + format::kHeaderOffset + h::kFreeSlotBalance, INT32_MIN);
  ASSERT_TRUE(fuzzing::WriteWholeFile(path, file.data(), file.size()));
  {
    RecordStore store(path, "");
    ASSERT_TRUE(store.IsOpen());
    EXPECT_TRUE(store.DeleteRecord(where).ok());
  }
  file = fuzzing::ReadWholeFile(path);
  EXPECT_EQ(GetI32(file.data() + format::kHeaderOffset + h::kOpenCount), INT32_MAX);
  ASSERT_TRUE(CheckAndCompact(path, 0).ok());
  file = fuzzing::ReadWholeFile(path);
  EXPECT_EQ(GetI32(file.data() + format::kHeaderOffset + h::kOpenCount), 0);
  EXPECT_EQ(GetI32(file.data() + format::kHeaderOffset + h::kFreeSlotBalance), 0);
  EXPECT_EQ(file.size(), format::kFirstSlotOffset) << "the deleted record's slot is dropped";
}

}  // namespace
}  // namespace velmora
