#include "importexport/RecordJson.h"

#include <array>
#include <limits>
#include <vector>

#include "addressbook/model/ContactRecord.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordHeader.h"

namespace velmora {

namespace {

namespace r = format::record;
namespace s = format::stamp;
using nlohmann::json;
using nlohmann::ordered_json;

// Header keys; "category" and "confidential" are the two that `add` sets.
constexpr std::string_view kPosition = "position";
constexpr std::string_view kId = "id";
constexpr std::string_view kConfidential = "confidential";
constexpr std::string_view kCategory = "category";
constexpr std::array<std::string_view, 13> kHeaderKeys{
    kPosition,       kId,          kConfidential,     kCategory,        "locked",
    "created_date",  "created_time", "creator_name",  "creator_address", "exchange_subject",
    "exchange_state", "exchange_flag", "exchange_mark"};

FieldType FromContactType(BodyKeyType type) {
  switch (type) {
    case BodyKeyType::Text: return FieldType::Text;
    case BodyKeyType::I32: return FieldType::I32;
    case BodyKeyType::Date: return FieldType::Date;
    case BodyKeyType::U8: return FieldType::U8;
  }
  return FieldType::Text;
}

ordered_json DateToJson(const DateValue& date) {
  if (date.IsEmpty()) return nullptr;
  return IsoDate(date);
}

// "Y-M-D" with one to ten digits per part, each fitting 32 bits. The parts
// are stored as given; whether they form a valid date is the business of
// the kind's validity rules.
bool ParseDateNumbers(const std::string& text, DateValue& out) {
  uint64_t parts[3] = {0, 0, 0};
  size_t part = 0, digits = 0;
  for (char c : text) {
    if (c == '-') {
      if (digits == 0 || ++part > 2) return false;
      digits = 0;
    } else if (c >= '0' && c <= '9') {
      if (++digits > 10) return false;
      parts[part] = parts[part] * 10 + uint64_t(c - '0');
      if (parts[part] > std::numeric_limits<uint32_t>::max()) return false;
    } else {
      return false;
    }
  }
  if (part != 2 || digits == 0) return false;
  out = {uint32_t(parts[2]), uint32_t(parts[1]), uint32_t(parts[0])};
  return true;
}

bool WholeNumberIn(const json& value, int64_t low, int64_t high, int64_t& out) {
  if (value.is_number_unsigned()) {
    uint64_t v = value.get<uint64_t>();
    if (v > uint64_t(high)) return false;
    out = int64_t(v);
    return true;
  }
  if (value.is_number_integer()) {
    int64_t v = value.get<int64_t>();
    if (v < low || v > high) return false;
    out = v;
    return true;
  }
  return false;
}

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

const char* Expected(FieldType type) {
  switch (type) {
    case FieldType::Text: return "a text";
    case FieldType::U8: return "a whole number from 0 to 255";
    case FieldType::I32: return "a whole number from -2147483648 to 2147483647";
    case FieldType::U32: return "a whole number from 0 to 4294967295";
    case FieldType::Date: return "a date \"YYYY-MM-DD\" or null";
    case FieldType::Time: return "a time \"HH:MM\" (00:00 to 23:59)";
  }
  return "another value";
}

}  // namespace

FieldTable ContactJsonFields() {
  static const std::vector<JsonField> fields = [] {
    std::vector<JsonField> out;
    for (const BodyKey& key : ContactBodyKeys()) {
      out.push_back({key.name, key.offset, key.width, FromContactType(key.type)});
    }
    return out;
  }();
  return fields;
}

const JsonField* FindField(FieldTable fields, std::string_view name) {
  for (const JsonField& field : fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

std::span<const std::string_view> HeaderKeys() { return kHeaderKeys; }

ordered_json FieldToJson(const uint8_t* record, const JsonField& field) {
  const uint8_t* p = record + field.offset;
  switch (field.type) {
    case FieldType::Text: return GetText(p, field.width);
    case FieldType::U8: return *p;
    case FieldType::I32: return GetI32(p);
    case FieldType::U32: return GetU32(p);
    case FieldType::Date: return DateToJson(GetDate(p));
    case FieldType::Time: return IsoTime(GetTime(p));
  }
  return nullptr;
}

ordered_json RecordToJson(const uint8_t* record, uint64_t position, FieldTable body) {
  ordered_json out;
  out[kPosition] = position;
  out[kId] = std::to_string(rec::Id(record));
  out[kConfidential] = rec::Confidential(record);
  out[kCategory] = rec::Category(record);
  out["locked"] = rec::Locked(record);
  out["created_date"] = DateToJson(rec::CreatedDate(record));
  out["created_time"] = IsoTime(rec::CreatedTime(record));
  out["creator_name"] = GetText(record + r::kCreator + s::kName, s::kNameWidth);
  out["creator_address"] = GetText(record + r::kCreator + s::kAddress, s::kAddressWidth);
  out["exchange_subject"] = GetText(record + r::kExchangeSubject, r::kExchangeSubjectWidth);
  out["exchange_state"] = record[r::kExchangeState];
  out["exchange_flag"] = record[r::kExchangeFlag];
  out["exchange_mark"] = record[r::kExchangeMark];
  for (const JsonField& field : body) out[field.name] = FieldToJson(record, field);
  return out;
}

bool FieldFromJson(const json& value, const JsonField& field, uint8_t* record, std::string& error) {
  uint8_t* p = record + field.offset;
  int64_t number = 0;
  switch (field.type) {
    case FieldType::Text:
      if (value.is_null()) {
        PutText(p, field.width, "");
        return true;
      }
      if (!value.is_string()) break;
      PutText(p, field.width, value.get_ref<const std::string&>());
      return true;
    case FieldType::U8:
      if (!WholeNumberIn(value, 0, 255, number)) break;
      *p = uint8_t(number);
      return true;
    case FieldType::I32:
      if (!WholeNumberIn(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), number)) {
        break;
      }
      PutI32(p, int32_t(number));
      return true;
    case FieldType::U32:
      if (!WholeNumberIn(value, 0, std::numeric_limits<uint32_t>::max(), number)) break;
      PutU32(p, uint32_t(number));
      return true;
    case FieldType::Date: {
      DateValue date;
      if (value.is_null() || (value.is_string() && ParseDateNumbers(value.get<std::string>(), date))) {
        PutDate(p, date);
        return true;
      }
      break;
    }
    case FieldType::Time: {
      TimeValue time;
      if (value.is_string() && ParseIsoTime(value.get<std::string>(), time)) {
        PutTime(p, time);
        return true;
      }
      break;
    }
  }
  error = "key " + Quoted(field.name) + ": expected " + Expected(field.type);
  return false;
}

bool FillRecordFromJson(const json& object, FieldTable body, const FillOptions& options, uint8_t* record,
                        std::string& error) {
  bool categorySeen = false, confidentialSeen = false;
  for (const auto& [key, value] : object.items()) {
    if (key == "Category" || key == kCategory) {
      if (categorySeen) {
        error = "key \"Category\" given twice";
        return false;
      }
      categorySeen = true;
      if (!value.is_string() && !value.is_null()) {
        error = "key " + Quoted(key) + ": expected a text";
        return false;
      }
      rec::SetCategory(record, value.is_null() ? std::string() : value.get<std::string>());
      continue;
    }
    if (key == "Confidential" || key == kConfidential) {
      if (confidentialSeen) {
        error = "key \"Confidential\" given twice";
        return false;
      }
      confidentialSeen = true;
      int64_t number = 0;
      bool on = false;
      if (value.is_boolean()) {
        on = value.get<bool>();
      } else if (WholeNumberIn(value, 0, 1, number)) {
        on = number == 1;
      } else {
        error = "key " + Quoted(key) + ": expected true or false";
        return false;
      }
      if (on && !options.mayMarkConfidential) {
        error = "key " + Quoted(key) + ": only the Owner may mark a record confidential";
        return false;
      }
      rec::SetConfidential(record, on);
      continue;
    }
    if (const JsonField* field = FindField(body, key)) {
      if (!FieldFromJson(value, *field, record, error)) return false;
      continue;
    }
    bool describesStoredRecord = false;
    for (std::string_view header : kHeaderKeys) describesStoredRecord |= header == key;
    if (describesStoredRecord) continue;
    error = "unknown key " + Quoted(key);
    return false;
  }
  return true;
}

std::string JsonLine(const ordered_json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace velmora
