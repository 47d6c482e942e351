// The JSON form of a record, as the velmora tool's `list` prints it and
// `add` reads it back: the common header under snake_case keys, then the
// body under its internal field names. A body is described by a table of
// fields; the contact's is here, the event's comes with the calendar's
// rules for a new event.
//
//   texts    JSON strings (UTF-8; cut to the field width - 1 bytes on input)
//   numbers  JSON integers
//   dates    "YYYY-MM-DD", null when all three parts are zero; a stored
//            date that is not a valid date is still written from its numbers
//   times    "HH:MM" on the 24-hour clock (stored as hour 0..11 and half)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace velmora {

enum class FieldType { Text, U8, I32, U32, Date, Time };

struct JsonField {
  std::string_view name;
  uint32_t offset;
  uint32_t width;  // bytes; for texts including the terminator
  FieldType type;
};
using FieldTable = std::span<const JsonField>;

// The body keys of a contact, in record order: the 42 internal names plus
// the numbers, dates, picture and attachment.
FieldTable ContactJsonFields();
const JsonField* FindField(FieldTable fields, std::string_view name);

// The header keys `list` prints, in order.
std::span<const std::string_view> HeaderKeys();

// One record as `list` prints it. REQUIRES: record holds the whole slot and
// the fields lie inside it.
nlohmann::ordered_json RecordToJson(const uint8_t* record, uint64_t position, FieldTable body);

// One body field's value as `list` prints it.
nlohmann::ordered_json FieldToJson(const uint8_t* record, const JsonField& field);

struct FillOptions {
  // Whether "confidential": true is allowed (only the Owner may mark a
  // record confidential, as in the editors).
  bool mayMarkConfidential = true;
};

// Fills the named fields of record from a JSON object. Header keys that
// describe a stored record (position, id, dates, stamps, exchange state) are
// accepted and ignored, so `list` output can be fed to `add`. false with
// error set (naming the key) for an unknown key or a value of the wrong
// type; record may then be partly filled.
bool FillRecordFromJson(const nlohmann::json& object, FieldTable body, const FillOptions& options,
                        uint8_t* record, std::string& error);

// Stores a JSON value into one body field; false with error on a wrong type.
bool FieldFromJson(const nlohmann::json& value, const JsonField& field, uint8_t* record, std::string& error);

// Serialises one JSON line (UTF-8 kept as it is; invalid bytes replaced).
std::string JsonLine(const nlohmann::ordered_json& value);

}  // namespace velmora
