#include "addressbook/model/ContactHolders.h"

#include "store/Format.h"
#include "store/RecordHeader.h"

namespace velmora {

namespace r = format::record;

namespace {

// A kept record made ready to be added again: in use, unlocked, out of
// any exchange.
void ReadyForAdding(Bytes& record) {
  record[r::kInUse] = 1;
  record[r::kEditLock] = 0;
  record[r::kExchangeState] = 0;
  record[r::kExchangeFlag] = 0;
  record[r::kExchangeMark] = 1;
}

Result AddAndFlush(RecordStore& store, const Bytes& record, RecordPosition* where) {
  RecordPosition added = 0;
  if (Result result = store.AddRecord(record, &added); !result.ok()) return result;
  if (where) *where = added;
  return store.Flush();
}

}  // namespace

std::optional<Bytes> RecordHolder::Take(size_t expectedSize) const {
  if (!record_ || record_->size() != expectedSize) return std::nullopt;
  return record_;
}

RecordHolder& RecycleBin() {
  static RecordHolder bin;
  return bin;
}

RecordHolder& ContactClipboard() {
  static RecordHolder clipboard;
  return clipboard;
}

Result UndoDelete(RecordStore& store, RecordHolder& bin, RecordPosition* where) {
  std::optional<Bytes> record = bin.Take(store.recordSize());
  if (!record) return Result::Ok();
  ReadyForAdding(*record);
  if (Result added = AddAndFlush(store, *record, where); !added.ok()) return added;
  bin.Empty();
  return Result::Ok();
}

Result PasteContact(RecordStore& store, const RecordHolder& clipboard, RecordPosition* where) {
  std::optional<Bytes> record = clipboard.Take(store.recordSize());
  if (!record) return Result::Ok();
  ReadyForAdding(*record);
  rec::SetId(record->data(), NewRecordId());
  return AddAndFlush(store, *record, where);
}

ContactChange CopyContact(RecordStore& store, RecordPosition position, RecordHolder& clipboard) {
  ContactChange change = ReadContact(store, position);
  if (change.step == ContactStep::Done) clipboard.Put(change.before);
  return change;
}

ContactChange CutContact(RecordStore& store, RecordPosition position, RecordHolder& bin, RecordHolder& clipboard,
                         const std::function<bool()>& confirm) {
  ContactChange change = DeleteContact(store, position, confirm, true);
  if (change.step == ContactStep::Done) {
    bin.Put(change.before);
    clipboard.Put(change.before);
  }
  return change;
}

}  // namespace velmora
