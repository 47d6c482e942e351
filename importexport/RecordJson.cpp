#include "importexport/RecordJson.h"

#include <array>
#include <charconv>
#include <limits>
#include <vector>

#include "importexport/ContactFields.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordHeader.h"

namespace velmora {

namespace {

namespace r = format::record;
namespace s = format::stamp;
using json = nlohmann::ordered_json;
using nlohmann::ordered_json;

// Header keys; "category" and "confidential" are the two that `add` sets.
constexpr std::string_view kPosition = "position";
constexpr std::string_view kId = "id";
constexpr std::string_view kConfidential = "confidential";
constexpr std::string_view kCategory = "category";
constexpr DateValue kFirstDate{1, 1, kFirstYear};
constexpr DateValue kLastDate{31, 12, kLastYear};
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

// The values a contact's numbers take, as the editor offers them.
struct NumberRange {
  std::string_view key;
  int64_t low, high;
  std::string_view allowed;
};
constexpr NumberRange kContactRanges[] = {
    {"Attachment_Kind", 0, 2, "0 (none), 1 (document) or 2 (URL)"},
    {"Gender", 0, 2, "0 (unspecified), 1 (female) or 2 (male)"},
    {"Custom1_ID", 0, 17, "0 (no type) to 17"},
    {"Custom2_ID", 0, 17, "0 (no type) to 17"},
    {"Custom3_ID", 0, 17, "0 (no type) to 17"},
    {"Custom4_ID", 0, 17, "0 (no type) to 17"},
    {"Custom5_ID", 0, 17, "0 (no type) to 17"},
    {"No_Mail_Merge", 0, 1, "0 or 1"},
};

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

std::string Quoted(std::string_view name) { return QuotedForMessage(name); }

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
      JsonField field{key.name, key.offset, key.width, FromContactType(key.type)};
      for (const NumberRange& range : kContactRanges) {
        if (range.key == key.name) {
          field.low = range.low;
          field.high = range.high;
          field.allowed = range.allowed;
        }
      }
      out.push_back(field);
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
  if (field.present) return field.present(record);
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

namespace {

// A JSON string as JsonLine writes it: UTF-8 kept, the controls below 0x20
// escaped (\b \t \n \f \r by name, others as \u00xx), DEL and the C1
// controls U+0080..U+009F escaped as \u00xx too (a terminal would act on
// them), '"' and '\\' escaped; text that is not valid UTF-8 goes through the
// library to get its replacement characters.
void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  // 1 for the bytes that need an escape, 2 for those of multi-byte UTF-8.
  static constexpr auto kKind = [] {
    std::array<uint8_t, 256> kind{};
    for (int ch = 0; ch < 0x20; ++ch) kind[size_t(ch)] = 1;
    kind['"'] = 1;
    kind['\\'] = 1;
    kind[0x7F] = 1;
    for (int ch = 0x80; ch < 0x100; ++ch) kind[size_t(ch)] = 2;
    kind[0xC2] = 3;  // may start a C1 control
    return kind;
  }();
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  uint8_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) seen |= kKind[bytes[i]];
  if (seen == 0) {
    out += '"';
    out += text;
    out += '"';
    return;
  }
  if ((seen & 2) != 0 && !IsValidUtf8(text)) {
    out += JsonLine(ordered_json(std::string(text)));
    return;
  }
  out += '"';
  size_t plain = 0;  // start of the bytes not yet copied
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t ch = bytes[i];
    if (kKind[ch] == 3) {
      // Valid UTF-8 here, so a second byte follows.
      const uint8_t second = bytes[i + 1];
      if (second < 0xA0) {
        out.append(text.data() + plain, i - plain);
        out += "\\u00";
        out += kHex[second >> 4];
        out += kHex[second & 0xF];
        plain = i + 2;
      }
      ++i;
      continue;
    }
    if (kKind[ch] != 1) continue;
    out.append(text.data() + plain, i - plain);
    plain = i + 1;
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default:
        out += "\\u00";
        out += kHex[ch >> 4];
        out += kHex[ch & 0xF];
        break;
    }
  }
  out.append(text.data() + plain, text.size() - plain);
  out += '"';
}

template <typename T>
void AppendNumber(std::string& out, T value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, size_t(end - digits));
}

// Two or four decimal digits, as "%02u" and "%04u" print values below 100
// and 10,000.
void AppendDigits(std::string& out, uint32_t value, int count) {
  char digits[4];
  for (int i = count - 1; i >= 0; --i) {
    digits[i] = char('0' + value % 10);
    value /= 10;
  }
  out.append(digits, size_t(count));
}

void AppendText(std::string& out, const uint8_t* field, size_t width) {
  std::string_view raw = RawText(field, width);
  if (raw.empty()) {
    out += "\"\"";
    return;
  }
  // Bytes that are not UTF-8 read as Windows-1252, as GetText does.
  bool ascii = true;
  for (char ch : raw) ascii = ascii && uint8_t(ch) < 0x80;
  if (ascii || IsValidUtf8(raw)) AppendJsonString(out, raw);
  else AppendJsonString(out, Windows1252ToUtf8(raw));
}

void AppendDate(std::string& out, const DateValue& date) {
  if (date.IsEmpty()) {
    out += "null";
  } else if (date.year < 10000 && date.month < 100 && date.day < 100) {
    out += '"';
    AppendDigits(out, date.year, 4);
    out += '-';
    AppendDigits(out, date.month, 2);
    out += '-';
    AppendDigits(out, date.day, 2);
    out += '"';
  } else {
    AppendJsonString(out, IsoDate(date));
  }
}

void AppendTime(std::string& out, const TimeValue& time) {
  const uint32_t hour = time.hour + (time.half == kHalfPm ? 12u : 0u);
  if (hour >= time.hour && hour < 100 && time.minute < 100) {
    out += '"';
    AppendDigits(out, hour, 2);
    out += ':';
    AppendDigits(out, time.minute, 2);
    out += '"';
  } else {
    AppendJsonString(out, IsoTime(time));
  }
}

void AppendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

// ,"key": as the line writes it.
std::string KeyPrefix(std::string_view key) {
  std::string prefix = ",";
  AppendJsonString(prefix, key);
  prefix += ':';
  return prefix;
}

}  // namespace

RecordJsonWriter::RecordJsonWriter(FieldTable body) : body_(body) {
  for (std::string_view key : kHeaderKeys) headerPrefixes_.push_back(KeyPrefix(key));
  headerPrefixes_.front().erase(0, 1);  // the first key has no comma before it
  for (const JsonField& field : body_) bodyPrefixes_.push_back(KeyPrefix(field.name));
}

void RecordJsonWriter::Append(std::string& out, const uint8_t* record, uint64_t position) const {
  const std::string* key = headerPrefixes_.data();
  out += '{';
  out += *key++;  // position
  AppendNumber(out, position);
  out += *key++;  // id
  out += '"';
  AppendNumber(out, rec::Id(record));
  out += '"';
  out += *key++;  // confidential
  AppendBool(out, rec::Confidential(record));
  out += *key++;  // category
  AppendText(out, record + r::kCategory, r::kCategoryWidth);
  out += *key++;  // locked
  AppendBool(out, rec::Locked(record));
  out += *key++;  // created_date
  AppendDate(out, rec::CreatedDate(record));
  out += *key++;  // created_time
  AppendTime(out, rec::CreatedTime(record));
  out += *key++;  // creator_name
  AppendText(out, record + r::kCreator + s::kName, s::kNameWidth);
  out += *key++;  // creator_address
  AppendText(out, record + r::kCreator + s::kAddress, s::kAddressWidth);
  out += *key++;  // exchange_subject
  AppendText(out, record + r::kExchangeSubject, r::kExchangeSubjectWidth);
  out += *key++;  // exchange_state
  AppendNumber(out, unsigned(record[r::kExchangeState]));
  out += *key++;  // exchange_flag
  AppendNumber(out, unsigned(record[r::kExchangeFlag]));
  out += *key++;  // exchange_mark
  AppendNumber(out, unsigned(record[r::kExchangeMark]));
  for (size_t i = 0; i < body_.size(); ++i) {
    const JsonField& field = body_[i];
    out += bodyPrefixes_[i];
    const uint8_t* p = record + field.offset;
    if (field.present) {
      out += JsonLine(field.present(record));
      continue;
    }
    switch (field.type) {
      case FieldType::Text: AppendText(out, p, field.width); break;
      case FieldType::U8: AppendNumber(out, unsigned(*p)); break;
      case FieldType::I32: AppendNumber(out, GetI32(p)); break;
      case FieldType::U32: AppendNumber(out, GetU32(p)); break;
      case FieldType::Date: AppendDate(out, GetDate(p)); break;
      case FieldType::Time: AppendTime(out, GetTime(p)); break;
    }
  }
  out += "}\n";
}

void AppendRecordJsonLine(std::string& out, const uint8_t* record, uint64_t position, FieldTable body) {
  RecordJsonWriter(body).Append(out, record, position);
}

ResultOf<std::string> TextFromJson(const json& value, std::string_view key, uint32_t width) {
  if (value.is_null()) return std::string();
  if (!value.is_string()) {
    return Result::Fail("key " + Quoted(key) + ": expected a text");
  }
  const std::string& given = value.get_ref<const std::string&>();
  if (size_t nul = given.find('\0'); nul != std::string::npos) {
    return Result::Fail("key " + Quoted(key) +
                        ": expected a text without NUL characters (\\u0000), found one at byte " +
                        std::to_string(nul + 1));
  }
  if (given.size() > width - 1) {
    return Result::Fail("key " + Quoted(key) + ": expected a text of at most " + std::to_string(width - 1) +
                        " bytes (UTF-8), not " + std::to_string(given.size()) + " bytes");
  }
  return given;
}

Result FieldFromJson(const json& value, const JsonField& field, uint8_t* record) {
  uint8_t* p = record + field.offset;
  int64_t number = 0;
  bool isNumber = false;
  switch (field.type) {
    case FieldType::Text: {
      ResultOf<std::string> text = TextFromJson(value, field.name, field.width);
      if (!text.ok()) return text.result();
      PutText(p, field.width, text.value());
      return Result::Ok();
    }
    case FieldType::U8:
      isNumber = WholeNumberIn(value, 0, 255, number);
      break;
    case FieldType::I32:
      isNumber =
          WholeNumberIn(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), number);
      break;
    case FieldType::U32:
      isNumber = WholeNumberIn(value, 0, std::numeric_limits<uint32_t>::max(), number);
      break;
    case FieldType::Date: {
      DateValue date;
      if (value.is_null()) {
        PutDate(p, date);
        return Result::Ok();
      }
      if (!value.is_string() || !ParseDateNumbers(value.get_ref<const std::string&>(), date)) break;
      if (DayNumber(date) == kInvalidDayNumber) {
        return Result::Fail("key " + Quoted(field.name) + ": expected a valid date from " + IsoDate(kFirstDate) +
                            " to " + IsoDate(kLastDate) + ", not " + Quoted(value.get_ref<const std::string&>()));
      }
      PutDate(p, date);
      return Result::Ok();
    }
    case FieldType::Time: {
      TimeValue time;
      if (value.is_string() && ParseIsoTime(value.get<std::string>(), time)) {
        PutTime(p, time);
        return Result::Ok();
      }
      break;
    }
  }
  if (!isNumber) {
    return Result::Fail("key " + Quoted(field.name) + ": expected " + Expected(field.type));
  }
  if (field.HasRange() && (number < field.low || number > field.high)) {
    const std::string allowed = field.allowed.empty()
                                    ? std::to_string(field.low) + " to " + std::to_string(field.high)
                                    : std::string(field.allowed);
    return Result::Fail("key " + Quoted(field.name) + ": expected " + allowed + ", not " + std::to_string(number));
  }
  switch (field.type) {
    case FieldType::U8: *p = uint8_t(number); break;
    case FieldType::I32: PutI32(p, int32_t(number)); break;
    case FieldType::U32: PutU32(p, uint32_t(number)); break;
    default: break;
  }
  return Result::Ok();
}

Result FillRecordFromJson(const json& object, FieldTable body, const FillOptions& options, uint8_t* record) {
  for (const auto& [key, value] : object.items()) {
    if (key == kCategory) {
      ResultOf<std::string> category = TextFromJson(value, key, r::kCategoryWidth);
      if (!category.ok()) return category.result();
      rec::SetCategory(record, category.value());
      continue;
    }
    if (key == kConfidential) {
      int64_t number = 0;
      bool on = false;
      if (value.is_boolean()) {
        on = value.get<bool>();
      } else if (WholeNumberIn(value, 0, 1, number)) {
        on = number == 1;
      } else {
        return Result::Fail("key " + Quoted(key) + ": expected true or false");
      }
      if (on && !options.mayMarkConfidential) {
        return Result::Fail("key " + Quoted(key) + ": only the Owner may mark a record confidential");
      }
      rec::SetConfidential(record, on);
      continue;
    }
    if (const JsonField* field = FindField(body, key)) {
      if (Result stored = FieldFromJson(value, *field, record); !stored.ok()) return stored;
      continue;
    }
    bool describesStoredRecord = false;
    for (std::string_view header : kHeaderKeys) describesStoredRecord |= header == key;
    if (describesStoredRecord) continue;
    std::string error = "unknown key " + Quoted(key);
    // A header key spelt with a capital: say which one `list` prints.
    for (std::string_view header : kHeaderKeys) {
      if (key.size() == header.size() && !key.empty() && FoldCase(uint8_t(key[0])) == uint8_t(header[0]) &&
          key.substr(1) == header.substr(1)) {
        error += " (the key is " + Quoted(header) + ")";
      }
    }
    return Result::Fail(std::move(error));
  }
  return Result::Ok();
}

std::string QuotedForMessage(std::string_view text) {
  constexpr size_t kLongest = 64;
  const size_t kept = Utf8CutLength(text, kLongest);
  std::string quoted = JsonLine(ordered_json(std::string(text.substr(0, kept))));
  if (kept < text.size()) quoted.insert(quoted.size() - 1, "...");
  return quoted;
}

std::string JsonLine(const ordered_json& value) {
  std::string line = value.dump(-1, ' ', false, json::error_handler_t::replace);
  // The library escapes only the controls below 0x20; DEL and the C1
  // controls (U+0080..U+009F, C2 80..C2 9F in UTF-8) are escaped here, so a
  // line shown on a terminal cannot steer it. They occur only inside
  // strings, where the escape means the same character.
  static constexpr char kHex[] = "0123456789abcdef";
  auto controlAt = [&](size_t i) {
    const auto byte = uint8_t(line[i]);
    if (byte == 0x7F) return 1;
    if (byte == 0xC2 && i + 1 < line.size() && uint8_t(line[i + 1]) >= 0x80 && uint8_t(line[i + 1]) < 0xA0) return 2;
    return 0;
  };
  bool any = false;
  for (size_t i = 0; i < line.size() && !any; ++i) any = controlAt(i) != 0;
  if (!any) return line;
  std::string escaped;
  escaped.reserve(line.size() + 16);
  for (size_t i = 0; i < line.size(); ++i) {
    const int width = controlAt(i);
    if (width == 0) {
      escaped += line[i];
      continue;
    }
    const auto code = uint8_t(width == 1 ? 0x7F : uint8_t(line[i + 1]));
    escaped += "\\u00";
    escaped += kHex[code >> 4];
    escaped += kHex[code & 0xF];
    i += size_t(width - 1);
  }
  return escaped;
}

}  // namespace velmora
