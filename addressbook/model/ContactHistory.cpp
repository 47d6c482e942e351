#include "addressbook/model/ContactHistory.h"

#include "store/Bytes.h"
#include "store/Compact.h"
#include "store/RecordHeader.h"
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
    // A history file somebody has open (another user's history window, or
    // this program's own) cannot be compacted now and needs no check: the
    // connections that have it open keep it sound. It is opened as it is,
    // as an address book in use is, so that their entries can still be
    // shown and a deleted contact's entries still go with it.
    bool inUse = false;
    if (!RecordStore::ProbeInUse(path, inUse).ok() || !inUse) return checked;
  }
  auto store = std::make_unique<RecordStore>(path, std::string());
  if (store->OpenFailed()) return store->OpenError();
  if (store->recordSize() != history::kRecordSize) {
    return Result::Fail("This is not a history file:", 0, path);
  }
  out = std::move(store);
  return Result::Ok();
}

namespace {

namespace f = history;

constexpr uint32_t kDateTimeType = 11;  // a date value followed by a time value
constexpr uint32_t kDateTimeWidth = format::kDateValueSize + format::kTimeValueSize;

void AddContactCondition(RecordQuery& query, uint64_t contactId) {
  query.AddInt64Condition(f::kContactId, kOpEqual, uint32_t(contactId), uint32_t(contactId >> 32), kConnectorAnd);
}

Result RunSorted(RecordStore& history, RecordQuery& query, HistorySort sort) {
  const bool byDate = sort == HistorySort::ByDate;
  const uint32_t offset = byDate ? f::kDate : f::kDescription.offset;
  const uint32_t width = byDate ? kDateTimeWidth : f::kDescription.width;
  const Comparer comparer = byDate ? ComparerForType(kDateTimeType) : CompareText;
  query.SetSortKey(offset, width, comparer);
  if (Result ran = query.Run(history); !ran.ok()) return ran;
  return query.Sort(history, offset, width, comparer);
}

std::string DateAndTime(const Bytes& entry, const char* between) {
  return FormatDate(GetDate(entry.data() + f::kDate)) + between + FormatTime(GetTime(entry.data() + f::kTime));
}

std::string Description(const Bytes& entry) {
  return std::string(RawText(entry.data() + f::kDescription.offset, f::kDescription.width));
}

}  // namespace

Result LoadHistoryList(RecordStore& history, RecordQuery& query, uint64_t contactId, HistorySort sort) {
  query.Reset();
  AddContactCondition(query, contactId);
  return RunSorted(history, query, sort);
}

Result FindHistory(RecordStore& history, RecordQuery& query, uint64_t contactId, std::string_view text) {
  query.Reset();
  AddContactCondition(query, contactId);
  query.AddTextCondition(f::kDescription.offset, f::kDescription.width, kOpContains, text, kConnectorAnd);
  return RunSorted(history, query, HistorySort::ByDate);
}

std::string HistoryFindLine(const Bytes& entry) {
  return "[ " + DateAndTime(entry, " - ") + " ]  " + Description(entry);
}

Bytes NewHistoryEntry(RecordStore& history, uint64_t contactId, const DateValue& date, const TimeValue& time) {
  Bytes entry;
  history.InitRecord(entry, f::kRecordSize);
  PutU64(entry.data() + f::kContactId, contactId);
  PutDate(entry.data() + f::kDate, date);
  TimeValue stepped = time;
  stepped.minute -= stepped.minute % 5;
  PutTime(entry.data() + f::kTime, stepped);
  return entry;
}

std::string DescriptionAfterBrowse(const std::string& description) {
  return description.empty() ? std::string("Attachment.") : description;
}

ResultOf<std::string> BuildHistoryReport(RecordStore& history, uint64_t contactId, std::string_view firstName,
                                         std::string_view lastName) {
  std::string report = "HISTORY FOR - " + std::string(firstName) + " " + std::string(lastName) + "\r\n";
  report += std::string(72, '.') + "\r\n\r\n";
  RecordQuery query;
  if (Result loaded = LoadHistoryList(history, query, contactId, HistorySort::ByDate); !loaded.ok()) return loaded;
  Bytes entry;
  for (RecordPosition position : query.positions()) {
    // An entry another user deleted since the scan is simply not reported.
    if (!history.ReadRecordIfLive(entry, position).ok()) continue;
    report += DateAndTime(entry, " - ") + "\r\n" + Description(entry) + "\r\n\r\n";
  }
  return report;
}

Result HistoryRightsOf(RecordStore& addressBook, HistoryRights& out) {
  out = HistoryRights();
  out.accessLevel = addressBook.GetAccessLevel();
  if (out.accessLevel == kAccessNone) return Result::Ok();
  if (out.accessLevel == kAccessOwner) {
    out.all = true;
    return Result::Ok();
  }
  // Every slot, not a query: a query stops at its result limit, and an
  // entry of a contact beyond it would wrongly be hidden.
  const uint32_t size = addressBook.recordSize();
  std::set<uint64_t> visible;
  Result scanned = addressBook.ScanSlots([&](RecordPosition, const uint8_t* slots, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* slot = slots + i * size_t(size);
      if (slot[format::record::kInUse] == 1 && slot[format::record::kConfidential] == 0) visible.insert(rec::Id(slot));
    }
  });
  if (!scanned.ok()) return scanned;
  out.visible = std::move(visible);
  return Result::Ok();
}

Result DeleteContactHistory(const std::string& addressBookPath, uint64_t contactId, size_t* deleted) {
  if (deleted) *deleted = 0;
  if (!RecordStore::FileExists(HistoryPath(addressBookPath))) return Result::Ok();
  std::unique_ptr<RecordStore> store;
  if (Result opened = OpenHistoryFile(addressBookPath, false, store); !opened.ok()) return opened;
  RecordQuery query;
  AddContactCondition(query, contactId);
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
