// Text boxes over record fields count what they hold in UTF-8 bytes, as the
// record stores it, and cut what was just entered rather than what was there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "tests/support/TypeText.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {
namespace {

using testing::TypeText;

struct FitCase {
  const char* text;
  int cursor;
  int maxBytes;
  const char* fitted;
  int cursorAfter;
};

TEST(Utf8LimitTest, CutsWholeCharactersBeforeTheCursorThenFromTheEnd) {
  const FitCase cases[] = {
      {"abc", 3, 3, "abc", 3},                 // fits as it is
      {"abcd", 4, 3, "abc", 3},                // the typed d goes
      {"abXc", 3, 3, "abc", 2},                // typed in the middle: the X goes, not the c
      {"ab\xc3\xa9", 3, 3, "ab", 2},           // é takes two bytes: it goes whole
      {"a\xc3\xa9z", 2, 3, "az", 1},           // é typed before z
      {"\xf0\x9f\x98\x80x", 2, 3, "x", 0},     // a surrogate pair goes whole (4 bytes)
      {"abcdef", 0, 4, "abcd", 0},             // nothing before the cursor: cut the end
      {"\xc3\xa9\xc3\xa9\xc3\xa9", 0, 5, "\xc3\xa9\xc3\xa9", 0},  // never half a character
  };
  for (const FitCase& c : cases) {
    int cursor = c.cursor;
    const QString fitted = FitUtf8Bytes(QString::fromUtf8(c.text), cursor, c.maxBytes);
    EXPECT_EQ(fitted.toStdString(), c.fitted) << c.text;
    EXPECT_EQ(cursor, c.cursorAfter) << c.text;
    EXPECT_LE(Utf8Bytes(fitted), c.maxBytes) << c.text;
  }
}

TEST(Utf8LimitTest, TypingStopsAtTheByteLimitAndShowsWhatWillBeSaved) {
  QLineEdit edit;
  LimitUtf8Bytes(&edit, 29);
  edit.show();
  // "Saint-Exupéry-Delacroix-Ébène" is 29 characters and 32 bytes: the box
  // takes what fits in 29 bytes and refuses each letter that does not.
  TypeText(&edit, QString::fromUtf8("Saint-Exup\xc3\xa9ry-Delacroix-\xc3\x89" "b"));
  EXPECT_EQ(Utf8Bytes(edit.text()), 28);
  TypeText(&edit, QString::fromUtf8("\xc3\xa8"));
  EXPECT_EQ(edit.text().toStdString(), "Saint-Exup\xc3\xa9ry-Delacroix-\xc3\x89" "b")
      << "a two-byte letter does not fit in the last byte";
  TypeText(&edit, QStringLiteral("ne"));
  EXPECT_EQ(edit.text().toStdString(), "Saint-Exup\xc3\xa9ry-Delacroix-\xc3\x89" "bn");
  EXPECT_EQ(Utf8Bytes(edit.text()), 29);

  // A paste into the middle of a full box is cut, the text around it stays.
  edit.setText(QStringLiteral("abcdefghij"));
  LimitUtf8Bytes(&edit, 12);
  edit.setCursorPosition(5);
  edit.insert(QStringLiteral("XYZW"));
  EXPECT_EQ(edit.text().toStdString(), "abcdeXYfghij");
}

TEST(Utf8LimitTest, AnEditableListBoxIsLimitedToo) {
  QComboBox box;
  box.setEditable(true);
  LimitUtf8Bytes(&box, 4);
  box.show();
  TypeText(box.lineEdit(), QString::fromUtf8("\xc3\xa9\xc3\xa9\xc3\xa9"));
  EXPECT_EQ(box.currentText().toStdString(), "\xc3\xa9\xc3\xa9");
}

}  // namespace
}  // namespace velmora
