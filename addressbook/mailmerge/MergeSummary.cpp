#include "addressbook/mailmerge/MergeSummary.h"

#include <algorithm>

namespace velmora {

std::string RecipientAddressWords(const RecipientEntry& entry, const MailMergeSettings& settings) {
  if (settings.destination != MergeDestination::Email) return {};
  if (!entry.available) return "unavailable e-mail";
  return settings.emailAddress == EmailAddressUsed::Home ? "home e-mail" : "work e-mail";
}

bool ToggleRecipient(RecipientEntry& entry) {
  if (!entry.enabled && !entry.available) return false;
  entry.enabled = !entry.enabled;
  return true;
}

void SelectAllRecipients(std::vector<RecipientEntry>& entries) {
  for (RecipientEntry& e : entries) e.enabled = e.available;
}

void DeselectAllRecipients(std::vector<RecipientEntry>& entries) {
  for (RecipientEntry& e : entries) e.enabled = false;
}

RecipientCounts CountRecipients(const std::vector<RecipientEntry>& entries) {
  RecipientCounts c;
  for (const RecipientEntry& e : entries) {
    if (e.enabled) {
      ++c.forSending;
    } else if (e.available) {
      ++c.deselected;
    } else {
      ++c.unavailable;
    }
  }
  return c;
}

std::string SummaryStatusLine(const RecipientCounts& counts, const MailMergeSettings& settings) {
  std::string line = " " + std::to_string(counts.forSending) + " for sending, " + std::to_string(counts.deselected) +
                     " deselected";
  if (settings.destination == MergeDestination::Email) {
    line += ", " + std::to_string(counts.unavailable) + " unavailable e-mail";
  }
  return line;
}

bool CanSelectAll(const std::vector<RecipientEntry>& entries) {
  return std::any_of(entries.begin(), entries.end(), [](const RecipientEntry& e) { return e.available && !e.enabled; });
}

bool CanDeselectAll(const std::vector<RecipientEntry>& entries) {
  return std::any_of(entries.begin(), entries.end(), [](const RecipientEntry& e) { return e.enabled; });
}

bool CanFinish(const std::vector<RecipientEntry>& entries) { return CanDeselectAll(entries); }

}  // namespace velmora
