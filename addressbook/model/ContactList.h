// What the contact list shows and sorts by: the sort keys, the display
// fields its configurable columns choose from, and those columns' settings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "addressbook/model/Contact.h"
#include "store/Result.h"

namespace velmora {

// Sort keys 1..10 of the contact list: field offset and compared length.
struct ContactSortKey {
  uint32_t offset = 0;
  uint32_t length = 0;
};
inline constexpr int kFirstSortKey = 1;
inline constexpr int kLastSortKey = 10;
std::optional<ContactSortKey> FindContactSortKey(int key);

// The display fields the list's configurable columns choose from.
enum class DisplayKind { Phone = 1, Email = 2, Web = 3 };
struct DisplayField {
  std::string_view label;  // shown before the value, e.g. "Home:"
  DisplayKind kind;
  ContactField field;      // fixed fields (positions 0..7); width 0 otherwise
  int32_t otherPhoneType;  // positions 8..24: the other-phone type shown; 0 otherwise
};
inline constexpr int kDisplayFieldCount = 25;
std::span<const DisplayField> DisplayFields();
// The value shown for display field position 0..24: the fixed field's text,
// or the text of the first of the five other phones whose type is the
// field's type (empty when none has it). Empty for other positions.
std::string DisplayFieldValue(const Contact& contact, int position);

// The three configurable columns of the contact list.
struct ListColumn {
  int displayField = 0;  // position in DisplayFields()
  bool on = false;
  friend bool operator==(const ListColumn&, const ListColumn&) = default;
};
inline constexpr std::array<ListColumn, 3> kDefaultListColumns{{{0, true}, {1, true}, {5, false}}};
// Reads "CustomID_n" and "CustomState_n" (n = 1..3) of section "Preference"
// from the program's settings file. A missing or out-of-range position keeps
// the column's default position; a missing state keeps the default state,
// any present state is on exactly when it is 1.
std::array<ListColumn, 3> ReadListColumns();
// Writes the six keys (positions, and 1 or 0 for the states); the first
// failure when one could not be written.
Result WriteListColumns(const std::array<ListColumn, 3>& columns);

}  // namespace velmora
