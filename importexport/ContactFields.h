// The catalogues of contact fields that import, export and mail merge name:
// the 42 internal names of the text fields, the 46 column labels, and the
// keys of a whole contact body as the JSON form of records names them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "addressbook/model/ContactLayout.h"

namespace velmora {

namespace contact {
// Number of internal field names and of display labels.
inline constexpr size_t kFieldNameCount = 42;
inline constexpr size_t kLabelCount = 46;
}  // namespace contact

// Offset and width of the text field with that internal name ("First_Name"
// .. "Notes", the names mail-merge templates use); case-sensitive.
std::optional<ContactField> FindContactField(std::string_view name);

struct NamedContactField {
  std::string_view name;
  ContactField field;
};
// The 42 internal names with their fields, in their catalogue order.
std::span<const NamedContactField> ContactFieldNames();

// Label of a field listed by position (export columns, reports, import):
// positions 0..45.
std::optional<std::string> ContactFieldLabel(int position);

// Keys of a contact body as the command-line tool names them in JSON: the 42
// internal names plus the numbers, dates, picture and attachment, in record
// order.
enum class BodyKeyType { Text, I32, Date, U8 };
struct BodyKey {
  std::string_view name;
  uint32_t offset;
  uint32_t width;  // bytes: text width with terminator, 4, 12 or 1
  BodyKeyType type;
};
std::span<const BodyKey> ContactBodyKeys();
const BodyKey* FindContactBodyKey(std::string_view name);

}  // namespace velmora
