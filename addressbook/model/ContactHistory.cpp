#include "addressbook/model/ContactHistory.h"

#include "store/Bytes.h"
#include "store/Compact.h"
#include "store/RecordQuery.h"

namespace velmora {

std::string HistoryPath(std::string_view addressBookPath) { return std::string(addressBookPath) + ".history"; }

Result OpenHistoryFile(const std::string& addressBookPath, bool create, std::unique_ptr<RecordStore>& out) {
  out.reset();
  const std::string path = HistoryPath(addressBookPath);
  if (!RecordStore::FileExists(path)) {
    if (!create) return Result::Fail("There is no history file:", 0, path);
    if (Result made = CreateRecordFile(path, format::FileKind::History); !made.ok()) return made;
  } else if (Result checked = CheckAndCompact(path, 0); !checked.ok()) {
    return checked;
  }
  auto store = std::make_unique<RecordStore>(path, std::string());
  if (store->OpenFailed()) return store->OpenError();
  if (store->recordSize() != history::kRecordSize) {
    return Result::Fail("This is not a history file:", 0, path);
  }
  out = std::move(store);
  return Result::Ok();
}

Result DeleteContactHistory(const std::string& addressBookPath, uint64_t contactId, size_t* deleted) {
  if (deleted) *deleted = 0;
  if (!RecordStore::FileExists(HistoryPath(addressBookPath))) return Result::Ok();
  std::unique_ptr<RecordStore> store;
  if (Result opened = OpenHistoryFile(addressBookPath, false, store); !opened.ok()) return opened;
  RecordQuery query;
  query.AddInt64Condition(history::kContactId, kOpEqual, uint32_t(contactId), uint32_t(contactId >> 32),
                          kConnectorAnd);
  if (Result ran = query.Run(*store); !ran.ok()) return ran;
  // Freeing through DeleteRecord keeps the file's count of live records
  // right, so later adds reuse the slots.
  Bytes entry;
  for (RecordPosition position : query.positions()) {
    if (!store->ReadRecordIfLive(entry, position).ok()) continue;
    if (GetU64(entry.data() + history::kContactId) != contactId) continue;
    if (Result gone = store->DeleteRecord(position); !gone.ok()) {
      if (!store->ReadRecordIfLive(entry, position).ok()) continue;
      (void)store->Flush();  // the failure to delete is what is reported
      return gone;
    }
    if (deleted) ++*deleted;
  }
  return store->Flush();
}

}  // namespace velmora
