// The contact history file: one record file beside each address book
// ("<address book>.history") whose entries carry the record id of the
// contact they belong to, with a date, a time, a description and an
// optional attached file.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "addressbook/model/ContactLayout.h"
#include "store/Dates.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

namespace history {
inline constexpr uint32_t kRecordSize = format::InfoOf(format::FileKind::History).recordSize;  // 1100
inline constexpr uint32_t kContactId = 549;  // u64: the contact's record id
inline constexpr uint32_t kDate = 557;       // date value
inline constexpr uint32_t kTime = 569;       // time value
inline constexpr ContactField kDescription{585, 255};
inline constexpr ContactField kAttachment{840, 260};
static_assert(kAttachment.offset + kAttachment.width == kRecordSize);
}  // namespace history

// "<address book>.history".
std::string HistoryPath(std::string_view addressBookPath);

// Opens the history file of an address book with the empty password, after
// the compacting check every file gets before it is opened. With create, a
// missing history file is made first; without, a missing one fails.
Result OpenHistoryFile(const std::string& addressBookPath, bool create, std::unique_ptr<RecordStore>& out);

// The contacts whose history a user of the address book may see: a history
// file has no passwords of its own and takes the rights of its book. The
// Owner sees every entry (visible stays empty and all is true); anybody
// else only those of the live contacts that are not confidential.
struct HistoryRights {
  int accessLevel = kAccessNone;
  bool all = false;
  std::set<uint64_t> visible;

  bool Shows(uint64_t contactId) const { return all || visible.count(contactId) != 0; }
};
// The rights of the connection addressBook (opened with the user's
// password) over the history file beside it.
Result HistoryRightsOf(RecordStore& addressBook, HistoryRights& out);

// Deletes every entry of the contact with record id contactId. Ok, deleting
// nothing, when the address book has no history file; an entry that another
// user deleted meanwhile is simply gone. deleted (when given) counts the
// entries this call removed.
Result DeleteContactHistory(const std::string& addressBookPath, uint64_t contactId, size_t* deleted = nullptr);

// The entries of one contact, sorted by date and time (an entry without a
// valid date first) or by description (A..Z case aside).
enum class HistorySort { ByDate, ByDescription };
Result LoadHistoryList(RecordStore& history, RecordQuery& query, uint64_t contactId, HistorySort sort);

// The entries of one contact whose description contains text (A..Z case
// aside), sorted by date and time.
Result FindHistory(RecordStore& history, RecordQuery& query, uint64_t contactId, std::string_view text);
// A found entry as the find dialog lists it: "[ date - time ]  description".
std::string HistoryFindLine(const Bytes& entry);

// A new entry of the contact: a record of the file with the date and the
// time (lowered to a multiple of five minutes) given.
Bytes NewHistoryEntry(RecordStore& history, uint64_t contactId, const DateValue& date, const TimeValue& time);
// The longest description and attachment path an entry takes, in characters.
inline constexpr int kHistoryDescriptionLimit = 254;
inline constexpr int kHistoryAttachmentLimit = 259;
// The description after an attachment was browsed: "Attachment." when it
// was empty, else unchanged.
std::string DescriptionAfterBrowse(const std::string& description);

// The history report of a contact: its two header lines, then every entry
// (sorted by date and time) as its date and time line and its description.
ResultOf<std::string> BuildHistoryReport(RecordStore& history, uint64_t contactId, std::string_view firstName,
                                         std::string_view lastName);

}  // namespace velmora
