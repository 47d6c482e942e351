// The JSON line writer gives byte for byte what the JSON value of a record
// serialises to, on records full of awkward bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "importexport/RecordJson.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/Format.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

// A field that shows itself, as the calendar's repeat end does.
nlohmann::ordered_json ShownByItself(const uint8_t* record) {
  if (record[3000] == 0) return nullptr;
  return "shown \"" + std::to_string(record[3000]) + "\"";
}

// Every field type, and one with its own way of showing.
const JsonField kEveryType[] = {
    {"Text", 600, 40, FieldType::Text},  {"U8", 700, 1, FieldType::U8},        {"I32", 704, 4, FieldType::I32},
    {"U32", 708, 4, FieldType::U32},     {"Date", 712, 12, FieldType::Date},   {"Time", 724, 16, FieldType::Time},
    {"Shown", 3000, 1, FieldType::U8, 0, -1, {}, ShownByItself},
    {"K\xC3\xA9y \"quoted\"", 800, 20, FieldType::Text},
};

// Text bytes that need care: quotes, backslashes, every control, DEL,
// UTF-8 of two to four bytes, and bytes that are no UTF-8 (Windows-1252).
std::string AwkwardText(std::mt19937& random, size_t most) {
  static const std::vector<std::string> pieces = {
      "a", "Z", " ", "\"", "\\", "/", "\b", "\f", "\n", "\r", "\t", "\x01", "\x1F", "\x7F", "\xC3\xA9",
      "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\x81", "\x9D", "\xC3", "\xE9", "\xFF", "\xED\xA0\x80", "\xC0\xAF",
      "M\xC3\xBCller"};
  std::string out;
  const size_t count = random() % 10;
  for (size_t i = 0; i < count; ++i) out += pieces[random() % pieces.size()];
  return out.substr(0, most);
}

void FillRandomly(std::mt19937& random, Bytes& record, std::span<const JsonField> body) {
  for (uint8_t& byte : record) byte = random() % 4 == 0 ? uint8_t(random()) : 0;
  auto text = [&](uint32_t offset, uint32_t width) {
    const std::string value = AwkwardText(random, width - 1);
    std::fill(record.begin() + offset, record.begin() + offset + width, uint8_t(0));
    std::copy(value.begin(), value.end(), record.begin() + offset);
  };
  auto below = [&](uint32_t limit) { return uint32_t(random() % limit); };
  auto date = [&](uint32_t offset) {
    switch (random() % 4) {
      case 0: PutDate(record.data() + offset, DateValue{}); break;
      case 1: PutDate(record.data() + offset, DateValue{1 + below(31), 1 + below(12), 1800 + below(400)}); break;
      case 2: PutDate(record.data() + offset, DateValue{below(200), below(200), below(20000)}); break;
      default: break;  // the random bytes
    }
  };
  auto time = [&](uint32_t offset) {
    TimeValue value{below(12), below(60), 0, 1 + below(2)};
    if (random() % 4 == 0) value = TimeValue{uint32_t(random()), uint32_t(random()), 0, below(3)};
    PutTime(record.data() + offset, value);
  };
  namespace r = format::record;
  text(r::kCategory, r::kCategoryWidth);
  text(r::kExchangeSubject, r::kExchangeSubjectWidth);
  date(r::kCreatedDate);
  time(r::kCreatedTime);
  for (const JsonField& field : body) {
    if (field.type == FieldType::Text) text(field.offset, field.width);
    if (field.type == FieldType::Date) date(field.offset);
    if (field.type == FieldType::Time) time(field.offset);
  }
}

TEST(RecordJsonWriter, WritesTheBytesOfTheJsonValue) {
  struct Case {
    const char* name;
    std::span<const JsonField> body;
  };
  const Case cases[] = {{"contact", ContactJsonFields()}, {"every type", kEveryType}, {"no body", {}}};
  std::mt19937 random(1210);
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    const RecordJsonWriter writer(tc.body);
    for (int round = 0; round < 400; ++round) {
      Bytes record(format::InfoOf(format::FileKind::Address).recordSize);
      FillRandomly(random, record, tc.body);
      const uint64_t position = round % 5 == 0 ? ~uint64_t(0) : uint64_t(random());
      const std::string expected = JsonLine(RecordToJson(record.data(), position, tc.body)) + '\n';
      std::string line;
      writer.Append(line, record.data(), position);
      ASSERT_EQ(line, expected) << round;
    }
    // Lines append to what the buffer holds.
    std::string again = "x";
    writer.Append(again, Bytes(4000, 0).data(), 7);
    EXPECT_EQ(again, "x" + JsonLine(RecordToJson(Bytes(4000, 0).data(), 7, tc.body)) + '\n');
  }
}

TEST(RecordJsonWriter, ControlsThatWouldSteerATerminalAreEscaped) {
  const JsonField body[] = {{"Text", 600, 40, FieldType::Text}};
  const RecordJsonWriter writer(body);
  struct Case {
    const char* text;
    const char* shown;
  };
  const Case cases[] = {
      {"a\x1b[2Jb", "a\\u001b[2Jb"},      // ESC below 0x20
      {"a\x7f" "b", "a\\u007fb"},           // DEL
      {"a\xc2\x9b" "2Jb", "a\\u009b2Jb"},  // CSI, a C1 control
      {"\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9"},  // letters past the C1 range stay
  };
  for (const Case& c : cases) {
    Bytes record(format::InfoOf(format::FileKind::Address).recordSize);
    std::copy_n(c.text, std::strlen(c.text), record.begin() + 600);
    std::string line;
    writer.Append(line, record.data(), 1);
    EXPECT_NE(line.find(std::string("\"Text\":\"") + c.shown + "\""), std::string::npos) << line;
    EXPECT_EQ(line, JsonLine(RecordToJson(record.data(), 1, body)) + '\n');
    EXPECT_EQ(nlohmann::json::parse(line)["Text"].get<std::string>(), c.text) << "the escape reads back";
  }
}

}  // namespace
}  // namespace velmora
