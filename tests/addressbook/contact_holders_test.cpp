// The recycle bin and the internal clipboard: what cut, copy, paste and
// undo delete put where, and that nothing kept is lost when adding fails.
#include "addressbook/model/ContactHolders.h"

#include <gtest/gtest.h>

#include <set>

#include "addressbook/model/ContactHistory.h"
#include "addressbook/model/ContactRecord.h"
#include "store/Bytes.h"
#include "store/RecordQuery.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;
namespace r = format::record;

class ContactHoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    velmora::testing::MakeRecordFile(book_, format::FileKind::Address, {"owner", "", "reader"});
    store_ = std::make_unique<RecordStore>(book_, "owner");
    ASSERT_FALSE(store_->OpenFailed());
    ann_ = Add(*store_, "Ann");
    bob_ = Add(*store_, "Bob");
  }

  static RecordPosition Add(RecordStore& store, const std::string& first) {
    Bytes record;
    InitContactRecord(store, record);
    PutText(record.data() + c::kFirstName.offset, c::kFirstName.width, first);
    RecordPosition where = 0;
    EXPECT_TRUE(store.AddRecord(record, &where).ok());
    return where;
  }

  // First name and id of every live contact, in file order.
  static std::vector<std::pair<std::string, uint64_t>> Contacts(RecordStore& store) {
    RecordQuery query;
    query.AddMatchAll();
    EXPECT_TRUE(query.Run(store).ok());
    std::vector<std::pair<std::string, uint64_t>> out;
    Bytes record;
    for (RecordPosition position : query.positions()) {
      EXPECT_TRUE(store.ReadRecord(record, position).ok());
      out.emplace_back(std::string(RawText(record.data() + c::kFirstName.offset, c::kFirstName.width)),
                       GetU64(record.data() + r::kId));
    }
    return out;
  }

  uint64_t IdAt(RecordPosition position) {
    Bytes record;
    EXPECT_TRUE(store_->ReadRecord(record, position).ok());
    return GetU64(record.data() + r::kId);
  }

  velmora::testing::FolderSandbox sandbox_{"Cardora"};
  std::string book_ = sandbox_.File("book.adr");
  std::unique_ptr<RecordStore> store_;
  RecordPosition ann_ = 0, bob_ = 0;
  RecordHolder bin_, clipboard_;
};

TEST_F(ContactHoldersTest, CutThenUndoAndPasteGiveTheOldIdAndANewOne) {
  const uint64_t annId = IdAt(ann_);
  {
    std::unique_ptr<RecordStore> history;
    ASSERT_TRUE(OpenHistoryFile(book_, true, history).ok());
    Bytes entry;
    history->InitRecord(entry, history::kRecordSize);
    PutU64(entry.data() + history::kContactId, annId);
    ASSERT_TRUE(history->AddRecord(entry).ok());
  }
  ASSERT_EQ(CutContact(*store_, ann_, bin_, clipboard_).step, ContactStep::Done);
  EXPECT_TRUE(bin_.Holds());
  EXPECT_TRUE(clipboard_.Holds());
  EXPECT_EQ(Contacts(*store_).size(), 1u);
  size_t deleted = 0;
  ASSERT_TRUE(DeleteContactHistory(book_, annId, &deleted).ok());
  EXPECT_EQ(deleted, 0u);  // the cut took the history

  ASSERT_TRUE(UndoDelete(*store_, bin_).ok());
  EXPECT_FALSE(bin_.Holds());
  ASSERT_TRUE(PasteContact(*store_, clipboard_).ok());
  ASSERT_TRUE(PasteContact(*store_, clipboard_).ok());
  EXPECT_TRUE(clipboard_.Holds());  // pasting keeps the clipboard
  const auto contacts = Contacts(*store_);
  ASSERT_EQ(contacts.size(), 4u);
  std::set<uint64_t> annIds;
  for (const auto& [name, id] : contacts) {
    if (name == "Ann") annIds.insert(id);
  }
  EXPECT_EQ(annIds.size(), 3u);  // the undone one and two pasted, each its own id
  EXPECT_TRUE(annIds.count(annId));
}

TEST_F(ContactHoldersTest, TwoDeletesThenTwoUndosRestoreOnlyTheSecond) {
  for (RecordPosition position : {ann_, bob_}) {
    ContactChange change = DeleteContact(*store_, position);
    ASSERT_EQ(change.step, ContactStep::Done);
    bin_.Put(change.before);
  }
  ASSERT_TRUE(UndoDelete(*store_, bin_).ok());
  EXPECT_FALSE(bin_.Holds());
  ASSERT_TRUE(UndoDelete(*store_, bin_).ok());  // the bin is empty: nothing happens
  const auto contacts = Contacts(*store_);
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0].first, "Bob");
}

TEST_F(ContactHoldersTest, UndoGoesIntoAnotherFileAndKeepsTheBinWhenTheAddFails) {
  ContactChange change = DeleteContact(*store_, ann_);
  ASSERT_EQ(change.step, ContactStep::Done);
  bin_.Put(change.before);

  RecordStore reader(book_, "reader");
  Result refused = UndoDelete(reader, bin_);
  EXPECT_FALSE(refused.ok());
  EXPECT_TRUE(bin_.Holds());  // the only copy is not thrown away

  const std::string other = sandbox_.File("other.adr");
  velmora::testing::MakeRecordFile(other, format::FileKind::Address);
  RecordStore otherStore(other, "");
  RecordPosition where = 0;
  ASSERT_TRUE(UndoDelete(otherStore, bin_, &where).ok());
  EXPECT_FALSE(bin_.Holds());
  Bytes restored;
  ASSERT_TRUE(otherStore.ReadRecordIfLive(restored, where).ok());
  EXPECT_EQ(RawText(restored.data() + c::kFirstName.offset, c::kFirstName.width), "Ann");
  EXPECT_EQ(restored[r::kEditLock], 0);
  EXPECT_EQ(restored[r::kExchangeMark], 1);
  // A calendar's records are of another size: the bin does not fit it.
  const std::string calendar = sandbox_.File("days.cld");
  velmora::testing::MakeRecordFile(calendar, format::FileKind::Calendar);
  bin_.Put(change.before);
  RecordStore calendarStore(calendar, "");
  ASSERT_TRUE(UndoDelete(calendarStore, bin_).ok());
  EXPECT_TRUE(Contacts(calendarStore).empty());
  EXPECT_TRUE(bin_.Holds());
}

TEST_F(ContactHoldersTest, AFrozenContactIsCopiedButNotCut) {
  Bytes record;
  ASSERT_TRUE(store_->ReadRecord(record, ann_).ok());
  record[r::kExchangeState] = kExchangeFrozen;
  ASSERT_TRUE(store_->UpdateRecord(record, ann_).ok());

  EXPECT_EQ(CutContact(*store_, ann_, bin_, clipboard_).step, ContactStep::Frozen);
  EXPECT_FALSE(bin_.Holds());
  EXPECT_FALSE(clipboard_.Holds());
  EXPECT_EQ(Contacts(*store_).size(), 2u);

  ASSERT_EQ(CopyContact(*store_, ann_, clipboard_).step, ContactStep::Done);
  EXPECT_TRUE(clipboard_.Holds());
  EXPECT_FALSE(bin_.Holds());
  ASSERT_TRUE(PasteContact(*store_, clipboard_).ok());
  const auto contacts = Contacts(*store_);
  ASSERT_EQ(contacts.size(), 3u);
  Bytes pasted;
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(*store_).ok());
  ASSERT_TRUE(store_->ReadRecord(pasted, query.positions().back()).ok());
  EXPECT_EQ(pasted[r::kExchangeState], 0);  // a pasted copy is out of the exchange
}

TEST_F(ContactHoldersTest, ACutThatIsRefusedPutsNothingAnywhere) {
  RecordStore other(book_, "owner");
  ASSERT_TRUE(other.LockRecord(ann_).ok());
  EXPECT_EQ(CutContact(*store_, ann_, bin_, clipboard_).step, ContactStep::Locked);
  EXPECT_EQ(CutContact(*store_, bob_, bin_, clipboard_, [] { return false; }).step, ContactStep::Cancelled);
  EXPECT_FALSE(bin_.Holds());
  EXPECT_FALSE(clipboard_.Holds());
  EXPECT_EQ(Contacts(*store_).size(), 2u);
}

}  // namespace
}  // namespace velmora
