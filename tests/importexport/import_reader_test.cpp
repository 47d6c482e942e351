// The import reader: the prepared text, the separator and qualifier the
// wizard proposes, and the fields of each line.
#include "importexport/ImportReader.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace velmora {
namespace {

using Fields = std::vector<std::string>;
constexpr std::optional<char> kQuote = '"';
constexpr std::optional<char> kNone = std::nullopt;

std::vector<Fields> ReadAll(const std::string& file, char separator, std::optional<char> qualifier,
                            LineRead* last = nullptr) {
  const ImportText prepared = PrepareImportText(file);
  ImportReader reader(prepared.text, separator, qualifier);
  std::vector<Fields> lines;
  Fields fields;
  LineRead read;
  while ((read = reader.NextLine(fields)) == LineRead::Read) lines.push_back(fields);
  if (last) *last = read;
  return lines;
}

TEST(ImportText, SkipsAByteOrderMarkAndReadsWindows1252) {
  const ImportText bom = PrepareImportText("\xEF\xBB\xBF\"First Name\"\r\n");
  EXPECT_TRUE(bom.hadByteOrderMark);
  EXPECT_EQ(bom.text, "\"First Name\"\r\n");
  EXPECT_EQ(DetectQualifier(bom.text), kQuote);

  const ImportText latin = PrepareImportText("M\xFCller,Jos\xE9\r\n");
  EXPECT_TRUE(latin.fromWindows1252);
  EXPECT_EQ(latin.text, "M\xC3\xBCller,Jos\xC3\xA9\r\n");

  const ImportText utf8 = PrepareImportText("M\xC3\xBCller");
  EXPECT_FALSE(utf8.fromWindows1252);
  EXPECT_EQ(utf8.text, "M\xC3\xBCller\r\n");  // CR LF appended once
  EXPECT_EQ(PrepareImportText("a\r\n").text, "a\r\n");
}

TEST(ImportText, ProposesSeparatorAndQualifier) {
  struct Case {
    std::string text;
    char separator;
    std::optional<char> qualifier;
  } cases[] = {
      {"\"Name\",\"City\"\r\n", ',', kQuote},
      {"Name\tCity,State\r\n", '\t', kNone},
      {"Name,City\tState\r\n", ',', kNone},
      {"Name;City;State,Zip\r\n", ';', kNone},                 // the separator found most often
      {"\"Vorname\";\"Nachname\"\n", ';', kQuote},
      {"\"a,b\";\"c,d\";e\r\n", ';', kQuote},                   // commas inside quotes do not count
      {"Name\tCity\tState,Zip\n", '\t', kNone},
      {"Name\r\n", ',', kNone},
      {" \"Name\"\r\n", ',', kNone},  // only a quote as the very first byte counts
      {"", ',', kNone},
  };
  for (const Case& tc : cases) {
    EXPECT_EQ(DetectSeparator(tc.text), tc.separator) << tc.text;
    EXPECT_EQ(DetectQualifier(tc.text), tc.qualifier) << tc.text;
  }
}

TEST(ImportReader, ReadsFieldsAsThePageDoes) {
  struct Case {
    const char* what;
    std::string file;
    std::optional<char> qualifier;
    std::vector<Fields> lines;
  } cases[] = {
      {"two quoted values and two commas, qualifier", "\"a\",\"b\",,\r\n", kQuote, {{"a", "b", ""}}},
      {"two quoted values and two commas, none", "\"a\",\"b\",,\r\n", kNone, {{"a", "b", "", ""}}},
      {"a quoted comma", "\"Smith, John\",x\r\n", kQuote, {{"Smith, John", "x"}}},
      {"a doubled quote", "\"say \"\"hi\"\"\",x\r\n", kQuote, {{"say \"hi\"", "x"}}},
      {"a doubled quote at the end", "\"a\"\"\",\"\"\r\n", kQuote, {{"a\"", ""}}},
      {"quotes inside an unquoted field", "ab\"c\",d\r\n", kQuote, {{"ab\"c\"", "d"}}},
      {"LF ends a line", "a,b\nc,d\r\ne\r\n", kNone, {{"a", "b"}, {"c", "d"}, {"e"}}},
      {"a lone CR ends a line", "a\rb\r\n", kNone, {{"a"}, {"b"}}},
      {"a quoted LF stays in the value", "\"1 Main St\nFlat 2\",x\ny\n", kQuote, {{"1 Main St\nFlat 2", "x"}, {"y"}}},
      {"CR-only lines", "\"a\",\"b\"\r\"c\",\r", kQuote, {{"a", "b"}, {"c", ""}}},
      {"a quoted line break", "\"1 Main St\r\nFlat 2\",x\r\ny\r\n", kQuote, {{"1 Main St\r\nFlat 2", "x"}, {"y"}}},
      {"last line without CR LF", "a,b\r\nc,d", kNone, {{"a", "b"}, {"c", "d"}}},
      {"empty fields without qualifier", "a,,b,\r\n", kNone, {{"a", "", "b", ""}}},
      {"empty field before CR LF with qualifier", "a,,\r\nb\r\n", kQuote, {{"a", ""}, {"b"}}},
      {"no white space trimmed", " a , b \r\n", kNone, {{" a ", " b "}}},
      {"a quote in the middle does not close", "\"a\"b,c\"\"\r\n", kQuote, {{"a\"b,c\""}}},
  };
  for (const Case& tc : cases) {
    EXPECT_EQ(ReadAll(tc.file, ',', tc.qualifier), tc.lines) << tc.what;
  }
}

TEST(ImportReader, ReadsTabSeparatedLines) {
  EXPECT_EQ(ReadAll("a\tb,c\t\"d\te\"\r\n", '\t', kQuote), (std::vector<Fields>{{"a", "b,c", "d\te"}}));
}

TEST(ImportReader, AnUnclosedQuoteEndsTheFileAsAPartialLine) {
  LineRead last;
  const std::vector<Fields> lines = ReadAll("a\r\n\"b,c\r\nd\r\n", ',', kQuote, &last);
  EXPECT_EQ(lines, (std::vector<Fields>{{"a"}}));
  EXPECT_EQ(last, LineRead::Partial);
}

TEST(ImportReader, NumbersLinesByTheirLineEnds) {
  const ImportText prepared = PrepareImportText("h\r\n\"x\ny\",z\rw\r\n\"open");
  ImportReader reader(prepared.text, ',', kQuote);
  Fields fields;
  std::vector<size_t> numbers;
  LineRead read;
  while ((read = reader.NextLine(fields)) == LineRead::Read) numbers.push_back(reader.lineNumber());
  EXPECT_EQ(numbers, (std::vector<size_t>{1, 2, 4}));
  EXPECT_EQ(read, LineRead::Partial);
  EXPECT_EQ(reader.lineNumber(), 5u);
  EXPECT_EQ(CountImportLines(prepared.text), 5u);
}

TEST(ImportReader, FirstLineFieldsWhateverTheHeadingFlag) {
  EXPECT_EQ(FirstLineFields("\"Ada\",\"Lovelace\"\r\nx\r\n", ',', kQuote), (Fields{"Ada", "Lovelace"}));
  EXPECT_TRUE(FirstLineFields("\"open\r\n", ',', kQuote).empty());
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// Every line of a text streamed through a reader.
std::vector<Fields> StreamAll(const std::string& bytes, char separator, LineRead* last = nullptr) {
  std::istringstream in(bytes);
  ImportTextStream source(in);
  ImportReader reader(source, separator, kImportQuote);
  std::vector<Fields> lines;
  Fields fields;
  LineRead read;
  while ((read = reader.NextLine(fields)) == LineRead::Read) lines.push_back(fields);
  if (last) *last = read;
  return lines;
}

std::string Utf16LE(std::string_view ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(ImportTextStream, ReadsAsTheTextInMemoryIs) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<Fields> lines;
  } cases[] = {
      {"LF lines", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
      {"CR lines, the last one unended", "a,b\rc,d", {{"a", "b"}, {"c", "d"}}},
      {"a CR LF over the size of a piece",
       std::string(64 * 1024 - 1, 'x') + "\r\ny\r\n",
       {{std::string(64 * 1024 - 1, 'x')}, {"y"}}},
      {"a quoted value longer than a piece",
       "\"" + std::string(200 * 1024, 'q') + "\r\n\",z\r\n",
       {{std::string(200 * 1024, 'q') + "\r\n", "z"}}},
      {"UTF-16 LE with a byte-order mark", "\xFF\xFE" + Utf16LE("a,\xE9\r\nb,c\r\n"), {{"a", "\xC3\xA9"}, {"b", "c"}}},
      {"UTF-16 LE without one", Utf16LE("Name,City\nAda,Lund\n"), {{"Name", "City"}, {"Ada", "Lund"}}},
      {"UTF-16 BE with a byte-order mark", std::string("\xFE\xFF\0a\0,\0b\0\n", 10), {{"a", "b"}}},
      {"Windows-1252 values", "M\xFCller,Jos\xE9\r\n", {{"M\xC3\xBCller", "Jos\xC3\xA9"}}},
      {"a UTF-8 byte-order mark", "\xEF\xBB\xBFx\r\n", {{"x"}}},
  };
  for (const Case& tc : cases) {
    EXPECT_EQ(StreamAll(tc.bytes, ','), tc.lines) << tc.what;
    EXPECT_EQ(ReadAll(tc.bytes, ',', kImportQuote), tc.lines) << tc.what;
  }
}

TEST(ImportTextStream, HoldsTheLongestLineNotTheFile) {
  std::string bytes;
  for (int i = 0; i < 40000; ++i) bytes += "Name" + std::to_string(i) + ",Family\n";
  std::istringstream in(bytes);
  ImportTextStream source(in);
  ImportReader reader(source, ',', kImportQuote);
  Fields fields;
  size_t lines = 0;
  while (reader.NextLine(fields) == LineRead::Read) ++lines;
  EXPECT_EQ(lines, 40000u);
  EXPECT_GT(bytes.size(), 4 * reader.largestBuffer());
}

TEST(ImportTextStream, AnUnclosedQuoteIsAPartialLine) {
  LineRead last;
  EXPECT_EQ(StreamAll("a\n\"b,c\nd\n", ',', &last), (std::vector<Fields>{{"a"}}));
  EXPECT_EQ(last, LineRead::Partial);
}

TEST(ImportText, TellsTextFromOtherFiles) {
  EXPECT_TRUE(LooksLikeText("First Name,Last Name\r\nAda,Lovelace\r\n"));
  EXPECT_TRUE(LooksLikeText(Utf16LE("First Name,Last Name\r\n")));
  EXPECT_TRUE(LooksLikeText(std::string("First Name\r\nA\0da\r\nBo\r\nCy\r\nDee\r\nEve\r\nFay\r\nGus\r\n", 46)));
  EXPECT_FALSE(LooksLikeText(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29)));
  EXPECT_EQ(DetectImportEncoding(Utf16LE("Name,City\r\n")), ImportEncoding::Utf16LE);
  EXPECT_EQ(DetectImportEncoding("Name,City\r\n"), ImportEncoding::Utf8);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST(ImportTextStream, AnEmptyFileHasNoLineInMemoryOrStreamed) {
  for (const std::string& file : {std::string(), std::string("\xEF\xBB\xBF"), std::string("\xFF\xFE")}) {
    EXPECT_EQ(PrepareImportText(file).text, "");
    EXPECT_TRUE(StreamAll(file, ',').empty());
    EXPECT_TRUE(ReadAll(file, ',', kImportQuote).empty());
  }
}

}  // namespace
}  // namespace velmora
