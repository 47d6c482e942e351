// Loading, searching and finding in the contact list: the list's query
// (category filter and sort order), the row the search box and the index
// bar select, and the "Find" dialog's matches.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactList.h"
#include "store/RecordQuery.h"
#include "store/Result.h"

namespace velmora {

// The category chooser's first entry, which shows every category.
inline constexpr std::string_view kAllCategoriesText = "All Categories";
// The list's category filter once the user chose name in the category
// chooser: empty for "All Categories", else the name.
std::string CategoryFilterForChoice(std::string_view name);

// Runs the list's query on store: every visible contact when category is
// empty, else those whose category equals it (A..Z case aside); then sorts
// by sort order 1..10 (any other order keeps file order).
Result LoadContactList(RecordStore& store, RecordQuery& query, std::string_view category, int sortOrder);

// The sort keys of the list's rows in list order, folded (A..Z to a..z, the
// bytes after the end of the text zero), so bisection over them answers the
// search box and the index bar without reading the file. Build takes the
// keys the query's last sort kept (RecordQuery::sortedKeys) and reads the
// records only when there are none.
class ContactListKeys {
 public:
  // Takes the keys of query's rows for sort order 1..10; other orders
  // leave the keys empty (the searches then answer nothing).
  Result Build(RecordStore& store, const RecordQuery& query, int sortOrder);
  void Clear();

  size_t rows() const { return rows_; }
  size_t width() const { return width_; }
  int sortOrder() const { return sortOrder_; }
  const uint8_t* KeyAt(size_t row) const { return keys_.data() + row * width_; }
  // Whether the keys are in ascending order (always after a sort; keys read
  // again from changed records may not be); the searches bisect only then.
  bool sorted() const { return sorted_; }

 private:
  Bytes keys_;
  size_t rows_ = 0;
  size_t width_ = 0;
  int sortOrder_ = 0;
  bool sorted_ = false;
};

// The row the search box selects for text: the first whose key, compared
// as the list sorts over the key's length, is not less than text; the last
// row when none is; nothing when the list or text is empty.
std::optional<size_t> SearchBoxRow(const ContactListKeys& keys, std::string_view text);
// The row the index bar selects for letter (a..z): the first whose key's
// first byte, raised to upper case and compared as a signed byte, is not
// less than the letter raised to upper case; the last row when none is;
// nothing when the list is empty.
std::optional<size_t> IndexBarRow(const ContactListKeys& keys, char letter);

// The same two rules read row by row, for checking the answers above.
std::optional<size_t> SearchBoxRowLinear(const ContactListKeys& keys, std::string_view text);
std::optional<size_t> IndexBarRowLinear(const ContactListKeys& keys, char letter);

// The fields "Find" looks in, in the order it tests them.
std::span<const ContactField> FindFields();
// Whether needle occurs in text, both lower-cased.
bool ContainsIgnoringCase(std::string_view text, std::string_view needle);
// Whether a contact record matches "Find": its category contains category
// (always when category is empty) and text occurs in one of FindFields().
bool FindMatches(const uint8_t* record, std::string_view text, std::string_view category);
// The longest search text "Find" uses, in bytes (cut at a character
// boundary).
inline constexpr size_t kFindTextLimit = 100;
// Runs "Find" on store: the matches, sorted by first name.
Result RunFind(RecordStore& store, RecordQuery& query, std::string_view text, std::string_view category);

}  // namespace velmora
