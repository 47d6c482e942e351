// Text fields: cutting at character boundaries, UTF-8 checking, the
// Windows-1252 reading of old bytes, and the case-folding comparison.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "store/Bytes.h"

namespace velmora {
namespace {

// "é" is 2 bytes, "€" 3, "😀" 4.
const std::string kE = "\xC3\xA9";
const std::string kEuro = "\xE2\x82\xAC";
const std::string kSmile = "\xF0\x9F\x98\x80";

TEST(RawTextTest, StopsAtTerminatorOrWidth) {
  const uint8_t field[6] = {'a', 'b', 0, 'c', 'd', 'e'};
  EXPECT_EQ(RawText(field, 6), "ab");
  const uint8_t full[3] = {'x', 'y', 'z'};
  EXPECT_EQ(RawText(full, 3), "xyz");  // no terminator: never reads past the field
  EXPECT_EQ(RawText(field, 0), "");
}

TEST(Utf8CutLengthTest, NeverSplitsACharacter) {
  struct Case {
    std::string text;
    size_t max;
    size_t expected;
  };
  const Case cases[] = {
      {"abc", 10, 3},
      {"abc", 3, 3},
      {"abc", 2, 2},
      {"abc", 0, 0},
      {"a" + kE, 2, 1},           // would split é
      {"a" + kE, 3, 3},
      {"a" + kEuro, 2, 1},        // inside a 3-byte character, after its first byte
      {"a" + kEuro, 3, 1},        // after its second byte
      {"a" + kEuro + "b", 4, 4},  // exactly after it
      {kSmile + "z", 1, 0},
      {kSmile + "z", 3, 0},
      {kSmile + "z", 4, 4},
      {kE + kE + kE, 5, 4},
      {"\x80\x80\x80\x80", 2, 2},  // stray continuation bytes are no sequence
      {"\xFF\xFE", 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8CutLength(c.text, c.max), c.expected) << "max " << c.max << " text " << c.text;
  }
}

TEST(Utf8CutLengthTest, EveryCutOfValidTextIsValidAndLongest) {
  const std::string text = "A" + kE + kEuro + "b" + kSmile + kE + "c" + kSmile;
  for (size_t max = 0; max <= text.size() + 1; ++max) {
    size_t cut = Utf8CutLength(text, max);
    ASSERT_LE(cut, max);
    EXPECT_TRUE(IsValidUtf8(text.substr(0, cut))) << max;
    // One more character would not fit.
    if (cut < text.size()) {
      size_t next = cut + 1;
      while (next < text.size() && (uint8_t(text[next]) & 0xC0) == 0x80) ++next;
      EXPECT_GT(next, max) << max;
    }
  }
}

TEST(PutTextTest, CutsClearsAndReportsLength) {
  struct Case {
    std::string text;
    size_t width;
    std::string stored;
  };
  const Case cases[] = {
      {"hello", 10, "hello"},
      {"hello", 5, "hell"},          // width includes the terminator
      {"h" + kE + "llo", 3, "h"},    // é would straddle the end
      {"h" + kE + "llo", 4, "h" + kE},
      {kSmile + kSmile, 8, kSmile},
      {"ab", 1, ""},
      {std::string("ab\0cd", 5), 10, "ab"},  // only what reads back is stored
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> field(c.width + 2, 0xAA);  // guard bytes after the field
    EXPECT_EQ(PutText(field.data(), c.width, c.text), c.stored.size());
    EXPECT_EQ(RawText(field.data(), c.width), c.stored);
    for (size_t i = c.stored.size(); i < c.width; ++i) EXPECT_EQ(field[i], 0) << i;
    EXPECT_EQ(field[c.width], 0xAA);
    EXPECT_EQ(field[c.width + 1], 0xAA);
    EXPECT_EQ(GetText(field.data(), c.width), c.stored);
  }
}

TEST(PutTextTest, ZeroWidthTouchesNothing) {
  uint8_t guard = 0x55;
  EXPECT_EQ(PutText(&guard, 0, "x"), 0u);
  EXPECT_EQ(guard, 0x55);
}

TEST(IsValidUtf8Test, AcceptsWellFormedOnly) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain", true},
      {kE + kEuro + kSmile, true},
      {"\xEF\xBF\xBF", true},          // U+FFFF
      {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF
      {"\xE9", false},                 // Windows-1252 é
      {"caf\xE9", false},
      {"\xC3", false},                 // truncated
      {"\xE2\x82", false},
      {"\xC0\x80", false},             // overlong NUL
      {"\xC1\xBF", false},
      {"\xE0\x80\x80", false},         // overlong 3-byte
      {"\xF0\x80\x80\x80", false},     // overlong 4-byte
      {"\xED\xA0\x80", false},         // surrogate
      {"\xF4\x90\x80\x80", false},     // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\x80", false},
      {"\xC3\x28", false},             // lead without continuation
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(Windows1252Test, KnownCharacters) {
  struct Case {
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"abc", "abc"},
      {"caf\xE9", "caf" + kE},
      {"\x80", kEuro},
      {"\x9F", "\xC5\xB8"},        // Ÿ
      {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"\xA0", "\xC2\xA0"},
      {"\xFF", "\xC3\xBF"},
      // Bytes without a character in the code page keep their C1 code point.
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
  };
  for (const Case& c : cases) EXPECT_EQ(Windows1252ToUtf8(c.bytes), c.utf8);
}

// Every defined byte agrees with the C library's own CP1252 converter.
TEST(Windows1252Test, AgreesWithIconvForEveryDefinedByte) {
  iconv_t cd = iconv_open("UTF-8", "CP1252");
  if (cd == iconv_t(-1)) GTEST_SKIP() << "no CP1252 converter installed";
  for (int b = 0x01; b <= 0xFF; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
    char in[1] = {char(b)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1, outLeft = sizeof out;
    ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), size_t(-1)) << b;
    std::string expected(out, sizeof out - outLeft);
    std::string converted = Windows1252ToUtf8(std::string(1, char(b)));
    EXPECT_EQ(converted, expected) << "byte " << b;
    EXPECT_TRUE(IsValidUtf8(converted));
  }
  iconv_close(cd);
}

TEST(GetTextTest, OldBytesReadAsWindows1252) {
  uint8_t field[16] = {};
  std::memcpy(field, "Andr\xE9 \x80" "5", 8);
  EXPECT_EQ(GetText(field, sizeof field), "Andr" + kE + " " + kEuro + "5");
  // Valid UTF-8 is taken as it stands, not converted twice.
  uint8_t utf8[16] = {};
  std::string text = "Andr" + kE;
  std::memcpy(utf8, text.data(), text.size());
  EXPECT_EQ(GetText(utf8, sizeof utf8), text);
}

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(CompareTextFieldsTest, FoldsOnlyAsciiLettersAndStopsAtEnd) {
  struct Case {
    std::string a;
    std::string b;
    size_t n;
    int sign;
  };
  const Case cases[] = {
      {"Smith", "smith", 10, 0},
      {"SMITH", "smiths", 10, -1},      // the shorter text ends first
      {"abc", "abd", 10, -1},
      {"abd", "ABC", 10, 1},
      {"abcX", "abcY", 3, 0},           // only n bytes compared
      {"abcX", "abcY", 4, -1},
      {"[", "A", 5, -1},                // '[' (0x5B) below 'a' once A is folded
      {"_", "a", 5, -1},
      {"Z", "_", 5, 1},                 // 'z' (0x7A) above '_' (0x5F)
      {"\xC3\x89", "\xC3\xA9", 5, -1},  // É and é: no folding beyond A..Z
      {"\xE9", "z", 5, 1},              // bytes compare unsigned
      {"", "", 5, 0},
      {"", "a", 5, -1},
      {"x", "y", 0, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> a(c.a.begin(), c.a.end()), b(c.b.begin(), c.b.end());
    a.resize(16, 0);
    b.resize(16, 0);
    EXPECT_EQ(Sign(CompareTextFields(a.data(), b.data(), c.n)), c.sign) << c.a << " / " << c.b;
    EXPECT_EQ(Sign(CompareTextFields(b.data(), a.data(), c.n)), -c.sign) << c.b << " / " << c.a;
  }
}

TEST(CompareTextFieldsTest, BytesAfterTheTerminatorDoNotCount) {
  const uint8_t a[6] = {'a', 'b', 0, 'x', 'x', 'x'};
  const uint8_t b[6] = {'A', 'B', 0, 'y', 'z', 'z'};
  EXPECT_EQ(CompareTextFields(a, b, 6), 0);
}

}  // namespace
}  // namespace velmora
