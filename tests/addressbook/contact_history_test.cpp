// The history file beside an address book: where it lives, its creation on
// first need, and deleting one contact's entries.
#include "addressbook/model/ContactHistory.h"

#include <gtest/gtest.h>

#include "store/Bytes.h"
#include "store/RecordQuery.h"
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

}  // namespace
}  // namespace velmora
