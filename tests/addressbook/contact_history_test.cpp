// The history file beside an address book: where it lives, its creation on
// first need, and deleting one contact's entries.
#include "addressbook/model/ContactHistory.h"

#include <gtest/gtest.h>

#include "store/Bytes.h"
#include "store/RecordQuery.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

class ContactHistoryTest : public ::testing::Test {
 protected:
  // Adds an entry for contact id with a description.
  RecordPosition AddEntry(RecordStore& store, uint64_t id, const std::string& description) {
    Bytes entry;
    store.InitRecord(entry, history::kRecordSize);
    PutU64(entry.data() + history::kContactId, id);
    PutText(entry.data() + history::kDescription.offset, history::kDescription.width, description);
    RecordPosition where = 0;
    EXPECT_TRUE(store.AddRecord(entry, &where).ok());
    return where;
  }

  // Descriptions of the live entries, in file order.
  std::vector<std::string> Descriptions() {
    std::unique_ptr<RecordStore> store;
    EXPECT_TRUE(OpenHistoryFile(book_, false, store).ok());
    RecordQuery query;
    query.AddMatchAll();
    EXPECT_TRUE(query.Run(*store).ok());
    std::vector<std::string> out;
    Bytes entry;
    for (RecordPosition position : query.positions()) {
      EXPECT_TRUE(store->ReadRecord(entry, position).ok());
      out.emplace_back(RawText(entry.data() + history::kDescription.offset, history::kDescription.width));
    }
    return out;
  }

  velmora::testing::FolderSandbox sandbox_{"Cardora"};
  std::string book_ = sandbox_.File("contacts.adr");
};

TEST_F(ContactHistoryTest, LivesBesideTheAddressBookAndIsMadeOnlyWhenAskedFor) {
  EXPECT_EQ(HistoryPath("/data/contacts.adr"), "/data/contacts.adr.history");
  std::unique_ptr<RecordStore> store;
  EXPECT_FALSE(OpenHistoryFile(book_, false, store).ok());
  EXPECT_FALSE(RecordStore::FileExists(HistoryPath(book_)));

  ASSERT_TRUE(OpenHistoryFile(book_, true, store).ok());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->recordSize(), 1100u);
  EXPECT_EQ(store->GetAccessLevel(), kAccessOwner);  // no passwords
  Bytes header;
  ASSERT_TRUE(store->ReadHeader(header).ok());
  EXPECT_TRUE(RecordStore::FileExists(HistoryPath(book_)));
}

TEST_F(ContactHistoryTest, DeletingAContactsHistoryLeavesTheOthersAndTheFile) {
  {
    std::unique_ptr<RecordStore> store;
    ASSERT_TRUE(OpenHistoryFile(book_, true, store).ok());
    AddEntry(*store, 7, "call Ann");
    AddEntry(*store, 0x100000007ull, "same low half");  // differs only in the high 32 bits
    AddEntry(*store, 7, "met Ann");
    AddEntry(*store, 9, "letter");
  }
  size_t deleted = 0;
  ASSERT_TRUE(DeleteContactHistory(book_, 7, &deleted).ok());
  EXPECT_EQ(deleted, 2u);
  EXPECT_EQ(Descriptions(), (std::vector<std::string>{"same low half", "letter"}));

  // Nothing left to delete is no failure; the emptied file stays.
  ASSERT_TRUE(DeleteContactHistory(book_, 7, &deleted).ok());
  EXPECT_EQ(deleted, 0u);
  ASSERT_TRUE(DeleteContactHistory(book_, 9, &deleted).ok());
  ASSERT_TRUE(DeleteContactHistory(book_, 0x100000007ull, &deleted).ok());
  EXPECT_TRUE(Descriptions().empty());
  EXPECT_TRUE(RecordStore::FileExists(HistoryPath(book_)));

  // The freed slots are counted free again: a new entry reuses the first.
  std::unique_ptr<RecordStore> store;
  ASSERT_TRUE(OpenHistoryFile(book_, false, store).ok());
  EXPECT_EQ(AddEntry(*store, 5, "again"), store->firstSlot());
}

TEST_F(ContactHistoryTest, NoHistoryFileMeansNothingToDelete) {
  size_t deleted = 99;
  EXPECT_TRUE(DeleteContactHistory(book_, 7, &deleted).ok());
  EXPECT_EQ(deleted, 0u);
  EXPECT_FALSE(RecordStore::FileExists(HistoryPath(book_)));
}

TEST_F(ContactHistoryTest, AFileOfAnotherKindIsRefused) {
  ASSERT_TRUE(CreateRecordFile(HistoryPath(book_), format::FileKind::Calendar).ok());
  std::unique_ptr<RecordStore> store;
  Result opened = OpenHistoryFile(book_, false, store);
  EXPECT_FALSE(opened.ok());
  EXPECT_FALSE(store);
  EXPECT_FALSE(DeleteContactHistory(book_, 7).ok());
}

// Entries of two contacts with dates and times, for the list, find and
// report.
class HistoryListTest : public ContactHistoryTest {
 protected:
  void SetUp() override {
    SetClockStyle(ClockStyle::TwelveHour);
    ASSERT_TRUE(OpenHistoryFile(book_, true, store_).ok());
    Add(7, {5, 3, 2024}, {2, 30, 0, kHalfPm}, "Call back");
    Add(7, {5, 3, 2024}, {9, 0, 0, kHalfAm}, "Recall the order");
    Add(8, {1, 1, 2024}, {9, 0, 0, kHalfAm}, "call from Bob's file");
    Add(7, {31, 2, 2024}, {9, 0, 0, kHalfAm}, "bad date");
    Add(7, {1, 1, 1990}, {11, 55, 0, kHalfPm}, "letter");
  }

  void Add(uint64_t id, const DateValue& date, const TimeValue& time, const std::string& description) {
    Bytes entry = NewHistoryEntry(*store_, id, date, time);
    PutText(entry.data() + history::kDescription.offset, history::kDescription.width, description);
    ASSERT_TRUE(store_->AddRecord(entry).ok());
  }

  std::vector<std::string> Texts(const RecordQuery& query) {
    std::vector<std::string> out;
    Bytes entry;
    for (RecordPosition position : query.positions()) {
      EXPECT_TRUE(store_->ReadRecord(entry, position).ok());
      out.emplace_back(RawText(entry.data() + history::kDescription.offset, history::kDescription.width));
    }
    return out;
  }

  std::unique_ptr<RecordStore> store_;
};

TEST_F(HistoryListTest, EntriesSortByDateThenTimeOrByDescription) {
  RecordQuery query;
  ASSERT_TRUE(LoadHistoryList(*store_, query, 7, HistorySort::ByDate).ok());
  EXPECT_EQ(Texts(query), (std::vector<std::string>{"bad date", "letter", "Recall the order", "Call back"}));
  ASSERT_TRUE(LoadHistoryList(*store_, query, 7, HistorySort::ByDescription).ok());
  EXPECT_EQ(Texts(query), (std::vector<std::string>{"bad date", "Call back", "letter", "Recall the order"}));
}

TEST_F(HistoryListTest, FindLooksInTheShownContactsDescriptionsOnly) {
  RecordQuery query;
  ASSERT_TRUE(FindHistory(*store_, query, 7, "call").ok());
  EXPECT_EQ(Texts(query), (std::vector<std::string>{"Recall the order", "Call back"}));
  Bytes entry;
  ASSERT_TRUE(store_->ReadRecord(entry, query.positions()[1]).ok());
  EXPECT_EQ(HistoryFindLine(entry), "[ " + FormatDate(5, 3, 2024) + " - " + FormatTime(2, 30, kHalfPm) + " ]  Call back");
}

TEST_F(HistoryListTest, TheReportListsTheContactsEntriesByDate) {
  ResultOf<std::string> report = BuildHistoryReport(*store_, 8, "Bob", "Lee");
  ASSERT_TRUE(report.ok());
  const std::string header = "HISTORY FOR - Bob Lee\r\n" + std::string(72, '.') + "\r\n\r\n";
  EXPECT_EQ(report.value(), header + FormatDate(1, 1, 2024) + " - " + FormatTime(9, 0, kHalfAm) +
                                "\r\ncall from Bob's file\r\n\r\n");
  ResultOf<std::string> empty = BuildHistoryReport(*store_, 99, "No", "Entries");
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(empty.value(), "HISTORY FOR - No Entries\r\n" + std::string(72, '.') + "\r\n\r\n");
}

TEST_F(HistoryListTest, ANewEntryTakesItsContactDateAndFiveMinuteTime) {
  Bytes entry = NewHistoryEntry(*store_, 0x123456789ull, {2, 2, 2026}, {3, 47, 12, kHalfPm});
  EXPECT_EQ(entry.size(), history::kRecordSize);
  EXPECT_EQ(entry[format::record::kInUse], 1);
  EXPECT_EQ(GetU64(entry.data() + history::kContactId), 0x123456789ull);
  EXPECT_EQ(GetDate(entry.data() + history::kDate), (DateValue{2, 2, 2026}));
  EXPECT_EQ(TimeSlot(GetTime(entry.data() + history::kTime)), TimeSlot(3, 45, kHalfPm));
  EXPECT_EQ(DescriptionAfterBrowse(""), "Attachment.");
  EXPECT_EQ(DescriptionAfterBrowse("Invoice"), "Invoice");
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// A history file has no passwords: whose entries a user sees follows the
// address book's rights. The Owner sees all; the Assistant and the Reader
// only the live contacts that are not confidential; a wrong password none.
TEST(HistoryRightsTest, FollowTheRightsOfTheAddressBook) {
  velmora::testing::TempDir dir;
  const std::string book = dir.File("contacts.adr");
  ASSERT_TRUE(CreateRecordFile(book, format::FileKind::Address).ok());
  uint64_t open = 0, secret = 0, gone = 0;
  {
    RecordStore owner(book, "");
    auto add = [&](bool confidential) {
      Bytes record;
      owner.InitRecord(record, owner.recordSize());
      record[format::record::kConfidential] = confidential ? 1 : 0;
      RecordPosition where = 0;
      EXPECT_TRUE(owner.AddRecord(record, &where).ok());
      return std::pair{GetU64(record.data() + format::record::kId), where};
    };
    open = add(false).first;
    secret = add(true).first;
    const auto [id, where] = add(false);
    gone = id;
    ASSERT_TRUE(owner.DeleteRecord(where).ok());
    velmora::testing::SetPasswords(owner, {"own", "asst", "read"});
  }
  struct Case {
    const char* password;
    int level;
    bool open, secret, gone;
  };
  const Case cases[] = {
      {"own", kAccessOwner, true, true, true},
      {"asst", kAccessAssistant, true, false, false},
      {"read", kAccessReader, true, false, false},
      {"", kAccessNone, false, false, false},
      {"wrong", kAccessNone, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    RecordStore store(book, c.password);
    HistoryRights rights;
    ASSERT_TRUE(HistoryRightsOf(store, rights).ok());
    EXPECT_EQ(rights.accessLevel, c.level);
    EXPECT_EQ(rights.Shows(open), c.open);
    EXPECT_EQ(rights.Shows(secret), c.secret);
    EXPECT_EQ(rights.Shows(gone), c.gone);
  }
}

}  // namespace
}  // namespace velmora
