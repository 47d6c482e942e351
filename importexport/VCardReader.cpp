#include "importexport/VCardReader.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "store/Bytes.h"

namespace velmora {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr const char* kNotClosed = "the card is not closed (END:VCARD) before the next card or the end of the file";
// Bytes looked at to tell UTF-16 without a byte-order mark from other text.
constexpr size_t kEncodingProbe = 64;
// Outside a card a line matters only when it is BEGIN:VCARD: longer text
// there is not kept.
constexpr size_t kOutsideLineCap = 4096;
// Cards inside cards (agents of agents) followed this deep, no deeper.
constexpr size_t kMaxNesting = 4;
// What a property costs besides its text, counted against kMaxCardBytes.
constexpr size_t kPropertyOverhead = 64;
// Character-set converters kept open while reading one file.
constexpr size_t kMaxOpenCharsets = 8;

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

bool StartsIgnoringCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && EqualsIgnoringCase(text.substr(0, start.size()), start);
}

std::string_view TrimmedEnd(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return TrimmedEnd(text);
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

// UTF-16 read piece by piece: a byte or a high surrogate left at the end
// of one piece waits for the next. An unpaired surrogate becomes U+FFFD.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(bool bigEndian) : bigEndian_(bigEndian) {}

  void Decode(std::string_view bytes, std::string& out) {
    size_t i = 0;
    if (carry_ && !bytes.empty()) {
      Unit(Combine(*carry_, uint8_t(bytes[0])), out);
      carry_.reset();
      i = 1;
    }
    for (; i + 1 < bytes.size(); i += 2) Unit(Combine(uint8_t(bytes[i]), uint8_t(bytes[i + 1])), out);
    if (i < bytes.size()) carry_ = uint8_t(bytes[i]);
  }

  void Finish(std::string& out) {
    if (high_) AppendUtf8(out, 0xFFFD);
    high_ = 0;
    carry_.reset();
  }

 private:
  uint32_t Combine(uint8_t a, uint8_t b) const { return bigEndian_ ? (uint32_t(a) << 8 | b) : (uint32_t(b) << 8 | a); }

  void Unit(uint32_t code, std::string& out) {
    if (high_) {
      if (code >= 0xDC00 && code < 0xE000) {
        AppendUtf8(out, 0x10000 + ((high_ - 0xD800) << 10) + (code - 0xDC00));
        high_ = 0;
        return;
      }
      AppendUtf8(out, 0xFFFD);
      high_ = 0;
    }
    if (code >= 0xD800 && code < 0xDC00) {
      high_ = code;
    } else if (code >= 0xDC00 && code < 0xE000) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, code);
    }
  }

  bool bigEndian_;
  std::optional<uint8_t> carry_;
  uint32_t high_ = 0;
};

enum class FileEncoding { Bytes, Utf16Le, Utf16Be };

// The file's encoding from its first bytes, and how many bytes of a
// byte-order mark to skip. UTF-16 without a mark shows as text whose every
// other byte is zero.
std::pair<FileEncoding, size_t> DetectEncoding(std::string_view head) {
  if (head.size() >= 2 && uint8_t(head[0]) == 0xFF && uint8_t(head[1]) == 0xFE) return {FileEncoding::Utf16Le, 2};
  if (head.size() >= 2 && uint8_t(head[0]) == 0xFE && uint8_t(head[1]) == 0xFF) return {FileEncoding::Utf16Be, 2};
  if (head.substr(0, kUtf8Bom.size()) == kUtf8Bom) return {FileEncoding::Bytes, kUtf8Bom.size()};
  const size_t pairs = std::min(head.size(), kEncodingProbe) / 2;
  if (pairs < 4) return {FileEncoding::Bytes, 0};
  size_t evenZeros = 0, oddZeros = 0;
  for (size_t i = 0; i < pairs; ++i) {
    evenZeros += head[2 * i] == '\0';
    oddZeros += head[2 * i + 1] == '\0';
  }
  if (evenZeros == 0 && oddZeros * 10 >= pairs * 9) return {FileEncoding::Utf16Le, 0};
  if (oddZeros == 0 && evenZeros * 10 >= pairs * 9) return {FileEncoding::Utf16Be, 0};
  return {FileEncoding::Bytes, 0};
}

std::string Utf8OrWindows1252(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Windows1252ToUtf8(bytes);
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

// A name iconv may be given: letters, digits and - _ . : only, so that no
// "//" option of iconv's rides along.
bool IsCharsetName(std::string_view name) {
  if (name.empty() || name.size() > 40) return false;
  for (char ch : name) {
    const bool fine = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' ||
                      ch == '_' || ch == '.' || ch == ':';
    if (!fine) return false;
  }
  return true;
}

bool IsUtf8Name(std::string_view name) { return EqualsIgnoringCase(name, "UTF-8") || EqualsIgnoringCase(name, "UTF8"); }

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Runs the converter over bytes; a byte it cannot take is read as
// Windows-1252 and the conversion goes on after it.
std::string Convert(iconv_t converter, std::string_view bytes) {
  iconv(converter, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  std::string out;
  size_t used = 0;
  out.resize(bytes.size() * 4 + 16);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  const auto convert = [&](char** from, size_t* fromLeft) {
    while (true) {
      char* to = out.data() + used;
      size_t toLeft = out.size() - used;
      const size_t done = iconv(converter, from, fromLeft, &to, &toLeft);
      const int error = errno;
      used = size_t(to - out.data());
      if (done != size_t(-1)) return true;
      if (error == E2BIG) {
        out.resize(out.size() * 2 + 16);
        continue;
      }
      return false;  // EILSEQ or EINVAL: *from is at the byte it could not take
    }
  };
  while (inLeft > 0) {
    if (convert(&in, &inLeft)) break;
    const std::string single = Windows1252ToUtf8(std::string_view(in, 1));
    ++in;
    --inLeft;
    if (out.size() - used < single.size()) out.resize(used + single.size() + inLeft * 4 + 16);
    out.replace(used, single.size(), single);
    used += single.size();
  }
  (void)convert(nullptr, nullptr);  // what a stateful set still holds
  out.resize(used);
  if (!IsValidUtf8(out)) return Utf8OrWindows1252(bytes);
  return out;
}

// The converters of one file's character sets, opened once each.
class Charsets {
 public:
  Charsets() = default;
  Charsets(const Charsets&) = delete;
  Charsets& operator=(const Charsets&) = delete;
  ~Charsets() {
    for (auto& [name, converter] : open_) {
      if (converter != kNoConverter) iconv_close(converter);
    }
  }

  // Empty when the set is not known.
  std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset) {
    if (IsUtf8Name(charset)) return Utf8OrWindows1252(bytes);
    const iconv_t converter = Find(charset);
    if (converter == kNoConverter) return std::nullopt;
    return Convert(converter, bytes);
  }

 private:
  iconv_t Find(std::string_view charset) {
    const std::string name = UpperCase(charset);
    for (auto& [known, converter] : open_) {
      if (known == name) return converter;
    }
    const iconv_t converter = IsCharsetName(name) ? iconv_open("UTF-8", name.c_str()) : kNoConverter;
    if (open_.size() >= kMaxOpenCharsets) {
      if (open_.front().second != kNoConverter) iconv_close(open_.front().second);
      open_.erase(open_.begin());
    }
    open_.emplace_back(name, converter);
    return converter;
  }

  std::vector<std::pair<std::string, iconv_t>> open_;
};

bool IsBeginLine(std::string_view line) { return EqualsIgnoringCase(TrimmedEnd(line), "BEGIN:VCARD"); }
bool IsEndLine(std::string_view line) { return EqualsIgnoringCase(TrimmedEnd(line), "END:VCARD"); }

// 2.1 writes an agent's card inside the card: "AGENT:BEGIN:VCARD" (with a
// group or parameters, perhaps), its properties on the lines that follow.
bool IsAgentBeginLine(std::string_view line) {
  const size_t colon = ValueColon(line);
  if (colon == std::string_view::npos) return false;
  std::string_view name = SplitOutsideQuotes(line.substr(0, colon), ';')[0];
  if (const size_t dot = name.find('.'); dot != std::string_view::npos) name = name.substr(dot + 1);
  return EqualsIgnoringCase(Trimmed(name), "AGENT") && EqualsIgnoringCase(Trimmed(line.substr(colon + 1)), "BEGIN:VCARD");
}

}  // namespace

std::optional<std::string> CharsetToUtf8(std::string_view bytes, std::string_view charset) {
  Charsets charsets;
  return charsets.ToUtf8(bytes, charset);
}

class VCardStreamReader::State {
 public:
  explicit State(size_t depth) : depth_(depth) {}

  void Feed(std::string_view bytes, VCardFile& out) {
    out_ = &out;
    if (!decided_ && head_.empty() && bytes.size() >= kEncodingProbe) {
      // The encoding is told by this piece alone: nothing to hold back.
      bytes.remove_prefix(Decide(bytes));
    } else if (!decided_) {
      head_.append(bytes);
      if (head_.size() < kEncodingProbe) return;
      std::string head = std::move(head_);
      head_.clear();
      head.erase(0, Decide(head));
      return Decoded(head);
    }
    Decoded(bytes);
  }

  void Finish(VCardFile& out) {
    out_ = &out;
    if (!decided_) {
      std::string head = std::move(head_);
      head_.clear();
      head.erase(0, Decide(head));
      Decoded(head);
    }
    if (utf16_) {
      std::string text;
      utf16_->Finish(text);
      Lines(text);
    }
    if (crs_ > 0) EndLines(crs_);
    crs_ = 0;
    if (!physical_.empty()) EndLines(1);
    if (haveLogical_) Logical();
    haveLogical_ = false;
    CutOff();
  }

 private:
  struct OpenCard {
    VCard card;
    bool heldNested = false;    // a card was begun inside it
    std::vector<VCard> nested;  // the cards inside it that have ended
    size_t bytes = 0;
    bool full = false;
  };

  // Settles the file's encoding from its first bytes; the length of the
  // byte-order mark to pass over.
  size_t Decide(std::string_view head) {
    const auto [encoding, skip] = DetectEncoding(head);
    if (encoding != FileEncoding::Bytes) utf16_.emplace(encoding == FileEncoding::Utf16Be);
    decided_ = true;
    return skip;
  }

  void Decoded(std::string_view bytes) {
    if (!utf16_) return Lines(bytes);
    std::string text;
    text.reserve(bytes.size());
    utf16_->Decode(bytes, text);
    Lines(text);
  }

  // Physical lines: LF, CR LF and CR CR LF end one line, a lone CR too.
  void Lines(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
      const char ch = text[i];
      if (ch == '\n') {
        EndLines(1);
        crs_ = 0;
        ++i;
        continue;
      }
      if (ch == '\r') {
        if (++crs_ > 2) {
          EndLines(1);
          crs_ = 2;
        }
        ++i;
        continue;
      }
      if (crs_ > 0) {
        EndLines(crs_);
        crs_ = 0;
      }
      size_t end = i;
      while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
      AppendPhysical(text.substr(i, end - i));
      i = end;
    }
  }

  bool Outside() const { return open_.empty() && !logicalBegins_; }

  // The longest line kept: outside a card only its start can matter; in a
  // card, a line longer than a card may be is cut, and told when read.
  size_t LineCap() const { return Outside() ? kOutsideLineCap : kMaxCardBytes + 1; }

  void AppendPhysical(std::string_view part) {
    // The first byte of a line tells whether the logical line before it
    // goes on; when it does not, that line is read now, so that what it
    // begins or ends decides how much of this line is kept.
    if (physical_.empty() && !part.empty() && haveLogical_ && !Continues(part[0])) {
      Logical();
      haveLogical_ = false;
    }
    const size_t cap = LineCap();
    if (physical_.size() >= cap) return;
    physical_.append(part.substr(0, cap - physical_.size()));
  }

  // Whether a line starting with first continues the logical line.
  bool Continues(char first) {
    if (first == ' ' || first == '\t') return true;
    return !logical_.empty() && logical_.back() == '=' && QuotedPrintable();
  }

  // count line ends: the line read so far, then blank lines.
  void EndLines(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      Physical(physical_, line_++);
      physical_.clear();
    }
  }

  // Joins folded lines: a line starting with a space or tab continues the
  // one before; a quoted-printable value ending with "=" continues on the
  // next line. The joining works on the file's bytes, so a character split
  // by a fold is whole again before the value is decoded.
  void Physical(std::string_view line, size_t number) {
    if (haveLogical_) {
      const bool folded = !line.empty() && (line[0] == ' ' || line[0] == '\t');
      if (folded) return AppendLogical(line.substr(1));
      if (!logical_.empty() && logical_.back() == '=' && QuotedPrintable()) {
        logical_.pop_back();
        return AppendLogical(line);
      }
      Logical();
    }
    logical_.assign(line);
    logicalNumber_ = number;
    logicalQp_ = -1;
    haveLogical_ = true;
    logicalBegins_ = logical_.size() < kOutsideLineCap && (IsBeginLine(logical_) || IsAgentBeginLine(logical_));
  }

  void AppendLogical(std::string_view part) {
    const size_t cap = LineCap();
    if (logical_.size() >= cap) return;
    logical_.append(part.substr(0, cap - logical_.size()));
  }

  // Whether the logical line's property is quoted-printable; known once its
  // name part has ended, and then not looked for again.
  bool QuotedPrintable() {
    if (logicalQp_ >= 0) return logicalQp_ == 1;
    const size_t colon = ValueColon(logical_);
    if (colon == std::string::npos) return false;
    logicalQp_ = UpperCase(std::string_view(logical_).substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
    return logicalQp_ == 1;
  }

  void Logical() {
    const std::string_view line = logical_;
    const size_t number = logicalNumber_;
    if (Trimmed(line).empty()) return;
    if (IsBeginLine(line)) {
      CutOff();
      open_.emplace_back();
      open_.back().card.line = number;
      return;
    }
    if (open_.empty()) return;  // text between cards is not part of any card
    if (IsEndLine(line)) return CloseInnermost();
    if (IsAgentBeginLine(line) && open_.size() < kMaxNesting) {
      open_.back().heldNested = true;
      open_.emplace_back();
      open_.back().card.line = number;
      return;
    }
    OpenCard& open = open_.back();
    if (open.full) return;
    open.bytes += line.size() + kPropertyOverhead;
    if (open.bytes > kMaxCardBytes) {
      open.full = true;
      open.card.problems.push_back("the card holds more than " + std::to_string(kMaxCardBytes >> 20) +
                                   " MB of text; its lines from line " + std::to_string(number) + " on were left out");
      return;
    }
    if (std::optional<VCardProperty> property = Parse(line, number, open.card)) {
      open.card.properties.push_back(std::move(*property));
    } else {
      open.card.problems.push_back("line " + std::to_string(number) + " is not a property and was left out");
    }
  }

  // The innermost open card has ended: a card of the file goes out with
  // the cards it held after it; a card inside another waits for its holder.
  void CloseInnermost() {
    OpenCard done = std::move(open_.back());
    open_.pop_back();
    InlineAgents(done);
    if (!open_.empty()) {
      std::vector<VCard>& nested = open_.back().nested;
      nested.push_back(std::move(done.card));
      for (VCard& card : done.nested) nested.push_back(std::move(card));
      return;
    }
    out_->cards.push_back(std::move(done.card));
    for (VCard& card : done.nested) out_->cards.push_back(std::move(card));
  }

  // A new card of the file begins, or the file ends, with cards still open.
  // Cards inside a card end here. The outermost card ends here too when it
  // held a card, since its END:VCARD was then taken by the card it held;
  // else it was never closed and is not read.
  void CutOff() {
    if (open_.empty()) return;
    while (open_.size() > 1) CloseInnermost();
    if (open_.back().heldNested) {
      open_.back().card.problems.push_back(
          "END:VCARD is missing for this card or for the card in its AGENT property; the card ends where the next "
          "card or the file begins");
      CloseInnermost();
      return;
    }
    out_->unread.push_back({open_.back().card.line, kNotClosed});
    open_.clear();
  }

  // 3.0 writes an agent's card as the AGENT value, its line breaks escaped:
  // that card is read as a card of its own, after its holder.
  void InlineAgents(OpenCard& open) {
    if (depth_ + 1 >= kMaxNesting) return;
    std::vector<VCardProperty>& properties = open.card.properties;
    for (size_t i = 0; i < properties.size();) {
      if (properties[i].name != "AGENT" || !StartsIgnoringCase(properties[i].value, "BEGIN:VCARD")) {
        ++i;
        continue;
      }
      State inner(depth_ + 1);
      VCardFile file;
      inner.Feed(UnescapeVCardText(properties[i].value), file);
      inner.Finish(file);
      if (file.cards.empty()) {
        ++i;
        continue;
      }
      for (VCard& card : file.cards) {
        card.line = properties[i].line;
        for (VCardProperty& property : card.properties) property.line = properties[i].line;
        open.nested.push_back(std::move(card));
      }
      properties.erase(properties.begin() + std::ptrdiff_t(i));
    }
  }

  std::optional<VCardProperty> Parse(std::string_view line, size_t number, VCard& card) {
    const size_t colon = ValueColon(line);
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string head = Utf8OrWindows1252(line.substr(0, colon));
    const std::vector<std::string_view> parts = SplitOutsideQuotes(head, ';');
    VCardProperty property;
    property.line = number;
    std::string_view name = parts[0];
    if (const size_t dot = name.find('.'); dot != std::string_view::npos) {
      property.group = std::string(name.substr(0, dot));
      name = name.substr(dot + 1);
    }
    name = TrimmedEnd(name);
    if (name.empty()) return std::nullopt;
    property.name = UpperCase(name);
    for (size_t i = 1; i < parts.size(); ++i) {
      if (!parts[i].empty()) AddParameter(property, parts[i]);
    }
    property.value = Value(property, line.substr(colon + 1), card);
    // A NUL would end the text where the record stores it; it is no text.
    std::erase(property.value, '\0');
    return property;
  }

  // The value in UTF-8: quoted-printable decoded, then read in the
  // CHARSET the property names (a UTF-16 file's text is already decoded,
  // unless quoted-printable gives bytes again), else UTF-8 when valid,
  // else Windows-1252.
  std::string Value(const VCardProperty& property, std::string_view raw, VCard& card) {
    const std::string* encoding = property.Parameter("ENCODING");
    const bool qp = encoding != nullptr && EqualsIgnoringCase(*encoding, "QUOTED-PRINTABLE");
    const std::string bytes = qp ? DecodeQuotedPrintable(raw) : std::string(raw);
    const std::string* charset = property.Parameter("CHARSET");
    if (charset == nullptr || (utf16_ && !qp)) return Utf8OrWindows1252(bytes);
    if (std::optional<std::string> text = charsets_.ToUtf8(bytes, *charset)) return std::move(*text);
    const std::string told = "the character set \"" + *charset + "\" is not known; its values were read as UTF-8, or " +
                             "as Windows-1252 where they are not UTF-8";
    if (std::find(card.problems.begin(), card.problems.end(), told) == card.problems.end()) {
      card.problems.push_back(told);
    }
    return Utf8OrWindows1252(bytes);
  }

  size_t depth_;
  VCardFile* out_ = nullptr;
  bool decided_ = false;
  std::string head_;
  std::optional<Utf16Decoder> utf16_;
  size_t crs_ = 0;  // CRs read and not yet taken as a line end
  std::string physical_;
  size_t line_ = 1;
  std::string logical_;
  size_t logicalNumber_ = 0;
  bool haveLogical_ = false;
  bool logicalBegins_ = false;  // the logical line begins a card
  int logicalQp_ = -1;
  std::vector<OpenCard> open_;
  Charsets charsets_;
};

VCardStreamReader::VCardStreamReader() : state_(std::make_unique<State>(0)) {}
VCardStreamReader::~VCardStreamReader() = default;

void VCardStreamReader::Feed(std::string_view bytes, VCardFile& out) { state_->Feed(bytes, out); }
void VCardStreamReader::Finish(VCardFile& out) { state_->Finish(out); }

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

bool LooksLikeVCard(std::string_view bytes) {
  // Enough of the start to pass a few blank lines and one stray line in
  // any of the encodings.
  std::string_view head = bytes.substr(0, 4096);
  const auto [encoding, skip] = DetectEncoding(head);
  head.remove_prefix(skip);
  std::string text;
  if (encoding == FileEncoding::Bytes) {
    text.assign(head);
  } else {
    Utf16Decoder decoder(encoding == FileEncoding::Utf16Be);
    decoder.Decode(head, text);
  }
  size_t stray = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = Trimmed(std::string_view(text).substr(at, end - at));
    at = end + 1;
    if (line.empty()) continue;
    if (IsBeginLine(line)) return true;
    // One line before the first card (a title some phones write) is passed
    // over; a second one makes the file something else.
    if (++stray > 1) return false;
  }
  return false;
}

VCardFile ReadVCards(std::string_view bytes) {
  VCardFile file;
  VCardStreamReader reader;
  reader.Feed(bytes, file);
  reader.Finish(file);
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
