// velmora add's input: malformed JSON lines each with their own message,
// lines longer than any record, and input spooled and added in batches.
#include <cstdlib>
#include <filesystem>

#include "ToolFixture.h"
#include "store/RecordStore.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class ToolInputTest : public ToolTest {
 protected:
  void SetUp() override { Ok({"create", book}); }
  ToolRun Add(const std::string& lines) { return Run({"add", book}, lines); }
  void ExpectNothingAdded() {
    json info = Info(book);
    EXPECT_EQ(info["slot_count"], 0);
    EXPECT_EQ(info["change_counter"], format::kNewChangeCounter);
    EXPECT_EQ(info["open_count"], 0);
  }
};

TEST_F(ToolInputTest, EachKindOfMalformedLineHasItsOwnMessage) {
  struct Case {
    std::string line;
    std::string message;  // after "line 2: "
  };
  const Case cases[] = {
      {"{\"First_Name\": \"\xFF\"}", "invalid UTF-8 at byte 17 (the records are read as UTF-8)"},
      {"{\"First_Name\": \"\xC3\"}", "invalid UTF-8 at byte 17 (the records are read as UTF-8)"},
      {"{\"First_Name\": \"\xC0\xAF\"}", "invalid UTF-8 at byte 17 (the records are read as UTF-8)"},
      {"{\"First_Name\": \"\xED\xA0\x80\"}", "invalid UTF-8 at byte 17 (the records are read as UTF-8)"},
      {std::string("{\"First_Name\": \"a\0b\"}", 22), "a NUL byte at byte 18 (JSON text holds none)"},
      {"{\"First_Name\": \"a\"} x", "text after the end of the JSON object, at byte 21"},
      {"{\"First_Name\": \"a\"}}", "text after the end of the JSON object, at byte 20"},
      {"{} {}", "text after the end of the JSON object, at byte 4"},
      {"{\"First_Name\": \"a\"", "not a JSON object (the line ends inside it)"},
      {"{\"First_Name\" \"a\"}", "not a JSON object (invalid JSON at byte 17)"},
      {"[1, 2]", "not a JSON object but a JSON array"},
      {"\"text\"", "not a JSON object but a JSON string"},
      {"42", "not a JSON object but a JSON number"},
      {"null", "not a JSON object but a JSON null"},
      {"{\"First_Name\": \"a\", \"First_Name\": \"b\"}", "key \"First_Name\" given twice"},
      {"{\"Notes\": \"x\", \"position\": 1, \"position\": 2}", "key \"position\" given twice"},
      {"{\"First_Name\": \"bad \\ud800 escape\"}", "not a JSON object (invalid JSON at byte 27)"},
      // Keys are quoted as JSON strings, long ones cut.
      {"{\"cre\\u000aated\": 1}", "unknown key \"cre\\nated\""},
      {"{\"" + std::string(100, 'k') + "\": 1}", "unknown key \"" + std::string(64, 'k') + "...\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ToolRun run = Add("{\"First_Name\": \"fine\"}\n" + c.line + "\n{}\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "line 2: " + c.message + "\n");
  }
  ExpectNothingAdded();
}

TEST_F(ToolInputTest, ALineLongerThanAnyRecordIsRefusedWithItsNumber) {
  // The longest line a record could be: every text full of six-character
  // escapes. It is accepted up to the field limits and no further.
  json full = json::object();
  for (const char* key : {"First_Name", "Last_Name"}) full[key] = std::string(29, '\x01');
  const std::string escaped = full.dump();
  ASSERT_NE(escaped.find("\\u0001"), std::string::npos);
  ToolRun fits = Add(escaped + "\n");
  EXPECT_EQ(fits.exitCode, 0) << fits.err;

  const std::string padding(200000, ' ');
  struct Case {
    std::string input;
    std::string start;
  };
  const Case cases[] = {
      {"{}\n{}\n{\"Notes\": \"" + padding + "\"}\n", "line 3: longer than any record could be (more than "},
      {"{}\n{" + padding + "}\n", "line 2: longer than any record could be (more than "},
      // No line break at all, as from /dev/zero.
      {std::string(300000, '\0'), "line 1: longer than any record could be (more than "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    ToolRun run = Add(c.input);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind(c.start, 0), 0u) << run.err;
  }
  EXPECT_EQ(Info(book)["slot_count"], 1);
  EXPECT_EQ(Info(book)["open_count"], 0);
}

TEST_F(ToolInputTest, ManyLinesAreAddedInOrderAndTheSpoolIsRemoved) {
  const fs::path spoolFolder = dir.File("tmp");
  fs::create_directory(spoolFolder);
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous ? previous : "";
  ::setenv("TMPDIR", spoolFolder.c_str(), 1);

  const size_t count = 2 * kMaxBatchRecords + 52;  // more than two batches
  std::string lines;
  for (size_t i = 0; i < count; ++i) lines += json{{"First_Name", "n" + std::to_string(i)}}.dump() + "\n";
  ToolRun added = Add(lines);
  ToolRun refused = Add(lines + "{\"Bogus\": 1}\n");

  if (previous) ::setenv("TMPDIR", saved.c_str(), 1);
  else ::unsetenv("TMPDIR");

  ASSERT_EQ(added.exitCode, 0) << added.err;
  EXPECT_EQ(added.out, std::to_string(count) + "\n");
  EXPECT_EQ(refused.err, "line " + std::to_string(count + 1) + ": unknown key \"Bogus\"\n");
  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), count);
  for (size_t i = 0; i < count; ++i) EXPECT_EQ(contacts[i]["First_Name"], "n" + std::to_string(i));
  EXPECT_TRUE(fs::is_empty(spoolFolder));
  EXPECT_EQ(Info(book)["open_count"], 0);
}

}  // namespace
}  // namespace velmora::testing
