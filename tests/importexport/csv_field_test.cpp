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

}  // namespace
}  // namespace velmora
