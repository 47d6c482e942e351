#include "store/RecordQuery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "store/Bytes.h"
#include "store/Categories.h"
#include "store/RecordHeader.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace r = format::record;
constexpr uint32_t kFirst = 829, kLast = 889, kNumber = 2528;

class RecordQueryTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string path = dir.File("book.adr");
  std::unique_ptr<RecordStore> store;

  void SetUp() override {
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
  }
  RecordPosition Add(const std::string& first, const std::string& last, int32_t number = 0,
                     const std::string& category = "", bool confidential = false) {
    Bytes record;
    store->InitRecord(record, store->recordSize());
    PutText(record.data() + kFirst, 30, first);
    PutText(record.data() + kLast, 30, last);
    PutI32(record.data() + kNumber, number);
    rec::SetCategory(record.data(), category);
    rec::SetConfidential(record.data(), confidential);
    RecordPosition where = 0;
    EXPECT_TRUE(store->AddRecord(record, &where).ok());
    return where;
  }
  std::vector<std::string> FirstNames(const RecordQuery& query) {
    std::vector<std::string> names;
    Bytes record;
    for (RecordPosition p : query.positions()) {
      EXPECT_TRUE(store->ReadRecord(record, p).ok());
      names.push_back(GetText(record.data() + kFirst, 30));
    }
    return names;
  }
};

TEST_F(RecordQueryTest, OperatorsOnTextAndNumbers) {
  Add("Anna", "Berg", 1);
  Add("anneliese", "Stone", 2);
  Add("Bob", "Hanna", 3);
  struct Case {
    const char* name;
    uint32_t op;
    bool text;  // text condition on the first name, else i32 condition on the number
    const char* operand;
    int32_t number;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"equal ignores case", kOpEqual, true, "ANNA", 0, {"Anna"}},
      {"not equal", kOpNotEqual, true, "anna", 0, {"anneliese", "Bob"}},
      {"less or equal", kOpLessOrEqual, true, "anna", 0, {"Anna"}},
      {"greater", kOpGreater, true, "anna", 0, {"anneliese", "Bob"}},
      {"contains", kOpContains, true, "NN", 0, {"Anna", "anneliese"}},
      {"not contains", kOpNotContains, true, "nn", 0, {"Bob"}},
      {"begins", kOpBeginsWith, true, "ANN", 0, {"Anna", "anneliese"}},
      {"not begins", kOpNotBeginsWith, true, "ann", 0, {"Bob"}},
      {"ends", kOpEndsWith, true, "ESE", 0, {"anneliese"}},
      {"not ends", kOpNotEndsWith, true, "ese", 0, {"Anna", "Bob"}},
      {"int equal", kOpEqual, false, nullptr, 2, {"anneliese"}},
      {"int greater or equal", kOpGreaterOrEqual, false, nullptr, 2, {"anneliese", "Bob"}},
      {"int less", kOpLess, false, nullptr, 2, {"Anna"}},
      {"text operator on a number is false", kOpContains, false, nullptr, 2, {}},
      {"negated text operator on a number is true", kOpNotBeginsWith, false, nullptr, 2,
       {"Anna", "anneliese", "Bob"}},
      {"unknown operator matches", 77, true, "x", 0, {"Anna", "anneliese", "Bob"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordQuery query;
    if (c.text) {
      query.AddTextCondition(kFirst, 30, c.op, c.operand, kConnectorAnd);
    } else {
      uint8_t bytes[4];
      PutI32(bytes, c.number);
      query.AddCondition(1, kNumber, 4, c.op, bytes, 4, kConnectorAnd);
    }
    ASSERT_TRUE(query.Run(*store).ok());
    EXPECT_EQ(FirstNames(query), c.expected);
  }
}

TEST_F(RecordQueryTest, PairwiseCombiningRule) {
  Add("a", "x", 0, "Calls");     // A
  Add("b", "x", 0, "Calls");     // B
  Add("c", "x", 0, "Ideas");     // neither A nor B... category wrong
  Add("zz", "b", 0, "CALLS");    // B via last name, category differs in case
  Add("q", "q", 0, "Calls");     // category only
  RecordQuery query;
  // (first name "a" or last name "b") and category "calls"
  query.AddTextCondition(kFirst, 30, kOpEqual, "a", kConnectorOr);
  query.AddTextCondition(kLast, 30, kOpEqual, "b", kConnectorOr);
  query.AddTextCondition(r::kCategory, 30, kOpEqual, "calls", kConnectorAnd);
  query.AddTextCondition(r::kCategory, 30, kOpEqual, "calls", kConnectorAnd);
  ASSERT_TRUE(query.Run(*store).ok());
  EXPECT_EQ(FirstNames(query), (std::vector<std::string>{"a", "zz"}));

  RecordQuery single;
  single.AddTextCondition(kFirst, 30, kOpEqual, "b", kConnectorOr);
  ASSERT_TRUE(single.Run(*store).ok());
  EXPECT_EQ(FirstNames(single), std::vector<std::string>{"b"});

  RecordQuery all;
  all.AddMatchAll();
  all.AddTextCondition(kFirst, 30, kOpEqual, "nobody", kConnectorAnd);
  ASSERT_TRUE(all.Run(*store).ok());
  EXPECT_EQ(all.count(), 5u);  // a first "match all" matches everything
}

TEST_F(RecordQueryTest, CallbackConditionsSeeTheFieldAndOperand) {
  Add("Anna", "Berg", 5);
  Add("Bob", "Stone", 12);
  RecordQuery query;
  int32_t limit = 10;
  query.AddCallbackCondition(
      kNumber, &limit, sizeof limit,
      [](const uint8_t* field, const QueryCondition& c) { return GetI32(field) > GetI32(c.operand.data()) ? 1 : 0; },
      kConnectorAnd);
  ASSERT_TRUE(query.Run(*store).ok());
  EXPECT_EQ(FirstNames(query), std::vector<std::string>{"Bob"});
}

TEST_F(RecordQueryTest, ConfidentialRecordsOnlyForTheOwner) {
  Add("open", "x");
  Add("secret", "x", 0, "", true);
  Bytes header;
  ASSERT_TRUE(store->ReadHeader(header).ok());
  PutText(header.data() + format::header::kOwnerPassword, 20, "o");
  PutText(header.data() + format::header::kAssistantPassword, 20, "a");
  PutText(header.data() + format::header::kReaderPassword, 20, "r");
  ASSERT_TRUE(store->WriteHeader(header).ok());
  for (auto [password, count] : std::vector<std::pair<const char*, size_t>>{{"o", 2}, {"a", 1}, {"r", 1}}) {
    RecordStore connection(path, password);
    RecordQuery query;
    query.AddMatchAll();
    ASSERT_TRUE(query.Run(connection).ok());
    EXPECT_EQ(query.count(), count) << password;
  }
}

TEST_F(RecordQueryTest, DeletedRecordsAreSkippedAndEveryMatchIsKept) {
  RecordPosition gone = Add("gone", "x");
  ASSERT_TRUE(store->DeleteRecord(gone).ok());
  Bytes record;
  store->InitRecord(record, store->recordSize());
  for (int i = 0; i < 10050; ++i) ASSERT_TRUE(store->AddRecord(record).ok());
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(*store).ok());
  EXPECT_EQ(query.count(), 10050u);
  EXPECT_TRUE(std::is_sorted(query.positions().begin(), query.positions().end()));
}

TEST_F(RecordQueryTest, FiftyConditionsAtMost) {
  RecordQuery query;
  for (size_t i = 0; i < kMaxConditions; ++i) EXPECT_TRUE(query.AddMatchAll());
  EXPECT_FALSE(query.AddMatchAll());
  EXPECT_FALSE(query.AddTextCondition(kFirst, 30, kOpEqual, "a", kConnectorAnd));
}

// 99 results sort from the file, 100 from a memory image; both must give
// the same order, case-insensitively, with ties kept in file order.
TEST_F(RecordQueryTest, SortAgreesOnBothSidesOfTheInMemorySwitch) {
  for (size_t count : {size_t(99), size_t(100)}) {
    SCOPED_TRACE(count);
    store.reset();
    path = dir.File("sorted" + std::to_string(count) + ".adr");
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
    std::vector<std::string> expected;
    for (size_t i = 0; i < count; ++i) {
      std::string last = std::string(1, char((i * 7) % 26 + ((i % 2) ? 'A' : 'a'))) + "name";
      std::string first = std::to_string(i);
      Add(first, last);
      expected.push_back(first);
    }
    // Reference order: by folded last name, ties by insertion order.
    std::stable_sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
      auto key = [](const std::string& f) { return char(std::tolower(((std::stoi(f) * 7) % 26) + 'a')); };
      return key(a) < key(b);
    });
    RecordQuery query;
    query.AddMatchAll();
    ASSERT_TRUE(query.Run(*store).ok());
    ASSERT_TRUE(query.Sort(*store, kLast, 30, CompareText).ok());
    EXPECT_EQ(FirstNames(query), expected);
    EXPECT_EQ(query.changeCounterSeen(), store->GetChangeCounter());
    ASSERT_TRUE(query.Resort().ok());
    EXPECT_EQ(FirstNames(query), expected);

    // Knowing the key before the scan gives the same order in one pass.
    RecordQuery keyed;
    keyed.SetSortKey(kLast, 30, CompareText);
    keyed.AddMatchAll();
    ASSERT_TRUE(keyed.Run(*store).ok());
    ASSERT_TRUE(keyed.Sort(*store, kLast, 30, CompareText).ok());
    EXPECT_EQ(keyed.positions(), query.positions());
  }
}

TEST_F(RecordQueryTest, AResortAfterAnEditSeesTheNewKey) {
  for (int count : {3, 150}) {
    SCOPED_TRACE(count);
    store.reset();
    path = dir.File("edit" + std::to_string(count) + ".adr");
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
    for (int i = 0; i < count; ++i) Add("n" + std::to_string(i), "m" + std::to_string(1000 + i));
    RecordPosition first = Add("first", "a");
    RecordQuery query;
    query.SetSortKey(kLast, 30, CompareText);
    query.AddMatchAll();
    ASSERT_TRUE(query.Run(*store).ok());
    ASSERT_TRUE(query.Sort(*store, kLast, 30, CompareText).ok());
    ASSERT_EQ(query.positions().front(), first);
    Bytes record;
    ASSERT_TRUE(store->ReadRecord(record, first).ok());
    PutText(record.data() + kLast, 30, "zzz");
    ASSERT_TRUE(store->UpdateRecord(record, first).ok());
    ASSERT_TRUE(query.Resort().ok());
    EXPECT_EQ(query.positions().back(), first);
  }
}

// The folded keys of a text sort stay, in list order, whichever way the
// sort got them: gathered by the scan, read one by one, or from a memory
// image of the file.
TEST_F(RecordQueryTest, ATextSortKeepsTheFoldedKeysInListOrder) {
  struct Case {
    const char* name;
    size_t count;
    bool keyedScan;
  };
  const Case cases[] = {{"gathered by the scan", 150, true},
                        {"read record by record", 20, false},
                        {"read from a memory image", 150, false}};
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    store.reset();
    path = dir.File(std::string("keys") + std::to_string(tc.count) + (tc.keyedScan ? "k" : "") + ".adr");
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
    const char* names[] = {"Browning", "brown", "BROW", "\xC3\x9C" "ber", "Zed", "", "a\rB"};
    for (size_t i = 0; i < tc.count; ++i) Add(std::to_string(i), names[i % std::size(names)]);
    RecordQuery query;
    if (tc.keyedScan) query.SetSortKey(kLast, 30, CompareText);
    query.AddMatchAll();
    ASSERT_TRUE(query.Run(*store).ok());
    EXPECT_TRUE(query.sortedKeys().empty());
    ASSERT_TRUE(query.Sort(*store, kLast, 30, CompareText).ok());
    ASSERT_EQ(query.sortedKeyWidth(), 30u);
    ASSERT_EQ(query.sortedKeys().size(), query.count() * 30);
    Bytes record;
    for (size_t row = 0; row < query.count(); ++row) {
      ASSERT_TRUE(store->ReadRecord(record, query.positions()[row]).ok());
      Bytes expected(30, 0);
      const std::string_view last = RawText(record.data() + kLast, 30);
      for (size_t j = 0; j < last.size(); ++j) expected[j] = FoldCase(uint8_t(last[j]));
      const Bytes kept(query.sortedKeys().begin() + std::ptrdiff_t(row * 30),
                       query.sortedKeys().begin() + std::ptrdiff_t(row * 30 + 30));
      ASSERT_EQ(kept, expected) << row;
      if (row > 0) {
        EXPECT_LE(CompareTextFields(query.sortedKeys().data() + (row - 1) * 30, kept.data(), 30), 0);
      }
    }
  }
}

TEST_F(RecordQueryTest, SortedKeysGoWithTheNextRunResetOrOtherSort) {
  for (int i = 0; i < 5; ++i) Add("n", "m" + std::to_string(5 - i), i);
  auto sorted = [&](RecordQuery& query) {
    query.AddMatchAll();
    EXPECT_TRUE(query.Run(*store).ok());
    EXPECT_TRUE(query.Sort(*store, kLast, 30, CompareText).ok());
    EXPECT_FALSE(query.sortedKeys().empty());
  };
  const std::pair<const char*, void (*)(RecordQuery&, RecordStore&)> cases[] = {
      {"run", [](RecordQuery& q, RecordStore& s) { EXPECT_TRUE(q.Run(s).ok()); }},
      {"reset", [](RecordQuery& q, RecordStore&) { q.Reset(); }},
      {"prepare", [](RecordQuery& q, RecordStore&) { EXPECT_TRUE(q.Prepare().ok()); }},
      {"number sort", [](RecordQuery& q, RecordStore& s) { EXPECT_TRUE(q.Sort(s, kNumber, 4, CompareInt32).ok()); }},
  };
  for (const auto& [name, action] : cases) {
    SCOPED_TRACE(name);
    RecordQuery query;
    sorted(query);
    action(query, *store);
    EXPECT_TRUE(query.sortedKeys().empty());
    EXPECT_EQ(query.sortedKeyWidth(), 0u);
  }
}

TEST_F(RecordQueryTest, SortRejectsAKeyOutsideTheRecord) {
  Add("a", "b");
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(*store).ok());
  EXPECT_FALSE(query.Sort(*store, 3700, 100, CompareText).ok());
  EXPECT_FALSE(RecordQuery().Resort().ok());
}

TEST(ComparerTest, EachValueTypeOrdersByItsRule) {
  uint8_t a[28] = {}, b[28] = {};
  PutI32(a, -5);
  PutI32(b, 3);
  EXPECT_LT(ComparerForType(1)(a, b, 4), 0);
  PutDouble(a, 2.5);
  PutDouble(b, -1.0);
  EXPECT_GT(ComparerForType(3)(a, b, 8), 0);
  // An invalid date sorts before every valid one; two invalid dates are equal.
  PutDate(a, {30, 2, 2004});
  PutDate(b, {1, 1, 1800});
  EXPECT_LT(ComparerForType(5)(a, b, 12), 0);
  PutDate(b, {0, 0, 0});
  EXPECT_EQ(ComparerForType(5)(a, b, 12), 0);
  // Noon (hour 0 PM) after 11:55 AM.
  PutTime(a, {0, 0, 0, 2});
  PutTime(b, {11, 55, 0, 1});
  EXPECT_GT(ComparerForType(6)(a, b, 16), 0);
  a[0] = 0x80;  // -128
  b[0] = 0x7F;
  EXPECT_LT(ComparerForType(9)(a, b, 1), 0);
  PutU64(a, uint64_t(-1));
  PutU64(b, 0);
  EXPECT_LT(ComparerForType(10)(a, b, 8), 0);
  PutDate(a, {1, 1, 2004});
  PutTime(a + 12, {9, 0, 0, 1});
  PutDate(b, {1, 1, 2004});
  PutTime(b + 12, {8, 55, 0, 1});
  EXPECT_GT(ComparerForType(11)(a, b, 28), 0);
  EXPECT_EQ(ComparerForType(12), nullptr);
}

TEST(CategoryTest, DefaultsNamesAndLimits) {
  Bytes block;
  BuildDefaultCategories(block);
  ASSERT_EQ(block.size(), 1032u);
  EXPECT_EQ(GetU32(block.data()), 1032u);
  EXPECT_EQ(GetU32(block.data() + 8), 15u);
  const std::vector<std::string> defaults = {"Calls",    "Clients", "Expenses", "Follow up", "Ideas",
                                             "Meetings", "Issues",  "People",   "Personal",  "Projects",
                                             "Public",   "Holiday", "Travel",   "Vacation",  "Test"};
  EXPECT_EQ(CategoryNames(block), defaults);
  EXPECT_EQ(GetI32(block.data() + 12 + 30), -1);
  EXPECT_EQ(GetI32(block.data() + 12 + 15 * 34 + 30), 0);

  std::vector<std::string> thirty;
  for (int i = 0; i < 30; ++i) thirty.push_back("Category " + std::to_string(i));
  SetCategoryNames(block, thirty);
  EXPECT_EQ(GetU32(block.data() + 8), 30u);
  EXPECT_EQ(CategoryNames(block).size(), 29u);
  EXPECT_TRUE(std::all_of(block.begin() + 12 + 29 * 34, block.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(RecordQueryTest, CategoryMembershipEqualsOrContains) {
  Add("one", "x", 0, "Calls");
  Add("two", "x", 0, "CALLS");
  Add("three", "x", 0, "Callbacks");
  RecordQuery equal;
  ASSERT_TRUE(AddCategoryEqualsConditions(equal, "Calls"));
  ASSERT_TRUE(equal.Run(*store).ok());
  EXPECT_EQ(FirstNames(equal), (std::vector<std::string>{"one", "two"}));
  RecordQuery contains;
  ASSERT_TRUE(AddCategoryContainsCondition(contains, "Call", kConnectorAnd));
  ASSERT_TRUE(contains.Run(*store).ok());
  EXPECT_EQ(contains.count(), 3u);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// The fast text sort must order exactly as CompareText does: case folded
// A..Z only, the end of either text ending the comparison, bytes after a
// terminator ignored.
TEST_F(RecordQueryTest, TextSortMatchesCompareTextOnAwkwardKeys) {
  std::mt19937 random(7);
  const char alphabet[] = {'a', 'A', 'b', 'B', '[', '_', '\xC3', '\xA9'};
  std::vector<Bytes> keys;
  for (int i = 0; i < 300; ++i) {
    Bytes record;
    store->InitRecord(record, store->recordSize());
    size_t length = random() % 5;
    for (size_t j = 0; j < 29; ++j) record[kLast + j] = uint8_t(alphabet[random() % 8]);
    record[kLast + length] = 0;  // garbage stays after the terminator
    RecordPosition where = 0;
    ASSERT_TRUE(store->AddRecord(record, &where).ok());
    keys.push_back(Bytes(record.begin() + kLast, record.begin() + kLast + 30));
  }
  std::vector<size_t> expected(keys.size());
  std::iota(expected.begin(), expected.end(), 0);
  std::stable_sort(expected.begin(), expected.end(), [&](size_t a, size_t b) {
    return CompareTextFields(keys[a].data(), keys[b].data(), 30) < 0;
  });
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(*store).ok());
  ASSERT_TRUE(query.Sort(*store, kLast, 30, CompareText).ok());
  ASSERT_EQ(query.count(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(query.positions()[i], 2625u + expected[i] * 3729u) << i;
  }
}

}  // namespace
}  // namespace velmora
