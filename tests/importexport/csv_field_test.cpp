// Fields of comma-separated output.
#include "importexport/CsvField.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(CsvFieldTest, QuotesTheValueAndDoublesItsQuotes) {
  struct Case {
    const char* value;
    const char* field;
  };
  const Case cases[] = {
      {"", "\"\""},
      {"plain", "\"plain\""},
      {"a\"b\"\"c", "\"a\"\"b\"\"\"\"c\""},
      {"\"", "\"\"\"\""},
      {"comma, and\r\nline", "\"comma, and\r\nline\""},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvField(c.value), c.field) << c.value;
}

TEST(CsvFieldTest, ValuesASpreadsheetWouldRunAreGuardedPhoneNumbersAreNot) {
  struct Case {
    const char* value;
    bool guarded;
  };
  const Case cases[] = {
      {"=HYPERLINK(\"http://x.example\",\"Click\")", true},
      {"=cmd|' /C calc'!A0", true},
      {"+cmd|' /C calc'!A0", true},
      {"-2+3+cmd|' /C calc'!A0", true},
      {"@SUM(1+1)*cmd|' /C calc'!A0", true},
      {"''=already quoted", true},
      {"+", true},
      {"+46 70 555 05 00", false},
      {"+1 (555) 010-0199", false},
      {"-12.5", false},
      {"'+46 70 555 05 00", false},
      {"Anna", false},
      {"", false},
      {"a=b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(GuardedAsFormula(c.value), c.guarded) << c.value;
}

}  // namespace
}  // namespace velmora
