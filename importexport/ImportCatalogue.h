// The catalogue types of the import wizard: the fields a record kind can
// take from an imported file, and the column headings accepted for them.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmora {

// Field kinds of an import catalogue.
inline constexpr uint32_t kImportFixedBytes = 1;
inline constexpr uint32_t kImportInteger = 2;
inline constexpr uint32_t kImportInteger3 = 3;  // read as kind 2
inline constexpr uint32_t kImportDate = 4;
inline constexpr uint32_t kImportTime = 5;
inline constexpr uint32_t kImportText = 6;

struct ImportField {
  uint8_t mapped = 0;  // set by the wizard when a column is mapped to the field
  int32_t column = 0;  // the entry's own index until the wizard maps it
  uint32_t offset = 0;
  uint32_t kind = 0;
  uint32_t width = 0;
  std::string_view label;
};

// One accepted column heading for a catalogue label; each text fits a
// 255-byte field.
struct FieldAlias {
  std::string_view label;
  std::string_view heading;
};

}  // namespace velmora
