// What the editor and record-command tests share: an address book with an
// Owner, an Assistant and a Reader password, contacts added straight to it,
// and a stand-in for the "Work" pane that records what the commands asked
// of it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CardoraTestSupport.h"
#include "addressbook/gui/ContactEditorDialog.h"
#include "addressbook/gui/ContactRecordCommands.h"
#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactHistory.h"
#include "addressbook/model/ContactHolders.h"
#include "store/Bytes.h"
#include "store/RecordQuery.h"
#include "../shell/ShellTestSupport.h"  // the dialog script and control helpers
#include "tests/support/Records.h"

namespace velmora::testing {

class FakePane : public ContactRecordHost {
 public:
  RecordStore* store() override { return store_; }
  std::optional<RecordPosition> selectedPosition() override { return selected; }
  QWidget* window() override { return nullptr; }
  void ReloadList() override { ++reloads; }
  void SelectRecord(RecordPosition position) override { shown = position; }
  void FocusList() override { ++focused; }
  void BinChanged() override { ++binChanges; }
  RecordExchange& exchange() override { return exchange_ ? *exchange_ : NoRecordExchange(); }

  RecordStore* store_ = nullptr;
  std::optional<RecordPosition> selected;
  std::optional<RecordPosition> shown;
  RecordExchange* exchange_ = nullptr;
  int reloads = 0;
  int focused = 0;
  int binChanges = 0;
};

class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecycleBin().Empty();
    ContactClipboard().Empty();
    MakeRecordFile(book, format::FileKind::Address, {"owner", "assist", "reader"});
    Open(book, "owner");
  }
  void TearDown() override {
    RecycleBin().Empty();
    ContactClipboard().Empty();
  }

  void Open(const std::string& path, const std::string& password) {
    pane.store_ = nullptr;
    store = std::make_unique<RecordStore>(path, password);
    ASSERT_FALSE(store->OpenFailed());
    pane.store_ = store.get();
  }

  RecordPosition Add(const std::string& first, const std::function<void(Contact&)>& more = {}) {
    Contact contact;
    InitContactRecord(*store, contact.bytes());
    contact.SetText(contact::kFirstName, first);
    if (more) more(contact);
    RecordPosition where = 0;
    EXPECT_TRUE(store->AddRecord(contact.bytes(), &where).ok());
    EXPECT_TRUE(store->Flush().ok());
    return where;
  }

  Contact Read(RecordPosition position) {
    Bytes record;
    EXPECT_TRUE(store->ReadRecordIfLive(record, position).ok());
    return Contact(std::move(record));
  }

  // First name and record id of every live contact, in file order.
  std::vector<std::pair<std::string, uint64_t>> Contacts() {
    RecordQuery query;
    query.AddMatchAll();
    EXPECT_TRUE(query.Run(*store).ok());
    std::vector<std::pair<std::string, uint64_t>> out;
    for (RecordPosition position : query.positions()) {
      const Contact contact = Read(position);
      out.emplace_back(contact.Text(contact::kFirstName), contact.Id());
    }
    return out;
  }

  void AddHistory(uint64_t id, const std::string& description) {
    std::unique_ptr<RecordStore> history;
    ASSERT_TRUE(OpenHistoryFile(book, true, history).ok());
    Bytes entry;
    history->InitRecord(entry, history::kRecordSize);
    PutU64(entry.data() + history::kContactId, id);
    PutText(entry.data() + history::kDescription.offset, history::kDescription.width, description);
    ASSERT_TRUE(history->AddRecord(entry).ok());
  }

  size_t HistoryEntries() {
    std::unique_ptr<RecordStore> history;
    EXPECT_TRUE(OpenHistoryFile(book, false, history).ok());
    size_t live = 0;
    EXPECT_TRUE(history
                    ->ScanSlots([&](RecordPosition, const uint8_t* slotBytes, size_t count) {
                      for (size_t i = 0; i < count; ++i)
                        live += slotBytes[i * history::kRecordSize + format::record::kInUse] == 1;
                    })
                    .ok());
    return live;
  }

  Sandbox sandbox;
  std::string book = sandbox.File("book.adr");
  std::unique_ptr<RecordStore> store;
  FakePane pane;
  ContactRecordCommands commands{pane};
};

}  // namespace velmora::testing
