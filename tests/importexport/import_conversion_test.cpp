// The conversions of imported values by field kind.
#include "importexport/ImportConversion.h"

#include <gtest/gtest.h>

#include <string>

#include "store/Bytes.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

TEST(ImportConversion, Integers) {
  const std::pair<const char*, int32_t> cases[] = {
      {"7", 7}, {"  -12x", -12}, {"+3", 3}, {"abc", 0}, {"", 0}, {"\t42", 42},
      {"99999999999", 2147483647}, {"-99999999999", -2147483648LL}, {"1 2", 1},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ReadImportInteger(text), value) << text;
}

TEST(ImportConversion, Dates) {
  struct Case {
    const char* text;
    bool read;
    DateValue date;  // day, month, year
  } cases[] = {
      {"12/25/2004", true, {25, 12, 2004}},
      {"5/3/1975", true, {3, 5, 1975}},
      {"2004-12-25", true, {25, 12, 2004}},
      {"1975-05-03", true, {3, 5, 1975}},
      {"12.25.04", true, {25, 12, 4}},
      {"12/25", false, {25, 12, 0}},
      {"12/", false, {0, 12, 0}},
      {"x12/25/2004", false, {0, 0, 0}},
      {"", false, {0, 0, 0}},
      {"12 25 2004 extra", true, {25, 12, 2004}},
  };
  for (const Case& tc : cases) {
    DateValue date;
    EXPECT_EQ(ReadImportDate(tc.text, date), tc.read) << tc.text;
    EXPECT_EQ(date, tc.date) << tc.text;
  }
}

TEST(ImportConversion, Times) {
  struct Case {
    const char* text;
    bool read;
    uint32_t hour, minute, half;
  } cases[] = {
      {"9:30 AM", true, 9, 30, kHalfAm},
      {"12:15 PM", true, 0, 15, kHalfPm},
      {"9:30pm", true, 9, 30, kHalfPm},
      {"9:30", true, 9, 30, kHalfAm},
      {"14:30", true, 2, 30, kHalfPm},
      {"12:00", true, 0, 0, kHalfPm},
      {"0:05", true, 0, 5, kHalfAm},
      {"23:55:00", true, 11, 55, kHalfPm},
      {"9", false, 0, 0, kHalfAm},
      {"noon", false, 0, 0, kHalfAm},
  };
  for (const Case& tc : cases) {
    TimeValue time;  // 0:00:00 before noon
    time.second = 7;
    EXPECT_EQ(ReadImportTime(tc.text, time), tc.read) << tc.text;
    if (!tc.read) continue;
    EXPECT_EQ(time.hour, tc.hour) << tc.text;
    EXPECT_EQ(time.minute, tc.minute) << tc.text;
    EXPECT_EQ(time.half, tc.half) << tc.text;
    EXPECT_EQ(time.second, 7u) << tc.text;  // left as it was
  }
}

TEST(ImportConversion, ConvertsByKind) {
  Bytes record(64, 0xAA);
  const ImportField fixed{0, 0, 0, kImportFixedBytes, 4, "f"};
  ASSERT_TRUE(ConvertImportValue(fixed, "ab", record.data(), record.size()));
  EXPECT_EQ(Bytes(record.begin(), record.begin() + 5), (Bytes{'a', 'b', 0, 0, 0xAA}));
  ASSERT_TRUE(ConvertImportValue(fixed, "abcdef", record.data(), record.size()));
  EXPECT_EQ(Bytes(record.begin(), record.begin() + 5), (Bytes{'a', 'b', 'c', 'd', 0xAA}));

  const ImportField text{0, 0, 8, kImportText, 5, "t"};
  ASSERT_TRUE(ConvertImportValue(text, "abcdefgh", record.data(), record.size()));
  EXPECT_EQ(RawText(record.data() + 8, 5), "abcd");

  for (uint32_t kind : {kImportInteger, kImportInteger3}) {
    const ImportField number{0, 0, 16, kind, 4, "n"};
    ASSERT_TRUE(ConvertImportValue(number, "-5", record.data(), record.size()));
    EXPECT_EQ(GetI32(record.data() + 16), -5);
  }

  const ImportField date{0, 0, 20, kImportDate, 12, "d"};
  ASSERT_TRUE(ConvertImportValue(date, "2004-12-25", record.data(), record.size()));
  EXPECT_EQ(GetDate(record.data() + 20), (DateValue{25, 12, 2004}));
  EXPECT_FALSE(ConvertImportValue(date, "soon", record.data(), record.size()));

  const ImportField time{0, 0, 32, kImportTime, 16, "h"};
  ASSERT_TRUE(ConvertImportValue(time, "14:30", record.data(), record.size()));
  EXPECT_EQ(GetTime(record.data() + 32).hour, 2u);

  const ImportField outside{0, 0, 60, kImportInteger, 8, "x"};
  EXPECT_FALSE(ConvertImportValue(outside, "1", record.data(), record.size()));
}

}  // namespace
}  // namespace velmora
