#include "importexport/ImportReader.h"

#include <algorithm>
#include <cerrno>

#include "store/Bytes.h"

namespace velmora {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";
constexpr std::string_view kCrLf = "\r\n";
// The bytes looked at to tell the encoding and whether a file is text.
constexpr size_t kSniffLength = 4096;
// A streamed reader reads at least this much at a time.
constexpr size_t kReadPiece = size_t(64) << 10;

// A quoted field's text: what stands between its opening and closing
// quotes, each doubled quote read as one.
void Unquote(std::string_view inner, std::string& text) {
  text.clear();
  for (size_t i = 0; i < inner.size(); ++i) {
    text += inner[i];
    if (inner[i] == kImportQuote && i + 1 < inner.size() && inner[i + 1] == kImportQuote) ++i;
  }
}

// A field's bytes that are not UTF-8 are Windows-1252.
void AsUtf8(std::string& field) {
  if (!IsValidUtf8(field)) field = Windows1252ToUtf8(field);
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

constexpr uint32_t kReplacement = 0xFFFD;

// Decodes UTF-16 units; an odd last byte is left in carry and a high
// surrogate at the end in high, for the next piece.
void Utf16ToUtf8(std::string_view bytes, bool littleEndian, std::string& carry, uint32_t& high, std::string& out) {
  std::string joined;
  if (!carry.empty()) {
    joined = carry + std::string(bytes);
    bytes = joined;
    carry.clear();
  }
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const uint8_t a = uint8_t(bytes[i]);
    const uint8_t b = uint8_t(bytes[i + 1]);
    const uint32_t unit = littleEndian ? uint32_t(a | (b << 8)) : uint32_t((a << 8) | b);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (high) AppendUtf8(out, kReplacement);
      high = unit;
      continue;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (high) {
        AppendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        high = 0;
      } else {
        AppendUtf8(out, kReplacement);
      }
      continue;
    }
    if (high) {
      AppendUtf8(out, kReplacement);
      high = 0;
    }
    AppendUtf8(out, unit);
  }
  if (i < bytes.size()) carry.assign(bytes.substr(i));
}

bool EndsWithLineEnd(std::string_view text) { return !text.empty() && (text.back() == '\n' || text.back() == '\r'); }

}  // namespace

ImportEncoding DetectImportEncoding(std::string_view first, size_t* bomLength) {
  if (bomLength) *bomLength = 0;
  if (first.starts_with(kUtf8Mark)) {
    if (bomLength) *bomLength = kUtf8Mark.size();
    return ImportEncoding::Utf8;
  }
  if (first.starts_with(kUtf16LEMark)) {
    if (bomLength) *bomLength = kUtf16LEMark.size();
    return ImportEncoding::Utf16LE;
  }
  if (first.starts_with(kUtf16BEMark)) {
    if (bomLength) *bomLength = kUtf16BEMark.size();
    return ImportEncoding::Utf16BE;
  }
  first = first.substr(0, kSniffLength);
  size_t pairs = 0, zeroOdd = 0, zeroEven = 0;
  for (size_t i = 0; i + 1 < first.size(); i += 2) {
    ++pairs;
    const bool evenZero = first[i] == 0, oddZero = first[i + 1] == 0;
    if (oddZero && !evenZero) ++zeroOdd;
    if (evenZero && !oddZero) ++zeroEven;
  }
  // Text in a Latin script has a zero high byte in nearly every unit.
  if (pairs >= 2 && zeroOdd * 10 >= pairs * 6 && zeroEven == 0) return ImportEncoding::Utf16LE;
  if (pairs >= 2 && zeroEven * 10 >= pairs * 6 && zeroOdd == 0) return ImportEncoding::Utf16BE;
  return ImportEncoding::Utf8;
}

bool LooksLikeText(std::string_view firstBytes) {
  size_t bom = 0;
  const ImportEncoding encoding = DetectImportEncoding(firstBytes, &bom);
  std::string decoded;
  std::string_view text = firstBytes.substr(bom, kSniffLength);
  if (encoding != ImportEncoding::Utf8) {
    std::string carry;
    uint32_t high = 0;
    Utf16ToUtf8(text, encoding == ImportEncoding::Utf16LE, carry, high, decoded);
    text = decoded;
  }
  size_t control = 0;
  for (char ch : text) {
    const uint8_t c = uint8_t(ch);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ++control;
  }
  // A stray control character (a NUL inside a value) does not make a file
  // binary; many of them do.
  return control <= std::max<size_t>(2, text.size() / 50);
}

ImportText PrepareImportText(std::string_view fileBytes) {
  ImportText prepared;
  size_t bom = 0;
  const ImportEncoding encoding = DetectImportEncoding(fileBytes, &bom);
  prepared.hadByteOrderMark = bom != 0;
  fileBytes.remove_prefix(bom);
  if (encoding != ImportEncoding::Utf8) {
    std::string carry;
    uint32_t high = 0;
    prepared.text.reserve(fileBytes.size() / 2 + 2);
    Utf16ToUtf8(fileBytes, encoding == ImportEncoding::Utf16LE, carry, high, prepared.text);
    if (high || !carry.empty()) AppendUtf8(prepared.text, kReplacement);
    prepared.fromUtf16 = true;
  } else if (IsValidUtf8(fileBytes)) {
    prepared.text.reserve(fileBytes.size() + 2);
    prepared.text.assign(fileBytes);
  } else {
    prepared.text = Windows1252ToUtf8(fileBytes);
    prepared.fromWindows1252 = true;
  }
  if (!prepared.text.empty() && !EndsWithLineEnd(prepared.text)) prepared.text += kCrLf;
  return prepared;
}

char DetectSeparator(std::string_view text) {
  constexpr char kCandidates[3] = {',', ';', '\t'};
  size_t counts[3] = {0, 0, 0};
  size_t first[3] = {SIZE_MAX, SIZE_MAX, SIZE_MAX};
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == kImportQuote) {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    if (c == '\r' || c == '\n') break;
    for (size_t k = 0; k < 3; ++k) {
      if (c != kCandidates[k]) continue;
      ++counts[k];
      first[k] = std::min(first[k], i);
    }
  }
  // The most frequent; of equally frequent ones the first in the line.
  size_t best = 0;
  for (size_t k = 1; k < 3; ++k) {
    if (counts[k] > counts[best] || (counts[k] == counts[best] && first[k] < first[best])) best = k;
  }
  return kCandidates[best];
}

std::optional<char> DetectQualifier(std::string_view text) {
  if (!text.empty() && text.front() == kImportQuote) return kImportQuote;
  return std::nullopt;
}

size_t CountImportLines(std::string_view text) {
  size_t count = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\n') {
      ++count;
    } else if (text[at] == '\r') {
      ++count;
      if (at + 1 < text.size() && text[at + 1] == '\n') ++at;
    }
  }
  return count;
}

ImportTextStream::ImportTextStream(std::istream& in) : in_(in) {}

void ImportTextStream::Start() {
  started_ = true;
  pending_.resize(kSniffLength);
  in_.read(pending_.data(), std::streamsize(pending_.size()));
  pending_.resize(size_t(in_.gcount()));
  if (in_.bad()) status_ = Result::Fail("Cannot read the import file", errno);
  bytesRead_ += pending_.size();
  size_t bom = 0;
  encoding_ = DetectImportEncoding(pending_, &bom);
  pending_.erase(0, bom);
}

bool ImportTextStream::Read(std::string& out, size_t most) {
  if (!started_) Start();
  if (!status_.ok()) return false;
  raw_.swap(pending_);
  pending_.clear();
  if (raw_.empty()) {
    raw_.resize(std::max<size_t>(most, 1));
    in_.read(raw_.data(), std::streamsize(raw_.size()));
    raw_.resize(size_t(in_.gcount()));
    if (in_.bad()) {
      status_ = Result::Fail("Cannot read the import file", errno);
      return false;
    }
    bytesRead_ += raw_.size();
  }
  if (raw_.empty()) {
    if (encoding_ != ImportEncoding::Utf8 && (highSurrogate_ || !carry_.empty())) {
      AppendUtf8(out, kReplacement);
      highSurrogate_ = 0;
      carry_.clear();
      return true;
    }
    return false;
  }
  if (encoding_ == ImportEncoding::Utf8) {
    out += raw_;
  } else {
    Utf16ToUtf8(raw_, encoding_ == ImportEncoding::Utf16LE, carry_, highSurrogate_, out);
  }
  raw_.clear();
  return true;
}

ImportReader::ImportReader(std::string_view text, char separator, std::optional<char> qualifier)
    : text_(text), separator_(separator), qualified_(qualifier.has_value()) {
  largestBuffer_ = text.size();
}

ImportReader::ImportReader(ImportTextStream& source, char separator, std::optional<char> qualifier)
    : source_(&source), ended_(false), separator_(separator), qualified_(qualifier.has_value()) {}

bool ImportReader::More() {
  if (ended_ || !source_) return false;
  // What was read already is dropped; the line being read stays.
  buffer_.erase(0, pos_);
  pos_ = 0;
  const size_t before = buffer_.size();
  // Reading at least as much as is held keeps a long line linear in time.
  while (buffer_.size() == before) {
    if (!source_->Read(buffer_, std::max(kReadPiece, buffer_.size()))) {
      ended_ = true;
      if (!buffer_.empty() && !EndsWithLineEnd(buffer_)) buffer_ += kCrLf;
      break;
    }
  }
  text_ = buffer_;
  largestBuffer_ = std::max(largestBuffer_, buffer_.capacity());
  // Reaching the end also counts: a CR that was the last byte held now
  // ends its line.
  return buffer_.size() != before || ended_;
}

int ImportReader::LineEndAt(size_t at) const {
  if (at >= text_.size()) return 0;
  if (text_[at] == '\n') return 1;
  if (text_[at] != '\r') return 0;
  if (at + 1 < text_.size()) return text_[at + 1] == '\n' ? 2 : 1;
  return ended_ ? 1 : -1;
}

ImportReader::Outcome ImportReader::NextField(std::string& field, bool& endsLine) {
  field.clear();
  endsLine = false;
  const size_t start = pos_;
  if (start < text_.size() && text_[start] == kImportQuote) {
    // Quoted: close at the first separator or line end right after a quote
    // where the quotes counted from the opening one are even.
    size_t quotes = 1;
    size_t lineEnds = 0;
    for (size_t at = start + 1; at < text_.size(); ++at) {
      const char c = text_[at];
      if (c == kImportQuote) {
        ++quotes;
        continue;
      }
      const int end = LineEndAt(at);
      if (end < 0) return Outcome::NeedMore;
      const bool candidate = c == separator_ || end > 0;
      if (!candidate || text_[at - 1] != kImportQuote || quotes % 2 != 0) {
        if (end > 0) {
          ++lineEnds;
          at += size_t(end - 1);
        }
        continue;
      }
      Unquote(text_.substr(start + 1, at - 1 - (start + 1)), field);
      AsUtf8(field);
      linesPassed_ += lineEnds;
      if (c == separator_) {
        pos_ = at + 1;
      } else {
        pos_ = at + size_t(end);
        ++linesPassed_;
        endsLine = true;
      }
      return Outcome::Done;
    }
    return Outcome::NeedMore;
  }
  if (qualified_ && start < text_.size() && text_[start] == separator_) {
    const int end = LineEndAt(start + 1);
    if (end < 0 || start + 1 >= text_.size()) return Outcome::NeedMore;
    pos_ = start + 1;
    if (end > 0) {
      pos_ += size_t(end);
      ++linesPassed_;
      endsLine = true;
    }
    return Outcome::Done;
  }
  for (size_t at = start; at < text_.size(); ++at) {
    if (text_[at] == separator_) {
      field.assign(text_.substr(start, at - start));
      AsUtf8(field);
      pos_ = at + 1;
      return Outcome::Done;
    }
    const int end = LineEndAt(at);
    if (end < 0) return Outcome::NeedMore;
    if (end > 0) {
      field.assign(text_.substr(start, at - start));
      AsUtf8(field);
      pos_ = at + size_t(end);
      ++linesPassed_;
      endsLine = true;
      return Outcome::Done;
    }
  }
  return Outcome::NeedMore;
}

LineRead ImportReader::NextLine(std::vector<std::string>& fields) {
  // The strings of the previous line are reused, so a long file costs no
  // allocation per field.
  for (;;) {
    if (pos_ >= text_.size()) {
      if (More()) continue;
      fields.clear();
      return LineRead::End;
    }
    const size_t lineStart = pos_;
    const size_t passedAtStart = linesPassed_;
    lineNumber_ = linesPassed_ + 1;
    size_t count = 0;
    bool endsLine = false;
    bool complete = true;
    while (!endsLine) {
      if (count == fields.size()) fields.emplace_back();
      if (NextField(fields[count], endsLine) == Outcome::NeedMore) {
        complete = false;
        break;
      }
      ++count;
    }
    if (complete) {
      fields.resize(count);
      return LineRead::Read;
    }
    pos_ = lineStart;
    linesPassed_ = passedAtStart;
    if (More()) continue;
    // The rest of the text is the unfinished line; nothing more is read.
    pos_ = text_.size();
    fields.clear();
    return LineRead::Partial;
  }
}

std::vector<std::string> FirstLineFields(std::string_view text, char separator, std::optional<char> qualifier) {
  ImportReader reader(text, separator, qualifier);
  std::vector<std::string> fields;
  if (reader.NextLine(fields) != LineRead::Read) fields.clear();
  return fields;
}

}  // namespace velmora
