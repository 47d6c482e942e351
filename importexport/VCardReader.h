// The reader of vCard files (versions 2.1, 3.0 and 4.0) as address books
// and phones write them. The file is read piece by piece: its bytes are
// split into lines (LF, CR LF, an old phone's CR CR LF, or a lone CR),
// folded lines are joined on their original bytes, and each card is given
// out as soon as its END:VCARD is read, so memory holds one card at a time.
// Each value is then decoded: quoted-printable, then its CHARSET (any that
// iconv knows), else UTF-8 when valid, else Windows-1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct VCardParameter {
  std::string name;                 // upper case
  std::vector<std::string> values;  // quotes removed, ^n ^^ ^' decoded
};

struct VCardProperty {
  size_t line = 0;     // where the property starts, from 1
  std::string group;   // "item1" in "item1.EMAIL", as written
  std::string name;    // upper case
  std::vector<VCardParameter> parameters;
  // The value as written (escapes kept, since structured values split at
  // unescaped separators), quoted-printable decoded, in UTF-8.
  std::string value;

  // The first value of a parameter (name in upper case); null when absent.
  const std::string* Parameter(std::string_view name) const;
  // True when a TYPE value (or a bare 2.1 type such as "HOME") equals type,
  // letter case ignored; 4.0's PREF parameter counts as the type "pref".
  bool HasType(std::string_view type) const;
};

struct VCard {
  size_t line = 0;  // the BEGIN:VCARD line (an agent's card: its AGENT line)
  std::vector<VCardProperty> properties;
  // What the reader left out of the card or read in doubt (a line that is
  // no property, a character set iconv does not know), one reason each.
  std::vector<std::string> problems;
};

struct VCardProblem {
  size_t line = 0;
  std::string reason;
};

struct VCardFile {
  std::vector<VCard> cards;
  // Cards that could not be read (not closed before the next card or the
  // end of the file).
  std::vector<VCardProblem> unread;
};

// Reads a vCard file given in pieces of any size. Cards come out in the
// order they end, except that a card written inside another (2.1's
// AGENT:BEGIN:VCARD, or 3.0's AGENT value holding a card) comes right
// after the card that holds it. A card inside another ends at the END:VCARD
// that follows it or, when that is missing, where the next card of the file
// begins: a bare BEGIN:VCARD always starts a card of the file.
class VCardStreamReader {
 public:
  VCardStreamReader();
  ~VCardStreamReader();
  VCardStreamReader(const VCardStreamReader&) = delete;
  VCardStreamReader& operator=(const VCardStreamReader&) = delete;

  // Reads the next piece; the cards it completes, and the cards found not
  // closed, are appended to out.
  void Feed(std::string_view bytes, VCardFile& out);
  // The end of the file: the last line and any card still open.
  void Finish(VCardFile& out);

  // The largest amount of text one card may hold; what follows is left out
  // of it and told, so a file of one endless card cannot fill the memory.
  static constexpr size_t kMaxCardBytes = size_t(16) << 20;

 private:
  class State;
  std::unique_ptr<State> state_;
};

// True when the file's first line (after a byte-order mark and blank
// lines), or the line after one stray first line, is BEGIN:VCARD, letter
// case ignored; UTF-16 is recognised with or without its byte-order mark.
bool LooksLikeVCard(std::string_view bytes);

// Reads every card of a file held whole.
VCardFile ReadVCards(std::string_view bytes);

// A text value with its escapes decoded: a backslash before n or N is a
// line break, before a comma, semicolon, colon or backslash that character;
// a backslash before anything else is kept.
std::string UnescapeVCardText(std::string_view raw);

// The parts of a value split at separators that are not escaped, each part
// unescaped.
std::vector<std::string> SplitVCardValue(std::string_view raw, char separator);

// bytes in the named character set as UTF-8 (iconv's names: "SHIFT_JIS",
// "KOI8-R", "ISO-8859-2", "Big5"...). Empty when the set is not known;
// a byte the set does not define is read as Windows-1252.
std::optional<std::string> CharsetToUtf8(std::string_view bytes, std::string_view charset);

}  // namespace velmora
