// The reader of vCard files (versions 2.1, 3.0 and 4.0) as address books
// write them: the file's text decoded to UTF-8, folded lines joined, each
// card split into its properties with their groups and parameters, and
// 2.1's quoted-printable values decoded in their character set.
#pragma once

#include <cstddef>
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
  size_t line = 0;  // the BEGIN:VCARD line
  std::vector<VCardProperty> properties;
};

struct VCardProblem {
  size_t line = 0;
  std::string reason;
};

struct VCardFile {
  std::vector<VCard> cards;
  // Cards that could not be read (not closed before the end of the file).
  std::vector<VCardProblem> unread;
  // Lines inside a card that are not properties, under their card's line;
  // the card is kept without them.
  std::vector<VCardProblem> skipped;
};

// True when the file's first line (after a byte-order mark and blank
// lines) is BEGIN:VCARD, letter case ignored.
bool LooksLikeVCard(std::string_view bytes);

// The file's bytes as UTF-8: a UTF-8 byte-order mark skipped, UTF-16 with
// its byte-order mark converted, other text that is not UTF-8 read as
// Windows-1252.
std::string VCardFileText(std::string_view bytes);

// Reads every card of the file. Cards nested in a card (2.1's AGENT) are
// passed over with their card.
VCardFile ReadVCards(std::string_view bytes);

// A text value with its escapes decoded: a backslash before n or N is a
// line break, before a comma, semicolon, colon or backslash that character;
// a backslash before anything else is kept.
std::string UnescapeVCardText(std::string_view raw);

// The parts of a value split at separators that are not escaped, each part
// unescaped.
std::vector<std::string> SplitVCardValue(std::string_view raw, char separator);

}  // namespace velmora
