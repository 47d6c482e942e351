#include "tools/RecordLineReader.h"

#include <string>
#include <unordered_set>
#include <utility>

#include <nlohmann/json.hpp>

#include "addressbook/model/ContactRecord.h"
#include "store/RecordHeader.h"
#include "tools/EventFields.h"
#include "tools/HistoryFields.h"

namespace velmora::tool {

namespace {

using format::FileKind;
using nlohmann::ordered_json;

// Every stored byte may be written as a six-character escape (\u00XX); each
// key with its quotes, colon, comma and spaces between tokens fits in 64.
constexpr size_t kCharactersPerByte = 6;
constexpr size_t kPerKey = 64;
constexpr size_t kHeaderKeySlack = 32;

// Offset of the first byte of text that is not UTF-8 (overlong forms,
// surrogates and values above U+10FFFF included), or npos.
size_t FirstInvalidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t low = 0;
    uint32_t value = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2, low = 0x80, value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3, low = 0x800, value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4, low = 0x10000, value = c & 0x07;
    } else {
      return i;
    }
    if (i + length > n) return i;
    for (size_t k = 1; k < length; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return i;
      value = value << 6 | (s[i + k] & 0x3F);
    }
    if (value < low || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return i;
    i += length;
  }
  return std::string_view::npos;
}

Result Refuse(std::string text) { return Result::Fail(std::move(text)); }

const char* JsonKindName(const ordered_json& value) {
  if (value.is_array()) return "a JSON array";
  if (value.is_string()) return "a JSON string";
  if (value.is_number()) return "a JSON number";
  if (value.is_boolean()) return "a JSON true or false";
  return "a JSON null";
}

Result FinishContact(const ordered_json&, Bytes& record) {
  NormaliseContactRecord(record);
  return Result::Ok();
}

}  // namespace

FieldTable BodyFields(std::optional<FileKind> kind) {
  if (kind == FileKind::Address) return ContactJsonFields();
  if (kind == FileKind::Calendar) return EventFields();
  if (kind == FileKind::History) return HistoryFields();
  return {};
}

RecordLineReader::RecordLineReader(FileKind kind, Bytes newRecord, const FillOptions& options)
    : kind_(kind), newRecord_(std::move(newRecord)), options_(options), body_(BodyFields(kind)) {
  const size_t keys = HeaderKeys().size() + body_.size();
  maxLineLength_ = newRecord_.size() * kCharactersPerByte + keys * kPerKey + kHeaderKeySlack;
}

std::optional<RecordLineReader> RecordLineReader::For(std::optional<FileKind> kind, Bytes newRecord,
                                                      const FillOptions& options) {
  if (kind != FileKind::Address && kind != FileKind::Calendar) return std::nullopt;
  if (newRecord.size() != format::InfoOf(*kind).recordSize) return std::nullopt;
  return RecordLineReader(*kind, std::move(newRecord), options);
}

std::optional<RecordLineReader> RecordLineReader::For(RecordStore& store, std::optional<FileKind> kind,
                                                      const FillOptions& options) {
  Bytes record;
  if (kind == FileKind::Address) {
    InitContactRecord(store, record);
  } else if (kind == FileKind::Calendar) {
    InitEventForAdd(store, record);
  } else {
    return std::nullopt;
  }
  return For(kind, std::move(record), options);
}

bool RecordLineReader::IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

Result RecordLineReader::Read(std::string_view line, Bytes& record) const {
  Bytes fresh = newRecord_;
  rec::SetId(fresh.data(), NewRecordId());
  return Fill(line, fresh, record, true);
}

Result RecordLineReader::ReadOver(std::string_view line, const Bytes& base, Bytes& record) const {
  return Fill(line, base, record, false);
}

Result RecordLineReader::Fill(std::string_view line, const Bytes& base, Bytes& record, bool fresh) const {
  if (line.size() > maxLineLength_) {
    return Refuse("longer than any record could be (" + std::to_string(line.size()) + " bytes; at most " +
                  std::to_string(maxLineLength_) + ")");
  }
  if (size_t nul = line.find('\0'); nul != std::string_view::npos) {
    return Refuse("a NUL byte at byte " + std::to_string(nul + 1) + " (JSON text holds none)");
  }
  if (size_t bad = FirstInvalidUtf8(line); bad != std::string_view::npos) {
    return Refuse("invalid UTF-8 at byte " + std::to_string(bad + 1) + " (the records are read as UTF-8)");
  }

  // Keys of the record object as the parser meets them: a key given twice
  // is refused rather than letting the last one win.
  std::unordered_set<std::string> keys;
  std::string duplicate;
  auto notice = [&](int depth, ordered_json::parse_event_t event, ordered_json& parsed) {
    if (depth == 1 && event == ordered_json::parse_event_t::key && duplicate.empty() && parsed.is_string()) {
      if (!keys.insert(parsed.get_ref<const std::string&>()).second) duplicate = parsed.get<std::string>();
    }
    return true;
  };
  ordered_json object;
  try {
    object = ordered_json::parse(line.begin(), line.end(), notice, true);
  } catch (const ordered_json::parse_error& error) {
    const std::string what = error.what();
    // The parser's own words tell its errors apart.
    if (what.find("; expected end of input") != std::string::npos) {
      return Refuse("text after the end of the JSON object, at byte " + std::to_string(error.byte));
    }
    if (what.find("unexpected end of input") != std::string::npos) {
      return Refuse("not a JSON object (the line ends inside it)");
    }
    return Refuse("not a JSON object (invalid JSON at byte " + std::to_string(error.byte) + ")");
  } catch (const ordered_json::exception&) {
    return Refuse("not a JSON object");
  }
  if (!object.is_object()) return Refuse(std::string("not a JSON object but ") + JsonKindName(object));
  if (!duplicate.empty()) return Refuse("key " + QuotedForMessage(duplicate) + " given twice");

  record = base;
  if (Result filled = FillRecordFromJson(object, body_, options_, record.data()); !filled.ok()) return filled;
  return kind_ == FileKind::Calendar ? FinishEventFromJson(object, record, fresh ? EventBase::New : EventBase::Stored)
                                     : FinishContact(object, record);
}

}  // namespace velmora::tool
