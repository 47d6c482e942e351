// The JSON form of a record, as the velmora tool's `list` prints it and
// `add` reads it back: the common header under snake_case keys, then the
// body under its internal field names. A body is described by a table of
// fields; the contact's is here, the event's comes with the calendar's
// rules for a new event.
//
//   texts    JSON strings (UTF-8), at most the field width - 1 bytes and
//            without NUL characters
//   numbers  JSON integers within the field's own range
//   dates    "YYYY-MM-DD", null when all three parts are zero; a stored
//            date that is not a valid date is still written from its numbers,
//            while input takes only valid dates from 1800-01-01 to 2199-12-31
//   times    "HH:MM" on the 24-hour clock (stored as hour 0..11 and half)
//
// Input is taken only when it can be stored as given: a value that would
// have to be cut, bent or dropped is refused, naming the key, the problem
// and the limit.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "store/Result.h"

namespace velmora {

enum class FieldType { Text, U8, I32, U32, Date, Time };

struct JsonField {
  std::string_view name;
  uint32_t offset;
  uint32_t width;  // bytes; for texts including the terminator
  FieldType type;
  // Numbers: the values the field takes, low..high, and how a refusal
  // names them ("0 or 1"); without it, every value of the type.
  int64_t low = 0;
  int64_t high = -1;
  std::string_view allowed = {};
  // How `list` shows the field, when not by its type alone.
  nlohmann::ordered_json (*present)(const uint8_t* record) = nullptr;
  bool HasRange() const { return low <= high; }
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

// Writes records as `list` prints them, each with a line feed: the same
// bytes as JsonLine(RecordToJson(record, position, body)) + '\n', written
// straight from the record (a field with its own `present` goes through
// the JSON value). The keys are escaped once, when the writer is made.
// REQUIRES: as for RecordToJson, and body's names differ from each other
// and from the header keys.
class RecordJsonWriter {
 public:
  explicit RecordJsonWriter(FieldTable body);
  void Append(std::string& out, const uint8_t* record, uint64_t position) const;

 private:
  FieldTable body_;
  std::vector<std::string> headerPrefixes_;  // "\"position\":", ",\"id\":", ...
  std::vector<std::string> bodyPrefixes_;
};
// One record with a writer made for it.
void AppendRecordJsonLine(std::string& out, const uint8_t* record, uint64_t position, FieldTable body);

// One body field's value as `list` prints it.
nlohmann::ordered_json FieldToJson(const uint8_t* record, const JsonField& field);

struct FillOptions {
  // Whether "confidential": true is allowed (only the Owner may mark a
  // record confidential, as in the editors).
  bool mayMarkConfidential = true;
};

// Fills the named fields of record from a JSON object. "category" and
// "confidential" set the header; the other header keys describe a stored
// record (position, id, dates, stamps, exchange state) and are accepted and
// ignored, so `list` output can be fed to `add`. A failure (naming the
// key) for a key `list` does not print or a value that cannot be stored as
// given; record may then be partly filled.
Result FillRecordFromJson(const nlohmann::ordered_json& object, FieldTable body, const FillOptions& options,
                          uint8_t* record);

// Stores a JSON value into one body field; a failure when it cannot be
// stored as given.
Result FieldFromJson(const nlohmann::ordered_json& value, const JsonField& field, uint8_t* record);

// Checks a JSON value as a text for a field of that width (terminator
// included) and gives it (null gives the empty text); a failure naming the
// key otherwise.
ResultOf<std::string> TextFromJson(const nlohmann::ordered_json& value, std::string_view key, uint32_t width);

// A key or value as a message quotes it: a JSON string (line breaks and
// other controls escaped), the text cut after 64 bytes with "...".
std::string QuotedForMessage(std::string_view text);

// Serialises one JSON line (UTF-8 kept as it is; invalid bytes replaced).
std::string JsonLine(const nlohmann::ordered_json& value);

}  // namespace velmora
