#include "importexport/VCardReader.h"

#include <cstdint>
#include <optional>
#include <string>

#include "store/Bytes.h"

namespace velmora {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr const char* kNotClosed = "the card is not closed (END:VCARD) before the next card or the end of the file";

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Upper(c);
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xF0 | (code >> 18));
    out += char(0x80 | ((code >> 12) & 0x3F));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

// UTF-16 after its byte-order mark; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const auto unit = [&](size_t at) -> uint32_t {
    const uint8_t a = uint8_t(bytes[at]), b = uint8_t(bytes[at + 1]);
    return bigEndian ? (uint32_t(a) << 8 | b) : (uint32_t(b) << 8 | a);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        code = 0xFFFD;
      }
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += char(high * 16 + low);
        i += 2;
        continue;
      }
    }
    if (text[i] == '=' && i + 1 == text.size()) break;  // a soft break left at the end
    out += text[i];
  }
  return out;
}

// 4.0's circumflex escapes in parameter values.
std::string DecodeCircumflex(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == 'n' || next == 'N') {
        out += '\n';
        ++i;
        continue;
      }
      if (next == '^' || next == '\'') {
        out += next == '^' ? '^' : '"';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// A physical line with the number it starts on.
struct Line {
  std::string_view text;
  size_t number;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t number = 1;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back({text.substr(start, i - start), number++});
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back({text.substr(start), number});
  return lines;
}

// The name part of a logical line: everything before the first colon that
// is not inside a quoted parameter value; npos when there is none.
size_t ValueColon(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return i;
  }
  return std::string_view::npos;
}

bool IsQuotedPrintable(std::string_view line) {
  const size_t colon = ValueColon(line);
  if (colon == std::string_view::npos) return false;
  const std::string head = UpperCase(line.substr(0, colon));
  return head.find("QUOTED-PRINTABLE") != std::string::npos;
}

// Splits at separators outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == separator && !quoted) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string_view Unquoted(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

bool IsEncodingWord(std::string_view word) {
  for (std::string_view known : {"QUOTED-PRINTABLE", "BASE64", "B", "8BIT", "7BIT"}) {
    if (EqualsIgnoringCase(word, known)) return true;
  }
  return false;
}

void AddParameter(VCardProperty& property, std::string_view text) {
  const size_t equals = text.find('=');
  VCardParameter parameter;
  std::string_view values;
  if (equals == std::string_view::npos) {
    // 2.1 names types and encodings without "TYPE=" or "ENCODING=".
    parameter.name = IsEncodingWord(text) ? "ENCODING" : "TYPE";
    values = text;
  } else {
    parameter.name = UpperCase(text.substr(0, equals));
    values = text.substr(equals + 1);
  }
  for (std::string_view value : SplitOutsideQuotes(values, ',')) {
    parameter.values.push_back(DecodeCircumflex(Unquoted(value)));
    std::erase(parameter.values.back(), '\0');
  }
  for (VCardParameter& known : property.parameters) {
    if (known.name == parameter.name) {
      known.values.insert(known.values.end(), parameter.values.begin(), parameter.values.end());
      return;
    }
  }
  property.parameters.push_back(std::move(parameter));
}

// The value's bytes in UTF-8 once quoted-printable is decoded: in the
// CHARSET the property names, else UTF-8 when valid, else Windows-1252.
std::string DecodedValue(const VCardProperty& property, std::string_view raw) {
  const std::string* encoding = property.Parameter("ENCODING");
  if (encoding == nullptr || !EqualsIgnoringCase(*encoding, "QUOTED-PRINTABLE")) return std::string(raw);
  std::string bytes = DecodeQuotedPrintable(raw);
  const std::string* charset = property.Parameter("CHARSET");
  const bool saysUtf8 = charset == nullptr || EqualsIgnoringCase(*charset, "UTF-8");
  if (saysUtf8 && IsValidUtf8(bytes)) return bytes;
  return Windows1252ToUtf8(bytes);
}

std::optional<VCardProperty> ParseProperty(std::string_view line, size_t number) {
  const size_t colon = ValueColon(line);
  if (colon == std::string_view::npos) return std::nullopt;
  const std::vector<std::string_view> head = SplitOutsideQuotes(line.substr(0, colon), ';');
  VCardProperty property;
  property.line = number;
  std::string_view name = head[0];
  if (const size_t dot = name.find('.'); dot != std::string_view::npos) {
    property.group = std::string(name.substr(0, dot));
    name = name.substr(dot + 1);
  }
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  if (name.empty()) return std::nullopt;
  property.name = UpperCase(name);
  for (size_t i = 1; i < head.size(); ++i) {
    if (!head[i].empty()) AddParameter(property, head[i]);
  }
  property.value = DecodedValue(property, line.substr(colon + 1));
  // A NUL would end the text where the record stores it; it is no text.
  std::erase(property.value, '\0');
  return property;
}

std::string_view TrimmedEnd(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

const std::string* VCardProperty::Parameter(std::string_view wanted) const {
  for (const VCardParameter& parameter : parameters) {
    if (parameter.name == wanted && !parameter.values.empty()) return &parameter.values.front();
  }
  return nullptr;
}

bool VCardProperty::HasType(std::string_view type) const {
  for (const VCardParameter& parameter : parameters) {
    if (parameter.name == "PREF" && EqualsIgnoringCase(type, "pref")) return true;
    if (parameter.name != "TYPE") continue;
    for (const std::string& value : parameter.values) {
      // Some writers put a whole list in one quoted value: TYPE="home,voice".
      for (std::string_view part : SplitOutsideQuotes(value, ',')) {
        if (EqualsIgnoringCase(part, type)) return true;
      }
    }
  }
  return false;
}

std::string VCardFileText(std::string_view bytes) {
  if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE) {
    return Utf16ToUtf8(bytes.substr(2), false);
  }
  if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFE && uint8_t(bytes[1]) == 0xFF) {
    return Utf16ToUtf8(bytes.substr(2), true);
  }
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Windows1252ToUtf8(bytes);
}

bool LooksLikeVCard(std::string_view bytes) {
  // Enough of the start to pass a few blank lines in any of the encodings.
  const std::string text = VCardFileText(bytes.substr(0, 4096));
  size_t at = 0;
  while (at < text.size() && (text[at] == '\r' || text[at] == '\n' || text[at] == ' ' || text[at] == '\t')) ++at;
  std::string_view first = std::string_view(text).substr(at);
  first = first.substr(0, first.find_first_of("\r\n"));
  return EqualsIgnoringCase(TrimmedEnd(first), "BEGIN:VCARD");
}

VCardFile ReadVCards(std::string_view bytes) {
  const std::string text = VCardFileText(bytes);
  const std::vector<Line> lines = SplitLines(text);
  VCardFile file;

  // Logical lines: a line starting with a space or tab continues the one
  // before; a quoted-printable value ending with "=" continues on the next.
  std::vector<std::pair<std::string, size_t>> logical;
  for (const Line& line : lines) {
    const bool folded = !line.text.empty() && (line.text[0] == ' ' || line.text[0] == '\t');
    if (folded && !logical.empty()) {
      logical.back().first.append(line.text.substr(1));
      continue;
    }
    if (!logical.empty()) {
      std::string& last = logical.back().first;
      if (!last.empty() && last.back() == '=' && IsQuotedPrintable(last)) {
        last.pop_back();
        last.append(line.text);
        continue;
      }
    }
    logical.emplace_back(std::string(line.text), line.number);
  }

  std::optional<VCard> card;
  int nested = 0;
  for (auto& [line, number] : logical) {
    const std::string_view trimmed = TrimmedEnd(line);
    if (trimmed.empty()) continue;
    if (EqualsIgnoringCase(trimmed, "BEGIN:VCARD")) {
      // A new card before the last one ended: the last one is not complete.
      if (card && nested == 0) file.unread.push_back({card->line, kNotClosed});
      if (nested == 0) {
        card.emplace();
        card->line = number;
      } else {
        ++nested;
      }
      continue;
    }
    if (!card) continue;  // text between cards is not part of any card
    // 2.1 writes an agent's card inside the card: AGENT:BEGIN:VCARD.
    if (trimmed.size() > 11 && EqualsIgnoringCase(trimmed.substr(trimmed.size() - 11), "BEGIN:VCARD") &&
        EqualsIgnoringCase(trimmed.substr(0, 6), "AGENT:")) {
      ++nested;
      continue;
    }
    if (EqualsIgnoringCase(trimmed, "END:VCARD")) {
      if (nested > 0) {
        --nested;
        continue;
      }
      file.cards.push_back(std::move(*card));
      card.reset();
      continue;
    }
    if (nested > 0) continue;
    if (std::optional<VCardProperty> property = ParseProperty(line, number)) {
      card->properties.push_back(std::move(*property));
    } else {
      file.skipped.push_back({card->line, "line " + std::to_string(number) + " is not a property and was left out"});
    }
  }
  if (card) file.unread.push_back({card->line, kNotClosed});
  return file;
}

std::string UnescapeVCardText(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) {
      const char next = raw[i + 1];
      if (next == 'n' || next == 'N') {
        out += '\n';
        ++i;
        continue;
      }
      if (next == ',' || next == ';' || next == '\\' || next == ':') {
        out += next;
        ++i;
        continue;
      }
    }
    out += raw[i];
  }
  return out;
}

std::vector<std::string> SplitVCardValue(std::string_view raw, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\') {
      ++i;
      continue;
    }
    if (raw[i] == separator) {
      parts.push_back(UnescapeVCardText(raw.substr(start, i - start)));
      start = i + 1;
    }
  }
  parts.push_back(UnescapeVCardText(raw.substr(start)));
  return parts;
}

}  // namespace velmora
