// The summary page's rules over the recipient list: the words of a line,
// toggling, selecting all or none, the status line and when "Finish" is
// offered.
#pragma once

#include <string>
#include <vector>

#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/MergeRecipients.h"

namespace velmora {

// For e-mail, the words after a line's name: "work e-mail", "home e-mail"
// or "unavailable e-mail"; empty for the text processor.
std::string RecipientAddressWords(const RecipientEntry& entry, const MailMergeSettings& settings);

// A click on a line: an enabled line is disabled, an available one enabled;
// an unavailable line stays disabled. Returns whether the line changed.
bool ToggleRecipient(RecipientEntry& entry);
void SelectAllRecipients(std::vector<RecipientEntry>& entries);    // every available line
void DeselectAllRecipients(std::vector<RecipientEntry>& entries);  // every line

struct RecipientCounts {
  int forSending = 0;
  int deselected = 0;  // available but disabled
  int unavailable = 0;
};
RecipientCounts CountRecipients(const std::vector<RecipientEntry>& entries);

// " %d for sending, %d deselected" (text processor) or with
// ", %d unavailable e-mail" added (e-mail).
std::string SummaryStatusLine(const RecipientCounts& counts, const MailMergeSettings& settings);

// "Select All" while an available line is disabled; "Deselect All" while a
// line is enabled; "Finish" while at least one line is enabled.
bool CanSelectAll(const std::vector<RecipientEntry>& entries);
bool CanDeselectAll(const std::vector<RecipientEntry>& entries);
bool CanFinish(const std::vector<RecipientEntry>& entries);

// The text shown instead of an empty list.
inline constexpr const char* kNoRecipientsText =
    "There are no data in current lookup. Please, go back to lookup tab (the first or the second tab) and choose "
    "new search criteria.";

}  // namespace velmora
