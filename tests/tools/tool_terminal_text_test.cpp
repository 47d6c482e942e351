// What the tool prints from records and files reaches the terminal with
// its control characters made visible: a contact or a line of an input
// file cannot move the cursor, recolour the screen or forge a line of the
// tool's own output.
#include "tools/TerminalText.h"

#include "ToolFixture.h"

namespace velmora::testing {
namespace {

using tool::TerminalSafe;

TEST(TerminalSafe, ControlCharactersAndStrayBytesBecomeVisibleEscapes) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"Anna Berg", "Anna Berg"},
      {"", ""},
      {"a\x1b[2Jb", "a\\x1b[2Jb"},
      {"one\ntwo\r\n\tthree", "one\\ntwo\\r\\n\\tthree"},
      {std::string("nul\0end", 7), "nul\\x00end"},
      {"bell\a del\x7f", "bell\\x07 del\\x7f"},
      {"back\\slash", "back\\slash"},
      // C1 controls written in UTF-8: CSI (U+009B) and NEL (U+0085).
      {"\xc2\x9b" "31m \xc2\x85", "\\u009b31m \\u0085"},
      // Printable letters outside ASCII stay.
      {"Bj\xc3\xb8rn \xe2\x82\xac \xf0\x9f\x98\x80 \xc2\xa0", "Bj\xc3\xb8rn \xe2\x82\xac \xf0\x9f\x98\x80 \xc2\xa0"},
      // Bytes that are not UTF-8: a Windows-1252 letter, a cut character,
      // an overlong form, a surrogate, a lone continuation byte.
      {"Bj\xf8rn", "Bj\\xf8rn"},
      {"end\xe2\x82", "end\\xe2\\x82"},
      {"\xc0\xaf", "\\xc0\\xaf"},
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
      {"\x80x", "\\x80x"},
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(TerminalSafe(c.in), c.out) << c.in;
}

TEST_F(ToolTest, ImportProblemLinesShowControlCharactersEscaped) {
  Ok({"create", book});
  const std::string cards = dir.File("cards.vcf");
  ASSERT_TRUE(WriteWholeFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Eve\r\nN:;Eve;;;\r\n"
                                    "CATEGORIES:Friends,Evil\x1b[2J\x1b[1;1H\r\nEND:VCARD\r\n"));
  ToolRun run = Run({"import", book, cards});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Card at line 1 kept in part: The category \"Evil\\x1b[2J\\x1b[1;1H\" was left out"),
            std::string::npos)
      << run.out;
}

TEST_F(ToolTest, MessagesQuotingAFileNameShowItsControlCharactersEscaped) {
  const std::string name = dir.File("no\x1b]0;owned\x07such\nItems 9, True 9, False 0");
  ToolRun run = Run({"info", name});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\x07'), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("no\\x1b]0;owned\\x07such Items 9"), std::string::npos) << run.err;
  // One line: the name's line break does not start a line of its own.
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

}  // namespace
}  // namespace velmora::testing
