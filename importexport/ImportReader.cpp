#include "importexport/ImportReader.h"

#include "store/Bytes.h"

namespace velmora {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

// A quoted field's text: what stands between its opening and closing
// quotes, each doubled quote read as one.
void Unquote(std::string_view inner, std::string& text) {
  text.clear();
  for (size_t i = 0; i < inner.size(); ++i) {
    text += inner[i];
    if (inner[i] == kImportQuote && i + 1 < inner.size() && inner[i + 1] == kImportQuote) ++i;
  }
}

}  // namespace

ImportText PrepareImportText(std::string_view fileBytes) {
  ImportText prepared;
  if (fileBytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    fileBytes.remove_prefix(kByteOrderMark.size());
    prepared.hadByteOrderMark = true;
  }
  if (IsValidUtf8(fileBytes)) {
    prepared.text.reserve(fileBytes.size() + 2);
    prepared.text.assign(fileBytes);
  } else {
    prepared.text = Windows1252ToUtf8(fileBytes);
    prepared.fromWindows1252 = true;
  }
  if (!prepared.text.ends_with(kCrLf)) prepared.text += kCrLf;
  return prepared;
}

char DetectSeparator(std::string_view text) {
  const size_t first = text.find_first_of(",\t");
  return first != std::string_view::npos && text[first] == '\t' ? '\t' : ',';
}

std::optional<char> DetectQualifier(std::string_view text) {
  if (!text.empty() && text.front() == kImportQuote) return kImportQuote;
  return std::nullopt;
}

size_t CountImportLines(std::string_view text) {
  size_t count = 0;
  for (size_t at = text.find(kCrLf); at != std::string_view::npos; at = text.find(kCrLf, at + 2)) ++count;
  return count;
}

ImportReader::ImportReader(std::string_view text, char separator, std::optional<char> qualifier)
    : text_(text), separator_(separator), qualified_(qualifier.has_value()) {}

bool ImportReader::NextField(std::string& field, bool& endsLine) {
  field.clear();
  endsLine = false;
  const size_t start = pos_;
  if (start < text_.size() && text_[start] == kImportQuote) {
    // Quoted: close at the first separator or CR LF right after a quote
    // where the quotes counted from the opening one are even.
    size_t quotes = 1;
    for (size_t at = start + 1; at < text_.size(); ++at) {
      const char c = text_[at];
      if (c == kImportQuote) {
        ++quotes;
        continue;
      }
      const bool candidate = c == separator_ || CrLfAt(at);
      if (!candidate || text_[at - 1] != kImportQuote || quotes % 2 != 0) continue;
      Unquote(text_.substr(start + 1, at - 1 - (start + 1)), field);
      if (c == separator_) {
        pos_ = at + 1;
      } else {
        pos_ = at + 2;
        ++linesPassed_;
        endsLine = true;
      }
      return true;
    }
    return false;
  }
  if (qualified_ && start < text_.size() && text_[start] == separator_) {
    pos_ = start + 1;
    if (CrLfAt(pos_)) {
      pos_ += 2;
      ++linesPassed_;
      endsLine = true;
    }
    return true;
  }
  for (size_t at = start; at < text_.size(); ++at) {
    if (text_[at] == separator_) {
      field.assign(text_.substr(start, at - start));
      pos_ = at + 1;
      return true;
    }
    if (CrLfAt(at)) {
      field.assign(text_.substr(start, at - start));
      pos_ = at + 2;
      ++linesPassed_;
      endsLine = true;
      return true;
    }
  }
  return false;
}

LineRead ImportReader::NextLine(std::vector<std::string>& fields) {
  // The strings of the previous line are reused, so a long file costs no
  // allocation per field.
  size_t count = 0;
  if (pos_ >= text_.size()) {
    fields.clear();
    return LineRead::End;
  }
  lineNumber_ = linesPassed_ + 1;
  const size_t lineStart = pos_;
  const size_t passedAtStart = linesPassed_;
  bool endsLine = false;
  while (!endsLine) {
    if (count == fields.size()) fields.emplace_back();
    if (!NextField(fields[count], endsLine)) {
      // The rest of the text is the unfinished line; nothing more is read.
      pos_ = text_.size();
      linesPassed_ = passedAtStart;
      fields.clear();
      return LineRead::Partial;
    }
    ++count;
  }
  fields.resize(count);
  // Line ends inside quoted values count towards the line numbers too.
  for (size_t at = text_.find(kCrLf, lineStart); at != std::string_view::npos && at + 2 < pos_;
       at = text_.find(kCrLf, at + 2)) {
    ++linesPassed_;
  }
  return LineRead::Read;
}

std::vector<std::string> FirstLineFields(std::string_view text, char separator, std::optional<char> qualifier) {
  ImportReader reader(text, separator, qualifier);
  std::vector<std::string> fields;
  if (reader.NextLine(fields) != LineRead::Read) fields.clear();
  return fields;
}

}  // namespace velmora
