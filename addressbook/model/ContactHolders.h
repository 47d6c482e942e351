// The two places a contact is kept in memory for the running process: the
// recycle bin (the last deleted contact, to take back) and the internal
// clipboard (the last cut or copied contact, to paste). Both survive a
// change of file and are lost at exit.
#pragma once

#include <optional>

#include "addressbook/model/ContactCommands.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// One record, or none.
class RecordHolder {
 public:
  void Put(Bytes record) { record_ = std::move(record); }
  bool Holds() const { return record_.has_value(); }
  // A copy of the record when it has exactly the expected size.
  std::optional<Bytes> Take(size_t expectedSize) const;
  void Empty() { record_.reset(); }

 private:
  std::optional<Bytes> record_;
};

// The process's recycle bin and internal clipboard.
RecordHolder& RecycleBin();
RecordHolder& ContactClipboard();

// Adds the bin's contact to store as it was (its record id too), unlocked
// and out of any exchange, and flushes. The bin is emptied only once the
// contact is safely back, so a failed add (a Reader, a full disk) loses
// nothing. Ok without adding when the bin holds no contact of the file's
// record size; `where` (when given) is then left alone.
Result UndoDelete(RecordStore& store, RecordHolder& bin, RecordPosition* where = nullptr);

// Adds a copy of the clipboard's contact with a new record id, unlocked and
// out of any exchange; everything else, creation stamps and category
// included, stays. Ok without adding when the clipboard is empty.
Result PasteContact(RecordStore& store, const RecordHolder& clipboard, RecordPosition* where = nullptr);

// Copy: reads the contact under its edit lock into the clipboard.
ContactChange CopyContact(RecordStore& store, RecordPosition position, RecordHolder& clipboard);
// Cut: deletes the contact and its history (confirm asked after the lock),
// refusing a frozen one, then puts it into both the bin and the clipboard.
// Nothing is put anywhere unless the contact was really removed.
ContactChange CutContact(RecordStore& store, RecordPosition position, RecordHolder& bin, RecordHolder& clipboard,
                         const std::function<bool()>& confirm = {});

}  // namespace velmora
