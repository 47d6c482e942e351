// Editing and deleting one contact under its edit lock, as the window and
// the tool do it: the refusals, the history that goes with a deleted
// contact, and failures that must not pass for success.
#include "addressbook/model/ContactCommands.h"

#include <gtest/gtest.h>

#include "addressbook/model/ContactRecord.h"
#include "addressbook/model/ContactHistory.h"
#include "store/Bytes.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;
namespace r = format::record;
using velmora::testing::Passwords;

const Passwords kPasswords{"owner", "assistant", "reader"};

class ContactCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    velmora::testing::MakeRecordFile(book_, format::FileKind::Address, kPasswords);
    owner_ = std::make_unique<RecordStore>(book_, "owner");
    ASSERT_FALSE(owner_->OpenFailed());
    ann_ = Add("Ann", false);
    bob_ = Add("Bob", true);
  }

  RecordPosition Add(const std::string& first, bool confidential) {
    Bytes record;
    InitContactRecord(*owner_, record);
    Contact contact(std::move(record));
    contact.SetText(c::kFirstName, first);
    contact.SetConfidential(confidential);
    RecordPosition where = 0;
    EXPECT_TRUE(owner_->AddRecord(contact.bytes(), &where).ok());
    return where;
  }

  uint64_t IdAt(RecordPosition position) {
    Bytes record;
    EXPECT_TRUE(owner_->ReadRecord(record, position).ok());
    return GetU64(record.data() + r::kId);
  }

  bool Live(RecordPosition position) {
    Bytes record;
    return owner_->ReadRecordIfLive(record, position).ok();
  }

  void AddHistory(uint64_t id, const std::string& description) {
    std::unique_ptr<RecordStore> history;
    ASSERT_TRUE(OpenHistoryFile(book_, true, history).ok());
    Bytes entry;
    history->InitRecord(entry, history::kRecordSize);
    PutU64(entry.data() + history::kContactId, id);
    PutText(entry.data() + history::kDescription.offset, history::kDescription.width, description);
    ASSERT_TRUE(history->AddRecord(entry).ok());
  }

  size_t HistoryEntries() {
    std::unique_ptr<RecordStore> history;
    EXPECT_TRUE(OpenHistoryFile(book_, false, history).ok());
    size_t live = 0;
    EXPECT_TRUE(history->ScanSlots([&](RecordPosition, const uint8_t* slots, size_t count) {
                  for (size_t i = 0; i < count; ++i) live += slots[i * history::kRecordSize + r::kInUse] == 1;
                }).ok());
    return live;
  }

  static Result Rename(const Bytes& current, Bytes& changed, const std::string& first) {
    changed = current;
    PutText(changed.data() + c::kFirstName.offset, c::kFirstName.width, first);
    return Result::Ok();
  }

  velmora::testing::FolderSandbox sandbox_{"Cardora"};
  std::string book_ = sandbox_.File("shared.adr");
  std::unique_ptr<RecordStore> owner_;
  RecordPosition ann_ = 0, bob_ = 0;
};

TEST_F(ContactCommandsTest, EditWritesTheChangeAndLeavesTheRecordUnlocked) {
  const uint64_t id = IdAt(ann_);
  ContactChange change = EditContact(*owner_, ann_, [](const Bytes& current, Bytes& changed) {
    return Rename(current, changed, "Anne");
  });
  ASSERT_EQ(change.step, ContactStep::Done) << change.failure.Message();
  EXPECT_EQ(RawText(change.before.data() + c::kFirstName.offset, c::kFirstName.width), "Ann");
  Bytes after;
  ASSERT_TRUE(owner_->ReadRecord(after, ann_).ok());
  EXPECT_EQ(RawText(after.data() + c::kFirstName.offset, c::kFirstName.width), "Anne");
  EXPECT_EQ(GetU64(after.data() + r::kId), id);
  EXPECT_EQ(after[r::kEditLock], 0);
}

TEST_F(ContactCommandsTest, RefusalsStopBeforeAnythingIsWritten) {
  RecordStore assistant(book_, "assistant");
  RecordStore reader(book_, "reader");
  RecordStore other(book_, "owner");
  auto rename = [](const Bytes& current, Bytes& changed) { return Rename(current, changed, "X"); };

  EXPECT_EQ(EditContact(reader, ann_, rename).step, ContactStep::NotPermitted);
  EXPECT_EQ(DeleteContact(reader, ann_).step, ContactStep::NotPermitted);
  // The confidential contact stays out of an Assistant's reach.
  EXPECT_EQ(EditContact(assistant, bob_, rename).step, ContactStep::Hidden);
  EXPECT_EQ(DeleteContact(assistant, bob_).step, ContactStep::Hidden);
  // Another user's edit lock.
  ASSERT_TRUE(other.LockRecord(ann_).ok());
  EXPECT_EQ(EditContact(*owner_, ann_, rename).step, ContactStep::Locked);
  EXPECT_EQ(DeleteContact(*owner_, ann_).step, ContactStep::Locked);
  ASSERT_TRUE(other.UnlockRecord(ann_).ok());
  // A frozen exchange state, and the caller saying no.
  EXPECT_EQ(DeleteContact(*owner_, ann_, [] { return false; }).step, ContactStep::Cancelled);
  EXPECT_EQ(EditContact(*owner_, ann_, [](const Bytes&, Bytes&) { return Result::Fail("Cancel"); }).step,
            ContactStep::Cancelled);

  Bytes record;
  ASSERT_TRUE(owner_->ReadRecord(record, ann_).ok());
  record[r::kExchangeState] = kExchangeFrozen;
  ASSERT_TRUE(owner_->UpdateRecord(record, ann_).ok());
  EXPECT_EQ(EditContact(*owner_, ann_, rename).step, ContactStep::Frozen);

  ASSERT_TRUE(owner_->ReadRecord(record, ann_).ok());
  EXPECT_EQ(RawText(record.data() + c::kFirstName.offset, c::kFirstName.width), "Ann");
  EXPECT_EQ(record[r::kEditLock], 0);  // every refusal after the lock let it go
  EXPECT_TRUE(Live(ann_) && Live(bob_));
  // A contact deleted meanwhile.
  ASSERT_TRUE(other.DeleteRecord(ann_).ok());
  EXPECT_EQ(EditContact(*owner_, ann_, rename).step, ContactStep::Gone);
  EXPECT_EQ(DeleteContact(*owner_, ann_).step, ContactStep::Gone);
}

TEST_F(ContactCommandsTest, DeleteTakesTheContactsHistoryAndNoOther) {
  AddHistory(IdAt(ann_), "called");
  AddHistory(IdAt(bob_), "met");
  AddHistory(IdAt(ann_), "wrote");
  bool asked = false;
  ContactChange change = DeleteContact(*owner_, ann_, [&] {
    asked = true;
    return true;
  });
  ASSERT_EQ(change.step, ContactStep::Done) << change.failure.Message();
  EXPECT_TRUE(asked);
  EXPECT_TRUE(change.history.ok());
  EXPECT_EQ(RawText(change.before.data() + c::kFirstName.offset, c::kFirstName.width), "Ann");
  EXPECT_FALSE(Live(ann_));
  EXPECT_TRUE(Live(bob_));
  EXPECT_EQ(HistoryEntries(), 1u);
}

// Fails the write that frees one slot (its in-use byte), as a failing disk
// would.
class FailingFreeing : public velmora::testing::ForwardingFileSystem {
 public:
  explicit FailingFreeing(uint64_t inUseByte) : inUseByte_(inUseByte) {}

 protected:
  void Wrap(Opening, const std::string&, std::unique_ptr<File>& file) override {
    struct Failing : velmora::testing::ForwardingFile {
      Failing(std::unique_ptr<File> inner, uint64_t at) : ForwardingFile(std::move(inner)), at(at) {}
      Result WriteAt(uint64_t offset, const void* buffer, size_t length) override {
        if (offset == at) return Result::Fail("No space left on device");
        return ForwardingFile::WriteAt(offset, buffer, length);
      }
      uint64_t at;
    };
    file = std::make_unique<Failing>(std::move(file), inUseByte_);
  }

 private:
  uint64_t inUseByte_;
};

TEST_F(ContactCommandsTest, AFailedDeleteIsReportedAndKeepsTheContact) {
  AddHistory(IdAt(ann_), "called");
  owner_.reset();
  FailingFreeing failing(ann_ + r::kInUse);
  ContactChange change;
  {
    velmora::testing::ScopedFileSystem scoped(&failing);
    RecordStore store(book_, "owner");
    ASSERT_FALSE(store.OpenFailed());
    change = DeleteContact(store, ann_);
  }
  EXPECT_EQ(change.step, ContactStep::Failed);
  EXPECT_NE(change.failure.Message().find("No space left on device"), std::string::npos);
  owner_ = std::make_unique<RecordStore>(book_, "owner");
  Bytes record;
  ASSERT_TRUE(owner_->ReadRecordIfLive(record, ann_).ok());
  EXPECT_EQ(record[r::kEditLock], 0);
  EXPECT_EQ(HistoryEntries(), 1u);  // the history goes only with the contact
}

}  // namespace
}  // namespace velmora
