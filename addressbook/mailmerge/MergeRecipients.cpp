#include "addressbook/mailmerge/MergeRecipients.h"

#include <string_view>

#include "addressbook/mailmerge/InternetMail.h"
#include "addressbook/mailmerge/MergeFields.h"
#include "store/Bytes.h"
#include "store/RecordQuery.h"

namespace velmora {

namespace {

// Whether text holds what, ignoring A..Z case.
bool ContainsFolded(std::string_view text, std::string_view what) {
  if (what.empty()) return true;
  if (what.size() > text.size()) return false;
  for (size_t at = 0; at + what.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < what.size() && FoldCase(uint8_t(text[at + i])) == FoldCase(uint8_t(what[i]))) ++i;
    if (i == what.size()) return true;
  }
  return false;
}

bool Takes(const Contact& contact, const MailMergeSettings& settings, std::optional<uint64_t> currentKey) {
  if (contact.NoMailMerge()) return false;
  switch (settings.recipients) {
    case RecipientChoice::CreateLookup:
      return MatchesLookup(contact, settings);
    case RecipientChoice::CurrentRecord:
      return currentKey && contact.Id() == *currentKey;
    case RecipientChoice::AllRecords:
      return true;
    case RecipientChoice::SelectedCategory:
      return contact.Category() == settings.category;
  }
  return false;
}

}  // namespace

std::string RecipientAddress(const Contact& contact, const MailMergeSettings& settings) {
  return contact.Text(settings.emailAddress == EmailAddressUsed::Home ? contact::kHomeEmail : contact::kWorkEmail);
}

bool RecipientAvailable(const Contact& contact, const MailMergeSettings& settings) {
  if (settings.destination == MergeDestination::TextProcessor) return true;
  // Only one checked mailbox: text with an at sign may still hold a second
  // address or SMTP parameters.
  return UsableMailAddress(RecipientAddress(contact, settings));
}

bool MatchesLookup(const Contact& contact, const MailMergeSettings& settings) {
  if (settings.lookupCategoryMode == LookupCategoryMode::SelectedCategory &&
      contact.Category() != settings.lookupCategory) {
    return false;
  }
  const MergeContext noSender;
  if (settings.lookupFieldMode == LookupFieldMode::SelectedField) {
    return ContainsFolded(MergeFieldValue(settings.lookupField, contact, noSender), settings.lookupText);
  }
  for (std::string_view name : kContactMergeFields) {
    if (ContainsFolded(MergeFieldValue(name, contact, noSender), settings.lookupText)) return true;
  }
  return false;
}

ResultOf<std::vector<RecipientEntry>> BuildRecipientList(RecordStore& store, const MailMergeSettings& settings,
                                                         std::optional<uint64_t> currentKey) {
  RecordQuery query;
  Result r = query.Prepare();
  if (!r) return r;
  query.AddMatchAll();
  r = query.Run(store);
  if (!r) return r;
  r = query.Sort(store, contact::kFirstName.offset, contact::kFirstName.width, CompareText);
  if (!r) return r;

  std::vector<RecipientEntry> entries;
  Bytes record;
  for (RecordPosition position : query.positions()) {
    r = store.ReadRecord(record, position);
    if (!r) return r;
    Contact contact(record);
    if (!Takes(contact, settings, currentKey)) continue;
    RecipientEntry entry;
    entry.available = RecipientAvailable(contact, settings);
    entry.enabled = entry.available;
    entry.position = position;
    entry.contact = std::move(contact);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string SingleLineText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool pendingSpace = false;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = uint8_t(text[i]);
    size_t breakLength = 0;
    if (c == '\r' || c == '\n' || c == '\v' || c == '\f') {
      breakLength = 1;
    } else if (c == 0xC2 && i + 1 < text.size() && uint8_t(text[i + 1]) == 0x85) {
      breakLength = 2;  // NEL
    } else if (c == 0xE2 && i + 2 < text.size() && uint8_t(text[i + 1]) == 0x80 &&
               (uint8_t(text[i + 2]) == 0xA8 || uint8_t(text[i + 2]) == 0xA9)) {
      breakLength = 3;  // line and paragraph separators
    }
    if (breakLength) {
      pendingSpace = !out.empty();
      i += breakLength;
      continue;
    }
    if (pendingSpace) out += ' ';
    pendingSpace = false;
    out += char(c);
    ++i;
  }
  return out;
}

std::string RecipientName(const Contact& contact) {
  std::string first = SingleLineText(contact.Text(contact::kFirstName));
  std::string last = SingleLineText(contact.Text(contact::kLastName));
  if (!first.empty() && !last.empty()) return first + " " + last;
  if (!first.empty()) return first;
  if (!last.empty()) return last;
  return "*Empty name*";
}

}  // namespace velmora
