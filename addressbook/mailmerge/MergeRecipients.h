// The recipients of a mail merge: the contacts of the record file chosen by
// the settings (current record, all records, a category, or a lookup),
// sorted by first name, with whether each can receive the merge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/model/Contact.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

struct RecipientEntry {
  bool enabled = false;
  RecordPosition position = 0;
  bool available = false;
  Contact contact;  // a copy of the record as read
};

// Whether the contact can receive this merge: always for the text
// processor; for e-mail when the address the settings choose ("Home Email"
// or "Work Email") holds an at sign.
bool RecipientAvailable(const Contact& contact, const MailMergeSettings& settings);

// The chosen e-mail address of the contact.
std::string RecipientAddress(const Contact& contact, const MailMergeSettings& settings);

// Whether the contact passes the lookup of the settings: the exact category
// with "Selected category", and the search text inside any of the 41
// contact merge fields (or the selected one), ignoring letter case.
bool MatchesLookup(const Contact& contact, const MailMergeSettings& settings);

// Every record the user may see, sorted by "First Name", that the settings'
// recipient choice takes; a contact marked "Do not send Mail Merge message"
// is never taken. Every contact the choice takes is listed, however many
// the book holds. currentKey is the record id of the contact selected in the
// list, if any. Each entry is enabled exactly when it is available.
ResultOf<std::vector<RecipientEntry>> BuildRecipientList(RecordStore& store, const MailMergeSettings& settings,
                                                         std::optional<uint64_t> currentKey);

// Text of a record on one line: each run of line breaks (CR, LF, vertical
// tab, form feed, NEL, the Unicode line and paragraph separators) becomes
// one space, and breaks at either end are dropped.
std::string SingleLineText(std::string_view text);

// The summary line of an entry: first and last name joined by a space, only
// the one that exists, or "*Empty name*"; each name on one line.
std::string RecipientName(const Contact& contact);

}  // namespace velmora
