// What one row of the contact list shows, apart from how it is painted: the
// two-line name block chosen by the sort order, the three detail lines of
// the view tab, the status icons and the category text.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactList.h"

namespace velmora {

inline constexpr const char* kNoNameText = "n/a";

// "first last" built as the list builds it: the first name and one blank
// when the first name is not empty, then the last name when it is not
// empty. LastFirstName swaps the two names.
std::string FirstLastName(const Contact& contact);
std::string LastFirstName(const Contact& contact);

// The name block of a row for sort order 1..10 (outside: as for 1). The
// first line is "n/a" when empty; CR and LF in either line read as blanks.
struct ContactNameBlock {
  std::string first;   // bold
  std::string second;  // small font
};
ContactNameBlock BuildNameBlock(const Contact& contact, int sortOrder);

// View tabs of the list.
inline constexpr int kViewHome = 1;
inline constexpr int kViewBusiness = 2;
inline constexpr int kViewCustom = 3;

struct ContactDetailLine {
  std::string label;  // e.g. "Home:"
  std::string value;  // CR and LF read as blanks
  DisplayKind kind = DisplayKind::Phone;
};
// The detail lines of a row, top to bottom: three for "Home" and
// "Business"; for "Custom" one per column that is on, in column order.
std::vector<ContactDetailLine> BuildDetailLines(const Contact& contact, int viewTab,
                                                const std::array<ListColumn, 3>& columns);

// Bitmap numbers of the status icons, left to right (the exchange icon
// first, 16 pixels wide; the others 12).
inline constexpr int kIconExchangePending = 2015;
inline constexpr int kIconExchangeChanged = 2016;
inline constexpr int kIconConfidential = 2017;
inline constexpr int kIconAttachment = 2018;
inline constexpr int kIconPicture = 2019;
std::vector<int> StatusIcons(const Contact& contact);

// "[category]", or empty when the contact has no category.
std::string CategoryTag(const Contact& contact);

}  // namespace velmora
